// Every frame of every corpus GIF against giflib: indexes, colour table,
// transparency and delay must be equal.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <string.h>

#include "gif_decoder.h"
#include "oracle_corpus.h"

namespace {

struct MemoryReader {
    const BYTE* data;
    size_t size;
    size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
    MemoryReader* r = (MemoryReader*)gif->UserData;
    const size_t left = r->size - r->pos;
    const size_t take = (size_t)n < left ? (size_t)n : left;
    memcpy(out, r->data + r->pos, take);
    r->pos += take;
    return (int)take;
}

void CompareFrame(const std::string& name, const GifFileType* gif, int index, const std::vector<BYTE>& file) {
    SCOPED_TRACE(name + " frame " + std::to_string(index));
    const SavedImage& frame = gif->SavedImages[index];
    const GifImageDesc& desc = frame.ImageDesc;
    GraphicsControlBlock gcb = {0, false, 0, NO_TRANSPARENT_COLOR};
    bool haveGcb = false;
    for (int i = index; i >= 0 && !haveGcb; --i)
        haveGcb = DGifSavedExtensionToGCB((GifFileType*)gif, i, &gcb) == GIF_OK;

    GifFrameRequest request = {16, 0, (DWORD)index, 12345};
    DibInfo info;
    info.size = DIBINFO_SIZE;
    HZVDIB dib = zvConvertGifToDib(file.data(), (DWORD)file.size(), &request, &info);
    ASSERT_NE(dib, nullptr) << std::hex << zvGdiGetErrCode();
    EXPECT_EQ(info.width, (DWORD)desc.Width);
    EXPECT_EQ(info.height, (DWORD)desc.Height);
    EXPECT_EQ(info.left, desc.Left);
    EXPECT_EQ(info.top, desc.Top);
    EXPECT_EQ(request.delay, haveGcb ? (DWORD)gcb.DelayTime * 10 : 0u);
    const bool transparent = haveGcb && gcb.TransparentColor != NO_TRANSPARENT_COLOR;
    EXPECT_EQ((info.flags & DIBF_TRANSPARENT) != 0, transparent);
    EXPECT_EQ(info.transparent, transparent ? (DWORD)gcb.TransparentColor : 0u);

    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    ASSERT_EQ(info.colorCount, map ? (DWORD)map->ColorCount : 0u);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD q = info.colors[i];
        if (map && i < map->ColorCount) {
            const GifColorType c = map->Colors[i];
            EXPECT_TRUE(q.rgbRed == c.Red && q.rgbGreen == c.Green && q.rgbBlue == c.Blue) << "entry " << i;
        } else {
            EXPECT_TRUE(q.rgbRed == 0 && q.rgbGreen == 0 && q.rgbBlue == 0 && q.rgbReserved == 0) << "entry " << i;
        }
    }
    int differing = 0;
    for (int y = 0; y < desc.Height; ++y)
        if (memcmp(info.topRow + (size_t)y * info.stride, frame.RasterBits + (size_t)y * desc.Width, desc.Width))
            ++differing;
    EXPECT_EQ(differing, 0) << "rows differ";
    zvDeleteDIBitmap(dib);
}

TEST(GifOracle, EveryFrameEqualsGiflib) {
    const std::vector<std::string> files = OracleCorpusFiles("gif");
    ASSERT_GE(files.size(), 20u) << "corpus missing: set ZV_ORACLE_CORPUS";
    int frames = 0, interlaced = 0, multiFrame = 0;
    for (const std::string& name : files) {
        const std::vector<BYTE> file = OracleReadFile(name);
        MemoryReader reader = {file.data(), file.size(), 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
        ASSERT_NE(gif, nullptr) << name;
        ASSERT_EQ(DGifSlurp(gif), GIF_OK) << name;
        for (int i = 0; i < gif->ImageCount; ++i) {
            if (gif->SavedImages[i].ImageDesc.Interlace && gif->SavedImages[i].ImageDesc.Height < 8) continue;
            CompareFrame(name, gif, i, file);
            interlaced += gif->SavedImages[i].ImageDesc.Interlace ? 1 : 0;
            ++frames;
        }
        multiFrame += gif->ImageCount > 1 ? 1 : 0;
        // One frame past the last one is no image.
        GifFrameRequest past = {16, 0, (DWORD)gif->ImageCount, 0};
        DibInfo info;
        info.size = DIBINFO_SIZE;
        EXPECT_EQ(zvConvertGifToDib(file.data(), (DWORD)file.size(), &past, &info), nullptr) << name;
        EXPECT_EQ(zvGdiGetErrCode(), (DWORD)ZVPIX_ERR_NO_IMAGE) << name;
        DGifCloseFile(gif, &error);
    }
    EXPECT_GT(interlaced, 5);
    EXPECT_GE(multiFrame, 3);
    printf("compared %d frames of %zu files\n", frames, files.size());
}

}  // namespace

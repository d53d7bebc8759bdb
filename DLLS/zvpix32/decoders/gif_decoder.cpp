#include "gif_decoder.h"

#include <stdlib.h>
#include <string.h>

#include "gif_lzw.h"

size_t g_zvGifMaxPixelBytes = (size_t)1 << 30;

namespace {

const DWORD kSpareBytes = 256;

DWORD Le16(const BYTE* p) { return (DWORD)p[0] | ((DWORD)p[1] << 8); }

// Graphic control values; they carry over from frame to frame.
struct GraphicControl {
    DWORD delayMs = 0;
    bool transparent = false;
    DWORD transparentIndex = 0;
};

// Passes over sub-blocks from `pos` up to and including the terminator.
bool SkipSubBlocks(const BYTE* data, size_t size, size_t* pos) {
    while (*pos < size) {
        const size_t length = data[*pos];
        ++*pos;
        if (length == 0) return true;
        if (length > size - *pos) return false;
        *pos += length;
    }
    return false;
}

struct FrameDescriptor {
    DWORD left, top, width, height;
    bool interlaced;
    const BYTE* colors;  // red-green-blue triples, or null
    DWORD colorCount;
    int minCodeSize;
    size_t dataPos;  // first sub-block length byte
};

HZVDIB DecodeFrame(const BYTE* data, size_t size, const FrameDescriptor& f, const GraphicControl& gc, BYTE aspectByte,
                   DibInfo* info) {
    if (f.width == 0 || f.height == 0) return zvGdiFail(ZVPIX_ERR_DAMAGED);
    if (f.minCodeSize > 11) return zvGdiFail(ZVPIX_ERR_DAMAGED);
    const DWORD stride = (f.width + 3) & ~3u;
    const unsigned long long pixelBytes = (unsigned long long)stride * f.height + kSpareBytes;
    if (pixelBytes > g_zvGifMaxPixelBytes) return zvGdiFail(ZVPIX_ERR_OUT_OF_MEMORY);
    if (f.dataPos >= size || (size_t)data[f.dataPos] > size - f.dataPos - 1) return zvGdiFail(ZVPIX_ERR_DAMAGED);

    const size_t headerBytes = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
    BITMAPINFOHEADER* header = (BITMAPINFOHEADER*)calloc(1, headerBytes);
    BYTE* pixels = (BYTE*)calloc(1, (size_t)pixelBytes);
    if (!header || !pixels) {
        free(pixels);
        free(header);
        return zvGdiFail(ZVPIX_ERR_OUT_OF_MEMORY);
    }
    const GifFrameTarget target = {pixels, f.width, f.height, stride, f.interlaced};
    zvGifDecodeLzw(data + f.dataPos, size - f.dataPos, f.minCodeSize, target);

    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = (LONG)f.width;
    header->biHeight = -(LONG)f.height;
    header->biPlanes = 1;
    header->biBitCount = 8;
    header->biCompression = BI_RGB;
    header->biSizeImage = (DWORD)pixelBytes;
    // The header must name a table for the DIB to be read as indexed; the
    // record reports the real count below.
    header->biClrUsed = f.colorCount ? f.colorCount : 256;
    RGBQUAD* table = (RGBQUAD*)(header + 1);
    for (DWORD i = 0; i < f.colorCount; ++i) {
        table[i].rgbRed = f.colors[3 * i];
        table[i].rgbGreen = f.colors[3 * i + 1];
        table[i].rgbBlue = f.colors[3 * i + 2];
    }

    HZVDIB dib = zvCreateOwnedDib(header, pixels, info);
    if (!dib) return nullptr;
    header->biClrUsed = f.colorCount;
    info->flags = (DWORD)DIBF_INDEXED | (gc.transparent ? (DWORD)DIBF_TRANSPARENT : 0u) | (aspectByte ? (DWORD)DIBF_ASPECT : 0u);
    info->format = ZVFMT_8BIT + zvGdiSixteenColorFlag();
    info->left = (LONG)f.left;
    info->top = (LONG)f.top;
    info->width = f.width;
    info->height = f.height;
    info->aspect = aspectByte ? (DWORD)aspectByte * 1024 : DIB_ASPECT_SQUARE;
    info->stride = stride;
    info->rowStep = (LONG)stride;
    info->transparent = gc.transparent ? gc.transparentIndex : 0;
    info->colorCount = f.colorCount;
    info->header = header;
    info->colors = table;
    info->bits = pixels;
    info->topRow = pixels;
    return dib;
}

}  // namespace

ZV_EXPORT(HZVDIB) zvConvertGifToDib(const BYTE* data, DWORD size, void* request, DibInfo* info) {
    if (!data || !info) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    if (info->size != DIBINFO_SIZE) return zvGdiFail(ZVPIX_ERR_RECORD_SIZE);
    GifFrameRequest* req = (GifFrameRequest*)request;
    const DWORD wanted = req ? req->frame : 0;
    if (size < 13 || memcmp(data, "GIF", 3) != 0) return zvGdiFail(ZVPIX_ERR_DAMAGED);

    const BYTE screenFlags = data[10];
    const BYTE aspectByte = data[12];
    const BYTE* globalColors = nullptr;
    DWORD globalCount = 0;
    size_t pos = 13;
    if (screenFlags & 0x80) {
        globalCount = 2u << (screenFlags & 7);
        if (3 * globalCount > size - pos) return zvGdiFail(ZVPIX_ERR_DAMAGED);
        globalColors = data + pos;
        pos += 3 * globalCount;
    }

    GraphicControl gc;
    DWORD frameNumber = 0;
    for (;;) {
        if (pos >= size) return zvGdiFail(ZVPIX_ERR_DAMAGED);
        const BYTE introducer = data[pos];
        if (introducer == '!') {
            if (size - pos < 2) return zvGdiFail(ZVPIX_ERR_DAMAGED);
            if (data[pos + 1] == 0xF9) {
                if (size - pos < 7) return zvGdiFail(ZVPIX_ERR_DAMAGED);
                gc.delayMs = Le16(data + pos + 4) * 10;
                gc.transparent = (data[pos + 3] & 1) != 0;
                gc.transparentIndex = gc.transparent ? data[pos + 6] : 0;
            }
            pos += 2;
            if (!SkipSubBlocks(data, size, &pos)) return zvGdiFail(ZVPIX_ERR_DAMAGED);
        } else if (introducer == ',') {
            if (size - pos < 10) return zvGdiFail(ZVPIX_ERR_DAMAGED);
            FrameDescriptor f;
            f.left = Le16(data + pos + 1);
            f.top = Le16(data + pos + 3);
            f.width = Le16(data + pos + 5);
            f.height = Le16(data + pos + 7);
            const BYTE flags = data[pos + 9];
            f.interlaced = (flags & 0x40) != 0;
            pos += 10;
            f.colors = globalColors;
            f.colorCount = globalCount;
            if (flags & 0x80) {
                f.colorCount = 2u << (flags & 7);
                if (3 * f.colorCount > size - pos) return zvGdiFail(ZVPIX_ERR_DAMAGED);
                f.colors = data + pos;
                pos += 3 * f.colorCount;
            }
            if (pos >= size) return zvGdiFail(ZVPIX_ERR_DAMAGED);
            f.minCodeSize = data[pos];
            f.dataPos = pos + 1;
            if (frameNumber == wanted) {
                HZVDIB dib = DecodeFrame(data, size, f, gc, aspectByte, info);
                if (dib && req) req->delay = gc.delayMs;
                return dib;
            }
            ++frameNumber;
            pos = f.dataPos;
            if (!SkipSubBlocks(data, size, &pos)) return zvGdiFail(ZVPIX_ERR_DAMAGED);
        } else if (introducer == ';') {
            return zvGdiFail(ZVPIX_ERR_NO_IMAGE);
        } else {
            return zvGdiFail(ZVPIX_ERR_DAMAGED);
        }
    }
}

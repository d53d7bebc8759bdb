// Every corpus JPEG against libjpeg-turbo's accurate integer transform: the
// pictures must agree to at least 40 dB PSNR (the transforms differ slightly).
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "jpeg_decoder.h"
#include "oracle_corpus.h"

namespace {

struct Reference {
    int width = 0, height = 0;
    int lumaSampling = 0x11;
    std::vector<BYTE> rgb;
};

// Pixel replication like ours, so that only the transforms differ; `scale`
// as djpeg -scale 1/scale.
bool DecodeWithLibjpeg(const std::vector<BYTE>& file, Reference* out, int scale = 1) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), (unsigned long)file.size());
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return false;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.out_color_space = JCS_RGB;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.scale_num = 1;
    cinfo.scale_denom = (unsigned)scale;
    out->lumaSampling = cinfo.comp_info[0].h_samp_factor << 4 | cinfo.comp_info[0].v_samp_factor;
    jpeg_start_decompress(&cinfo);
    out->width = (int)cinfo.output_width;
    out->height = (int)cinfo.output_height;
    out->rgb.resize((size_t)out->width * out->height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->rgb.data() + (size_t)cinfo.output_scanline * out->width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

double Psnr(const DibInfo& info, const Reference& ref) {
    double sum = 0;
    for (int y = 0; y < ref.height; ++y) {
        const BYTE* ours = info.topRow + (size_t)y * info.stride;
        const BYTE* theirs = ref.rgb.data() + (size_t)y * ref.width * 3;
        for (int x = 0; x < ref.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = (double)ours[3 * x + c] - theirs[3 * x + 2 - c];
                sum += d * d;
            }
    }
    const double mse = sum / ((double)ref.width * ref.height * 3);
    return mse == 0 ? 99.0 : 10 * log10(255.0 * 255.0 / mse);
}

TEST(JpegOracle, EveryFileWithin40dBOfLibjpeg) {
    const std::vector<std::string> files = OracleCorpusFiles("jpeg");
    ASSERT_GE(files.size(), 40u) << "corpus missing: set ZV_ORACLE_CORPUS";
    double worst = 99;
    std::string worstName;
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        const std::vector<BYTE> file = OracleReadFile(name);
        Reference ref;
        ASSERT_TRUE(DecodeWithLibjpeg(file, &ref));
        DibInfo info;
        info.size = DIBINFO_SIZE;
        HZVDIB dib = zvConvertJpegToDib(file.data(), (DWORD)file.size(), nullptr, &info);
        ASSERT_NE(dib, nullptr) << std::hex << zvGdiGetErrCode();
        ASSERT_EQ(info.width, (DWORD)ref.width);
        ASSERT_EQ(info.height, (DWORD)ref.height);
        EXPECT_EQ(info.stride, (DWORD)(3 * ref.width + 3) & ~3u);
        const double psnr = Psnr(info, ref);
        EXPECT_GE(psnr, 40.0);
        if (psnr < worst) {
            worst = psnr;
            worstName = name;
        }
        zvDeleteDIBitmap(dib);
    }
    printf("compared %zu files, lowest PSNR %.2f dB (%s)\n", files.size(), worst, worstName.c_str());
}

// Reduced by 2, 4 and 8, against libjpeg-turbo's own reduced transforms,
// for every sampling, sequential and progressive, restarts and odd sizes
// (1 × 1, 7 × 9, 4001 × 2999). Its chroma of 2 × 1 files is reduced
// vertically only as far as the luminance and then repeated sideways, where
// ours keeps the chroma columns that the luminance has: pictures with strong
// colour detail part by up to 4 dB more there.
TEST(JpegOracle, ScaledWithin30dBOfLibjpegScaled) {
    std::vector<std::string> files = OracleCorpusFiles("jpeg");
    const std::vector<std::string> odd = OracleCorpusFiles("scaled");
    ASSERT_GE(odd.size(), 22u) << "corpus missing: set ZV_ORACLE_CORPUS";
    files.insert(files.end(), odd.begin(), odd.end());
    double worst[9] = {99, 99, 99, 99, 99, 99, 99, 99, 99};
    for (const std::string& name : files) {
        const std::vector<BYTE> file = OracleReadFile(name);
        for (int scale : {2, 4, 8}) {
            SCOPED_TRACE(testing::Message() << name << " scale 1/" << scale);
            Reference ref;
            ASSERT_TRUE(DecodeWithLibjpeg(file, &ref, scale));
            DibInfo info;
            info.size = DIBINFO_SIZE;
            HZVDIB dib = zvConvertJpegToDibScaled(file.data(), (DWORD)file.size(), (DWORD)scale, &info);
            ASSERT_NE(dib, nullptr) << std::hex << zvGdiGetErrCode();
            ASSERT_EQ(info.width, (DWORD)ref.width);
            ASSERT_EQ(info.height, (DWORD)ref.height);
            const double psnr = Psnr(info, ref);
            EXPECT_GE(psnr, ref.lumaSampling == 0x21 ? 26.0 : 30.0);
            worst[scale] = std::min(worst[scale], psnr);
            zvDeleteDIBitmap(dib);
        }
    }
    printf("compared %zu files, lowest PSNR at 1/2 %.2f dB, 1/4 %.2f dB, 1/8 %.2f dB\n", files.size(), worst[2],
           worst[4], worst[8]);
}

TEST(JpegOracle, ArithmeticCodedFilesAreRefused) {
    const std::vector<std::string> files = OracleCorpusFiles("refused");
    ASSERT_GE(files.size(), 10u);
    for (const std::string& name : files) {
        const std::vector<BYTE> file = OracleReadFile(name);
        DibInfo info;
        info.size = DIBINFO_SIZE;
        EXPECT_EQ(zvConvertJpegToDib(file.data(), (DWORD)file.size(), nullptr, &info), nullptr) << name;
        EXPECT_EQ(zvGdiGetErrCode(), (DWORD)ZVPIX_ERR_UNSUPPORTED_IMAGE) << name;
    }
}

bool IsProgressive(const std::vector<BYTE>& file) {
    for (size_t i = 0; i + 1 < file.size(); ++i) {
        if (file[i] != 0xFF) continue;
        if (file[i + 1] == 0xC0 || file[i + 1] == 0xC1) return false;
        if (file[i + 1] == 0xC2) return true;
    }
    return false;
}

// Files cut anywhere in their scans still decode, and the first rows of a
// sequential file of four MCU rows or more cut after its middle match the
// whole file's.
TEST(JpegOracle, CutFilesDecodeWhatTheyHold) {
    const std::vector<std::string> files = OracleCorpusFiles("jpeg");
    ASSERT_FALSE(files.empty());
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        const std::vector<BYTE> file = OracleReadFile(name);
        DibInfo whole;
        whole.size = DIBINFO_SIZE;
        HZVDIB full = zvConvertJpegToDib(file.data(), (DWORD)file.size(), nullptr, &whole);
        ASSERT_NE(full, nullptr);
        for (int cut = 1; cut <= 7; ++cut) {
            const size_t size = file.size() * (size_t)cut / 8;
            DibInfo info;
            info.size = DIBINFO_SIZE;
            HZVDIB dib = zvConvertJpegToDib(file.data(), (DWORD)size, nullptr, &info);
            if (!dib) {
                // Only a cut before the first scan may fail.
                EXPECT_EQ(zvGdiGetErrCode(), (DWORD)ZVPIX_ERR_DAMAGED);
                continue;
            }
            ASSERT_EQ(info.height, whole.height);
            ASSERT_EQ(info.stride, whole.stride);
            if (cut >= 4 && whole.height >= 64 && !IsProgressive(file)) {
                // The bytes that pad each row are never written.
                for (int y = 0; y < 8; ++y)
                    EXPECT_EQ(memcmp(info.topRow + (size_t)y * whole.stride, whole.topRow + (size_t)y * whole.stride,
                                     3 * (size_t)whole.width),
                              0)
                        << "cut " << cut << " row " << y;
            }
            zvDeleteDIBitmap(dib);
        }
        zvDeleteDIBitmap(full);
    }
}

// What a decode hands back: the error, or the size and the visible pixels.
std::vector<BYTE> DecodeResult(const std::vector<BYTE>& file, size_t size) {
    DibInfo info;
    info.size = DIBINFO_SIZE;
    HZVDIB dib = zvConvertJpegToDib(file.data(), (DWORD)size, nullptr, &info);
    if (!dib) {
        const DWORD error = zvGdiGetErrCode();
        return std::vector<BYTE>((const BYTE*)&error, (const BYTE*)&error + sizeof error);
    }
    std::vector<BYTE> out((const BYTE*)&info.width, (const BYTE*)&info.width + sizeof info.width);
    out.insert(out.end(), (const BYTE*)&info.height, (const BYTE*)&info.height + sizeof info.height);
    for (DWORD y = 0; y < info.height; ++y) {
        const BYTE* row = info.topRow + (size_t)y * info.stride;
        out.insert(out.end(), row, row + 3 * info.width);
    }
    zvDeleteDIBitmap(dib);
    return out;
}

// The fast paths (lookup Huffman decoding, SSE2 transform and colour
// conversion) give every byte that the plain ones give, for the corpus, the
// fuzz corpus and cut copies of their files.
TEST(JpegOracle, FastPathsMatchThePlainOnes) {
    std::vector<std::string> files = OracleCorpusFiles("jpeg");
    ASSERT_GE(files.size(), 40u) << "corpus missing: set ZV_ORACLE_CORPUS";
    const char* fuzzCorpus = getenv("ZV_JPEG_FUZZ_CORPUS");
    ASSERT_NE(fuzzCorpus, nullptr);
    const std::vector<std::string> fuzzFiles = OracleFolderFiles(fuzzCorpus);
    ASSERT_FALSE(fuzzFiles.empty());
    files.insert(files.end(), fuzzFiles.begin(), fuzzFiles.end());
    for (const std::string& name : files) {
        const std::vector<BYTE> file = OracleReadFile(name);
        for (int eighths = 8; eighths >= 1; --eighths) {
            const size_t size = file.size() * (size_t)eighths / 8;
            g_zvJpegFastPaths = false;
            const std::vector<BYTE> plain = DecodeResult(file, size);
            g_zvJpegFastPaths = true;
            const std::vector<BYTE> fast = DecodeResult(file, size);
            EXPECT_TRUE(fast == plain) << name << " cut to " << size << " bytes";
        }
    }
}

}  // namespace

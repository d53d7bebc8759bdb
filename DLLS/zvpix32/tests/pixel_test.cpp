#include <gtest/gtest.h>
#include <string.h>

#include <utility>
#include <vector>

#include "zvpix32.h"

namespace {

const BYTE kMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {58, 16, 48, 24, 56, 18, 50, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {54, 28, 60, 20, 52, 30, 62, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {57, 19, 51, 27, 59, 17, 49, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {53, 31, 63, 23, 55, 29, 61, 21},
};
const BYTE kThreshold[16] = {0, 192, 32, 224, 128, 64, 160, 96, 48, 240, 16, 208, 176, 112, 144, 80};

// First DefaultPalette entry of colour 0xRRGGBB, read through the status call.
int PaletteIndexOf(unsigned rgb) {
    const BYTE* entries = (const BYTE*)(size_t)zvGdiGetStatus(4) + 4;
    for (int i = 0; i < 256; ++i, entries += 4)
        if ((unsigned)(entries[0] << 16 | entries[1] << 8 | entries[2]) == rgb) return i;
    return -1;
}

std::vector<BYTE> Solid24(int width, int height, BYTE blue, BYTE green, BYTE red, int* stride) {
    *stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> v((size_t)*stride * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            BYTE* p = &v[(size_t)y * *stride + 3 * x];
            p[0] = blue, p[1] = green, p[2] = red;
        }
    return v;
}

}  // namespace

TEST(CubeDither, MapFollowsThePaletteWithFourReplacements) {
    for (int b = 0; b < 6; ++b)
        for (int g = 0; g < 6; ++g)
            for (int r = 0; r < 6; ++r) {
                const int found = PaletteIndexOf((unsigned)(0x33 * r) << 16 | (0x33 * g) << 8 | 0x33 * b);
                // Exact cube colours have no fraction: every position gives the map entry.
                int stride;
                std::vector<BYTE> src = Solid24(8, 8, (BYTE)(0x33 * b), (BYTE)(0x33 * g), (BYTE)(0x33 * r), &stride);
                BYTE dst[64];
                ASSERT_TRUE(zvCopyDIBits(dst, src.data(), 8, 8, 8, stride, nullptr, 4, 6));
                for (BYTE v : dst) ASSERT_EQ(v, dst[0]);
                const int mapped = dst[0];
                if (found >= 0) {
                    EXPECT_EQ(mapped, found) << r << g << b;
                } else {
                    const bool green = (r == 1 && g == 5 && b == 0) || (r == 0 && g == 5 && b == 1);
                    const bool blue = (r == 1 && g == 0 && b == 5) || (r == 0 && g == 1 && b == 5);
                    ASSERT_TRUE(green || blue) << r << g << b;
                    EXPECT_EQ(mapped, green ? 250 : 252);
                }
            }
}

TEST(CubeDither, ExactCubeColoursAtEveryPosition) {
    struct Case {
        BYTE blue, green, red;
        int index;
    } cases[] = {
        {0x33, 0x66, 0x99, PaletteIndexOf(0x996633)}, {0xFF, 0xFF, 0xFF, 255}, {0, 0, 0, 0}, {0x00, 0xFF, 0x33, 250}};
    for (const Case& c : cases) {
        int stride;
        std::vector<BYTE> src = Solid24(16, 16, c.blue, c.green, c.red, &stride);
        std::vector<BYTE> dst(16 * 16, 0xEE);
        ASSERT_TRUE(zvCopyDIBits(dst.data(), src.data(), 16, 16, 16, stride, nullptr, 4, 6));
        for (BYTE v : dst) EXPECT_EQ(v, c.index);
        // The 32-bit and 5-6-5 layouts of the same colour agree.
        std::vector<BYTE> src32(16 * 16 * 4);
        for (size_t i = 0; i < 256; ++i) memcpy(&src32[4 * i], &src[(i / 16) * stride + 3 * (i % 16)], 3);
        ASSERT_TRUE(zvStretchDIBits(dst.data(), src32.data(), 16, 16, 16, 16, 16, 64, nullptr, 5, 16));
        for (BYTE v : dst) EXPECT_EQ(v, c.index);
    }
    EXPECT_GE(PaletteIndexOf(0x996633), 0);
}

TEST(CubeDither, FractionsRaiseLevelsByTheMatrix) {
    // Red 0x19: level 0, fraction ((5 * 25) % 255) * 64 / 255 = 31: raised
    // where the matrix value is below 31.
    int stride;
    std::vector<BYTE> src = Solid24(8, 8, 0, 0, 0x19, &stride);
    BYTE dst[64];
    ASSERT_TRUE(zvCopyDIBits(dst, src.data(), 8, 8, 8, stride, nullptr, 4, 6));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(dst[y * 8 + x], kMatrix[y][x] < 31 ? 29 : 0) << x << "," << y;
}

TEST(SixteenColourDither, ThresholdsDecideEachComponent) {
    int stride;
    std::vector<BYTE> src = Solid24(8, 8, 0, 100, 200, &stride);
    BYTE dst[64];
    ASSERT_TRUE(zvCopyDIBits(dst, src.data(), 8, 8, 8, stride, nullptr, 4, 7));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const int t = kThreshold[(y & 3) * 4 + (x & 3)];
            EXPECT_EQ(dst[y * 8 + x], t < 100 ? 251 : t < 200 ? 249 : 0) << x << "," << y;
        }
    // Indexed pixels for a 16-colour display take their colour from the
    // table given, or from the default palette.
    RGBQUAD colors[256] = {};
    colors[3] = {255, 255, 0, 0};  // cyan
    const BYTE idx[4] = {3, 3, 3, 3};
    BYTE out[4];
    ASSERT_TRUE(zvCopyDIBits(out, idx, 4, 1, 4, 4, colors, 4, 5));
    for (BYTE v : out) EXPECT_EQ(v, 254);
    ASSERT_TRUE(zvCopyDIBits(out, idx, 4, 1, 4, 4, nullptr, 4, 5));  // entry 3 is 808000
    EXPECT_EQ(out[0], 251);
    EXPECT_EQ(out[1], 0);
}

TEST(CopyDIBits, IndexedSourcesAndTables) {
    // 1 bit: 0 -> 0, 1 -> 255, or the two table entries.
    const BYTE bits1[2] = {0xA5, 0x80};
    BYTE out[16];
    memset(out, 0xEE, sizeof(out));
    ASSERT_TRUE(zvCopyDIBits(out, bits1, 10, 1, 16, 4, nullptr, 4, 0));
    const BYTE expect1[11] = {255, 0, 255, 0, 0, 255, 0, 255, 255, 0, 0xEE};
    EXPECT_EQ(memcmp(out, expect1, 11), 0);
    const WORD two[2] = {17, 42};
    ASSERT_TRUE(zvCopyDIBits(out, bits1, 9, 1, 16, 4, two, 4, 0));
    const BYTE expect1x[9] = {42, 17, 42, 17, 17, 42, 17, 42, 42};
    EXPECT_EQ(memcmp(out, expect1x, 9), 0);

    // 4 bits: nibbles 8-15 go to 248-255; an odd width ends with a high nibble.
    const BYTE bits4[2][4] = {{0x07, 0x8F, 0x3C, 0}, {0x12, 0x34, 0x56, 0}};
    BYTE out4[2][8];
    memset(out4, 0xEE, sizeof(out4));
    ASSERT_TRUE(zvCopyDIBits(&out4[0][0], &bits4[0][0], 5, 2, 8, 4, nullptr, 4, 2));
    const BYTE expect4[2][6] = {{0, 7, 248, 255, 3, 0xEE}, {1, 2, 3, 4, 5, 0xEE}};
    EXPECT_EQ(memcmp(out4[0], expect4[0], 6), 0);
    EXPECT_EQ(memcmp(out4[1], expect4[1], 6), 0);
    WORD xlat16[16];
    for (int i = 0; i < 16; ++i) xlat16[i] = (WORD)(0x100 | (100 + i));
    ASSERT_TRUE(zvCopyDIBits(&out4[0][0], &bits4[0][0], 3, 1, 8, 4, xlat16, 5, 3));
    EXPECT_EQ(out4[0][0], 100);
    EXPECT_EQ(out4[0][1], 107);
    EXPECT_EQ(out4[0][2], 108);

    // 8 bits, bottom-up: a negative source step walks upward.
    const BYTE bits8[2][4] = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    BYTE out8[2][4];
    ASSERT_TRUE(zvCopyDIBits(&out8[0][0], &bits8[1][0], 4, 2, 4, -4, nullptr, 4, 4));
    EXPECT_EQ(out8[0][0], 5);
    EXPECT_EQ(out8[1][3], 4);
    WORD xlat[9] = {0, 10, 20, 30, 40, 50, 60, 70, 80};
    ASSERT_TRUE(zvCopyDIBits(&out8[0][0], &bits8[0][0], 4, 2, 4, 4, xlat, 4, 4));
    EXPECT_EQ(out8[0][0], 10);
    EXPECT_EQ(out8[1][3], 80);
}

TEST(CopyDIBits, To24Bits) {
    BYTE out[12];
    const BYTE px24[6] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(zvCopyDIBits(out, px24, 2, 1, 12, 8, nullptr, 6, 6));
    EXPECT_EQ(memcmp(out, px24, 6), 0);
    const BYTE px555[2] = {0x1F, 0x7C};  // red 31, green 0, blue 31
    ASSERT_TRUE(zvCopyDIBits(out, px555, 1, 1, 12, 4, nullptr, 7, 12));
    EXPECT_EQ(memcmp(out, "\xFF\x00\xFF", 3), 0);
    const BYTE px565[2] = {0xE0, 0x07};  // green 63
    ASSERT_TRUE(zvCopyDIBits(out, px565, 1, 1, 12, 4, nullptr, 6, 14));
    EXPECT_EQ(memcmp(out, "\x00\xFF\x00", 3), 0);
    const BYTE px555b[2] = {0x10, 0x00};  // blue 16 -> 0x84
    ASSERT_TRUE(zvCopyDIBits(out, px555b, 1, 1, 12, 4, nullptr, 6, 12));
    EXPECT_EQ(out[0], 0x84);
    const BYTE px32[8] = {9, 8, 7, 0xAA, 6, 5, 4, 0xBB};
    ASSERT_TRUE(zvCopyDIBits(out, px32, 2, 1, 12, 8, nullptr, 6, 16));
    EXPECT_EQ(memcmp(out, "\x09\x08\x07\x06\x05\x04", 6), 0);
}

TEST(PixelRoutines, ArgumentChecksInOrder) {
    BYTE buf[64] = {};
    // Each call's result and code, taken right after the call.
    std::vector<std::pair<BOOL, DWORD>> got;
    auto take = [&](BOOL result) { got.push_back({result, zvGdiGetErrCode()}); };
    take(zvCopyDIBits(buf, buf, 0, 1, 4, 4, nullptr, 4, 4));
    take(zvCopyDIBits(buf, buf, 0, 1, 4, 4, nullptr, 9, 4));
    take(zvCopyDIBits(buf, buf, 1, 1, 4, 4, nullptr, 8, 4));
    take(zvCopyDIBits(buf, buf, 1, 1, 4, 4, nullptr, 4, 18));
    take(zvCopyDIBits(buf, buf, 1, 1, 4, 4, nullptr, 6, 4));
    take(zvCopyDIBits(buf, buf, 1, 1, 4, 4, nullptr, 6, 7));
    take(zvCopyDIBits(buf, buf, 1, 1, 4, 4, nullptr, 6, 10));
    take(zvMergeDIBits(buf, buf, 0, 1, 4, 4, nullptr, 6, 4, 0));
    take(zvMergeDIBits(buf, buf, 0, 1, 4, 4, nullptr, 4, 4, 0));
    take(zvCopy2DIBits(buf, buf, 1, 0, 4, 4, nullptr, 5, 17));
    take(zvCopy2DIBits(buf, buf, 0, 0, 4, 4, nullptr, 7, 4));
    take(zvMerge2DIBits(buf, buf, 1, 1, 4, 4, nullptr, 4, 20, 0));
    take(zvStretchDIBits(buf, buf, 1, 1, 0, 1, 4, 4, nullptr, 4, 4));
    take(zvStretchDIBits(buf, buf, 1, 1, 1, 1, 4, 4, nullptr, 6, 6));
    take(zvStretchDIBits(buf, buf, 1, 1, 1, 1, 4, 4, nullptr, 4, 10));
    take(zvStretchDIBits(buf, buf, 1, 1, 1, 1, 4, 4, nullptr, 4, 8));
    take(zvFillDIBits(buf, 0, 1, 4, 4, 0));
    take(zvFillDIBits(buf, 1, 1, 4, 0, 0));
    take(zvFillDIBits(buf, 1, 1, 4, 16, 0));
    const DWORD expected[] = {0x7A760003, 0x7A760003, 0x7A760008, 0x7A760008, 0x7A760008, 0x7A760008, 0x7A760008,
                              0x7A760008, 0x7A760003, 0x7A760003, 0x7A760008, 0x7A760008, 0x7A760003, 0x7A760008,
                              0x7A760008, 0x7A760008, 0x7A760003, 0x7A760008, 0x7A760008};
    ASSERT_EQ(got.size(), sizeof(expected) / sizeof(expected[0]));
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_FALSE(got[i].first) << i;
        EXPECT_EQ(got[i].second, expected[i]) << i;
    }
    // Success leaves the last error alone.
    EXPECT_TRUE(zvFillDIBits(buf, 1, 1, 4, 4, 0));
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760008u);
}

TEST(StretchDIBits, PointSamplingWithoutOffset) {
    const BYTE row[3] = {10, 11, 12};
    BYTE out[8];
    memset(out, 0xEE, sizeof(out));
    ASSERT_TRUE(zvStretchDIBits(out, row, 2, 1, 3, 1, 8, 4, nullptr, 4, 4));
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[1], 11);
    EXPECT_EQ(out[2], 0xEE);
    ASSERT_TRUE(zvStretchDIBits(out, row, 6, 1, 3, 1, 8, 4, nullptr, 4, 4));
    const BYTE six[6] = {10, 10, 11, 11, 12, 12};
    EXPECT_EQ(memcmp(out, six, 6), 0);
    // Rows: 3 to 2 samples rows 0 and 1; a 4-bit source with its table.
    const BYTE col[3][4] = {{0x10}, {0x20}, {0x30}};
    BYTE two[2][4];
    WORD xlat[4] = {0, 51, 52, 53};
    ASSERT_TRUE(zvStretchDIBits(&two[0][0], &col[0][0], 1, 2, 1, 3, 4, 4, xlat, 4, 2));
    EXPECT_EQ(two[0][0], 51);
    EXPECT_EQ(two[1][0], 52);
    // Huge shrink keeps the first sample and never leaves the source.
    std::vector<BYTE> wide(4000, 7);
    wide[0] = 1;
    ASSERT_TRUE(zvStretchDIBits(out, wide.data(), 3, 1, 4000, 1, 8, 4000, nullptr, 4, 4));
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[2], 7);
}

TEST(MergeDIBits, TransparentIndexComparedBeforeTranslation) {
    const BYTE src[2][4] = {{5, 1, 5, 2}, {3, 5, 4, 5}};
    WORD xlat[6] = {0, 100, 101, 102, 103, 104};  // 5 maps to 104
    BYTE dst[2][4];
    memset(dst, 0xEE, sizeof(dst));
    ASSERT_TRUE(zvMergeDIBits(&dst[0][0], &src[0][0], 4, 2, 4, 4, xlat, 4, 4, 0x105));
    const BYTE expect[2][4] = {{0xEE, 100, 0xEE, 101}, {102, 0xEE, 103, 0xEE}};
    EXPECT_EQ(memcmp(dst, expect, 8), 0);

    // 1 bit compares the lowest bit only; 24 bits the three colour bytes;
    // 16 bits the stored word.
    const BYTE bits1[1] = {0xC0};
    BYTE d1[4] = {9, 9, 9, 9};
    ASSERT_TRUE(zvMergeDIBits(d1, bits1, 4, 1, 4, 4, nullptr, 4, 0, 0xFE));
    EXPECT_EQ(memcmp(d1, "\xFF\xFF\x09\x09", 4), 0);
    const BYTE px24[6] = {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    BYTE d24[2] = {9, 9};
    ASSERT_TRUE(zvMergeDIBits(d24, px24, 2, 1, 4, 8, nullptr, 4, 6, 0xAAFF0000));
    EXPECT_EQ(d24[0], 9);
    EXPECT_EQ(d24[1], 255);
    const BYTE px16[4] = {0x34, 0x12, 0xFF, 0x7F};
    BYTE d16[2] = {9, 9};
    ASSERT_TRUE(zvMergeDIBits(d16, px16, 2, 1, 4, 4, nullptr, 5, 12, 0x7FFF));
    EXPECT_NE(d16[0], 9);
    EXPECT_EQ(d16[1], 9);
}

TEST(DoubleSize, BlocksOfTwoByTwo) {
    const BYTE src[2][4] = {{1, 2}, {3, 4}};
    BYTE dst[4][4];
    memset(dst, 0xEE, sizeof(dst));
    ASSERT_TRUE(zvCopy2DIBits(&dst[0][0], &src[0][0], 2, 2, 4, 4, nullptr, 4, 4));
    const BYTE expect[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
    EXPECT_EQ(memcmp(dst, expect, 16), 0);
    memset(dst, 0xEE, sizeof(dst));
    ASSERT_TRUE(zvMerge2DIBits(&dst[0][0], &src[0][0], 2, 2, 4, 4, nullptr, 4, 4, 2));
    const BYTE merged[4][4] = {{1, 1, 0xEE, 0xEE}, {1, 1, 0xEE, 0xEE}, {3, 3, 4, 4}, {3, 3, 4, 4}};
    EXPECT_EQ(memcmp(dst, merged, 16), 0);
}

TEST(RunLength, Rle8AndRle4Decoding) {
    // Run of 3 x 7, absolute stretch 3 (padded), end of row, delta read as a
    // stretch of two, runs cut at the row's end, end of picture.
    const BYTE rle8[] = {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 9, 8, 9, 5, 0, 1, 4, 4};
    BYTE dst[3][6];
    memset(dst, 0xEE, sizeof(dst));
    ASSERT_TRUE(zvCopyDIBits(&dst[0][0], rle8, 6, 3, 6, 0, nullptr, 4, 10));
    const BYTE expect[3][6] = {{7, 7, 7, 1, 2, 3}, {9, 8, 5, 5, 5, 5}, {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}};
    EXPECT_EQ(memcmp(dst, expect, sizeof(dst)), 0);
    // Merge skips the transparent index inside runs.
    memset(dst, 0xEE, sizeof(dst));
    ASSERT_TRUE(zvMergeDIBits(&dst[0][0], rle8, 6, 3, 6, 0, nullptr, 4, 10, 7));
    EXPECT_EQ(dst[0][0], 0xEE);
    EXPECT_EQ(dst[0][3], 1);

    // 4 bits: runs alternate the nibbles, stretches hold two pixels a byte.
    const BYTE rle4[] = {5, 0x12, 0, 0, 0, 3, 0xAB, 0xC0, 0, 1};
    BYTE d4[2][5];
    memset(d4, 0xEE, sizeof(d4));
    ASSERT_TRUE(zvCopyDIBits(&d4[0][0], rle4, 5, 2, 5, 0, nullptr, 4, 8));
    const BYTE expect4[2][5] = {{1, 2, 1, 2, 1}, {250, 251, 252, 0xEE, 0xEE}};
    EXPECT_EQ(memcmp(d4, expect4, sizeof(d4)), 0);
}

TEST(RunLength, DecodingStaysInsideTheBlockOfAHandle) {
    // An RLE8 file whose last stretch runs past the end of the file: the
    // decoder stops at the end (ASan reports any read beyond it).
    std::vector<BYTE> file = {'B', 'M'};
    file.resize(14);
    const BYTE header[40] = {40, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, BI_RLE8, 0,
                             0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0,       0};
    file.insert(file.end(), header, header + 40);
    file.resize(file.size() + 8, 0);
    const BYTE data[] = {0, 3, 1, 2};
    file.insert(file.end(), data, data + sizeof(data));
    DibInfo info;
    memset(&info, 0, sizeof(info));
    info.size = DIBINFO_SIZE;
    HZVDIB dib = zvConvertBmpToDib(file.data(), (DWORD)file.size(), nullptr, &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(info.format, 10u);
    EXPECT_EQ(info.flags, 0x13u);
    EXPECT_EQ(info.topRow, nullptr);
    BYTE dst[2][4];
    memset(dst, 0xEE, sizeof(dst));
    ASSERT_TRUE(zvCopyDIBits(&dst[1][0], info.bits, 4, 2, -4, 0, nullptr, 4, 10));
    EXPECT_EQ(dst[1][0], 1);
    EXPECT_EQ(dst[1][1], 2);
    EXPECT_EQ(dst[1][2], 0xEE);
    EXPECT_EQ(dst[0][0], 0xEE);
    zvDeleteDIBitmap(dib);
}

TEST(FillDIBits, EightAndTwentyFourBits) {
    BYTE buf[2][8];
    memset(buf, 0xEE, sizeof(buf));
    ASSERT_TRUE(zvFillDIBits(&buf[0][0], 2, 2, 8, 6, 0x00FF0000));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(memcmp(buf[y], "\x00\x00\xFF\x00\x00\xFF", 6), 0);
        EXPECT_EQ(buf[y][6], 0xEE);
    }
    ASSERT_TRUE(zvFillDIBits(&buf[0][0], 3, 2, 8, 5, 0x1234));
    EXPECT_EQ(memcmp(buf[1], "\x34\x34\x34\x00", 4), 0);
}

#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "zvpix32.h"

namespace {

DibInfo NewInfo() {
    DibInfo info;
    memset(&info, 0xCD, sizeof(info));
    info.size = DIBINFO_SIZE;
    return info;
}

void Put16(std::vector<BYTE>& v, unsigned x) {
    v.push_back((BYTE)x);
    v.push_back((BYTE)(x >> 8));
}

void Put32(std::vector<BYTE>& v, unsigned x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}

// A packed DIB with a 40-byte header, `colors` table entries (or masks) and
// `pixelBytes` bytes of pixels.
std::vector<BYTE> PackedDib(int width, int height, int bits, unsigned compression, std::vector<unsigned> table,
                            size_t pixelBytes, unsigned clrUsed = 0) {
    std::vector<BYTE> v;
    Put32(v, 40);
    Put32(v, (unsigned)width);
    Put32(v, (unsigned)height);
    Put16(v, 1);
    Put16(v, (unsigned)bits);
    Put32(v, compression);
    Put32(v, 0);
    Put32(v, 0);
    Put32(v, 0);
    Put32(v, clrUsed);
    Put32(v, 0);
    for (unsigned c : table) Put32(v, c);
    v.resize(v.size() + pixelBytes, 0x5A);
    return v;
}

}  // namespace

TEST(DibInfoRecord, SizeOtherThan64RefusedEverywhere) {
    std::vector<BYTE> dib = PackedDib(2, 2, 24, BI_RGB, {}, 16);
    std::vector<BYTE> bmp = {'B', 'M'};
    bmp.resize(14);
    bmp.insert(bmp.end(), dib.begin(), dib.end());
    const BYTE xbm[] = "#define a_width 8\n#define a_height 1\nstatic char a_bits[] = { 0x01 };\n";
    for (DWORD size : {0u, 63u, 65u}) {
        DibInfo info = NewInfo();
        info.size = size;
        EXPECT_EQ(zvCreateDIBitmap(4, 4, 8, &info), nullptr);
        EXPECT_EQ(zvGdiGetErrCode(), 0x7A760005u);
        zvCreateDIBitmap(0, 4, 8, &info);
        EXPECT_EQ(zvSetDIBitmap(dib.data(), (DWORD)dib.size(), &info), nullptr);
        EXPECT_EQ(zvGdiGetErrCode(), 0x7A760005u);
        zvCreateDIBitmap(0, 4, 8, &info);
        EXPECT_EQ(zvConvertBmpToDib(bmp.data(), (DWORD)bmp.size(), nullptr, &info), nullptr);
        EXPECT_EQ(zvGdiGetErrCode(), 0x7A760005u);
        zvCreateDIBitmap(0, 4, 8, &info);
        EXPECT_EQ(zvConvertXbmToDib(xbm, sizeof(xbm) - 1, nullptr, &info), nullptr);
        EXPECT_EQ(zvGdiGetErrCode(), 0x7A760005u);
    }
}

TEST(CreateDIBitmap, HeaderTableAndRecord) {
    DibInfo info = NewInfo();
    HZVDIB dib = zvCreateDIBitmap(5, 3, 8, &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(*(DWORD*)dib, DIB_SIG_MEMORY);
    EXPECT_EQ(memcmp(dib, "DIBM", 4), 0);
    EXPECT_EQ(info.flags, 0x10u);
    EXPECT_EQ(info.format, 4u);
    EXPECT_EQ(info.width, 5u);
    EXPECT_EQ(info.height, 3u);
    EXPECT_EQ(info.stride, 8u);
    EXPECT_EQ(info.rowStep, 8);
    EXPECT_EQ(info.colorCount, 256u);
    EXPECT_EQ(info.aspect, 0x10000u);
    EXPECT_EQ(info.left, 0);
    EXPECT_EQ(info.transparent, 0u);
    EXPECT_EQ(info.bits, info.topRow);
    EXPECT_EQ(info.header->biHeight, -3);
    EXPECT_EQ(info.header->biSizeImage, 24u);
    EXPECT_EQ(info.header->biClrUsed, 256u);
    EXPECT_EQ(info.colors, (RGBQUAD*)(info.header + 1));
    // Entry 22 of the palette is ff7c80.
    EXPECT_EQ(info.colors[22].rgbRed, 0xFF);
    EXPECT_EQ(info.colors[22].rgbGreen, 0x7C);
    EXPECT_EQ(info.colors[22].rgbBlue, 0x80);
    memset(info.bits, 1, info.stride * info.height);
    EXPECT_TRUE(zvDeleteDIBitmap(dib));

    info = NewInfo();
    dib = zvCreateDIBitmap(5, 3, 24, &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(info.flags, 0u);
    EXPECT_EQ(info.format, 6u);
    EXPECT_EQ(info.stride, 16u);
    EXPECT_EQ(info.colorCount, 0u);
    EXPECT_EQ(info.colors, nullptr);
    EXPECT_TRUE(zvDeleteDIBitmap(dib));

    struct Bad {
        int width, height, bits;
        DWORD error;
    } bad[] = {{0, 3, 8, 0x7A760003},          {3, 0, 8, 0x7A760003},  {3, 3, 16, 0x7A760003},
               {3, 3, 1, 0x7A760003},          {-1, 3, 8, 0x7A760003}, {0x7FFFFFFF, 0x7FFFFFFF, 24, 0x7A760003},
               {0x40000000, 4, 24, 0x7A760003}};
    for (const Bad& b : bad) {
        info = NewInfo();
        EXPECT_EQ(zvCreateDIBitmap(b.width, b.height, b.bits, &info), nullptr) << b.width << "x" << b.height;
        EXPECT_EQ(zvGdiGetErrCode(), b.error);
    }
    EXPECT_EQ(zvCreateDIBitmap(3, 3, 8, nullptr), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);
}

TEST(PackedDib, BottomUpAndTopDown24Bit) {
    std::vector<BYTE> up = PackedDib(3, 4, 24, BI_RGB, {}, 12 * 4);
    DibInfo info = NewInfo();
    HZVDIB dib = zvSetDIBitmap(up.data(), 0, &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(info.flags, 0x01u);
    EXPECT_EQ(info.format, 6u);
    EXPECT_EQ(info.stride, 12u);
    EXPECT_EQ(info.rowStep, -12);
    EXPECT_EQ(info.header, (BITMAPINFOHEADER*)up.data());
    EXPECT_EQ(info.colors, nullptr);
    EXPECT_EQ(info.colorCount, 0u);
    EXPECT_EQ(info.bits, up.data() + 40);
    EXPECT_EQ(info.topRow, up.data() + 40 + 3 * 12);
    EXPECT_EQ(info.height, 4u);
    // A wrapped DIB owns nothing of the caller's block.
    EXPECT_EQ(((DibMemoryHandle*)dib)->header, nullptr);
    EXPECT_EQ(((DibMemoryHandle*)dib)->pixels, nullptr);
    EXPECT_TRUE(zvDeleteDIBitmap(dib));
    EXPECT_EQ(up[40], 0x5A);

    std::vector<BYTE> down = PackedDib(3, -4, 24, BI_RGB, {}, 12 * 4);
    info = NewInfo();
    dib = zvSetDIBitmap(down.data(), 0, &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(info.flags, 0u);
    EXPECT_EQ(info.rowStep, 12);
    EXPECT_EQ(info.height, 4u);
    EXPECT_EQ(info.topRow, info.bits);
    EXPECT_TRUE(zvDeleteDIBitmap(dib));
}

TEST(PackedDib, FormatCodesAndColourCounts) {
    struct Case {
        int bits;
        unsigned compression;
        std::vector<unsigned> table;
        unsigned clrUsed;
        DWORD format, flags, colorCount;
    } cases[] = {
        {1, BI_RGB, {0, 0xFFFFFF}, 0, 0, 0x11, 2},
        {4, BI_RGB, std::vector<unsigned>(16), 0, 2, 0x11, 16},
        {8, BI_RGB, std::vector<unsigned>(7), 7, 4, 0x11, 7},
        {16, BI_RGB, {}, 0, 12, 0x01, 0},
        {32, BI_RGB, {}, 0, 16, 0x01, 0},
        {16, BI_BITFIELDS, {0x7C00, 0x03E0, 0x001F}, 0, 12, 0x01, 3},
        {16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, 0, 14, 0x01, 3},
        {32, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF}, 0, 16, 0x01, 3},
        {8, BI_RLE8, std::vector<unsigned>(256), 0, 10, 0x13, 256},
        {4, BI_RLE4, std::vector<unsigned>(16), 0, 8, 0x13, 16},
    };
    for (const Case& c : cases) {
        std::vector<BYTE> block = PackedDib(4, 2, c.bits, c.compression, c.table, 64, c.clrUsed);
        DibInfo info = NewInfo();
        HZVDIB dib = zvSetDIBitmap(block.data(), (DWORD)block.size(), &info);
        ASSERT_NE(dib, nullptr) << c.bits << "/" << c.compression;
        EXPECT_EQ(info.format, c.format) << c.bits << "/" << c.compression;
        EXPECT_EQ(info.flags, c.flags) << c.bits << "/" << c.compression;
        EXPECT_EQ(info.colorCount, c.colorCount) << c.bits << "/" << c.compression;
        EXPECT_EQ(info.bits, block.data() + 40 + 4 * c.table.size());
        if (c.flags & DIBF_RLE)
            EXPECT_EQ(info.topRow, nullptr);
        else
            EXPECT_EQ(info.topRow, info.bits + info.stride);
        zvDeleteDIBitmap(dib);
    }

    struct Refused {
        int height, bits;
        unsigned compression;
        std::vector<unsigned> table;
    } refused[] = {
        {2, 16, BI_BITFIELDS, {0x7C00, 0x07E0, 0x001F}},
        {2, 16, BI_BITFIELDS, {0xFF0000, 0xFF00, 0xFF}},
        {2, 32, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}},
        {2, 32, BI_BITFIELDS, {0xFF, 0xFF00, 0xFF0000}},
        {-2, 8, BI_RLE8, std::vector<unsigned>(256)},
        {-2, 4, BI_RLE4, std::vector<unsigned>(16)},
        {2, 2, BI_RGB, {0, 0, 0, 0}},
        {2, 24, 4, {}},
        {2, 24, BI_RLE8, {}},
    };
    for (const Refused& r : refused) {
        std::vector<BYTE> block = PackedDib(4, r.height, r.bits, r.compression, r.table, 64);
        DibInfo info = NewInfo();
        EXPECT_EQ(zvSetDIBitmap(block.data(), (DWORD)block.size(), &info), nullptr) << r.bits << "/" << r.compression;
        EXPECT_EQ(zvGdiGetErrCode(), 0x7A760008u);
    }
}

TEST(PackedDib, CoreHeaderConverted) {
    std::vector<BYTE> core;
    Put32(core, 12);
    Put16(core, 3);
    Put16(core, 2);
    Put16(core, 1);
    Put16(core, 8);
    for (int i = 0; i < 256; ++i) {
        core.push_back((BYTE)i);  // blue
        core.push_back(0x11);
        core.push_back((BYTE)(255 - i));
    }
    core.resize(core.size() + 8, 7);
    DibInfo info = NewInfo();
    HZVDIB dib = zvSetDIBitmap(core.data(), 0, &info);
    ASSERT_NE(dib, nullptr);
    const DibMemoryHandle* handle = (const DibMemoryHandle*)dib;
    ASSERT_NE(handle->header, nullptr);
    EXPECT_EQ(handle->pixels, nullptr);
    EXPECT_EQ(info.header, handle->header);
    EXPECT_EQ(info.header->biSize, 40u);
    EXPECT_EQ(info.header->biWidth, 3);
    EXPECT_EQ(info.header->biHeight, 2);
    EXPECT_EQ(info.header->biBitCount, 8);
    EXPECT_EQ(info.header->biCompression, (DWORD)BI_RGB);
    EXPECT_EQ(info.format, 4u);
    EXPECT_EQ(info.flags, 0x11u);
    EXPECT_EQ(info.colorCount, 256u);
    EXPECT_EQ(info.colors, (RGBQUAD*)(info.header + 1));
    EXPECT_EQ(info.colors[200].rgbBlue, 200);
    EXPECT_EQ(info.colors[200].rgbGreen, 0x11);
    EXPECT_EQ(info.colors[200].rgbRed, 55);
    EXPECT_EQ(info.colors[200].rgbReserved, 0);
    EXPECT_EQ(info.bits, core.data() + 12 + 768);
    EXPECT_EQ(info.stride, 4u);
    EXPECT_TRUE(zvDeleteDIBitmap(dib));

    core[10] = 16;
    info = NewInfo();
    EXPECT_EQ(zvSetDIBitmap(core.data(), 0, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760008u);
}

TEST(PackedDib, BlocksThatRunShortRefusedByTheBmpReader) {
    std::vector<BYTE> full = PackedDib(4, 4, 8, BI_RGB, std::vector<unsigned>(256), 16);
    std::vector<BYTE> file = {'B', 'M'};
    file.resize(14);
    file.insert(file.end(), full.begin(), full.end());
    DibInfo info = NewInfo();
    HZVDIB dib = zvConvertBmpToDib(file.data(), (DWORD)file.size(), nullptr, &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(info.bits, file.data() + 14 + 40 + 1024);
    zvDeleteDIBitmap(dib);
    // Cut in the pixels, in the colour table, in the header, and a colour
    // count that reaches beyond the block.
    for (size_t cut : {file.size() - 1, (size_t)14 + 40 + 1000, (size_t)14 + 30, (size_t)14 + 2}) {
        std::vector<BYTE> shorter(file.begin(), file.begin() + (long)cut);
        info = NewInfo();
        EXPECT_EQ(zvConvertBmpToDib(shorter.data(), (DWORD)shorter.size(), nullptr, &info), nullptr) << cut;
        EXPECT_EQ(zvGdiGetErrCode(), 0x7A760009u) << cut;
    }
    std::vector<BYTE> huge = file;
    huge[14 + 32] = 0xFF;
    huge[14 + 33] = 0xFF;
    huge[14 + 34] = 0xFF;
    huge[14 + 35] = 0x3F;
    info = NewInfo();
    EXPECT_EQ(zvConvertBmpToDib(huge.data(), (DWORD)huge.size(), nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760009u);
    // A width whose stride would overflow is an argument out of range.
    std::vector<BYTE> wide = file;
    wide[14 + 4] = 0xFF;
    wide[14 + 5] = 0xFF;
    wide[14 + 6] = 0xFF;
    wide[14 + 7] = 0x7F;
    info = NewInfo();
    EXPECT_EQ(zvConvertBmpToDib(wide.data(), (DWORD)wide.size(), nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);

    EXPECT_EQ(zvConvertBmpToDib(file.data() + 1, (DWORD)file.size() - 1, nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760009u);
    EXPECT_EQ(zvConvertBmpToDib(nullptr, 100, nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);
}

TEST(DeleteDIBitmap, WrongSignatureRefused) {
    DWORD surface[12] = {DIB_SIG_SURFACE};
    EXPECT_FALSE(zvDeleteDIBitmap(surface));
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760004u);
    DibInfo info = NewInfo();
    zvCreateDIBitmap(0, 1, 8, &info);
    EXPECT_FALSE(zvDeleteDIBitmap(nullptr));
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760004u);
}

TEST(GdiStatus, VersionAndKinds) {
    EXPECT_EQ(zvGdiGetVersion(), 103u);
    EXPECT_EQ(zvGdiGetStatus(0), 5u);
    EXPECT_LE(zvGdiGetStatus(1), 1u);
    EXPECT_LE(zvGdiGetStatus(3), 1u);
    EXPECT_EQ(zvGdiGetStatus(5), 0u);
    EXPECT_EQ(zvGdiGetStatus(-1), 0u);
    const BYTE* pal = (const BYTE*)(size_t)zvGdiGetStatus(4);
    ASSERT_NE(pal, nullptr);
    EXPECT_EQ(pal[0] | pal[1] << 8, 0x300);
    EXPECT_EQ(pal[2] | pal[3] << 8, 256);
    // Entry 255 is white with PC_NOCOLLAPSE, entry 100 is ff0066.
    EXPECT_EQ(memcmp(pal + 4 + 255 * 4, "\xFF\xFF\xFF", 3), 0);
    EXPECT_EQ(memcmp(pal + 4 + 100 * 4, "\xFF\x00\x66\x04", 4), 0);
}

TEST(MakeXlatTable, NearestFirstAndIdentity) {
    RGBQUAD pal[4] = {{0, 0, 0, 0}, {10, 10, 10, 0}, {20, 20, 20, 0}, {0, 0, 255, 0}};
    WORD xlat[4] = {9, 9, 9, 9};
    EXPECT_EQ(zvMakeXlatTable(xlat, pal, 4, pal, 4, FALSE), 0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(xlat[i], i);
    // 5 is as near to 0 as to 10 and 15 as near to 10 as to 20: the lower index wins.
    RGBQUAD src[3] = {{5, 5, 5, 0}, {15, 15, 15, 0}, {0, 0, 200, 0}};
    EXPECT_EQ(zvMakeXlatTable(xlat, src, 3, pal, 4, FALSE), 1);
    EXPECT_EQ(xlat[0], 0);
    EXPECT_EQ(xlat[1], 1);
    EXPECT_EQ(xlat[2], 3);
    // Red-first source entries are compared crosswise.
    BYTE rgb[4] = {255, 0, 0, 0};
    EXPECT_EQ(zvMakeXlatTable(xlat, rgb, 1, pal, 4, TRUE), 1);
    EXPECT_EQ(xlat[0], 3);
    // Read as blue-green-red the same bytes are pure blue, nearest to grey 20.
    EXPECT_EQ(zvMakeXlatTable(xlat, rgb, 1, pal, 4, FALSE), 1);
    EXPECT_EQ(xlat[0], 2);
}

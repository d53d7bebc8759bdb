#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "zvpix32.h"

namespace {

DibInfo NewInfo() {
    DibInfo info;
    memset(&info, 0xCD, sizeof(info));
    info.size = DIBINFO_SIZE;
    return info;
}

HZVDIB Xbm(const std::string& text, DibInfo* info) {
    // A private copy of exactly the text's bytes, so that ASan sees a read past the end.
    std::vector<BYTE> bytes(text.begin(), text.end());
    *info = NewInfo();
    return zvConvertXbmToDib(bytes.data(), (DWORD)bytes.size(), nullptr, info);
}

}  // namespace

TEST(Xbm, SingleRowInvertedAndReversed) {
    DibInfo info;
    HZVDIB dib = Xbm("#define a_width 8\n#define a_height 1\nstatic char a_bits[] = {\n 0x01 };\n", &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(info.bits[0], 0x7F);
    EXPECT_EQ(info.bits[1], 0);
    EXPECT_EQ(info.flags, 0x10u);
    EXPECT_EQ(info.format, 0u);
    EXPECT_EQ(info.width, 8u);
    EXPECT_EQ(info.height, 1u);
    EXPECT_EQ(info.stride, 4u);
    EXPECT_EQ(info.rowStep, 4);
    EXPECT_EQ(info.colorCount, 2u);
    EXPECT_EQ(info.aspect, 0x10000u);
    EXPECT_EQ(info.topRow, info.bits);
    EXPECT_EQ(info.header->biHeight, -1);
    EXPECT_EQ(info.header->biClrUsed, 2u);
    EXPECT_EQ(info.header->biSizeImage, 4u);
    EXPECT_EQ(info.colors[0].rgbRed | info.colors[0].rgbGreen | info.colors[0].rgbBlue, 0);
    EXPECT_EQ(info.colors[1].rgbRed & info.colors[1].rgbGreen & info.colors[1].rgbBlue, 0xFF);
    EXPECT_EQ(memcmp(dib, "DIBM", 4), 0);
    EXPECT_TRUE(zvDeleteDIBitmap(dib));
}

TEST(Xbm, ValuesAndRowsAcrossWidths) {
    struct Case {
        std::string text;
        DWORD width, height, stride;
        std::vector<BYTE> rows;
    } cases[] = {
        // 9 pixels: two values per row, stride 4, padding zero.
        {"#define w_width 9\n#define w_height 2\nstatic char w_bits[] = { 0xff, 0x01, 0x0F, 0xaB };",
         9,
         2,
         4,
         {0x00, 0x7F, 0, 0, 0x0F, 0x2A, 0, 0}},
        // "0XFF" is no value: the scan goes on to the next "0x".
        {"#define x_width 8\n#define x_height 1\nstatic char x_bits[] = { 0XFF, 0x80 };", 8, 1, 4, {0xFE, 0, 0, 0}},
        // A macro name ending in the keywords counts; digits after a second
        // "width" join the first value.
        {"#define mywidth 1\n#define myheight 1\n/* width 6 */ char bits[] = {0x00};", 16, 1, 4, {0xFF, 0xFF}},
        {"width  3 height 2 bits 0x01 0x02", 3, 2, 4, {0x7F, 0, 0, 0, 0xBF, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        DibInfo info;
        HZVDIB dib = Xbm(c.text, &info);
        if (c.width == 16) {
            // Sixteen pixels need two values a row; one given: refused.
            EXPECT_EQ(dib, nullptr);
            EXPECT_EQ(zvGdiGetErrCode(), 0x7A760009u);
            continue;
        }
        ASSERT_NE(dib, nullptr) << c.text;
        EXPECT_EQ(info.width, c.width);
        EXPECT_EQ(info.height, c.height);
        EXPECT_EQ(info.stride, c.stride);
        EXPECT_EQ(std::vector<BYTE>(info.bits, info.bits + c.rows.size()), c.rows) << c.text;
        zvDeleteDIBitmap(dib);
    }
}

TEST(Xbm, DamagedTextRefused) {
    const char* refused[] = {
        "#define a_width 8\n\t#define a_height 1\nstatic char a_bits[] = { 0x01 };",  // tab before "bits"
        "#define a_width 8\n#define a_height 1\n",                                    // no "bits"
        "#define a_width 0\n#define a_height 1\nstatic char a_bits[] = { 0x01 };",
        "#define a_width 8\nstatic char a_bits[] = { 0x01 };",
        "#define a_width 8\n#define a_height 2\nstatic char a_bits[] = { 0x01 };",  // too few values
        "#define a_width 8\n#define a_height 2\nstatic char a_bits[] = { 0x01 }; 0x02, 0x03, 0x04, 0x05",
        "#define a_width 8\n#define a_height 1\nstatic char a_bits[] = { 0x0",  // value cut
        "#define a_width 8\n#define a_height 1\nstatic char a_bits[] = { 0xg1 };",
        "width 8 height 1 bit",
        "width 8 height 1 bits",  // fewer than 4 bytes after "bits"
    };
    for (const char* text : refused) {
        DibInfo info;
        EXPECT_EQ(Xbm(text, &info), nullptr) << text;
        EXPECT_EQ(zvGdiGetErrCode(), 0x7A760009u) << text;
    }
    std::string nul = std::string("#define a_width 8") + '\0' + "#define a_height 1 bits 0x01";
    DibInfo info;
    EXPECT_EQ(Xbm(nul, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760009u);
    // Dimensions that overflow the stride, and sizes the data cannot hold.
    EXPECT_EQ(Xbm("width 99999999999 height 1 bits 0x00", &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);
    EXPECT_EQ(Xbm("width 60000 height 60000 bits 0x00", &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760009u);
    info = NewInfo();
    EXPECT_EQ(zvConvertXbmToDib(nullptr, 10, nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);
    EXPECT_EQ(zvConvertXbmToDib((const BYTE*)"x", 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);
}

TEST(Bmp, WrapsTheCallersBufferWithoutCopy) {
    std::vector<BYTE> file = {'B', 'M'};
    file.resize(14, 0);
    const BYTE header[40] = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0};
    file.insert(file.end(), header, header + 40);
    const BYTE table[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    file.insert(file.end(), table, table + 8);
    const BYTE pixels[8] = {0x80, 0, 0, 0, 0x40, 0, 0, 0};
    file.insert(file.end(), pixels, pixels + 8);
    const std::vector<BYTE> before = file;
    DibInfo info = NewInfo();
    HZVDIB dib = zvConvertBmpToDib(file.data(), (DWORD)file.size(), nullptr, &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ((BYTE*)info.header, file.data() + 14);
    EXPECT_EQ((BYTE*)info.colors, file.data() + 54);
    EXPECT_EQ(info.bits, file.data() + 62);
    EXPECT_EQ(info.topRow, file.data() + 66);
    EXPECT_EQ(info.format, 0u);
    EXPECT_EQ(info.colorCount, 2u);
    EXPECT_TRUE(zvDeleteDIBitmap(dib));
    EXPECT_EQ(file, before);

    info = NewInfo();
    EXPECT_EQ(zvConvertBmpToDib((const BYTE*)"BA", 2, nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760009u);
    EXPECT_EQ(zvConvertBmpToDib((const BYTE*)"BM", 2, nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760009u);
}

TEST(Png, AlwaysUnsupported) {
    const BYTE png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    DibInfo info = NewInfo();
    const DibInfo untouched = info;
    EXPECT_EQ(zvConvertPngToDib(png, sizeof(png), nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760001u);
    EXPECT_EQ(memcmp(&info, &untouched, sizeof(info)), 0);
    zvCreateDIBitmap(0, 0, 0, &info);
    EXPECT_EQ(zvConvertPngToDib(png, 0, nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760001u);
    zvCreateDIBitmap(0, 0, 0, &info);
    EXPECT_EQ(zvConvertPngToDib(nullptr, 0, nullptr, nullptr), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760001u);
}

#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include "zvpix32.h"

namespace {

DibSurfaceInfo NewSurfaceInfo() {
    DibSurfaceInfo info;
    memset(&info, 0xCD, sizeof(info));
    info.size = DIBSURFACEINFO_SIZE;
    return info;
}

}  // namespace

TEST(DibSurface, RecordAndArgumentChecks) {
    DibSurfaceInfo info = NewSurfaceInfo();
    info.size = 64;
    EXPECT_EQ(zvCreateDibSurface(8, 8, 8, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760005u);
    info = NewSurfaceInfo();
    struct Bad {
        int width, height, bits;
    } bad[] = {{0, 8, 8}, {8, 0, 8}, {8, 8, 16}, {8, 8, 32}, {-4, 8, 24}};
    for (const Bad& b : bad) {
        EXPECT_EQ(zvCreateDibSurface(b.width, b.height, b.bits, &info), nullptr);
        EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);
    }
    EXPECT_EQ(zvCreateDibSurface(8, 8, 8, nullptr), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);

    // Handles of the wrong kind, both ways.
    DibInfo dibInfo;
    dibInfo.size = DIBINFO_SIZE;
    HZVDIB dib = zvCreateDIBitmap(4, 4, 8, &dibInfo);
    ASSERT_NE(dib, nullptr);
    EXPECT_FALSE(zvDeleteDibSurface(dib));
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760004u);
    EXPECT_FALSE(zvDrawDibSurface(nullptr, nullptr, 0, 0, 1, 1));
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760004u);
    EXPECT_TRUE(zvDeleteDIBitmap(dib));
    HZVSURFACE surface = zvCreateDibSurface(4, 4, 24, &info);
    ASSERT_NE(surface, nullptr);
    EXPECT_FALSE(zvDeleteDIBitmap(surface));
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760004u);
    EXPECT_TRUE(zvDeleteDibSurface(surface));
}

TEST(DibSurface, EightBitsColourTableAndDrawing) {
    DibSurfaceInfo info = NewSurfaceInfo();
    HZVSURFACE surface = zvCreateDibSurface(5, 3, 8, &info);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(memcmp(surface, "SURF", 4), 0);
    EXPECT_NE(info.dc, nullptr);
    EXPECT_NE(info.bitmap, nullptr);
    EXPECT_EQ(info.flags, 0x10u);
    EXPECT_EQ(info.format & ~1u, 4u);
    EXPECT_EQ(info.width, 5u);
    EXPECT_EQ(info.height, 3u);
    EXPECT_EQ(info.stride, 8u);
    EXPECT_EQ(info.rowStep, 8);
    EXPECT_EQ(info.colorCount, 256u);
    EXPECT_EQ(info.aspect, 0x10000u);
    EXPECT_EQ(info.bits, info.topRow);
    EXPECT_EQ(info.header->biHeight, -3);
    EXPECT_EQ(info.colors, (RGBQUAD*)(info.header + 1));
    EXPECT_EQ(info.colors[255].rgbRed & info.colors[255].rgbGreen & info.colors[255].rgbBlue, 0xFF);
    if (!zvGdiGetStatus(3)) {
        EXPECT_EQ(info.palette, nullptr);
    }

    RGBQUAD sixteen[16];
    for (int i = 0; i < 16; ++i) sixteen[i] = {(BYTE)(i * 16), 0x80, (BYTE)(255 - i), 0};
    sixteen[1] = {0x00, 0x00, 0xFF, 0};  // red
    EXPECT_TRUE(zvSetDibSurfaceColorTable(surface, sixteen, 16));
    EXPECT_EQ(memcmp(info.colors, sixteen, sizeof(sixteen)), 0);
    for (int i = 16; i < 256; ++i) {
        const RGBQUAD& c = info.colors[i];
        ASSERT_EQ(c.rgbRed | c.rgbGreen | c.rgbBlue | c.rgbReserved, 0) << i;
    }
    EXPECT_FALSE(zvSetDibSurfaceColorTable(surface, nullptr, 16));
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);
    EXPECT_TRUE(zvUpdateDibSurfacePalette(surface, FALSE));

    // The section shows the new table: index 1 draws red.
    ASSERT_TRUE(zvFillDIBits(info.topRow, 5, 3, info.rowStep, 4, 1));
    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 10, 6);
    HGDIOBJ old = SelectObject(target, canvas);
    EXPECT_TRUE(zvDrawDibSurface(surface, target, 0, 0, 10, 6));
    if (zvGdiGetStatus(2) > 8) {
        EXPECT_EQ(GetPixel(target, 9, 5), RGB(255, 0, 0));
        EXPECT_EQ(GetPixel(target, 0, 0), RGB(255, 0, 0));
    }
    // The long form with a source rectangle: index 2 in the second column.
    info.topRow[1] = 2;
    EXPECT_TRUE(zvDrawDibSurfaceEx(surface, target, 0, 0, 1, 1, 1, 0, 1, 1, SRCCOPY));
    if (zvGdiGetStatus(2) > 8) {
        EXPECT_EQ(GetPixel(target, 0, 0), RGB(sixteen[2].rgbRed, 0x80, 0x20));
    }

    // Keep-static puts the static colours back into entries 0-9 and 246-255.
    EXPECT_TRUE(zvUpdateDibSurfacePalette(surface, TRUE));
    EXPECT_EQ(info.colors[1].rgbRed, 0x80);
    EXPECT_EQ(info.colors[1].rgbBlue, 0x00);
    EXPECT_EQ(info.colors[10].rgbBlue, sixteen[10].rgbBlue);
    EXPECT_EQ(info.colors[255].rgbBlue, 0xFF);

    EXPECT_TRUE(zvResetDibSurfacePalette(surface));
    EXPECT_EQ(info.colors[10].rgbRed, 0x04);
    EXPECT_EQ(info.colors[22].rgbBlue, 0x80);

    SelectObject(target, old);
    DeleteObject(canvas);
    DeleteDC(target);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(zvDeleteDibSurface(surface));
}

TEST(DibSurface, TwentyFourBitsHasNoPaletteNorTable) {
    DibSurfaceInfo info = NewSurfaceInfo();
    HZVSURFACE surface = zvCreateDibSurface(3, 2, 24, &info);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(info.palette, nullptr);
    EXPECT_EQ(info.colors, nullptr);
    EXPECT_EQ(info.colorCount, 0u);
    EXPECT_EQ(info.flags, 0u);
    EXPECT_EQ(info.format & ~1u, 6u);
    EXPECT_EQ(info.stride, 12u);
    RGBQUAD one = {1, 2, 3, 0};
    EXPECT_TRUE(zvSetDibSurfaceColorTable(surface, &one, 1));
    EXPECT_TRUE(zvSetDibSurfaceColorTable(surface, nullptr, 1));
    // No palette: realising changes nothing and clears the error code.
    zvDeleteDIBitmap(nullptr);
    EXPECT_EQ(zvRealizeDibSurfacePalette(surface, nullptr, FALSE), 0u);
    EXPECT_EQ(zvGdiGetErrCode(), 0u);

    // A 24-bit picture copied in and drawn.
    ASSERT_TRUE(zvFillDIBits(info.topRow, 3, 2, info.rowStep, 6, 0x123456));
    HDC screen = GetDC(nullptr);
    HDC target = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 3, 2);
    HGDIOBJ old = SelectObject(target, canvas);
    EXPECT_TRUE(zvDrawDibSurface(surface, target, 0, 0, 3, 2));
    if (zvGdiGetStatus(2) >= 24) {
        EXPECT_EQ(GetPixel(target, 2, 1), RGB(0x12, 0x34, 0x56));
    }
    SelectObject(target, old);
    DeleteObject(canvas);
    DeleteDC(target);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(zvDeleteDibSurface(surface));
}

#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include "zvpix32.h"

namespace {

DibInfo NewInfo() {
    DibInfo info;
    memset(&info, 0xCD, sizeof(info));
    info.size = DIBINFO_SIZE;
    return info;
}

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

// The colour of pixel (x, y) of a device-dependent bitmap, as 0xRRGGBB.
DWORD PixelOf(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return (DWORD)(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
}

}  // namespace

TEST(Exports, ReachableByStableOrdinals) {
    const char* names[] = {
        "zvGdiGetVersion",
        "zvGdiGetStatus",
        "zvGdiGetErrCode",
        "zvChangedDisplay",
        "zvClearSystemPalette",
        "zvCreateDefPalette",
        "zvCreatePaletteFromBitmapInfo",
        "zvMakeXlatTable",
        "zvCreateDIBitmap",
        "zvSetDIBitmap",
        "zvLoadDIBitmapA",
        "zvLoadDIBitmapW",
        "zvCreateDibTextA",
        "zvCreateDibTextW",
        "zvDeleteDIBitmap",
        "zvLoadBitmapA",
        "zvLoadBitmapW",
        "zvLoadMixedBitmapA",
        "zvLoadMixedBitmapW",
        "zvConvertGifToDib",
        "zvConvertJpegToDib",
        "zvConvertPngToDib",
        "zvConvertBmpToDib",
        "zvConvertXbmToDib",
        "zvCopyDIBits",
        "zvMergeDIBits",
        "zvCopy2DIBits",
        "zvMerge2DIBits",
        "zvStretchDIBits",
        "zvFillDIBits",
        "zvCreateDibSurface",
        "zvDeleteDibSurface",
        "zvSetDibSurfaceColorTable",
        "zvUpdateDibSurfacePalette",
        "zvResetDibSurfacePalette",
        "zvRealizeDibSurfacePalette",
        "zvDrawDibSurface",
        "zvDrawDibSurfaceEx",
    };
    HMODULE dll = GetModuleHandleA("zvpix32.dll");
    ASSERT_NE(dll, nullptr);
    for (int i = 0; i < (int)(sizeof(names) / sizeof(names[0])); ++i) {
        FARPROC byName = GetProcAddress(dll, names[i]);
        EXPECT_NE(byName, nullptr) << names[i];
        EXPECT_EQ((void*)GetProcAddress(dll, MAKEINTRESOURCEA(i + 1)), (void*)byName) << names[i];
    }
}

TEST(Display, StatusAndUnchangedDisplay) {
    const DWORD bits = zvGdiGetStatus(2);
    EXPECT_GT(bits, 0u);
    EXPECT_TRUE(zvChangedDisplay((int)bits, MAKELONG(800, 600)));
    EXPECT_EQ(zvGdiGetStatus(2), bits);
    // The status palette keeps its 256 entries.
    const LOGPALETTE* pal = (const LOGPALETTE*)(size_t)zvGdiGetStatus(4);
    EXPECT_EQ(pal->palVersion, 0x300);
    EXPECT_EQ(pal->palNumEntries, 256);
    EXPECT_TRUE(zvClearSystemPalette());
    if (!zvGdiGetStatus(3)) {
        EXPECT_EQ(zvCreateDefPalette(), nullptr);
        BITMAPINFOHEADER h = {sizeof(h), 1, 1, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
        EXPECT_EQ(zvCreatePaletteFromBitmapInfo((BITMAPINFO*)&h, TRUE), nullptr);
    }
}

TEST(Resources, LoadDIBitmapWrapsTheResource) {
    DibInfo info = NewInfo();
    HZVDIB dib = zvLoadDIBitmapA(Self(), "FRONT8", &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(memcmp(dib, "DIBR", 4), 0);
    EXPECT_EQ(info.format & ~1u, 4u);
    EXPECT_EQ(info.width, 2u);
    EXPECT_EQ(info.height, 2u);
    EXPECT_EQ(info.flags, 0x11u);
    EXPECT_EQ(info.colorCount, 3u);
    EXPECT_EQ(info.topRow[0], 1);
    EXPECT_EQ(info.topRow[1], 2);
    EXPECT_TRUE(zvDeleteDIBitmap(dib));

    info = NewInfo();
    dib = zvLoadDIBitmapW(Self(), L"BACK24", &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(info.stride, 12u);
    EXPECT_EQ(info.rowStep, -12);
    EXPECT_TRUE(zvDeleteDIBitmap(dib));

    info = NewInfo();
    EXPECT_EQ(zvLoadDIBitmapA(Self(), "MISSING", &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A76800Du);
    info.size = 60;
    EXPECT_EQ(zvLoadDIBitmapA(Self(), "FRONT8", &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760005u);
}

TEST(Resources, DeviceBitmapsAndTheMixedBitmap) {
    HBITMAP back = zvLoadBitmapA(Self(), "BACK24", nullptr, FALSE);
    ASSERT_NE(back, nullptr);
    BITMAP bm;
    ASSERT_TRUE(GetObjectA(back, sizeof(bm), &bm));
    EXPECT_EQ(bm.bmWidth, 4);
    EXPECT_EQ(bm.bmHeight, 2);
    DeleteObject(back);
    EXPECT_EQ(zvLoadBitmapA(Self(), "MISSING", nullptr, FALSE), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A76800Du);

    // Front index 2 (green) is transparent: the blue back shows through.
    HBITMAP mixed = zvLoadMixedBitmapA(Self(), "FRONT8", "BACK24", 2, nullptr, FALSE);
    ASSERT_NE(mixed, nullptr);
    ASSERT_TRUE(GetObjectA(mixed, sizeof(bm), &bm));
    EXPECT_EQ(bm.bmWidth, 4);
    EXPECT_EQ(bm.bmHeight, 2);
    if (zvGdiGetStatus(2) > 8) {
        EXPECT_EQ(PixelOf(mixed, 0, 0), 0xFF0000u);
        EXPECT_EQ(PixelOf(mixed, 1, 0), 0x0000FFu);
        EXPECT_EQ(PixelOf(mixed, 0, 1), 0x0000FFu);
        EXPECT_EQ(PixelOf(mixed, 1, 1), 0x000000u);
        EXPECT_EQ(PixelOf(mixed, 3, 1), 0x0000FFu);
    }
    DeleteObject(mixed);
}

TEST(DibText, BlackTextOnWhite) {
    DibInfo info = NewInfo();
    // Shift_JIS "表示" (second byte of the first character 0x5C) and ASCII.
    HZVDIB dib = zvCreateDibTextA(64, 20, "\x95\x5C\x8E\xA6 WW", nullptr, &info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(memcmp(dib, "DIBT", 4), 0);
    EXPECT_EQ(info.flags, 0x10u);
    EXPECT_EQ(info.format, 0u);
    EXPECT_EQ(info.stride, 8u);
    EXPECT_EQ(info.rowStep, 8);
    EXPECT_EQ(info.colorCount, 2u);
    EXPECT_EQ(info.aspect, 0x10000u);
    EXPECT_EQ(info.topRow, info.bits);
    EXPECT_EQ(info.header->biHeight, -20);
    EXPECT_EQ(info.colors[1].rgbRed, 0xFF);
    int black = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 64; ++x) black += !((info.bits[y * 8 + x / 8] >> (7 - x % 8)) & 1);
    EXPECT_GT(black, 10);
    EXPECT_LT(black, 64 * 20 / 2);
    // The corners stay white.
    EXPECT_EQ(info.bits[0] & 0x80, 0x80);
    EXPECT_EQ(info.bits[19 * 8 + 7] & 0x01, 0x01);

    // Copied into an 8-bit canvas with a two-entry table: exactly those indexes.
    DibInfo canvas = NewInfo();
    HZVDIB canvasDib = zvCreateDIBitmap(64, 20, 8, &canvas);
    ASSERT_NE(canvasDib, nullptr);
    const WORD xlat[2] = {7, 200};
    ASSERT_TRUE(zvCopyDIBits(canvas.topRow, info.topRow, 64, 20, canvas.rowStep, info.rowStep, xlat, 4, 0));
    int sevens = 0;
    for (DWORD i = 0; i < canvas.stride * 20; ++i) {
        ASSERT_TRUE(canvas.bits[i] == 7 || canvas.bits[i] == 200) << i;
        sevens += canvas.bits[i] == 7;
    }
    EXPECT_EQ(sevens, black);
    EXPECT_TRUE(zvDeleteDIBitmap(canvasDib));

    DibInfo wide = NewInfo();
    HZVDIB wideDib = zvCreateDibTextW(33, 10, L"W", nullptr, &wide);
    ASSERT_NE(wideDib, nullptr);
    EXPECT_EQ(wide.stride, 8u);
    EXPECT_TRUE(zvDeleteDIBitmap(wideDib));
    EXPECT_TRUE(zvDeleteDIBitmap(dib));

    EXPECT_EQ(zvCreateDibTextA(0, 10, "x", nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);
    EXPECT_EQ(zvCreateDibTextA(10, 10, nullptr, nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760003u);
    info.size = 0;
    EXPECT_EQ(zvCreateDibTextA(10, 10, "x", nullptr, &info), nullptr);
    EXPECT_EQ(zvGdiGetErrCode(), 0x7A760005u);
}

// Palette paths; they run where the display is a palette device (the
// 8-bit display run) and are skipped elsewhere.
#include <gtest/gtest.h>
#include <string.h>
#include <windows.h>

#include "zvpix32.h"

namespace {

bool PaletteDevice() { return zvGdiGetStatus(3) != 0; }

struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

}  // namespace

TEST(PaletteDevice, DefaultPaletteTakesTheStaticColours) {
    if (!PaletteDevice()) GTEST_SKIP() << "display is not a palette device";
    EXPECT_EQ(zvGdiGetStatus(2), 8u);
    const LOGPALETTE* def = (const LOGPALETTE*)(size_t)zvGdiGetStatus(4);
    HDC screen = GetDC(nullptr);
    PALETTEENTRY system[256];
    ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, system), 256u);
    const bool twenty = GetDeviceCaps(screen, NUMRESERVED) == 20;
    ReleaseDC(nullptr, screen);
    for (int i : {0, 9, 246, 255}) {
        if (!twenty) break;
        EXPECT_EQ(def->palPalEntry[i].peFlags, 0) << i;
        EXPECT_EQ(def->palPalEntry[i].peRed, system[i].peRed) << i;
        EXPECT_EQ(def->palPalEntry[i].peBlue, system[i].peBlue) << i;
    }
    EXPECT_EQ(def->palPalEntry[10].peFlags, PC_NOCOLLAPSE);

    HPALETTE pal = zvCreateDefPalette();
    ASSERT_NE(pal, nullptr);
    PALETTEENTRY entries[256];
    EXPECT_EQ(GetPaletteEntries(pal, 0, 256, entries), 256u);
    EXPECT_EQ(entries[100].peRed, 0xFF);  // ff0066
    EXPECT_EQ(entries[100].peBlue, 0x66);
    DeleteObject(pal);
    EXPECT_TRUE(zvClearSystemPalette());
}

TEST(PaletteDevice, PaletteFromBitmapInfo) {
    if (!PaletteDevice()) GTEST_SKIP() << "display is not a palette device";
    BitmapInfo256 bi = {};
    bi.header = {sizeof(BITMAPINFOHEADER), 4, 4, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
    for (int i = 0; i < 256; ++i) bi.colors[i] = {(BYTE)i, (BYTE)(255 - i), 0x11, 0};
    const LOGPALETTE* def = (const LOGPALETTE*)(size_t)zvGdiGetStatus(4);

    HPALETTE keep = zvCreatePaletteFromBitmapInfo((BITMAPINFO*)&bi, TRUE);
    ASSERT_NE(keep, nullptr);
    PALETTEENTRY e[256];
    ASSERT_EQ(GetPaletteEntries(keep, 0, 256, e), 256u);
    EXPECT_EQ(e[5].peRed, def->palPalEntry[5].peRed);
    EXPECT_EQ(e[5].peFlags, 0);
    EXPECT_EQ(e[100].peRed, 0x11);
    EXPECT_EQ(e[100].peBlue, 100);
    EXPECT_EQ(e[100].peFlags, PC_NOCOLLAPSE);
    // The bitmap's own table now holds the static colours too.
    EXPECT_EQ(bi.colors[250].rgbRed, def->palPalEntry[250].peRed);
    EXPECT_EQ(bi.colors[250].rgbBlue, def->palPalEntry[250].peBlue);
    DeleteObject(keep);

    // Without keep-static the bitmap's own colours count, from a fresh table.
    for (int i = 0; i < 256; ++i) bi.colors[i] = {(BYTE)i, (BYTE)(255 - i), 0x11, 0};
    bi.header.biClrUsed = 3;
    HPALETTE own = zvCreatePaletteFromBitmapInfo((BITMAPINFO*)&bi, FALSE);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(GetPaletteEntries(own, 0, 0, nullptr), 3u);
    ASSERT_EQ(GetPaletteEntries(own, 0, 3, e), 3u);
    EXPECT_EQ(e[2].peBlue, bi.colors[2].rgbBlue);
    EXPECT_EQ(e[2].peRed, 0x11);
    EXPECT_EQ(e[2].peFlags, 0);
    DeleteObject(own);
}

TEST(PaletteDevice, SurfacePaletteFollowsItsColourTable) {
    if (!PaletteDevice()) GTEST_SKIP() << "display is not a palette device";
    DibSurfaceInfo info;
    info.size = DIBSURFACEINFO_SIZE;
    HZVSURFACE surface = zvCreateDibSurface(8, 4, 8, &info);
    ASSERT_NE(surface, nullptr);
    ASSERT_NE(info.palette, nullptr);
    RGBQUAD colors[20];
    for (int i = 0; i < 20; ++i) colors[i] = {(BYTE)(10 * i), 0x40, 0x80, 0};
    EXPECT_TRUE(zvSetDibSurfaceColorTable(surface, colors, 20));
    EXPECT_TRUE(zvUpdateDibSurfacePalette(surface, FALSE));
    PALETTEENTRY e[256];
    ASSERT_EQ(GetPaletteEntries(info.palette, 0, 256, e), 256u);
    EXPECT_EQ(e[15].peBlue, 150);
    EXPECT_EQ(e[15].peRed, 0x80);
    EXPECT_EQ(e[15].peFlags, 0);
    EXPECT_EQ(e[30].peRed | e[30].peGreen | e[30].peBlue, 0);

    EXPECT_TRUE(zvUpdateDibSurfacePalette(surface, TRUE));
    ASSERT_EQ(GetPaletteEntries(info.palette, 0, 256, e), 256u);
    EXPECT_EQ(e[15].peFlags, PC_NOCOLLAPSE);
    EXPECT_EQ(e[5].peFlags, 0);

    // Realising into a real window's context.
    HWND window = CreateWindowA("STATIC", "zvpix32", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    zvDeleteDIBitmap(nullptr);
    const UINT changed = zvRealizeDibSurfacePalette(surface, window, FALSE);
    EXPECT_LE(changed, 256u);
    EXPECT_EQ(zvGdiGetErrCode(), 0u);
    HDC dc = GetDC(window);
    memset(info.bits, 15, info.stride * info.height);
    EXPECT_TRUE(zvDrawDibSurface(surface, dc, 0, 0, 8, 4));
    ReleaseDC(window, dc);
    DestroyWindow(window);

    EXPECT_TRUE(zvResetDibSurfacePalette(surface));
    ASSERT_EQ(GetPaletteEntries(info.palette, 0, 256, e), 256u);
    EXPECT_EQ(e[100].peRed, 0xFF);
    EXPECT_EQ(e[100].peBlue, 0x66);
    EXPECT_TRUE(zvDeleteDibSurface(surface));
}

TEST(PaletteDevice, BitmapsGoThroughTheSlotPalette) {
    if (!PaletteDevice()) GTEST_SKIP() << "display is not a palette device";
    HPALETTE slot = nullptr;
    HBITMAP front = zvLoadBitmapA(GetModuleHandleA(nullptr), "FRONT8", &slot, FALSE);
    ASSERT_NE(front, nullptr);
    EXPECT_NE(slot, nullptr);
    DeleteObject(front);
    HBITMAP back = zvLoadBitmapA(GetModuleHandleA(nullptr), "BACK24", nullptr, FALSE);
    ASSERT_NE(back, nullptr);
    DeleteObject(back);
    HBITMAP mixed = zvLoadMixedBitmapA(GetModuleHandleA(nullptr), "FRONT8", "BACK24", 2, &slot, FALSE);
    ASSERT_NE(mixed, nullptr);
    DeleteObject(mixed);
    DeleteObject(slot);
}

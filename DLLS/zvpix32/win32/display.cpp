// Display probe, the library's palettes and the process-wide status.
#include <cpuid.h>
#include <stdlib.h>

#include "zvpix32_win32.h"

HPALETTE ClearingPalette;

namespace {

bool ProcessorHasMmx() {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    if (si.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL || si.dwProcessorType < PROCESSOR_INTEL_PENTIUM)
        return false;
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (edx >> 23) & 1;
}

HPALETTE CreateClearingPalette() {
    ZvLogPalette256 black = {};
    black.version = 0x300;
    black.count = 256;
    for (ZvPaletteEntry& e : black.entries) e.flags = PC_NOCOLLAPSE;
    return CreatePalette((const LOGPALETTE*)&black);
}

void ProbeDisplay() {
    HDC dc = GetDC(nullptr);
    if (!dc) return;
    g_zvPix.displayBits = (DWORD)(GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES));
    if ((GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) && g_zvPix.displayBits == 8) {
        g_zvPix.paletteDevice = TRUE;
        if (GetDeviceCaps(dc, NUMRESERVED) / 2 == 10) {
            ZvPaletteEntry* entries = DefaultPalette.entries;
            GetSystemPaletteEntries(dc, 0, 10, (PALETTEENTRY*)entries);
            GetSystemPaletteEntries(dc, 246, 10, (PALETTEENTRY*)entries + 246);
            for (int i = 0; i < 10; ++i) entries[i].flags = entries[246 + i].flags = 0;
        }
        ClearingPalette = CreateClearingPalette();
    } else if (g_zvPix.displayBits == 4) {
        g_zvPix.sixteenColors = 1;
    }
    ReleaseDC(nullptr, dc);
}

bool ReleaseSystemDib(void* handle, DWORD signature) {
    if (signature == DIB_SIG_RESOURCE) {
        DibResourceHandle* dib = (DibResourceHandle*)handle;
        if (dib->resource) FreeResource((HGLOBAL)dib->resource);
        free(dib->converted);
        dib->signature = 0;
        free(dib);
        return true;
    }
    if (signature == DIB_SIG_TEXT) {
        DibTextHandle* dib = (DibTextHandle*)handle;
        if (dib->bitmap) DeleteObject((HBITMAP)dib->bitmap);
        free(dib->header);
        dib->signature = 0;
        free(dib);
        return true;
    }
    return false;
}

}  // namespace

void zvGdiAttach(void) {
    zvGdiSetErrCode(ZVPIX_OK);
    g_zvPix.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    g_zvPix.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    g_zvPix.mmx = ProcessorHasMmx();
    g_zvPix.paletteDevice = FALSE;
    g_zvPix.sixteenColors = 0;
    g_zvSystemDibRelease = ReleaseSystemDib;
    ProbeDisplay();
}

void zvGdiDetach(void) {
    if (ClearingPalette) DeleteObject(ClearingPalette);
    ClearingPalette = nullptr;
}

void zvFlushSystemPalette(HDC dc) {
    if (!ClearingPalette) return;
    HPALETTE old = SelectPalette(dc, ClearingPalette, TRUE);
    RealizePalette(dc);
    SelectPalette(dc, old, TRUE);
}

ZV_EXPORT(BOOL) zvChangedDisplay(int bitsPerPixel, DWORD sizeWord) {
    g_zvPix.screenWidth = (int)LOWORD(sizeWord);
    g_zvPix.screenHeight = (int)HIWORD(sizeWord);
    if ((DWORD)bitsPerPixel == g_zvPix.displayBits) return TRUE;
    g_zvPix.paletteDevice = FALSE;
    g_zvPix.sixteenColors = 0;
    zvGdiDetach();
    // Static colours of the previous display must not outlive it.
    zvResetDefaultPalette();
    ProbeDisplay();
    return TRUE;
}

ZV_EXPORT(BOOL) zvClearSystemPalette(void) {
    if (!ClearingPalette) return TRUE;
    HDC dc = GetDC(nullptr);
    if (!dc) return FALSE;
    zvFlushSystemPalette(dc);
    ReleaseDC(nullptr, dc);
    return TRUE;
}

ZV_EXPORT(HPALETTE) zvCreateDefPalette(void) {
    if (!g_zvPix.paletteDevice) return nullptr;
    return CreatePalette((const LOGPALETTE*)&DefaultPalette);
}

ZV_EXPORT(HPALETTE) zvCreatePaletteFromBitmapInfo(BITMAPINFO* info, BOOL keepStatic) {
    if (!g_zvPix.paletteDevice) return nullptr;
    if (!info) return (HPALETTE)zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    const BITMAPINFOHEADER& h = info->bmiHeader;
    DWORD count = h.biClrUsed;
    if (!count && h.biBitCount <= 8) count = 1u << h.biBitCount;
    if (count > 256) count = 256;
    RGBQUAD* table = (RGBQUAD*)((BYTE*)info + h.biSize);
    ZvLogPalette256 pal = {};
    pal.version = 0x300;
    if (keepStatic) {
        // Only entries that the bitmap's own table holds are rewritten.
        pal.count = 256;
        for (DWORD i = 0; i < 256; ++i) {
            ZvPaletteEntry& e = pal.entries[i];
            if (i < 10 || i >= 246) {
                e = DefaultPalette.entries[i];
                e.flags = 0;
                if (i < count) {
                    table[i].rgbRed = e.red;
                    table[i].rgbGreen = e.green;
                    table[i].rgbBlue = e.blue;
                    table[i].rgbReserved = 0;
                }
            } else {
                if (i < count) {
                    e.red = table[i].rgbRed;
                    e.green = table[i].rgbGreen;
                    e.blue = table[i].rgbBlue;
                }
                e.flags = PC_NOCOLLAPSE;
            }
        }
    } else {
        if (!count) return nullptr;
        pal.count = (WORD)count;
        for (DWORD i = 0; i < count; ++i) {
            pal.entries[i].red = table[i].rgbRed;
            pal.entries[i].green = table[i].rgbGreen;
            pal.entries[i].blue = table[i].rgbBlue;
            pal.entries[i].flags = 0;
        }
    }
    return CreatePalette((const LOGPALETTE*)&pal);
}

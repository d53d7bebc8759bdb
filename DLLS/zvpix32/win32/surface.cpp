// DIB surfaces: an 8- or 24-bit DIB section in its own memory context, with
// its own palette on a palette device.
#include <stdlib.h>
#include <string.h>

#include "zvpix32_win32.h"

namespace {

struct DibSurface {
    DWORD signature;
    int width;
    int height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    HPALETTE palette;
    HPALETTE oldPalette;
    BYTE* headerBlock;
    RGBQUAD* colors;
    BYTE* pixels;
};

// Palette devices get a header of palette indexes for the section, followed
// at this offset by the header with the RGB colour table.
const size_t kRgbHeaderOffset = sizeof(BITMAPINFOHEADER) + 256 * sizeof(WORD);

DibSurface* Surface(HZVSURFACE handle) {
    DibSurface* s = (DibSurface*)handle;
    if (!s || s->signature != DIB_SIG_SURFACE) {
        zvGdiSetErrCode(ZVPIX_ERR_BAD_HANDLE);
        return nullptr;
    }
    return s;
}

void FillHeader(BITMAPINFOHEADER* h, int width, int height, int bits, DWORD imageSize) {
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = width;
    h->biHeight = -height;
    h->biPlanes = 1;
    h->biBitCount = (WORD)bits;
    h->biCompression = BI_RGB;
    h->biSizeImage = imageSize;
    h->biClrUsed = bits == 8 ? 256 : 0;
}

void Realize(HDC dc, HPALETTE palette) {
    SelectPalette(dc, palette, TRUE);
    RealizePalette(dc);
}

void ReleaseSurface(DibSurface* s) {
    if (s->dc) {
        if (s->palette && s->oldPalette) SelectPalette(s->dc, s->oldPalette, TRUE);
        if (s->oldBitmap) SelectObject(s->dc, s->oldBitmap);
        DeleteDC(s->dc);
    }
    if (s->palette) DeleteObject(s->palette);
    if (s->bitmap) DeleteObject(s->bitmap);
    free(s->headerBlock);
    s->signature = 0;
    free(s);
}

void ToPaletteEntries(const RGBQUAD* colors, PALETTEENTRY* entries, bool keepStatic) {
    for (int i = 0; i < 256; ++i) {
        entries[i].peRed = colors[i].rgbRed;
        entries[i].peGreen = colors[i].rgbGreen;
        entries[i].peBlue = colors[i].rgbBlue;
        entries[i].peFlags = keepStatic && i >= 10 && i < 246 ? PC_NOCOLLAPSE : 0;
    }
}

}  // namespace

ZV_EXPORT(HZVSURFACE) zvCreateDibSurface(int width, int height, int bits, DibSurfaceInfo* info) {
    if (width <= 0 || height <= 0 || (bits != 8 && bits != 24) || !info) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    if (info->size != DIBSURFACEINFO_SIZE) return zvGdiFail(ZVPIX_ERR_RECORD_SIZE);
    DWORD stride;
    size_t imageSize;
    if (!zvDibStride((DWORD)width, (DWORD)bits, &stride) || !zvDibImageSize(stride, (DWORD)height, &imageSize))
        return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);

    HDC screen = GetDC(nullptr);
    if (!screen) return zvGdiFail(ZVPIX_ERR_NO_DC);
    DibSurface* s = (DibSurface*)calloc(1, sizeof(DibSurface));
    const bool indexes = bits == 8 && g_zvPix.paletteDevice;
    const size_t blockSize = bits == 24 ? sizeof(BITMAPINFOHEADER)
                             : indexes  ? kRgbHeaderOffset + sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)
                                        : sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
    BYTE* block = s ? (BYTE*)calloc(1, blockSize) : nullptr;
    if (!block) {
        free(s);
        ReleaseDC(nullptr, screen);
        return zvGdiFail(ZVPIX_ERR_OUT_OF_MEMORY);
    }
    s->signature = DIB_SIG_SURFACE;
    s->width = width;
    s->height = height;
    s->headerBlock = block;

    BITMAPINFOHEADER* rgbHeader = (BITMAPINFOHEADER*)(indexes ? block + kRgbHeaderOffset : block);
    FillHeader(rgbHeader, width, height, bits, (DWORD)imageSize);
    HPALETTE screenPalette = nullptr;
    if (bits == 8) {
        s->colors = (RGBQUAD*)(rgbHeader + 1);
        zvDefaultPaletteToRgbQuads(s->colors, 256);
    }
    if (indexes) {
        FillHeader((BITMAPINFOHEADER*)block, width, height, bits, (DWORD)imageSize);
        WORD* index = (WORD*)(block + sizeof(BITMAPINFOHEADER));
        for (int i = 0; i < 256; ++i) index[i] = (WORD)i;
        s->palette = zvCreateDefPalette();
        if (s->palette) {
            zvFlushSystemPalette(screen);
            screenPalette = SelectPalette(screen, s->palette, TRUE);
            RealizePalette(screen);
        }
    }

    void* pixels = nullptr;
    s->bitmap = indexes ? CreateDIBSection(screen, (const BITMAPINFO*)block, DIB_PAL_COLORS, &pixels, nullptr, 0)
                        : CreateDIBSection(screen, (const BITMAPINFO*)rgbHeader, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (screenPalette) SelectPalette(screen, screenPalette, TRUE);
    DWORD err = 0;
    if (!s->bitmap || !pixels) {
        err = ZVPIX_ERR_NO_DIB_SECTION;
    } else {
        s->pixels = (BYTE*)pixels;
        s->dc = CreateCompatibleDC(screen);
        if (!s->dc) err = ZVPIX_ERR_NO_MEMORY_DC;
    }
    ReleaseDC(nullptr, screen);
    if (err) {
        ReleaseSurface(s);
        return zvGdiFail(err);
    }
    s->oldBitmap = SelectObject(s->dc, s->bitmap);
    if (s->palette) s->oldPalette = SelectPalette(s->dc, s->palette, TRUE);

    info->dc = s->dc;
    info->bitmap = s->bitmap;
    info->palette = s->palette;
    info->flags = bits == 8 ? (DWORD)DIBF_INDEXED : 0;
    info->format = (bits == 8 ? ZVFMT_8BIT : ZVFMT_24BIT) + g_zvPix.sixteenColors;
    info->left = info->top = 0;
    info->width = (DWORD)width;
    info->height = (DWORD)height;
    info->aspect = DIB_ASPECT_SQUARE;
    info->stride = stride;
    info->rowStep = (LONG)stride;
    info->transparent = 0;
    info->colorCount = bits == 8 ? 256 : 0;
    info->header = rgbHeader;
    info->colors = s->colors;
    info->bits = info->topRow = s->pixels;
    return s;
}

ZV_EXPORT(BOOL) zvDeleteDibSurface(HZVSURFACE surface) {
    DibSurface* s = Surface(surface);
    if (!s) return FALSE;
    ReleaseSurface(s);
    return TRUE;
}

ZV_EXPORT(BOOL) zvSetDibSurfaceColorTable(HZVSURFACE surface, const RGBQUAD* colors, int count) {
    DibSurface* s = Surface(surface);
    if (!s) return FALSE;
    if (!s->colors) return TRUE;
    if (!colors) {
        zvGdiSetErrCode(ZVPIX_ERR_BAD_ARGUMENT);
        return FALSE;
    }
    const int n = count < 0 ? 0 : count > 256 ? 256 : count;
    memcpy(s->colors, colors, (size_t)n * sizeof(RGBQUAD));
    memset(s->colors + n, 0, (size_t)(256 - n) * sizeof(RGBQUAD));
    return TRUE;
}

ZV_EXPORT(BOOL) zvUpdateDibSurfacePalette(HZVSURFACE surface, BOOL keepStatic) {
    DibSurface* s = Surface(surface);
    if (!s) return FALSE;
    if (!s->colors) return TRUE;
    if (keepStatic) {
        RGBQUAD statics[256];
        zvDefaultPaletteToRgbQuads(statics, 256);
        memcpy(s->colors, statics, 10 * sizeof(RGBQUAD));
        memcpy(s->colors + 246, statics + 246, 10 * sizeof(RGBQUAD));
    }
    if (s->palette) {
        PALETTEENTRY entries[256];
        ToPaletteEntries(s->colors, entries, keepStatic != 0);
        if (SetPaletteEntries(s->palette, 0, 256, entries)) {
            if (keepStatic) zvFlushSystemPalette(s->dc);
            Realize(s->dc, s->palette);
        }
    }
    SetDIBColorTable(s->dc, 0, 256, s->colors);
    return TRUE;
}

ZV_EXPORT(BOOL) zvResetDibSurfacePalette(HZVSURFACE surface) {
    DibSurface* s = Surface(surface);
    if (!s) return FALSE;
    if (!s->colors) return TRUE;
    zvDefaultPaletteToRgbQuads(s->colors, 256);
    if (s->palette) {
        SetPaletteEntries(s->palette, 0, 256, (const PALETTEENTRY*)DefaultPalette.entries);
        zvFlushSystemPalette(s->dc);
        Realize(s->dc, s->palette);
    }
    SetDIBColorTable(s->dc, 0, 256, s->colors);
    return TRUE;
}

ZV_EXPORT(UINT) zvRealizeDibSurfacePalette(HZVSURFACE surface, HWND window, BOOL forceBackground) {
    zvGdiSetErrCode(ZVPIX_OK);
    DibSurface* s = Surface(surface);
    if (!s || !s->palette) return 0;
    HDC dc = GetDC(window);
    if (!dc) {
        zvGdiSetErrCode(ZVPIX_ERR_NO_DC);
        return 0;
    }
    HPALETTE old = SelectPalette(dc, s->palette, forceBackground);
    const UINT changed = RealizePalette(dc);
    SelectPalette(dc, old, TRUE);
    ReleaseDC(window, dc);
    return changed == GDI_ERROR ? 0 : changed;
}

ZV_EXPORT(BOOL)
zvDrawDibSurfaceEx(HZVSURFACE surface, HDC dc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth,
                   int srcHeight, DWORD rop) {
    DibSurface* s = Surface(surface);
    if (!s) return FALSE;
    HPALETTE old = nullptr;
    if (s->palette) {
        old = SelectPalette(dc, s->palette, TRUE);
        RealizePalette(dc);
    }
    StretchBlt(dc, x, y, width, height, s->dc, srcX, srcY, srcWidth, srcHeight, rop);
    if (old) SelectPalette(dc, old, TRUE);
    return TRUE;
}

ZV_EXPORT(BOOL) zvDrawDibSurface(HZVSURFACE surface, HDC dc, int x, int y, int width, int height) {
    DibSurface* s = Surface(surface);
    if (!s) return FALSE;
    return zvDrawDibSurfaceEx(surface, dc, x, y, width, height, 0, 0, s->width, s->height, SRCCOPY);
}

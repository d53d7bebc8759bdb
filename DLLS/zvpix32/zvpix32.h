// Exports of zvpix32.dll, the graphics library.
#pragma once
#include "portable/zvdib.h"
#include "portable/zvpixel.h"

ZV_EXPORT(DWORD) zvGdiGetVersion(void);
// Kind 4 gives a pointer, so the result is pointer-sized.
ZV_EXPORT(DWORD_PTR) zvGdiGetStatus(int kind);
ZV_EXPORT(int)
zvMakeXlatTable(WORD* xlat, const void* srcColors, int srcCount, const RGBQUAD* dstColors, int dstCount, BOOL srcIsRgb);

#ifdef _WIN32
ZV_EXPORT(BOOL) zvChangedDisplay(int bitsPerPixel, DWORD sizeWord);
ZV_EXPORT(BOOL) zvClearSystemPalette(void);
ZV_EXPORT(HPALETTE) zvCreateDefPalette(void);
ZV_EXPORT(HPALETTE) zvCreatePaletteFromBitmapInfo(BITMAPINFO* info, BOOL keepStatic);
ZV_EXPORT(HZVDIB) zvLoadDIBitmapA(HINSTANCE module, LPCSTR name, DibInfo* info);
ZV_EXPORT(HZVDIB) zvLoadDIBitmapW(HINSTANCE module, LPCWSTR name, DibInfo* info);
ZV_EXPORT(HZVDIB) zvCreateDibTextA(int width, int height, LPCSTR text, HFONT font, DibInfo* info);
ZV_EXPORT(HZVDIB) zvCreateDibTextW(int width, int height, LPCWSTR text, HFONT font, DibInfo* info);
ZV_EXPORT(HBITMAP) zvLoadBitmapA(HINSTANCE module, LPCSTR name, HPALETTE* palette, BOOL keepStatic);
ZV_EXPORT(HBITMAP) zvLoadBitmapW(HINSTANCE module, LPCWSTR name, HPALETTE* palette, BOOL keepStatic);
ZV_EXPORT(HBITMAP)
zvLoadMixedBitmapA(HINSTANCE module, LPCSTR front, LPCSTR back, int transparent, HPALETTE* palette, BOOL keepStatic);
ZV_EXPORT(HBITMAP)
zvLoadMixedBitmapW(HINSTANCE module, LPCWSTR front, LPCWSTR back, int transparent, HPALETTE* palette, BOOL keepStatic);

// Off-screen 8- or 24-bit DIB section with its own memory context and palette.
struct DibSurfaceInfo {
    DWORD size;  // in: 76
    HDC dc;
    HBITMAP bitmap;
    HPALETTE palette;
    DWORD flags;
    DWORD format;
    LONG left;
    LONG top;
    DWORD width;
    DWORD height;
    DWORD aspect;
    DWORD stride;
    LONG rowStep;
    DWORD transparent;
    DWORD colorCount;
    BITMAPINFOHEADER* header;
    RGBQUAD* colors;
    BYTE* bits;
    BYTE* topRow;
};
// A 76-byte binary record on i686; its handles and pointers widen it on x86-64.
static_assert(sizeof(DibSurfaceInfo) == (sizeof(void*) == 4 ? 76 : 112), "DibSurfaceInfo is a 76-byte record on i686");
enum : DWORD { DIBSURFACEINFO_SIZE = sizeof(DibSurfaceInfo) };

typedef void* HZVSURFACE;

ZV_EXPORT(HZVSURFACE) zvCreateDibSurface(int width, int height, int bits, DibSurfaceInfo* info);
ZV_EXPORT(BOOL) zvDeleteDibSurface(HZVSURFACE surface);
ZV_EXPORT(BOOL) zvSetDibSurfaceColorTable(HZVSURFACE surface, const RGBQUAD* colors, int count);
ZV_EXPORT(BOOL) zvUpdateDibSurfacePalette(HZVSURFACE surface, BOOL keepStatic);
ZV_EXPORT(BOOL) zvResetDibSurfacePalette(HZVSURFACE surface);
ZV_EXPORT(UINT) zvRealizeDibSurfacePalette(HZVSURFACE surface, HWND window, BOOL forceBackground);
ZV_EXPORT(BOOL) zvDrawDibSurface(HZVSURFACE surface, HDC dc, int x, int y, int width, int height);
ZV_EXPORT(BOOL)
zvDrawDibSurfaceEx(HZVSURFACE surface, HDC dc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth,
                   int srcHeight, DWORD rop);
#endif

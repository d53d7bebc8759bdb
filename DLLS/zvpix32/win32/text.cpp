// Captions: text drawn into a 1-bit DIB section, black on white.
#include <stdlib.h>
#include <string.h>

#include "zvpix32_win32.h"

namespace {

struct TextHeader {
    BITMAPINFOHEADER header;
    RGBQUAD colors[2];
};
static_assert(sizeof(TextHeader) == 48, "40-byte header and two colours");

int Draw(HDC dc, LPCSTR text, RECT* rect) { return DrawTextA(dc, text, -1, rect, DT_CENTER | DT_VCENTER); }
int Draw(HDC dc, LPCWSTR text, RECT* rect) { return DrawTextW(dc, text, -1, rect, DT_CENTER | DT_VCENTER); }

template <class Text>
HZVDIB CreateText(int width, int height, Text text, HFONT font, DibInfo* info) {
    if (width <= 0 || height <= 0 || !text || !info) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    if (info->size != DIBINFO_SIZE) return zvGdiFail(ZVPIX_ERR_RECORD_SIZE);
    DWORD stride;
    size_t imageSize;
    if (!zvDibStride((DWORD)width, 1, &stride) || !zvDibImageSize(stride, (DWORD)height, &imageSize))
        return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return zvGdiFail(ZVPIX_ERR_NO_MEMORY_DC);
    DibTextHandle* dib = (DibTextHandle*)calloc(1, sizeof(DibTextHandle));
    TextHeader* h = (TextHeader*)calloc(1, sizeof(TextHeader));
    if (!dib || !h) {
        free(h);
        free(dib);
        DeleteDC(dc);
        return zvGdiFail(ZVPIX_ERR_OUT_OF_MEMORY);
    }
    h->header.biSize = sizeof(BITMAPINFOHEADER);
    h->header.biWidth = width;
    h->header.biHeight = -height;
    h->header.biPlanes = 1;
    h->header.biBitCount = 1;
    h->header.biCompression = BI_RGB;
    h->header.biSizeImage = (DWORD)imageSize;
    h->header.biClrUsed = 2;
    h->colors[1].rgbBlue = h->colors[1].rgbGreen = h->colors[1].rgbRed = 0xFF;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, (const BITMAPINFO*)h, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits) {
        if (section) DeleteObject(section);
        free(h);
        free(dib);
        DeleteDC(dc);
        return zvGdiFail(ZVPIX_ERR_NO_DIB_SECTION);
    }
    HGDIOBJ oldBitmap = SelectObject(dc, section);
    RECT rect = {0, 0, width, height};
    FillRect(dc, &rect, (HBRUSH)GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    Draw(dc, text, &rect);
    if (oldFont) SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    // Read back through a separate buffer: reading a section into its own
    // pixels lets the copy overlap its source.
    GdiFlush();
    if (BYTE* readBack = (BYTE*)malloc(imageSize)) {
        if (GetDIBits(dc, section, 0, (UINT)height, readBack, (BITMAPINFO*)h, DIB_RGB_COLORS) == height)
            memcpy(bits, readBack, imageSize);
        free(readBack);
    }
    DeleteDC(dc);

    dib->signature = DIB_SIG_TEXT;
    dib->header = &h->header;
    dib->pixels = (BYTE*)bits;
    dib->bitmap = section;
    info->flags = DIBF_INDEXED;
    info->format = ZVFMT_1BIT;
    info->left = info->top = 0;
    info->width = (DWORD)width;
    info->height = (DWORD)height;
    info->aspect = DIB_ASPECT_SQUARE;
    info->stride = stride;
    info->rowStep = (LONG)stride;
    info->transparent = 0;
    info->colorCount = 2;
    info->header = &h->header;
    info->colors = h->colors;
    info->bits = info->topRow = (BYTE*)bits;
    return dib;
}

}  // namespace

ZV_EXPORT(HZVDIB) zvCreateDibTextA(int width, int height, LPCSTR text, HFONT font, DibInfo* info) {
    return CreateText(width, height, text, font, info);
}

ZV_EXPORT(HZVDIB) zvCreateDibTextW(int width, int height, LPCWSTR text, HFONT font, DibInfo* info) {
    return CreateText(width, height, text, font, info);
}

// Bitmap resources: wrapped as DIB handles or turned into device-dependent
// bitmaps for the screen.
#include <stdlib.h>
#include <string.h>

#include "zvpix32_win32.h"

namespace {

struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

// A locked bitmap resource; released with its destructor.
struct LockedBitmap {
    HGLOBAL memory = nullptr;
    const BYTE* data = nullptr;
    DWORD size = 0;

    DWORD Load(HINSTANCE module, HRSRC found) {
        if (!found) return ZVPIX_ERR_RESOURCE_NOT_FOUND;
        memory = LoadResource(module, found);
        if (!memory) return ZVPIX_ERR_RESOURCE_LOAD;
        data = (const BYTE*)LockResource(memory);
        if (!data) return ZVPIX_ERR_RESOURCE_LOCK;
        size = SizeofResource(module, found);
        return 0;
    }
    HGLOBAL Detach() {
        HGLOBAL m = memory;
        memory = nullptr;
        return m;
    }
    ~LockedBitmap() {
        if (memory) FreeResource(memory);
    }
};

HRSRC Find(HINSTANCE module, LPCSTR name) { return FindResourceA(module, name, (LPCSTR)RT_BITMAP); }
HRSRC Find(HINSTANCE module, LPCWSTR name) { return FindResourceW(module, name, (LPCWSTR)RT_BITMAP); }

template <class Name>
HZVDIB LoadDib(HINSTANCE module, Name name, DibInfo* info) {
    if (!name || !info) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    if (info->size != DIBINFO_SIZE) return zvGdiFail(ZVPIX_ERR_RECORD_SIZE);
    LockedBitmap res;
    DWORD err = res.Load(module, Find(module, name));
    if (err) return zvGdiFail(err);
    BITMAPINFOHEADER* converted;
    err = zvReadPackedDib(res.data, res.size, info, &converted);
    if (err) return zvGdiFail(err);
    DibResourceHandle* dib = (DibResourceHandle*)calloc(1, sizeof(DibResourceHandle));
    if (!dib) {
        free(converted);
        return zvGdiFail(ZVPIX_ERR_OUT_OF_MEMORY);
    }
    dib->signature = DIB_SIG_RESOURCE;
    dib->resource = res.Detach();
    dib->converted = converted;
    return dib;
}

// The header of `info` followed by a full 256-entry colour table.
void WorkHeader(const DibInfo& info, BitmapInfo256* work) {
    memset(work, 0, sizeof(*work));
    memcpy(&work->header, info.header, sizeof(BITMAPINFOHEADER));
    work->header.biSize = sizeof(BITMAPINFOHEADER);
    const DWORD count = info.colorCount < 256 ? info.colorCount : 256;
    if (info.colors && count) memcpy(work->colors, info.colors, count * sizeof(RGBQUAD));
}

void SelectSlotPalette(HDC dc, HPALETTE* slot) {
    if (slot && *slot) {
        SelectPalette(dc, *slot, FALSE);
        RealizePalette(dc);
    }
}

// An 8-bit top-down copy of the picture in DefaultPalette colours.
struct DefaultColorCopy {
    BitmapInfo256 header;
    BYTE* pixels = nullptr;
    ~DefaultColorCopy() { free(pixels); }

    DWORD Make(const DibInfo& info, const BitmapInfo256& work, bool dither16) {
        DWORD stride;
        size_t size;
        if (!zvDibStride(info.width, 8, &stride) || !zvDibImageSize(stride, info.height, &size))
            return ZVPIX_ERR_BAD_ARGUMENT;
        pixels = (BYTE*)malloc(size ? size : 1);
        if (!pixels) return ZVPIX_ERR_OUT_OF_MEMORY;
        memset(&header, 0, sizeof(header));
        header.header.biSize = sizeof(BITMAPINFOHEADER);
        header.header.biWidth = (LONG)info.width;
        header.header.biHeight = -(LONG)info.height;
        header.header.biPlanes = 1;
        header.header.biBitCount = 8;
        header.header.biClrUsed = 256;
        zvDefaultPaletteToRgbQuads(header.colors, 256);
        DWORD format = info.format & ~1u;
        const bool hasDitherVariant = format == ZVFMT_8BIT || format == ZVFMT_24BIT || format >= ZVFMT_RLE8;
        const void* table = nullptr;
        WORD xlat[256];
        if (dither16 && hasDitherVariant) {
            format |= 1;
            table = work.colors;
        } else if (info.flags & DIBF_INDEXED) {
            zvMakeXlatTable(xlat, work.colors, 256, header.colors, 256, FALSE);
            table = xlat;
        }
        BYTE* dst = pixels;
        const BYTE* src = info.topRow;
        LONG dstStep = (LONG)stride, srcStep = info.rowStep;
        if (info.flags & DIBF_RLE) {
            dst = pixels + (size_t)(info.height - 1) * stride;
            dstStep = -(LONG)stride;
            src = info.bits;
            srcStep = 0;
        }
        zvCopyDIBits(dst, src, (int)info.width, (int)info.height, dstStep, srcStep, table, 4, format);
        return 0;
    }
};

HBITMAP Fail(DWORD code) {
    zvGdiSetErrCode(code);
    return nullptr;
}

HBITMAP MakeBitmap(HDC dc, const BITMAPINFOHEADER* header, const void* bits, const BitmapInfo256* colors) {
    HBITMAP bitmap = CreateDIBitmap(dc, header, CBM_INIT, bits, (const BITMAPINFO*)colors, DIB_RGB_COLORS);
    return bitmap ? bitmap : Fail(ZVPIX_ERR_NO_BITMAP);
}

// The screen's device-dependent form of a described DIB, after the rules of
// the display: palette devices and 16-colour displays get DefaultPalette
// colours where the picture's own would not show.
HBITMAP DeviceBitmap(HDC dc, const DibInfo& info, HPALETTE* slot, BOOL keepStatic) {
    BitmapInfo256 work;
    WorkHeader(info, &work);
    const WORD bits = work.header.biBitCount;
    const bool sixteen = g_zvPix.sixteenColors != 0;
    const bool palette = g_zvPix.paletteDevice != 0;
    switch (bits) {
        case 1:
            return MakeBitmap(dc, &work.header, info.bits, &work);
        case 4:
            if (slot) {
                if (!*slot) *slot = zvCreateDefPalette();
                SelectSlotPalette(dc, slot);
            }
            return MakeBitmap(dc, &work.header, info.bits, &work);
        case 8: {
            if (work.header.biClrUsed == 1) {
                zvDefaultPaletteToRgbQuads(work.colors, 256);
                work.header.biClrUsed = 256;
                keepStatic = TRUE;
            }
            if (!sixteen && (!palette || slot)) {
                if (slot && !*slot) *slot = zvCreatePaletteFromBitmapInfo((BITMAPINFO*)&work, keepStatic);
                SelectSlotPalette(dc, slot);
                return MakeBitmap(dc, &work.header, info.bits, &work);
            }
            DefaultColorCopy copy;
            DibInfo adjusted = info;
            adjusted.colors = work.colors;
            adjusted.colorCount = 256;
            const DWORD err = copy.Make(adjusted, work, true);
            if (err) return Fail(err);
            return MakeBitmap(dc, &copy.header.header, copy.pixels, &copy.header);
        }
        case 16:
        case 24:
        case 32: {
            if (!sixteen && !palette) return MakeBitmap(dc, &work.header, info.bits, &work);
            DefaultColorCopy copy;
            const DWORD err = copy.Make(info, work, sixteen || !slot);
            if (err) return Fail(err);
            if (slot) {
                if (!*slot) *slot = zvCreateDefPalette();
                SelectSlotPalette(dc, slot);
            }
            return MakeBitmap(dc, &copy.header.header, copy.pixels, &copy.header);
        }
        default:
            return Fail(ZVPIX_ERR_UNSUPPORTED_FORMAT);
    }
}

template <class Name>
HBITMAP LoadBitmapT(HINSTANCE module, Name name, HPALETTE* slot, BOOL keepStatic) {
    if (!name) return Fail(ZVPIX_ERR_BAD_ARGUMENT);
    LockedBitmap res;
    DWORD err = res.Load(module, Find(module, name));
    if (err) return Fail(err);
    DibInfo info;
    info.size = DIBINFO_SIZE;
    BITMAPINFOHEADER* converted;
    err = zvReadPackedDib(res.data, res.size, &info, &converted);
    if (err) return Fail(err);
    HDC dc = GetDC(nullptr);
    HBITMAP bitmap = dc ? DeviceBitmap(dc, info, slot, keepStatic) : Fail(ZVPIX_ERR_NO_DC);
    if (dc) ReleaseDC(nullptr, dc);
    free(converted);
    return bitmap;
}

// Copies or merges a picture into the 8-bit canvas in DefaultPalette colours.
bool Compose(const DibInfo& pic, const DibInfo& canvas, bool merge, DWORD transparent) {
    const DWORD format = pic.format;
    WORD xlat[256];
    const void* table = nullptr;
    if (format & 1)
        table = pic.colors;
    else if ((pic.flags & DIBF_INDEXED) && pic.colors) {
        zvMakeXlatTable(xlat, pic.colors, (int)(pic.colorCount < 256 ? pic.colorCount : 256), canvas.colors, 256,
                        FALSE);
        table = xlat;
    }
    const BYTE* src = pic.topRow;
    BYTE* dst = canvas.topRow;
    int dstStep = canvas.rowStep, srcStep = pic.rowStep;
    if (pic.flags & DIBF_RLE) {
        src = pic.bits;
        srcStep = 0;
        dst = canvas.topRow + (ptrdiff_t)(pic.height - 1) * canvas.rowStep;
        dstStep = -canvas.rowStep;
    }
    return merge ? zvMergeDIBits(dst, src, (int)pic.width, (int)pic.height, dstStep, srcStep, table, 4, format,
                                 transparent)
                 : zvCopyDIBits(dst, src, (int)pic.width, (int)pic.height, dstStep, srcStep, table, 4, format);
}

template <class Name>
HBITMAP LoadMixedT(HINSTANCE module, Name front, Name back, int transparent, HPALETTE* slot, BOOL) {
    if (!front || !back) return Fail(ZVPIX_ERR_BAD_ARGUMENT);
    DibInfo frontInfo, backInfo, canvasInfo;
    frontInfo.size = backInfo.size = canvasInfo.size = DIBINFO_SIZE;
    HZVDIB frontDib = LoadDib(module, front, &frontInfo);
    HZVDIB backDib = frontDib ? LoadDib(module, back, &backInfo) : nullptr;
    HZVDIB canvas = nullptr;
    HBITMAP bitmap = nullptr;
    if (backDib) {
        const int width = (int)(frontInfo.width > backInfo.width ? frontInfo.width : backInfo.width);
        const int height = (int)(frontInfo.height > backInfo.height ? frontInfo.height : backInfo.height);
        canvas = zvCreateDIBitmap(width, height, 8, &canvasInfo);
    }
    if (canvas) {
        memset(canvasInfo.bits, 0, (size_t)canvasInfo.stride * canvasInfo.height);
        if (Compose(backInfo, canvasInfo, false, 0) && Compose(frontInfo, canvasInfo, true, (DWORD)transparent)) {
            HDC dc = GetDC(nullptr);
            if (dc) {
                if (slot) {
                    if (!*slot) *slot = zvCreateDefPalette();
                    SelectSlotPalette(dc, slot);
                }
                bitmap = MakeBitmap(dc, canvasInfo.header, canvasInfo.bits, (const BitmapInfo256*)canvasInfo.header);
                ReleaseDC(nullptr, dc);
            } else {
                zvGdiSetErrCode(ZVPIX_ERR_NO_DC);
            }
        }
    }
    // Deleting keeps the error code of the failure, if any.
    const DWORD err = zvGdiGetErrCode();
    if (canvas) zvDeleteDIBitmap(canvas);
    if (backDib) zvDeleteDIBitmap(backDib);
    if (frontDib) zvDeleteDIBitmap(frontDib);
    zvGdiSetErrCode(err);
    return bitmap;
}

}  // namespace

ZV_EXPORT(HZVDIB) zvLoadDIBitmapA(HINSTANCE module, LPCSTR name, DibInfo* info) { return LoadDib(module, name, info); }

ZV_EXPORT(HZVDIB) zvLoadDIBitmapW(HINSTANCE module, LPCWSTR name, DibInfo* info) { return LoadDib(module, name, info); }

ZV_EXPORT(HBITMAP) zvLoadBitmapA(HINSTANCE module, LPCSTR name, HPALETTE* palette, BOOL keepStatic) {
    return LoadBitmapT(module, name, palette, keepStatic);
}

ZV_EXPORT(HBITMAP) zvLoadBitmapW(HINSTANCE module, LPCWSTR name, HPALETTE* palette, BOOL keepStatic) {
    return LoadBitmapT(module, name, palette, keepStatic);
}

ZV_EXPORT(HBITMAP)
zvLoadMixedBitmapA(HINSTANCE module, LPCSTR front, LPCSTR back, int transparent, HPALETTE* palette, BOOL keepStatic) {
    return LoadMixedT(module, front, back, transparent, palette, keepStatic);
}

ZV_EXPORT(HBITMAP)
zvLoadMixedBitmapW(HINSTANCE module, LPCWSTR front, LPCWSTR back, int transparent, HPALETTE* palette, BOOL keepStatic) {
    return LoadMixedT(module, front, back, transparent, palette, keepStatic);
}

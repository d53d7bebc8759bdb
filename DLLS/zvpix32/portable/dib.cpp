// DIB handles and the packed-DIB reader.
#include <stdlib.h>
#include <string.h>

#include "zvpixstate.h"

namespace {

const size_t kUnknownSize = (size_t)-1;
DibMemoryHandle* g_rleHandles;

DWORD ReadDword(const BYTE* p) { return (DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24); }

WORD ReadWord(const BYTE* p) { return (WORD)(p[0] | (p[1] << 8)); }

// Format code, flags and colour count of a 40-byte-style header, or an error.
// `masks` points at the three bit masks when the compression asks for them.
DWORD ClassifyHeader(const BITMAPINFOHEADER& h, const BYTE* masks, DibInfo* info) {
    const DWORD sixteen = zvGdiSixteenColorFlag();
    info->flags = 0;
    info->colorCount = 0;
    if (h.biBitCount <= 8) {
        info->flags |= DIBF_INDEXED;
        info->colorCount = h.biClrUsed ? h.biClrUsed : (1u << h.biBitCount);
    }
    switch (h.biCompression) {
        case BI_RGB:
            switch (h.biBitCount) {
                case 1:
                    info->format = ZVFMT_1BIT;
                    break;
                case 4:
                    info->format = ZVFMT_4BIT;
                    break;
                case 8:
                    info->format = ZVFMT_8BIT + sixteen;
                    break;
                case 16:
                    info->format = ZVFMT_16BIT_555 + sixteen;
                    break;
                case 24:
                    info->format = ZVFMT_24BIT + sixteen;
                    break;
                case 32:
                    info->format = ZVFMT_32BIT + sixteen;
                    break;
                default:
                    return ZVPIX_ERR_UNSUPPORTED_FORMAT;
            }
            return 0;
        case BI_RLE8:
            if (h.biBitCount != 8) return ZVPIX_ERR_UNSUPPORTED_FORMAT;
            info->format = ZVFMT_RLE8 + sixteen;
            info->flags |= DIBF_RLE;
            return 0;
        case BI_RLE4:
            if (h.biBitCount != 4) return ZVPIX_ERR_UNSUPPORTED_FORMAT;
            info->format = ZVFMT_RLE4;
            info->flags |= DIBF_RLE;
            return 0;
        case BI_BITFIELDS: {
            const DWORD r = ReadDword(masks), g = ReadDword(masks + 4), b = ReadDword(masks + 8);
            info->colorCount = 3;
            if (h.biBitCount == 16 && r == 0x7C00 && g == 0x03E0 && b == 0x001F)
                info->format = ZVFMT_16BIT_555 + sixteen;
            else if (h.biBitCount == 16 && r == 0xF800 && g == 0x07E0 && b == 0x001F)
                info->format = ZVFMT_16BIT_565 + sixteen;
            else if (h.biBitCount == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF)
                info->format = ZVFMT_32BIT + sixteen;
            else
                return ZVPIX_ERR_UNSUPPORTED_FORMAT;
            return 0;
        }
        default:
            return ZVPIX_ERR_UNSUPPORTED_FORMAT;
    }
}

// Geometry and pointers once the header is classified; `pixelRoom` is what
// the block holds from `pixels` on (kUnknownSize when not known).
DWORD PlaceRows(const BITMAPINFOHEADER& h, BYTE* pixels, size_t pixelRoom, DibInfo* info) {
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == (LONG)0x80000000) return ZVPIX_ERR_DAMAGED;
    const bool topDown = h.biHeight < 0;
    const DWORD height = (DWORD)(topDown ? -h.biHeight : h.biHeight);
    DWORD stride;
    size_t imageSize;
    if (!zvDibStride((DWORD)h.biWidth, h.biBitCount, &stride) || !zvDibImageSize(stride, height, &imageSize))
        return ZVPIX_ERR_BAD_ARGUMENT;
    const bool rle = (info->flags & DIBF_RLE) != 0;
    if (rle && topDown) return ZVPIX_ERR_UNSUPPORTED_FORMAT;
    if (!rle && pixelRoom != kUnknownSize && imageSize > pixelRoom) return ZVPIX_ERR_DAMAGED;

    info->size = DIBINFO_SIZE;
    info->left = 0;
    info->top = 0;
    info->width = (DWORD)h.biWidth;
    info->height = height;
    info->aspect = DIB_ASPECT_SQUARE;
    info->stride = stride;
    info->transparent = 0;
    info->bits = pixels;
    if (topDown) {
        info->rowStep = (LONG)stride;
        info->topRow = pixels;
    } else {
        info->flags |= DIBF_BOTTOMUP;
        info->rowStep = -(LONG)stride;
        info->topRow = rle ? nullptr : pixels + (size_t)(height - 1) * stride;
    }
    if (rle) info->topRow = nullptr;
    return 0;
}

DibMemoryHandle* NewMemoryHandle(BITMAPINFOHEADER* header, BYTE* pixels) {
    DibMemoryHandle* dib = (DibMemoryHandle*)calloc(1, sizeof(DibMemoryHandle));
    if (!dib) return nullptr;
    dib->signature = DIB_SIG_MEMORY;
    dib->header = header;
    dib->pixels = pixels;
    return dib;
}

void RegisterRle(DibMemoryHandle* dib, const BYTE* data, size_t size) {
    dib->rleData = data;
    dib->rleSize = size;
    dib->nextRle = g_rleHandles;
    g_rleHandles = dib;
}

void UnregisterRle(DibMemoryHandle* dib) {
    for (DibMemoryHandle** link = &g_rleHandles; *link; link = &(*link)->nextRle) {
        if (*link == dib) {
            *link = dib->nextRle;
            return;
        }
    }
}

// Length of the run-length data of a packed DIB: the image size when the
// header gives one that fits, else what the block holds.
size_t RleLength(const BITMAPINFOHEADER& h, size_t room) {
    if (h.biSizeImage && (room == kUnknownSize || h.biSizeImage <= room)) return h.biSizeImage;
    return room;
}

}  // namespace

DWORD zvReadPackedDib(const BYTE* data, size_t size, DibInfo* info, BITMAPINFOHEADER** converted) {
    *converted = nullptr;
    if (size < 4) return ZVPIX_ERR_DAMAGED;
    const DWORD headerSize = ReadDword(data);
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        if (size < sizeof(BITMAPCOREHEADER)) return ZVPIX_ERR_DAMAGED;
        const WORD bitCount = ReadWord(data + 10);
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return ZVPIX_ERR_UNSUPPORTED_FORMAT;
        const DWORD colors = bitCount == 24 ? 0 : (1u << bitCount);
        const size_t tableEnd = sizeof(BITMAPCOREHEADER) + (size_t)colors * 3;
        if (tableEnd > size) return ZVPIX_ERR_DAMAGED;
        BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)calloc(1, sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD));
        if (!h) return ZVPIX_ERR_OUT_OF_MEMORY;
        h->biSize = sizeof(BITMAPINFOHEADER);
        h->biWidth = ReadWord(data + 4);
        h->biHeight = ReadWord(data + 6);
        h->biPlanes = ReadWord(data + 8);
        h->biBitCount = bitCount;
        h->biCompression = BI_RGB;
        RGBQUAD* table = (RGBQUAD*)(h + 1);
        const BYTE* src = data + sizeof(BITMAPCOREHEADER);
        for (DWORD i = 0; i < colors; ++i, src += 3) {
            table[i].rgbBlue = src[0];
            table[i].rgbGreen = src[1];
            table[i].rgbRed = src[2];
            table[i].rgbReserved = 0;
        }
        DWORD err = ClassifyHeader(*h, nullptr, info);
        if (!err)
            err = PlaceRows(*h, (BYTE*)data + tableEnd, size == kUnknownSize ? kUnknownSize : size - tableEnd, info);
        if (err) {
            free(h);
            return err;
        }
        info->header = h;
        info->colors = colors ? table : nullptr;
        *converted = h;
        return 0;
    }

    // The header may stand at any address inside the caller's block.
    BITMAPINFOHEADER h;
    if (headerSize < sizeof(BITMAPINFOHEADER) || size < headerSize) return ZVPIX_ERR_DAMAGED;
    memcpy(&h, data, sizeof(h));
    const BYTE* table = data + headerSize;
    const size_t room = size - headerSize;
    if (h.biCompression == BI_BITFIELDS && room < 12) return ZVPIX_ERR_DAMAGED;
    DWORD err = ClassifyHeader(h, table, info);
    if (err) return err;
    const unsigned long long tableBytes = (unsigned long long)info->colorCount * 4;
    if (size != kUnknownSize && tableBytes > room) return ZVPIX_ERR_DAMAGED;
    BYTE* pixels = (BYTE*)table + (size_t)tableBytes;
    err = PlaceRows(h, pixels, size == kUnknownSize ? kUnknownSize : room - (size_t)tableBytes, info);
    if (err) return err;
    info->header = (BITMAPINFOHEADER*)data;
    info->colors = info->colorCount ? (RGBQUAD*)table : nullptr;
    return 0;
}

HZVDIB zvWrapPackedDib(const BYTE* data, size_t size, DibInfo* info) {
    BITMAPINFOHEADER* converted;
    const DWORD err = zvReadPackedDib(data, size, info, &converted);
    if (err) return zvGdiFail(err);
    DibMemoryHandle* dib = NewMemoryHandle(converted, nullptr);
    if (!dib) {
        free(converted);
        return zvGdiFail(ZVPIX_ERR_OUT_OF_MEMORY);
    }
    if (info->flags & DIBF_RLE) {
        const size_t offset = (size_t)(info->bits - data);
        BITMAPINFOHEADER h;
        memcpy(&h, info->header, sizeof(h));
        RegisterRle(dib, info->bits, RleLength(h, size == kUnknownSize ? kUnknownSize : size - offset));
    }
    return dib;
}

bool zvFindRleExtent(const BYTE* bits, size_t* size) {
    for (const DibMemoryHandle* dib = g_rleHandles; dib; dib = dib->nextRle) {
        if (dib->rleData == bits) {
            *size = dib->rleSize;
            return true;
        }
    }
    return false;
}

HZVDIB zvCreateOwnedDib(BITMAPINFOHEADER* header, BYTE* pixels, DibInfo* info) {
    const BYTE* masks = (const BYTE*)(header + 1);
    DWORD err = ClassifyHeader(*header, masks, info);
    if (!err) err = PlaceRows(*header, pixels, kUnknownSize, info);
    DibMemoryHandle* dib = err ? nullptr : NewMemoryHandle(header, pixels);
    if (!dib) {
        free(pixels);
        free(header);
        return zvGdiFail(err ? err : ZVPIX_ERR_OUT_OF_MEMORY);
    }
    info->header = header;
    info->colors = info->colorCount ? (RGBQUAD*)(header + 1) : nullptr;
    return dib;
}

ZV_EXPORT(HZVDIB) zvCreateDIBitmap(int width, int height, int bits, DibInfo* info) {
    if (width <= 0 || height <= 0 || (bits != 8 && bits != 24) || !info) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    if (info->size != DIBINFO_SIZE) return zvGdiFail(ZVPIX_ERR_RECORD_SIZE);
    DWORD stride;
    size_t imageSize;
    if (!zvDibStride((DWORD)width, (DWORD)bits, &stride) || !zvDibImageSize(stride, (DWORD)height, &imageSize))
        return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    const DWORD colors = bits == 8 ? 256 : 0;
    BITMAPINFOHEADER* h = (BITMAPINFOHEADER*)calloc(1, sizeof(BITMAPINFOHEADER) + colors * sizeof(RGBQUAD));
    BYTE* pixels = (BYTE*)malloc(imageSize);
    if (!h || !pixels) {
        free(pixels);
        free(h);
        return zvGdiFail(ZVPIX_ERR_OUT_OF_MEMORY);
    }
    h->biSize = sizeof(BITMAPINFOHEADER);
    h->biWidth = width;
    h->biHeight = -height;
    h->biPlanes = 1;
    h->biBitCount = (WORD)bits;
    h->biCompression = BI_RGB;
    h->biSizeImage = (DWORD)imageSize;
    h->biClrUsed = colors;
    if (colors) zvDefaultPaletteToRgbQuads((RGBQUAD*)(h + 1), 256);
    return zvCreateOwnedDib(h, pixels, info);
}

ZV_EXPORT(HZVDIB) zvSetDIBitmap(const void* packedDib, DWORD, DibInfo* info) {
    if (!packedDib || !info) return zvGdiFail(ZVPIX_ERR_BAD_ARGUMENT);
    if (info->size != DIBINFO_SIZE) return zvGdiFail(ZVPIX_ERR_RECORD_SIZE);
    return zvWrapPackedDib((const BYTE*)packedDib, kUnknownSize, info);
}

ZV_EXPORT(BOOL) zvDeleteDIBitmap(HZVDIB handle) {
    const DWORD signature = handle ? *(const DWORD*)handle : 0;
    if (signature == DIB_SIG_MEMORY) {
        DibMemoryHandle* dib = (DibMemoryHandle*)handle;
        if (dib->rleData) UnregisterRle(dib);
        dib->signature = 0;
        free(dib->pixels);
        free(dib->header);
        free(dib);
        return TRUE;
    }
    if ((signature == DIB_SIG_RESOURCE || signature == DIB_SIG_TEXT) && g_zvSystemDibRelease &&
        g_zvSystemDibRelease(handle, signature))
        return TRUE;
    zvGdiSetErrCode(ZVPIX_ERR_BAD_HANDLE);
    return FALSE;
}

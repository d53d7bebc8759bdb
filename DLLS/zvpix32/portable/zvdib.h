// Records, format codes, handles and error codes shared by every part of
// zvpix32: decoders, pixel routines, palettes and surfaces.
#pragma once
#include <stddef.h>

#include "zvtypes.h"

// Caller-owned description of a DIB. The caller sets `size` to 64; a call
// that takes the record fills every other field on success.
struct DibInfo {
    DWORD size;
    DWORD flags;
    DWORD format;
    LONG left;
    LONG top;
    DWORD width;
    DWORD height;
    DWORD aspect;  // 16.16 fixed point, 0x10000 for square pixels
    DWORD stride;
    LONG rowStep;  // stride for top-down storage, -stride for bottom-up
    DWORD transparent;
    DWORD colorCount;
    BITMAPINFOHEADER* header;
    RGBQUAD* colors;
    BYTE* bits;
    BYTE* topRow;  // first displayed row; null for run-length data
};
// A 64-byte binary record on i686; its four pointers widen it on x86-64.
static_assert(sizeof(DibInfo) == (sizeof(void*) == 4 ? 64 : 80), "DibInfo is a 64-byte record on i686");

enum : DWORD {
    DIBINFO_SIZE = sizeof(DibInfo),

    DIBF_BOTTOMUP = 0x01,
    DIBF_RLE = 0x02,
    DIBF_ASPECT = 0x04,
    DIBF_TRANSPARENT = 0x08,
    DIBF_INDEXED = 0x10,

    DIB_ASPECT_SQUARE = 0x10000,
};

// Pixel format codes. An even code names the stored layout; the code one
// above it marks the same layout for dithering to a 16-colour display.
enum : DWORD {
    ZVFMT_1BIT = 0,
    ZVFMT_4BIT = 2,
    ZVFMT_8BIT = 4,
    ZVFMT_8BIT_16C = 5,
    ZVFMT_24BIT = 6,
    ZVFMT_24BIT_16C = 7,
    ZVFMT_RLE4 = 8,
    ZVFMT_RLE8 = 10,
    ZVFMT_RLE8_16C = 11,
    ZVFMT_16BIT_555 = 12,
    ZVFMT_16BIT_555_16C = 13,
    ZVFMT_16BIT_565 = 14,
    ZVFMT_16BIT_565_16C = 15,
    ZVFMT_32BIT = 16,
    ZVFMT_32BIT_16C = 17,
    ZVFMT_COUNT = 18,
};

// Handle signatures: the 32-bit values whose bytes in memory spell the tag.
#define ZV_TAG(a, b, c, d) \
    ((DWORD)(BYTE)(a) | ((DWORD)(BYTE)(b) << 8) | ((DWORD)(BYTE)(c) << 16) | ((DWORD)(BYTE)(d) << 24))
enum : DWORD {
    DIB_SIG_MEMORY = ZV_TAG('D', 'I', 'B', 'M'),
    DIB_SIG_RESOURCE = ZV_TAG('D', 'I', 'B', 'R'),
    DIB_SIG_TEXT = ZV_TAG('D', 'I', 'B', 'T'),
    DIB_SIG_SURFACE = ZV_TAG('S', 'U', 'R', 'F'),
};

// "DIBM": made by zvCreateDIBitmap, zvSetDIBitmap and the decoders. Both
// pointers are malloc'ed and owned (either may be null); a handle that wraps
// a caller's packed DIB owns only a header converted from the core format.
struct DibMemoryHandle {
    DWORD signature;
    BITMAPINFOHEADER* header;
    BYTE* pixels;
    // Run-length data is known with its length, so that the pixel routines
    // never decode past the buffer it came in; such handles form a list.
    const BYTE* rleData;
    size_t rleSize;
    DibMemoryHandle* nextRle;
};

// "DIBR": a bitmap resource used in place.
struct DibResourceHandle {
    DWORD signature;
    HANDLE resource;
    BITMAPINFOHEADER* converted;
};

// "DIBT": a 1-bit DIB section with drawn text.
struct DibTextHandle {
    DWORD signature;
    BITMAPINFOHEADER* header;
    BYTE* pixels;  // belongs to the section
    HANDLE bitmap;
};

typedef void* HZVDIB;

// Error codes of zvpix32 (zvGdiGetErrCode). Below 0x7A768000: the caller's or
// the data's fault; from there on: a failure of the system.
enum : DWORD {
    ZVPIX_OK = 0,
    ZVPIX_ERR_UNSUPPORTED_IMAGE = 0x7A760001,
    ZVPIX_ERR_BAD_ARGUMENT = 0x7A760003,
    ZVPIX_ERR_BAD_HANDLE = 0x7A760004,
    ZVPIX_ERR_RECORD_SIZE = 0x7A760005,
    ZVPIX_ERR_NO_IMAGE = 0x7A760007,
    ZVPIX_ERR_UNSUPPORTED_FORMAT = 0x7A760008,
    ZVPIX_ERR_DAMAGED = 0x7A760009,
    ZVPIX_ERR_OUT_OF_MEMORY = 0x7A768002,
    ZVPIX_ERR_RESOURCE_NOT_FOUND = 0x7A76800D,
    ZVPIX_ERR_RESOURCE_LOAD = 0x7A76800E,
    ZVPIX_ERR_RESOURCE_LOCK = 0x7A76800F,
    ZVPIX_ERR_NO_DC = 0x7A768010,
    ZVPIX_ERR_NO_MEMORY_DC = 0x7A768011,
    ZVPIX_ERR_NO_BITMAP = 0x7A768012,
    ZVPIX_ERR_NO_DIB_SECTION = 0x7A768013,
};

ZV_EXPORT(DWORD) zvGdiGetErrCode(void);

// Stores the last error of zvpix32.
void zvGdiSetErrCode(DWORD code);
// Stores the error and returns null, so failures read "return zvGdiFail(code);".
void* zvGdiFail(DWORD code);

// 1 when the display has 16 colours: the amount a decoder adds to an even
// base code that has a dithering variant (8-bit, 24-bit, RLE8, 16 and 32 bits).
DWORD zvGdiSixteenColorFlag(void);

// Bytes per row, padded to 4, of `width` pixels of `bits` bits; false when
// the value would not fit in 32 bits.
bool zvDibStride(DWORD width, DWORD bits, DWORD* stride);
// stride * height as a size for malloc; false on overflow (beyond 2 GiB).
bool zvDibImageSize(DWORD stride, DWORD height, size_t* size);

// Makes a "DIBM" handle that owns `header` and `pixels`, both malloc'ed by
// the caller: `header` is a 40-byte BITMAPINFOHEADER followed by its colour
// table (biClrUsed entries, or the three masks for BI_BITFIELDS) and
// `pixels` holds the rows as the header describes them (negative biHeight:
// top-down). Fills `info` from the header with left, top, transparent 0 and
// aspect 0x10000; a decoder adjusts those fields and the flags afterwards.
// Ownership passes in every case: on failure (unsupported header 0x7A760008,
// memory 0x7A768002) both buffers are freed and null is returned.
// zvDeleteDIBitmap frees the pixels, then the header.
HZVDIB zvCreateOwnedDib(BITMAPINFOHEADER* header, BYTE* pixels, DibInfo* info);

// Reads a packed DIB (header, colours, pixels in one block of `size`
// bytes) in place; *converted receives a malloc'ed 40-byte header when the
// block has the old core header. Returns 0 or an error code.
DWORD zvReadPackedDib(const BYTE* data, size_t size, DibInfo* info, BITMAPINFOHEADER** converted);
// Wraps a packed DIB of `size` bytes in a "DIBM" handle (the caller keeps
// the block alive until the handle is deleted).
HZVDIB zvWrapPackedDib(const BYTE* data, size_t size, DibInfo* info);
// Length of the run-length data starting at `bits` when a live handle holds
// it; false for data the library does not know.
bool zvFindRleExtent(const BYTE* bits, size_t* size);

// The decoders share one signature: file image in memory, its size, an
// optional request record (read by the GIF decoder only) and the DibInfo.
ZV_EXPORT(HZVDIB) zvConvertBmpToDib(const BYTE* data, DWORD size, void* request, DibInfo* info);
ZV_EXPORT(HZVDIB) zvConvertXbmToDib(const BYTE* data, DWORD size, void* request, DibInfo* info);
ZV_EXPORT(HZVDIB) zvConvertPngToDib(const BYTE* data, DWORD size, void* request, DibInfo* info);
ZV_EXPORT(HZVDIB) zvConvertGifToDib(const BYTE* data, DWORD size, void* request, DibInfo* info);
ZV_EXPORT(HZVDIB) zvConvertJpegToDib(const BYTE* data, DWORD size, void* request, DibInfo* info);
// The JPEG decoder's output reduced by `scale` (1, 2, 4 or 8; else
// 0x7A760003) in both directions, width and height rounded up, straight from
// the coefficients: each pixel comes close to the mean of the scale x scale
// pixels of the full picture, for thumbnails and pictures larger than the screen.
ZV_EXPORT(HZVDIB) zvConvertJpegToDibScaled(const BYTE* data, DWORD size, DWORD scale, DibInfo* info);

ZV_EXPORT(HZVDIB) zvCreateDIBitmap(int width, int height, int bits, DibInfo* info);
// `size` is not examined: the block is trusted as the caller describes it.
ZV_EXPORT(HZVDIB) zvSetDIBitmap(const void* packedDib, DWORD size, DibInfo* info);
ZV_EXPORT(BOOL) zvDeleteDIBitmap(HZVDIB dib);

// JPEG decoder: baseline, extended sequential and progressive Huffman-coded
// files with 8-bit samples into a 24-bit top-down DIB, at full size or
// reduced to 1/2, 1/4 or 1/8 straight from the coefficients.
#pragma once
#include "zvdib.h"

// Pixel buffers and coefficient stores above this many bytes (1 GiB unless
// changed; fuzz targets lower it to stay fast) are refused as out of memory.
extern size_t g_zvJpegMaxBufferBytes;

// False selects the plain paths that the fast ones must match byte for byte:
// Huffman codes decoded bit length by bit length, the scalar transform and
// colour conversion. For tests.
extern bool g_zvJpegFastPaths;

// Where a decode puts its pixels, asked once when the frame header gives
// the size: room for `bytes` bytes, rows of `stride` bytes down to the end of
// the last MCU row (so `bytes` covers more rows than `height`). Null when
// there is none; the decode then fails with 0x7A768002.
class IJpegPixelSink {
public:
    virtual ~IJpegPixelSink() {}
    virtual BYTE* Reserve(DWORD width, DWORD height, DWORD stride, size_t bytes) = 0;
};

struct JpegPicture {
    DWORD width, height, stride;
    BYTE* pixels;
};

// The decoder behind zvConvertJpegToDib and zvConvertJpegToDibScaled: the
// file from its start-of-image pair on (`pos` points past it), output
// reduced by 1 << scaleShift (0 to 3) into the sink's memory. Returns 0 and
// fills `picture`, or an error code.
DWORD zvJpegDecode(const BYTE* data, size_t size, size_t pos, int scaleShift, IJpegPixelSink& sink,
                   JpegPicture* picture);

// Working memory above this many bytes (the progressive coefficient store
// and its maps) is freed after each decode; below it, it is kept for the
// next one, so that a run of pictures does not touch fresh pages each time.
extern size_t g_zvJpegKeptWorkBytes;

// LZW image data of a GIF frame, decoded into 8-bit indexes.
#pragma once
#include <stddef.h>

#include "zvtypes.h"

// Where decoded indexes go: `height` rows of `width` bytes, `stride` apart.
// Interlaced frames of fewer than 8 rows are written row after row.
struct GifFrameTarget {
    BYTE* pixels;
    DWORD width;
    DWORD height;
    DWORD stride;
    bool interlaced;
};

enum GifLzwResult {
    GIF_LZW_DONE,           // stream ended, stopped at a bad code, or the frame is full
    GIF_LZW_CANNOT_BEGIN,   // the first sub-block runs past the data
    GIF_LZW_BAD_CODE_SIZE,  // minimum code size outside 0..11
};

// `data`/`size` start at the first sub-block length byte (after the minimum
// code size). Never reads outside `data` nor writes outside the target rows.
GifLzwResult zvGifDecodeLzw(const BYTE* data, size_t size, int minCodeSize, const GifFrameTarget& target);

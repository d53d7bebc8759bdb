// GIF frame decoder: one image of a GIF file into an 8-bit top-down DIB.
#pragma once
#include "zvdib.h"

// Optional request of zvConvertGifToDib; the first two fields are not read.
struct GifFrameRequest {
    DWORD size;
    DWORD reserved;
    DWORD frame;  // in: zero-based number of the image to decode
    DWORD delay;  // out: milliseconds of the last graphic control extension before it, else 0
};
static_assert(sizeof(GifFrameRequest) == 16, "GifFrameRequest is a 16-byte binary record");

// Frames whose pixel buffer would exceed this many bytes (1 GiB unless
// changed; fuzz targets lower it to stay fast) are refused as out of memory.
extern size_t g_zvGifMaxPixelBytes;

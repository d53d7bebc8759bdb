// JPEG decoder: baseline, extended sequential and progressive Huffman-coded
// files with 8-bit samples into a 24-bit top-down DIB.
#pragma once
#include "zvdib.h"

// Pixel buffers and coefficient stores above this many bytes (1 GiB unless
// changed; fuzz targets lower it to stay fast) are refused as out of memory.
extern size_t g_zvJpegMaxBufferBytes;

// False selects the plain paths that the fast ones must match byte for byte:
// Huffman codes decoded bit length by bit length, the scalar transform and
// colour conversion. For tests.
extern bool g_zvJpegFastPaths;

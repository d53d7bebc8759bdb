// JPEG decoder: baseline, extended sequential and progressive Huffman-coded
// files with 8-bit samples into a 24-bit top-down DIB.
#pragma once
#include "zvdib.h"

// Pixel buffers and coefficient stores above this are refused as out of memory.
enum : DWORD { JPEG_MAX_BUFFER_BYTES = 1u << 30 };

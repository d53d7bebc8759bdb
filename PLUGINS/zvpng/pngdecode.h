// PNG decoding for the zvpng Susie plug-in: every colour type and bit depth,
// Adam7 interlace, transparency laid onto the background (the bKGD colour,
// else white). Palette and grey pictures stay 8-bit palette pictures; the
// others become 24-bit. Pixels are bottom-up DIB rows padded to 4 bytes.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

struct PngPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    int bitCount = 0;              // 8 or 24
    std::vector<uint8_t> palette;  // blue, green, red, 0 per entry (8-bit pictures)
    std::vector<uint8_t> bits;     // bottom-up rows
    uint32_t stride = 0;
    bool interlaced = false;
};

// The header's facts only (no pixels); false when data is not a PNG.
bool ReadPngHeader(const uint8_t* data, size_t size, PngPicture& out);
// The whole picture; false for damaged or unsupported data.
bool DecodePng(const uint8_t* data, size_t size, PngPicture& out);

// Largest width or height accepted, and the most pixels.
enum : uint32_t { kPngMaxSide = 0x7FFF, kPngMaxPixels = 64u * 1024 * 1024 };

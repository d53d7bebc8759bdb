// Damaged PNG files through the plug-in's decoder: the header reader and the
// whole decode must agree, and a decoded picture must be the size it says.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include "pngdecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PngPicture header;
    bool isPng = ReadPngHeader(data, size, header);
    PngPicture picture;
    if (!DecodePng(data, size, picture)) return 0;
    if (!isPng || picture.width != header.width || picture.height != header.height) abort();
    if (picture.width == 0 || picture.height == 0 || picture.width > kPngMaxSide || picture.height > kPngMaxSide)
        abort();
    if ((uint64_t)picture.width * picture.height > kPngMaxPixels) abort();
    uint64_t rowBytes = ((uint64_t)picture.width * picture.bitCount + 7) / 8;
    if (picture.stride < rowBytes || picture.stride % 4 != 0) abort();
    if (picture.bits.size() != (uint64_t)picture.stride * picture.height) abort();
    if (picture.bitCount == 8 ? (picture.palette.empty() || picture.palette.size() > 1024 || picture.palette.size() % 4)
                              : picture.bitCount != 24)
        abort();
    return 0;
}

// Any bytes as a JPEG file; every decoded row is read back so that a wrong
// stride or buffer size shows up.
#include <stddef.h>
#include <stdint.h>

#include "jpeg_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Pictures below a megapixel reach every code path; larger ones only cost time.
    g_zvJpegMaxBufferBytes = 2u << 20;
    DibInfo info;
    info.size = DIBINFO_SIZE;
    HZVDIB dib = zvConvertJpegToDib(data, (DWORD)size, nullptr, &info);
    if (!dib) return 0;
    BYTE acc = 0;
    for (DWORD y = 0; y < info.height; ++y) {
        const BYTE* row = info.topRow + (size_t)y * info.stride;
        for (DWORD x = 0; x < 3 * info.width; ++x) acc ^= row[x];
    }
    volatile BYTE sink = acc;
    (void)sink;
    zvDeleteDIBitmap(dib);
    return 0;
}

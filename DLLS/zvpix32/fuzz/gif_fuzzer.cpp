// Any bytes as a GIF file, asking for the first three frames; every decoded
// row is read back so that a wrong stride or height shows up.
#include <stddef.h>
#include <stdint.h>

#include "gif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Pictures below a megapixel reach every code path; larger ones only cost time.
    g_zvGifMaxPixelBytes = 2u << 20;
    volatile BYTE sink = 0;
    for (DWORD frame = 0; frame < 3; ++frame) {
        DibInfo info;
        info.size = DIBINFO_SIZE;
        GifFrameRequest request = {16, 0, frame, 0};
        HZVDIB dib = zvConvertGifToDib(data, (DWORD)size, &request, &info);
        if (!dib) continue;
        BYTE acc = 0;
        for (DWORD y = 0; y < info.height; ++y) {
            const BYTE* row = info.topRow + (size_t)y * info.stride;
            for (DWORD x = 0; x < info.width; ++x) acc ^= row[x];
        }
        for (DWORD i = 0; i < info.colorCount; ++i) acc ^= info.colors[i].rgbRed;
        sink = sink ^ acc;
        zvDeleteDIBitmap(dib);
    }
    return 0;
}

// Arbitrary bytes as a packed DIB and as a BMP file; whatever is accepted is
// also copied and stretched into an 8-bit canvas, so the pixel routines
// read exactly what the reader vouched for.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "zvpix32.h"

namespace {

void Render(const DibInfo& info) {
    const unsigned long long area = (unsigned long long)info.width * info.height;
    if (area > (1u << 20)) return;
    const int width = (int)info.width, height = (int)info.height;
    std::vector<BYTE> canvas((size_t)area);
    std::vector<RGBQUAD> colors(256);
    const void* table = nullptr;
    if (info.format & 1) {
        memcpy(colors.data(), info.colors, (info.colorCount < 256 ? info.colorCount : 256) * sizeof(RGBQUAD));
        table = colors.data();
    }
    if (info.flags & DIBF_RLE) {
        // Run-length rows arrive in stored order: bottom-up from the last row.
        zvCopyDIBits(canvas.data() + (size_t)(height - 1) * width, info.bits, width, height, -width, 0, table, 4,
                     info.format);
        zvMergeDIBits(canvas.data() + (size_t)(height - 1) * width, info.bits, width, height, -width, 0, table, 4,
                      info.format, 1);
        return;
    }
    zvCopyDIBits(canvas.data(), info.topRow, width, height, width, info.rowStep, table, 4, info.format);
    if (width >= 2 && height >= 2)
        zvMerge2DIBits(canvas.data(), info.topRow, width / 2, height / 2, width, info.rowStep, table, 4, info.format,
                       0);
    BYTE cell[64 * 48];
    zvStretchDIBits(cell, info.topRow, 64, 48, width, height, 64, info.rowStep, table, 4, info.format);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const BYTE* data, size_t size) {
    // Exact-size heap copies, so that any read past the input is caught.
    BYTE* block = (BYTE*)malloc(size ? size : 1);
    memcpy(block, data, size);
    DibInfo info;
    info.size = DIBINFO_SIZE;
    if (HZVDIB dib = zvWrapPackedDib(block, size, &info)) {
        Render(info);
        zvDeleteDIBitmap(dib);
    }
    info.size = DIBINFO_SIZE;
    if (HZVDIB dib = zvConvertBmpToDib(block, (DWORD)size, nullptr, &info)) {
        Render(info);
        zvDeleteDIBitmap(dib);
    }
    free(block);
    return 0;
}

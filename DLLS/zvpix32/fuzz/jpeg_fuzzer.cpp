// Any bytes as a JPEG file, at full size and reduced by 2, 4 and 8, through
// the fast paths; every decoded row is read back so that a wrong stride or
// buffer size shows up, and the plain paths must give the same bytes.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "jpeg_decoder.h"

namespace {

// The error code, or the size and the visible pixels.
std::vector<BYTE> Decode(const uint8_t* data, size_t size, DWORD scale = 1) {
    DibInfo info;
    info.size = DIBINFO_SIZE;
    HZVDIB dib = zvConvertJpegToDibScaled(data, (DWORD)size, scale, &info);
    if (!dib) {
        const DWORD error = zvGdiGetErrCode();
        return std::vector<BYTE>((const BYTE*)&error, (const BYTE*)&error + sizeof error);
    }
    std::vector<BYTE> out((const BYTE*)&info.width, (const BYTE*)&info.width + sizeof info.width);
    out.insert(out.end(), (const BYTE*)&info.height, (const BYTE*)&info.height + sizeof info.height);
    for (DWORD y = 0; y < info.height; ++y) {
        const BYTE* row = info.topRow + (size_t)y * info.stride;
        out.insert(out.end(), row, row + 3 * info.width);
    }
    zvDeleteDIBitmap(dib);
    return out;
}

// Quantisation and Huffman tables for every number, so that both decodes
// start alike: tables outlive a call, and an input may use tables that it
// defines only after its first scan or never.
void ResetTables() {
    static std::vector<BYTE> tables;
    if (tables.empty()) {
        tables = {0xFF, 0xD8, 0xFF, 0xDB, 0x01, 0x06};
        for (BYTE n = 0; n < 4; ++n) {
            tables.push_back(n);
            tables.insert(tables.end(), 64, 1);
        }
        tables.insert(tables.end(), {0xFF, 0xC4, 0x00, 0x9A});
        for (BYTE kind : {0x00, 0x01, 0x02, 0x03, 0x10, 0x11, 0x12, 0x13}) {
            tables.insert(tables.end(), {kind, 2});
            tables.insert(tables.end(), 15, 0);
            tables.insert(tables.end(), {0, 1});
        }
        tables.insert(tables.end(), {0xFF, 0xD9});
    }
    Decode(tables.data(), tables.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Pictures of a few hundred pixels square reach every code path; larger
    // ones only cost time.
    g_zvJpegMaxBufferBytes = 256u << 10;
    for (DWORD scale : {1u, 2u, 4u, 8u}) {
        g_zvJpegFastPaths = true;
        ResetTables();
        const std::vector<BYTE> fast = Decode(data, size, scale);
        g_zvJpegFastPaths = false;
        ResetTables();
        const std::vector<BYTE> plain = Decode(data, size, scale);
        g_zvJpegFastPaths = true;
        if (fast != plain) abort();
    }
    return 0;
}

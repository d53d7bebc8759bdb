// Arbitrary bytes as an X bitmap; an accepted picture is copied to 8 bits.
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "zvpix32.h"

extern "C" int LLVMFuzzerTestOneInput(const BYTE* data, size_t size) {
    BYTE* text = (BYTE*)malloc(size ? size : 1);
    memcpy(text, data, size);
    DibInfo info;
    info.size = DIBINFO_SIZE;
    if (HZVDIB dib = zvConvertXbmToDib(text, (DWORD)size, nullptr, &info)) {
        if ((unsigned long long)info.width * info.height <= (1u << 20)) {
            std::vector<BYTE> canvas((size_t)info.width * info.height);
            const WORD xlat[2] = {3, 4};
            zvCopyDIBits(canvas.data(), info.topRow, (int)info.width, (int)info.height, (int)info.width, info.rowStep,
                         xlat, 4, info.format);
        }
        zvDeleteDIBitmap(dib);
    }
    free(text);
    return 0;
}

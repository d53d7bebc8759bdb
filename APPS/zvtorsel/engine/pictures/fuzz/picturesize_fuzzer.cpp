// Every size reader over arbitrary bytes.
#include <stddef.h>
#include <stdint.h>

#include "pictures/picturesize.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int reader = 0; reader < READER_COUNT; ++reader) {
        CMemoryByteSource source(data, size);
        PictureSize picture;
        ReadPictureSize((PictureReader)reader, source, picture);
    }
    return 0;
}

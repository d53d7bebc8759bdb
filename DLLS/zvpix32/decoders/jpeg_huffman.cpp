#include "jpeg_huffman.h"

#include <string.h>

bool JpegHuffmanTable::Build(const BYTE counts[16], const BYTE* vals, int count) {
    if (count > 256) return false;
    memcpy(values, vals, (size_t)count);
    valueCount = count;
    int32_t code = 0;
    int first = 0;
    for (int length = 1; length <= 16; ++length) {
        const int n = counts[length - 1];
        if (n) {
            valueOffset[length] = first - code;
            maxCode[length] = code + n - 1;
        } else {
            valueOffset[length] = 0;
            maxCode[length] = -1;
        }
        first += n;
        code = (code + n) << 1;
    }
    // Each lookup entry is what the bit-by-bit search below would find.
    for (int pattern = 0; pattern < (1 << kLookupBits); ++pattern) {
        lookup[pattern] = 0;
        for (int length = 1; length <= kLookupBits; ++length) {
            const int32_t prefix = pattern >> (kLookupBits - length);
            if (prefix <= maxCode[length]) {
                lookup[pattern] = (uint16_t)((length << 8) | ValueAt(length, prefix));
                break;
            }
        }
    }
    return true;
}

BYTE JpegHuffmanTable::ValueAt(int length, int32_t code) const {
    const int32_t index = valueOffset[length] + code;
    return index >= 0 && index < valueCount ? values[index] : 0;
}

#include "jpeg_huffman.h"

#include <string.h>

bool JpegHuffmanTable::Build(const BYTE counts[16], const BYTE* vals, int count) {
    if (count > 256) return false;
    memcpy(values, vals, (size_t)count);
    valueCount = count;
    maxSize = 0;
    for (int i = 0; i < count; ++i)
        if ((vals[i] & 15) > maxSize) maxSize = vals[i] & 15;
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
        acLookup[pattern] = 0;
        for (int length = 1; length <= kLookupBits; ++length) {
            const int32_t prefix = pattern >> (kLookupBits - length);
            if (prefix <= maxCode[length]) {
                const BYTE value = ValueAt(length, prefix);
                lookup[pattern] = (uint16_t)((length << 8) | value);
                const int size = value & 15, used = length + size;
                if (size && used <= kLookupBits) {
                    const int32_t bits = (pattern >> (kLookupBits - used)) & ((1 << size) - 1);
                    const int32_t coefficient = bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits;
                    acLookup[pattern] = (int32_t)((uint32_t)coefficient << 16) | (value >> 4) << 8 | used;
                }
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

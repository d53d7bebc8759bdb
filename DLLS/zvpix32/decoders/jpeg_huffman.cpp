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
    // Each lookup entry is what the bit-by-bit search of ValueAt would find.
    // The codes of a length lie above every shorter code's patterns, so each
    // code fills the entries that begin with it and no two codes meet.
    memset(lookup, 0, sizeof lookup);
    memset(acLookup, 0, sizeof acLookup);
    for (int length = 1; length <= kLookupBits; ++length) {
        const int shift = kLookupBits - length;
        const int32_t last = maxCode[length] < (1 << length) - 1 ? maxCode[length] : (1 << length) - 1;
        for (int32_t prefix = maxCode[length] - counts[length - 1] + 1; prefix <= last; ++prefix) {
            const BYTE value = ValueAt(length, prefix);
            const int size = value & 15, used = length + size;
            for (int pattern = prefix << shift; pattern < (prefix + 1) << shift; ++pattern) {
                lookup[pattern] = (uint16_t)((length << 8) | value);
                if (size && used <= kLookupBits) {
                    const int32_t bits = (pattern >> (kLookupBits - used)) & ((1 << size) - 1);
                    const int32_t coefficient = bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits;
                    acLookup[pattern] = (int32_t)((uint32_t)coefficient << 16) | (value >> 4) << 8 | used;
                }
            }
        }
    }
    return true;
}

BYTE JpegHuffmanTable::ValueAt(int length, int32_t code) const {
    const int32_t index = valueOffset[length] + code;
    return index >= 0 && index < valueCount ? values[index] : 0;
}

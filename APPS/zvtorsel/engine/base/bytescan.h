// Searches of cache bytes for a byte, a machine word at a time. The C
// library's memchr of the Windows runtime looks at one byte per step, and a
// listing of a large cache searches every key, header line and metadata
// value of it. Reads stay inside [p, end).
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <string.h>

namespace bytescan {

const size_t kOnes = (size_t)-1 / 0xff;  // 0x0101...01
const size_t kHighs = kOnes * 0x80;

// Whether a byte of word is zero.
inline bool HasZero(size_t word) { return ((word - kOnes) & ~word & kHighs) != 0; }

// The first byte of [p, end) equal to a or to b; end when there is none.
inline const char* FindEither(const char* p, const char* end, char a, char b) {
    const size_t wordA = kOnes * (unsigned char)a, wordB = kOnes * (unsigned char)b;
    while ((size_t)(end - p) >= sizeof(size_t)) {
        size_t word;
        memcpy(&word, p, sizeof word);
        if (HasZero(word ^ wordA) || HasZero(word ^ wordB)) break;
        p += sizeof word;
    }
    while (p < end && *p != a && *p != b) ++p;
    return p;
}

// The first byte of [p, end) equal to c; end when there is none.
inline const char* Find(const char* p, const char* end, char c) { return FindEither(p, end, c, c); }

// Whether no byte of [p, end) is below low (at most 0x80).
inline bool NoneBelow(const char* p, const char* end, unsigned char low) {
    const size_t lows = kOnes * low;
    for (; (size_t)(end - p) >= sizeof(size_t); p += sizeof(size_t)) {
        size_t word;
        memcpy(&word, p, sizeof word);
        if ((word - lows) & ~word & kHighs) return false;
    }
    for (; p < end; ++p)
        if ((unsigned char)*p < low) return false;
    return true;
}

}  // namespace bytescan

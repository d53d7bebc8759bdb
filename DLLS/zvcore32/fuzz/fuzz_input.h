// Splits a fuzz input into zero-terminated heap strings of exactly their
// size, so that a read past a terminating zero is caught.
#pragma once
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

struct FuzzString {
    char* text;
    size_t length;

    FuzzString(const uint8_t* data, size_t size) : text(static_cast<char*>(malloc(size + 1))), length(size) {
        memcpy(text, data, size);
        text[size] = 0;
        length = strlen(text);
    }
    ~FuzzString() { free(text); }
    FuzzString(const FuzzString&) = delete;
    FuzzString& operator=(const FuzzString&) = delete;
};

// The input up to its first zero byte and the rest behind it.
struct FuzzPair {
    FuzzString first;
    FuzzString second;

    static size_t FirstSize(const uint8_t* data, size_t size) {
        const void* zero = memchr(data, 0, size);
        return zero ? (size_t)(static_cast<const uint8_t*>(zero) - data) : size;
    }
    FuzzPair(const uint8_t* data, size_t size)
        : first(data, FirstSize(data, size)),
          second(data + (FirstSize(data, size) < size ? FirstSize(data, size) + 1 : size),
                 FirstSize(data, size) < size ? size - FirstSize(data, size) - 1 : 0) {}
};

// A found pointer must lie inside the text and its match must end there.
inline void CheckMatch(const char* text, size_t length, const char* found, long matchLength) {
    if (!found) return;
    if (found < text || found > text + length) abort();
    if (matchLength < 0 || found + matchLength > text + length) abort();
}

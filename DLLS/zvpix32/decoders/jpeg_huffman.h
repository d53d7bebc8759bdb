// Huffman tables and the entropy-coded data reader of the JPEG decoder.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "zvtypes.h"

// A table built the canonical way from 16 counts and the values, plus a
// lookup of the codes up to kLookupBits long.
struct JpegHuffmanTable {
    enum { kLookupBits = 10 };
    int32_t maxCode[17];      // by length 1..16; -1 when no code has that length
    int32_t valueOffset[17];  // index of the length's first value minus its smallest code
    int valueCount;
    BYTE values[256];
    uint16_t lookup[1 << kLookupBits];  // (length << 8) | value, 0 for longer codes

    // False when the counts name more than 256 values.
    bool Build(const BYTE counts[16], const BYTE* values, int valueCount);
    // The value of `code` of `length` bits, 0 when it names no value.
    BYTE ValueAt(int length, int32_t code) const;
};

// Bits of the entropy-coded data, most significant first. The byte after
// each 0xFF is passed over; past the data the reader supplies zero bytes and
// counts them, so a caller can tell that it decoded beyond the end.
class JpegBitReader {
public:
    JpegBitReader(const BYTE* data, size_t size, size_t pos)
        : data_(data), size_(size), pos_(pos), acc_(0), bits_(0), loaded_(0), padding_(0) {}

    // Next byte to be loaded: no byte at or after it has been read yet.
    size_t Position() const { return pos_; }

    // Whether any bit handed out so far came from beyond the data.
    bool Overran() const { return (uint32_t)padding_ * 8 > (uint32_t)bits_; }

    // Drops the rest of the current byte; returns the position of the next
    // whole byte (past the data when the reader ran out) and resets the reader there.
    size_t AlignToByte() {
        bits_ &= ~7;
        const size_t next = bits_ ? history_[(loaded_ - (uint32_t)(bits_ >> 3)) & 3] : pos_;
        pos_ = next;
        acc_ = 0;
        bits_ = 0;
        padding_ = 0;
        return next;
    }

    uint32_t Bit() {
        if (bits_ < 1) Fill();
        const uint32_t b = acc_ >> 31;
        acc_ <<= 1;
        --bits_;
        return b;
    }

    // 0 <= n <= 16.
    uint32_t Bits(int n) {
        if (n == 0) return 0;
        if (bits_ < n) Fill();
        const uint32_t v = acc_ >> (32 - n);
        acc_ <<= n;
        bits_ -= n;
        return v;
    }

    // Value of `n` bits extended to a signed coefficient value.
    int32_t Extend(int n) {
        if (n == 0) return 0;
        const int32_t v = (int32_t)Bits(n);
        return v < (1 << (n - 1)) ? v - (1 << n) + 1 : v;
    }

    int Decode(const JpegHuffmanTable& t) {
        if (bits_ < 16) Fill();
        const uint16_t hit = t.lookup[acc_ >> (32 - JpegHuffmanTable::kLookupBits)];
        if (hit) {
            const int length = hit >> 8;
            acc_ <<= length;
            bits_ -= length;
            return hit & 0xFF;
        }
        // Longer codes: the lookup already ruled out every length up to kLookupBits.
        for (int length = JpegHuffmanTable::kLookupBits + 1; length <= 16; ++length) {
            const int32_t code = (int32_t)(acc_ >> (32 - length));
            if (code <= t.maxCode[length]) {
                acc_ <<= length;
                bits_ -= length;
                return t.ValueAt(length, code);
            }
        }
        acc_ <<= 16;
        bits_ -= 16;
        return 0;
    }

private:
    // Tops the accumulator up to at least 25 bits.
    void Fill() {
        while (bits_ <= 24) {
            uint32_t b = 0;
            history_[loaded_ & 3] = pos_;
            if (pos_ < size_) {
                b = data_[pos_];
                pos_ += b == 0xFF ? 2 : 1;
            } else {
                ++pos_;
                ++padding_;
            }
            ++loaded_;
            acc_ |= b << (24 - bits_);
            bits_ += 8;
        }
    }

    const BYTE* data_;
    size_t size_;
    size_t pos_;
    uint32_t acc_;
    int bits_;
    uint32_t loaded_;
    int padding_;
    size_t history_[4];
};

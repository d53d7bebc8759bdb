// Huffman tables and the entropy-coded data reader of the JPEG decoder.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "zvtypes.h"

// A table built the canonical way from 16 counts and the values, plus a
// lookup of the codes up to kLookupBits long and, for AC decoding, a lookup
// of the codes whose value bits also fit in kLookupBits.
struct JpegHuffmanTable {
    enum { kLookupBits = 10 };
    int32_t maxCode[17];      // by length 1..16; -1 when no code has that length
    int32_t valueOffset[17];  // index of the length's first value minus its smallest code
    int valueCount;
    int maxSize;  // largest low nibble (coefficient size) among the values
    BYTE values[256];
    uint16_t lookup[1 << kLookupBits];  // (length << 8) | value, 0 for longer codes
    // (coefficient << 16) | (run << 8) | bits used by code and value; 0 when
    // the code is longer, the value does not fit or the size is 0.
    int32_t acLookup[1 << kLookupBits];

    // False when the counts name more than 256 values.
    bool Build(const BYTE counts[16], const BYTE* values, int valueCount);
    // The value of `code` of `length` bits, 0 when it names no value.
    BYTE ValueAt(int length, int32_t code) const;
};

// Bits of the entropy-coded data, most significant first, in an accumulator
// as wide as a register. The byte after each 0xFF is passed over; past the
// data the reader supplies zero bytes and counts them, so a caller can tell
// that it decoded beyond the end.
class JpegBitReader {
public:
    typedef size_t Accumulator;
    enum { kAccBits = 8 * sizeof(Accumulator) };
    // Bits that Reserve() guarantees: a code and its value bits on 64-bit
    // builds, a code on 32-bit ones.
    enum { kReserveBits = kAccBits == 64 ? 32 : 16 };

    JpegBitReader(const BYTE* data, size_t size, size_t pos)
        : data_(data), size_(size), pos_(pos), acc_(0), bits_(0), stuffed_(0), padding_(0) {}

    // Next byte to be loaded: no byte before it is left unread.
    size_t Position() const { return pos_; }

    // Whether any bit handed out so far came from beyond the data.
    bool Overran() const { return (uint32_t)padding_ * 8 > (uint32_t)bits_; }

    // Drops the rest of the current byte; returns the position of the next
    // whole byte (past the data when the reader ran out) and resets the reader there.
    size_t AlignToByte() {
        // Each loaded byte not yet begun took one position, or two after a stuffed 0xFF.
        const int whole = bits_ >> 3;
        const size_t next = pos_ - (size_t)whole - (size_t)__builtin_popcount(stuffed_ & ((1u << whole) - 1));
        pos_ = next;
        acc_ = 0;
        bits_ = 0;
        stuffed_ = 0;
        padding_ = 0;
        return next;
    }

    void Reserve() {
        if (bits_ < kReserveBits) Fill();
    }
    // The next `n` bits (1 <= n <= 16) without using them; needs Reserve() first.
    uint32_t Peek(int n) const { return (uint32_t)(acc_ >> (kAccBits - n)); }
    void Skip(int n) {
        acc_ <<= n;
        bits_ -= n;
    }

    uint32_t Bit() {
        if (bits_ < 1) Fill();
        const uint32_t b = (uint32_t)(acc_ >> (kAccBits - 1));
        Skip(1);
        return b;
    }

    // 0 <= n <= 16.
    uint32_t Bits(int n) {
        if (n == 0) return 0;
        if (bits_ < n) Fill();
        const uint32_t v = Peek(n);
        Skip(n);
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
        const uint16_t hit = t.lookup[Peek(JpegHuffmanTable::kLookupBits)];
        if (hit) {
            Skip(hit >> 8);
            return hit & 0xFF;
        }
        // Longer codes: the lookup already ruled out every length up to kLookupBits.
        return DecodeFrom(t, JpegHuffmanTable::kLookupBits + 1);
    }

    // Decoding as the code is defined, one bit length after the other,
    // without the lookup.
    int DecodeBitByBit(const JpegHuffmanTable& t) {
        if (bits_ < 16) Fill();
        return DecodeFrom(t, 1);
    }

private:
    int DecodeFrom(const JpegHuffmanTable& t, int shortest) {
        for (int length = shortest; length <= 16; ++length) {
            const int32_t code = (int32_t)Peek(length);
            if (code <= t.maxCode[length]) {
                Skip(length);
                return t.ValueAt(length, code);
            }
        }
        Skip(16);
        return 0;
    }

    // Tops the accumulator up to at least kAccBits - 7 bits.
    void Fill() {
        // Whole words without a 0xFF byte go in at once.
        if (pos_ <= size_ && size_ - pos_ >= sizeof(Accumulator)) {
            Accumulator word;
            memcpy(&word, data_ + pos_, sizeof word);
            const Accumulator ones = (Accumulator)0x0101010101010101ull;
            if (((~word - ones) & word & (ones << 7)) == 0) {
                word = sizeof word == 8 ? (Accumulator)__builtin_bswap64(word)
                                        : (Accumulator)__builtin_bswap32((uint32_t)word);
                const int n = (kAccBits - bits_) >> 3;
                // Keeps only the n whole bytes that fit.
                const int spare = kAccBits - bits_ - 8 * n;
                acc_ |= (word >> bits_) >> spare << spare;
                bits_ += 8 * n;
                pos_ += (size_t)n;
                stuffed_ <<= n;
                return;
            }
        }
        while (bits_ <= kAccBits - 8) {
            Accumulator b = 0;
            stuffed_ <<= 1;
            if (pos_ < size_) {
                b = data_[pos_];
                if (b == 0xFF) {
                    pos_ += 2;
                    stuffed_ |= 1;
                } else {
                    ++pos_;
                }
            } else {
                ++pos_;
                ++padding_;
            }
            acc_ |= b << (kAccBits - 8 - bits_);
            bits_ += 8;
        }
    }

    const BYTE* data_;
    size_t size_;
    size_t pos_;
    Accumulator acc_;
    int bits_;
    uint32_t stuffed_;  // bit i: the i-th latest loaded byte was a stuffed 0xFF
    int padding_;
};

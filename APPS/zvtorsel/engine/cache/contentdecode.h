// Undoes the Content-Encoding of a stored body: what the server sent becomes
// what it meant. gzip, deflate (zlib-wrapped and raw), br and zstd, also
// chained.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

#include "zvtypes.h"

enum DecodeResult {
    DECODE_NONE,     // no encoding (or "identity"): out holds the bytes as stored
    DECODE_DONE,     // out holds the decoded body
    DECODE_FAILED,   // a coding is unknown, its data is broken or too large: out holds the bytes as stored
};

// A decoded body larger than this is taken as broken (a compression bomb
// would otherwise take all memory).
const size_t kLargestDecodedBody = 512u << 20;

// encoding: the Content-Encoding value, codings applied left to right.
DecodeResult DecodeContent(const std::string& encoding, const BYTE* data, size_t size, std::vector<BYTE>& out);

// The decoded size of a stored body without holding the decoded bytes:
// gzip and zstd bodies give the length their trailer or frame header
// records (of the last member, for the rare gzip body of several), other
// codings are decoded and counted chunk by chunk. DECODE_FAILED leaves the
// stored size in *decoded.
DecodeResult CountDecoded(const std::string& encoding, const BYTE* data, size_t size, ULONGLONG* decoded);

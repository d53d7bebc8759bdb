// Undoes the Content-Encoding of a stored body: what the server sent becomes
// what it meant. gzip, deflate (zlib-wrapped and raw), br and zstd, also
// chained.
#pragma once
#include <stddef.h>

#include <functional>
#include <string>
#include <string_view>
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
DecodeResult CountDecoded(std::string_view encoding, const BYTE* data, size_t size, ULONGLONG* decoded);

// The stored bytes of a body, a piece at a time.
class IBodySource {
public:
    virtual ~IBodySource() {}
    // The next piece into *data and *size (0 at the end); false when it cannot be read.
    virtual bool Next(const BYTE** data, size_t* size) = 0;
    // Back to the first piece.
    virtual bool Rewind() = 0;
};

// Where decoded bytes go, a chunk at a time; false stops the decoder.
typedef std::function<bool(const BYTE*, size_t)> BodySink;

// Decodes a body of one coding (or none) from source into sink, holding a
// piece of input and a chunk of output at a time; chains of codings are
// decoded whole. restart is called when the sink must start over (a
// deflate body without its zlib wrapper is read again). DECODE_FAILED: the
// sink may have had part of the body; the caller starts over with the
// stored bytes.
DecodeResult StreamDecoded(const std::string& encoding, IBodySource& source, const BodySink& sink,
                           const std::function<void()>& restart);

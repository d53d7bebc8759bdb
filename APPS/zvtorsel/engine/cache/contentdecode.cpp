#include "cache/contentdecode.h"

#include <brotli/decode.h>
#include <string.h>
#include <zlib.h>
#include <zstd.h>

#include <functional>

namespace {

const size_t kChunk = 64 * 1024;

typedef BodySink Sink;

// A body held in memory, as one piece.
class CMemorySource : public IBodySource {
public:
    CMemorySource(const BYTE* data, size_t size) : data_(data), size_(size) {}
    bool Next(const BYTE** data, size_t* size) override {
        *data = data_;
        *size = given_ ? 0 : size_;
        given_ = true;
        return true;
    }
    bool Rewind() override {
        given_ = false;
        return true;
    }

private:
    const BYTE* data_;
    size_t size_;
    bool given_ = false;
};

// windowBits: 15 + 32 reads zlib and gzip streams, -15 raw deflate. gzip
// members that follow each other are read as one body.
bool Inflate(IBodySource& source, int windowBits, const Sink& sink) {
    std::vector<BYTE> chunk(kChunk);
    // The last byte of a piece and the next piece, when a further gzip
    // member's signature may straddle the two.
    std::vector<BYTE> joined;
    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateInit2(&z, windowBits) != Z_OK) return false;
    bool ok = false, ended = false;
    auto fill = [&]() {
        const BYTE* piece = nullptr;
        size_t n = 0;
        if (!source.Next(&piece, &n)) return false;
        if (n == 0) ended = true;
        // zlib counts its input in 32 bits; the pieces are far smaller.
        z.next_in = const_cast<Bytef*>(piece);
        z.avail_in = (uInt)n;
        return true;
    };
    for (;;) {
        if (z.avail_in == 0 && !ended && !fill()) break;
        z.next_out = chunk.data();
        z.avail_out = (uInt)chunk.size();
        int rc = inflate(&z, Z_NO_FLUSH);
        size_t got = chunk.size() - z.avail_out;
        if (got && !sink(chunk.data(), got)) break;
        if (rc == Z_STREAM_END) {
            if (windowBits > 0) {
                if (z.avail_in == 0 && !ended && !fill()) break;
                if (z.avail_in == 1 && !ended) {
                    BYTE last = z.next_in[0];
                    if (!fill()) break;
                    joined.assign(1, last);
                    joined.insert(joined.end(), z.next_in, z.next_in + z.avail_in);
                    z.next_in = joined.data();
                    z.avail_in = (uInt)joined.size();
                }
                // A further gzip member, or trailing bytes that are no stream.
                if (z.avail_in >= 2 && z.next_in[0] == 0x1f && z.next_in[1] == 0x8b) {
                    if (inflateReset(&z) != Z_OK) break;
                    continue;
                }
            }
            ok = true;
            break;
        }
        if (rc == Z_BUF_ERROR && z.avail_in == 0 && ended) break;  // cut short
        if (rc != Z_OK && rc != Z_BUF_ERROR) break;
    }
    inflateEnd(&z);
    return ok;
}

bool Deflate(IBodySource& source, const Sink& sink, const std::function<void()>& restart) {
    // Servers send either; a zlib header has a checksum that raw data rarely passes.
    const BYTE* first = nullptr;
    size_t n = 0;
    if (!source.Next(&first, &n) || !source.Rewind()) return false;
    if (n >= 2 && (first[0] & 0x0f) == 8 && ((first[0] << 8) | first[1]) % 31 == 0 && Inflate(source, 15, sink))
        return true;
    restart();
    return source.Rewind() && Inflate(source, -15, sink);
}

bool Gzip(IBodySource& source, const Sink& sink) {
    const BYTE* first = nullptr;
    size_t n = 0;
    if (!source.Next(&first, &n) || n < 2 || first[0] != 0x1f || first[1] != 0x8b || !source.Rewind()) return false;
    return Inflate(source, 15 + 16, sink);
}

bool Brotli(IBodySource& source, const Sink& sink) {
    std::vector<BYTE> chunk(kChunk);
    BrotliDecoderState* state = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
    if (!state) return false;
    size_t availableIn = 0;
    const uint8_t* next = nullptr;
    bool ok = false, ended = false;
    for (;;) {
        size_t availableOut = chunk.size();
        uint8_t* nextOut = chunk.data();
        BrotliDecoderResult rc = BrotliDecoderDecompressStream(state, &availableIn, &next, &availableOut, &nextOut, nullptr);
        size_t got = chunk.size() - availableOut;
        if (got && !sink(chunk.data(), got)) break;
        if (rc == BROTLI_DECODER_RESULT_SUCCESS) {
            // Nothing may follow the stream.
            ok = availableIn == 0;
            const BYTE* rest = nullptr;
            size_t n = 0;
            while (ok && !ended && source.Next(&rest, &n)) {
                if (n) ok = false;
                else ended = true;
            }
            ok = ok && ended;
            break;
        }
        if (rc == BROTLI_DECODER_RESULT_NEEDS_MORE_INPUT) {
            if (ended || !source.Next(&next, &availableIn)) break;
            if (availableIn == 0) ended = true;
            continue;
        }
        if (rc != BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) break;
    }
    BrotliDecoderDestroyInstance(state);
    return ok;
}

bool Zstd(IBodySource& source, const Sink& sink) {
    std::vector<BYTE> chunk(kChunk);
    ZSTD_DStream* stream = ZSTD_createDStream();
    if (!stream) return false;
    // Browsers accept windows up to 8 MiB; the library's default limit is higher.
    ZSTD_DCtx_setParameter(stream, ZSTD_d_windowLogMax, 27);
    ZSTD_inBuffer in = {nullptr, 0, 0};
    bool ok = false, ended = false;
    size_t last = 1;
    for (;;) {
        if (in.pos == in.size && !ended) {
            const BYTE* piece = nullptr;
            size_t n = 0;
            if (!source.Next(&piece, &n)) break;
            in = {piece, n, 0};
            if (n == 0) ended = true;
        }
        // Every frame ended and flushed: a further call would wait for a new one.
        if (ended && in.pos == in.size && last == 0) {
            ok = true;
            break;
        }
        ZSTD_outBuffer o = {chunk.data(), chunk.size(), 0};
        last = ZSTD_decompressStream(stream, &o, &in);
        if (ZSTD_isError(last)) break;
        if (o.pos && !sink(chunk.data(), o.pos)) break;
        if (ended && in.pos == in.size && o.pos < o.size) {
            ok = last == 0;  // every frame ended
            break;
        }
    }
    ZSTD_freeDStream(stream);
    return ok;
}

bool SameNoCase(std::string_view a, const char* b) {
    if (a.size() != strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'A' && x <= 'Z') x = (char)(x + 32);
        if (x != b[i]) return false;
    }
    return true;
}

// The codings of a Content-Encoding value, identity left out, in the order applied.
std::string_view TrimmedCoding(std::string_view coding) {
    size_t a = 0, b = coding.size();
    while (a < b && (coding[a] == ' ' || coding[a] == '\t')) ++a;
    while (b > a && (coding[b - 1] == ' ' || coding[b - 1] == '\t')) --b;
    return coding.substr(a, b - a);
}

std::vector<std::string> Codings(std::string_view encoding) {
    std::vector<std::string> codings;
    size_t pos = 0;
    while (pos <= encoding.size()) {
        size_t end = encoding.find(',', pos);
        if (end == std::string_view::npos) end = encoding.size();
        std::string_view coding = TrimmedCoding(encoding.substr(pos, end - pos));
        if (!coding.empty() && !SameNoCase(coding, "identity")) codings.emplace_back(coding);
        pos = end + 1;
    }
    return codings;
}

// Undoes one coding into sink; restart is called when the decoder starts
// over on the same data (deflate without its zlib wrapper).
bool DecodeOne(const std::string& c, IBodySource& source, const Sink& sink, const std::function<void()>& restart) {
    if (SameNoCase(c, "gzip") || SameNoCase(c, "x-gzip")) return Gzip(source, sink);
    if (SameNoCase(c, "deflate")) return Deflate(source, sink, restart);
    if (SameNoCase(c, "br")) return Brotli(source, sink);
    if (SameNoCase(c, "zstd")) return Zstd(source, sink);
    return false;
}

bool DecodeOne(const std::string& c, const BYTE* data, size_t size, const Sink& sink,
               const std::function<void()>& restart) {
    CMemorySource source(data, size);
    return DecodeOne(c, source, sink, restart);
}

}  // namespace

DecodeResult DecodeContent(const std::string& encoding, const BYTE* data, size_t size, std::vector<BYTE>& out) {
    std::vector<std::string> codings = Codings(encoding);
    out.assign(data, data + size);
    if (codings.empty()) return DECODE_NONE;
    std::vector<BYTE> next;
    Sink append = [&next](const BYTE* chunk, size_t n) {
        if (n > kLargestDecodedBody - next.size()) return false;
        next.insert(next.end(), chunk, chunk + n);
        return true;
    };
    for (size_t i = codings.size(); i-- > 0;) {
        next.clear();
        if (!DecodeOne(codings[i], out.data(), out.size(), append, [&next] { next.clear(); })) {
            out.assign(data, data + size);
            return DECODE_FAILED;
        }
        out.swap(next);
    }
    std::vector<BYTE>().swap(next);
    return DECODE_DONE;
}

DecodeResult CountDecoded(std::string_view encoding, const BYTE* data, size_t size, ULONGLONG* decoded) {
    *decoded = size;
    // One coding, as nearly every body has, is looked at where it lies: a
    // listing counts thousands of bodies.
    std::vector<std::string> codings;
    std::string_view only;
    if (encoding.find(',') == std::string_view::npos) {
        only = TrimmedCoding(encoding);
        if (only.empty() || SameNoCase(only, "identity")) return DECODE_NONE;
    } else {
        codings = Codings(encoding);
        if (codings.empty()) return DECODE_NONE;
        if (codings.size() == 1) only = codings[0];
    }
    if (!only.empty()) {
        // gzip keeps the length (modulo 2^32) in its last four bytes, zstd in
        // its frame header: such a body needs no decoding for its size.
        if ((SameNoCase(only, "gzip") || SameNoCase(only, "x-gzip")) && size >= 18 && data[0] == 0x1f &&
            data[1] == 0x8b && data[2] == 8) {
            ULONGLONG length = (ULONGLONG)data[size - 4] | ((ULONGLONG)data[size - 3] << 8) |
                               ((ULONGLONG)data[size - 2] << 16) | ((ULONGLONG)data[size - 1] << 24);
            if (length <= kLargestDecodedBody) {
                *decoded = length;
                return DECODE_DONE;
            }
        }
        if (SameNoCase(only, "zstd") && ZSTD_findFrameCompressedSize(data, size) == size) {
            unsigned long long length = ZSTD_getFrameContentSize(data, size);
            if (length != ZSTD_CONTENTSIZE_UNKNOWN && length != ZSTD_CONTENTSIZE_ERROR && length <= kLargestDecodedBody) {
                *decoded = length;
                return DECODE_DONE;
            }
        }
        ULONGLONG count = 0;
        Sink counter = [&count](const BYTE*, size_t n) {
            count += n;
            return count <= kLargestDecodedBody;
        };
        if (!DecodeOne(std::string(only), data, size, counter, [&count] { count = 0; })) return DECODE_FAILED;
        *decoded = count;
        return DECODE_DONE;
    }
    std::vector<BYTE> out;
    DecodeResult result = DecodeContent(std::string(encoding), data, size, out);
    if (result == DECODE_DONE) *decoded = out.size();
    return result;
}

DecodeResult StreamDecoded(const std::string& encoding, IBodySource& source, const BodySink& sink,
                           const std::function<void()>& restart) {
    std::vector<std::string> codings = Codings(encoding);
    if (codings.size() == 1) {
        ULONGLONG count = 0;
        Sink bounded = [&count, &sink](const BYTE* chunk, size_t n) {
            count += n;
            return count <= kLargestDecodedBody && sink(chunk, n);
        };
        return DecodeOne(codings[0], source, bounded, [&count, &restart] {
                   count = 0;
                   restart();
               })
                   ? DECODE_DONE
                   : DECODE_FAILED;
    }
    std::vector<BYTE> stored;
    for (;;) {
        const BYTE* piece = nullptr;
        size_t n = 0;
        if (!source.Next(&piece, &n)) return DECODE_FAILED;
        if (n == 0) break;
        if (codings.empty()) {
            if (!sink(piece, n)) return DECODE_FAILED;
            continue;
        }
        if (n > kLargestDecodedBody - stored.size()) return DECODE_FAILED;
        stored.insert(stored.end(), piece, piece + n);
    }
    if (codings.empty()) return DECODE_NONE;
    std::vector<BYTE> body;
    DecodeResult result = DecodeContent(encoding, stored.data(), stored.size(), body);
    if (result != DECODE_DONE) return DECODE_FAILED;
    for (size_t at = 0; at < body.size(); at += kChunk)
        if (!sink(body.data() + at, body.size() - at < kChunk ? body.size() - at : kChunk)) return DECODE_FAILED;
    return DECODE_DONE;
}

#include "cache/contentdecode.h"

#include <brotli/decode.h>
#include <string.h>
#include <zlib.h>
#include <zstd.h>

#include <functional>

namespace {

const size_t kChunk = 64 * 1024;

// Where a decoder puts its output, one chunk at a time; false stops it.
typedef std::function<bool(const BYTE*, size_t)> Sink;

// windowBits: 15 + 32 reads zlib and gzip streams, -15 raw deflate. gzip
// members that follow each other are read as one body.
bool Inflate(const BYTE* data, size_t size, int windowBits, const Sink& sink) {
    std::vector<BYTE> chunk(kChunk);
    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateInit2(&z, windowBits) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(data);
    bool ok = false;
    size_t fed = 0;
    for (;;) {
        if (z.avail_in == 0 && fed < size) {
            uInt n = (uInt)((size - fed) > (1u << 30) ? (1u << 30) : (size - fed));
            z.next_in = const_cast<Bytef*>(data + fed);
            z.avail_in = n;
            fed += n;
        }
        z.next_out = chunk.data();
        z.avail_out = (uInt)chunk.size();
        int rc = inflate(&z, Z_NO_FLUSH);
        size_t got = chunk.size() - z.avail_out;
        if (got && !sink(chunk.data(), got)) break;
        if (rc == Z_STREAM_END) {
            // A further gzip member, or trailing bytes that are no stream.
            if (windowBits > 0 && z.avail_in >= 2 && z.next_in[0] == 0x1f && z.next_in[1] == 0x8b) {
                if (inflateReset(&z) != Z_OK) break;
                continue;
            }
            ok = true;
            break;
        }
        if (rc == Z_BUF_ERROR && z.avail_in == 0 && fed == size) break;  // cut short
        if (rc != Z_OK && rc != Z_BUF_ERROR) break;
    }
    inflateEnd(&z);
    return ok;
}

bool Deflate(const BYTE* data, size_t size, const Sink& sink, const std::function<void()>& restart) {
    // Servers send either; a zlib header has a checksum that raw data rarely passes.
    if (size >= 2 && (data[0] & 0x0f) == 8 && ((data[0] << 8) | data[1]) % 31 == 0 && Inflate(data, size, 15, sink))
        return true;
    restart();
    return Inflate(data, size, -15, sink);
}

bool Gzip(const BYTE* data, size_t size, const Sink& sink) {
    if (size < 2 || data[0] != 0x1f || data[1] != 0x8b) return false;
    return Inflate(data, size, 15 + 16, sink);
}

bool Brotli(const BYTE* data, size_t size, const Sink& sink) {
    std::vector<BYTE> chunk(kChunk);
    BrotliDecoderState* state = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
    if (!state) return false;
    size_t availableIn = size;
    const uint8_t* next = data;
    bool ok = false;
    for (;;) {
        size_t availableOut = chunk.size();
        uint8_t* nextOut = chunk.data();
        BrotliDecoderResult rc = BrotliDecoderDecompressStream(state, &availableIn, &next, &availableOut, &nextOut, nullptr);
        size_t got = chunk.size() - availableOut;
        if (got && !sink(chunk.data(), got)) break;
        if (rc == BROTLI_DECODER_RESULT_SUCCESS) {
            ok = availableIn == 0;
            break;
        }
        if (rc != BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) break;
    }
    BrotliDecoderDestroyInstance(state);
    return ok;
}

bool Zstd(const BYTE* data, size_t size, const Sink& sink) {
    std::vector<BYTE> chunk(kChunk);
    ZSTD_DStream* stream = ZSTD_createDStream();
    if (!stream) return false;
    // Browsers accept windows up to 8 MiB; the library's default limit is higher.
    ZSTD_DCtx_setParameter(stream, ZSTD_d_windowLogMax, 27);
    ZSTD_inBuffer in = {data, size, 0};
    bool ok = false;
    size_t last = 1;
    for (;;) {
        ZSTD_outBuffer o = {chunk.data(), chunk.size(), 0};
        last = ZSTD_decompressStream(stream, &o, &in);
        if (ZSTD_isError(last)) break;
        if (o.pos && !sink(chunk.data(), o.pos)) break;
        if (in.pos == in.size && o.pos < o.size) {
            ok = last == 0;  // every frame ended
            break;
        }
    }
    ZSTD_freeDStream(stream);
    return ok;
}

bool SameNoCase(const std::string& a, const char* b) {
    if (a.size() != strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'A' && x <= 'Z') x = (char)(x + 32);
        if (x != b[i]) return false;
    }
    return true;
}

// The codings of a Content-Encoding value, identity left out, in the order applied.
std::vector<std::string> Codings(const std::string& encoding) {
    std::vector<std::string> codings;
    size_t pos = 0;
    while (pos <= encoding.size()) {
        size_t end = encoding.find(',', pos);
        if (end == std::string::npos) end = encoding.size();
        size_t a = pos, b = end;
        while (a < b && (encoding[a] == ' ' || encoding[a] == '\t')) ++a;
        while (b > a && (encoding[b - 1] == ' ' || encoding[b - 1] == '\t')) --b;
        std::string coding = encoding.substr(a, b - a);
        if (!coding.empty() && !SameNoCase(coding, "identity")) codings.push_back(coding);
        pos = end + 1;
    }
    return codings;
}

// Undoes one coding into sink; restart is called when the decoder starts
// over on the same data (deflate without its zlib wrapper).
bool DecodeOne(const std::string& c, const BYTE* data, size_t size, const Sink& sink,
               const std::function<void()>& restart) {
    if (SameNoCase(c, "gzip") || SameNoCase(c, "x-gzip")) return Gzip(data, size, sink);
    if (SameNoCase(c, "deflate")) return Deflate(data, size, sink, restart);
    if (SameNoCase(c, "br")) return Brotli(data, size, sink);
    if (SameNoCase(c, "zstd")) return Zstd(data, size, sink);
    return false;
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

DecodeResult CountDecoded(const std::string& encoding, const BYTE* data, size_t size, ULONGLONG* decoded) {
    std::vector<std::string> codings = Codings(encoding);
    *decoded = size;
    if (codings.empty()) return DECODE_NONE;
    const std::string& only = codings[0];
    if (codings.size() == 1) {
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
        if (!DecodeOne(only, data, size, counter, [&count] { count = 0; })) return DECODE_FAILED;
        *decoded = count;
        return DECODE_DONE;
    }
    std::vector<BYTE> out;
    DecodeResult result = DecodeContent(encoding, data, size, out);
    if (result == DECODE_DONE) *decoded = out.size();
    return result;
}

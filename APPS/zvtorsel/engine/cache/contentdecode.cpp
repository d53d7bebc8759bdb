#include "cache/contentdecode.h"

#include <brotli/decode.h>
#include <string.h>
#include <zlib.h>
#include <zstd.h>

namespace {

const size_t kChunk = 64 * 1024;

bool Grow(std::vector<BYTE>& out, size_t& used) {
    if (out.size() - used >= kChunk / 2) return true;
    if (out.size() >= kLargestDecodedBody) return false;
    out.resize(out.size() + kChunk);
    return true;
}

// windowBits: 15 + 32 reads zlib and gzip streams, -15 raw deflate. gzip
// members that follow each other are read as one body.
bool Inflate(const BYTE* data, size_t size, int windowBits, std::vector<BYTE>& out) {
    out.clear();
    size_t used = 0;
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
        if (!Grow(out, used)) break;
        z.next_out = out.data() + used;
        z.avail_out = (uInt)(out.size() - used);
        int rc = inflate(&z, Z_NO_FLUSH);
        used = out.size() - z.avail_out;
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
    out.resize(used);
    return ok;
}

bool Deflate(const BYTE* data, size_t size, std::vector<BYTE>& out) {
    // Servers send either; a zlib header has a checksum that raw data rarely passes.
    if (size >= 2 && (data[0] & 0x0f) == 8 && ((data[0] << 8) | data[1]) % 31 == 0 && Inflate(data, size, 15, out))
        return true;
    return Inflate(data, size, -15, out);
}

bool Gzip(const BYTE* data, size_t size, std::vector<BYTE>& out) {
    if (size < 2 || data[0] != 0x1f || data[1] != 0x8b) return false;
    return Inflate(data, size, 15 + 16, out);
}

bool Brotli(const BYTE* data, size_t size, std::vector<BYTE>& out) {
    out.clear();
    size_t used = 0;
    BrotliDecoderState* state = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
    if (!state) return false;
    size_t availableIn = size;
    const uint8_t* next = data;
    bool ok = false;
    for (;;) {
        if (!Grow(out, used)) break;
        size_t availableOut = out.size() - used;
        uint8_t* nextOut = out.data() + used;
        BrotliDecoderResult rc = BrotliDecoderDecompressStream(state, &availableIn, &next, &availableOut, &nextOut, nullptr);
        used = out.size() - availableOut;
        if (rc == BROTLI_DECODER_RESULT_SUCCESS) {
            ok = availableIn == 0;
            break;
        }
        if (rc != BROTLI_DECODER_RESULT_NEEDS_MORE_OUTPUT) break;
    }
    BrotliDecoderDestroyInstance(state);
    out.resize(used);
    return ok;
}

bool Zstd(const BYTE* data, size_t size, std::vector<BYTE>& out) {
    out.clear();
    size_t used = 0;
    ZSTD_DStream* stream = ZSTD_createDStream();
    if (!stream) return false;
    // Browsers accept windows up to 8 MiB; the library's default limit is higher.
    ZSTD_DCtx_setParameter(stream, ZSTD_d_windowLogMax, 27);
    ZSTD_inBuffer in = {data, size, 0};
    bool ok = false;
    size_t last = 1;
    for (;;) {
        if (!Grow(out, used)) break;
        ZSTD_outBuffer o = {out.data() + used, out.size() - used, 0};
        last = ZSTD_decompressStream(stream, &o, &in);
        used += o.pos;
        if (ZSTD_isError(last)) break;
        if (in.pos == in.size && o.pos < o.size) {
            ok = last == 0;  // every frame ended
            break;
        }
    }
    ZSTD_freeDStream(stream);
    out.resize(used);
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

}  // namespace

DecodeResult DecodeContent(const std::string& encoding, const BYTE* data, size_t size, std::vector<BYTE>& out) {
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
    out.assign(data, data + size);
    if (codings.empty()) return DECODE_NONE;
    std::vector<BYTE> next;
    for (size_t i = codings.size(); i-- > 0;) {
        const std::string& c = codings[i];
        bool ok;
        if (SameNoCase(c, "gzip") || SameNoCase(c, "x-gzip")) ok = Gzip(out.data(), out.size(), next);
        else if (SameNoCase(c, "deflate")) ok = Deflate(out.data(), out.size(), next);
        else if (SameNoCase(c, "br")) ok = Brotli(out.data(), out.size(), next);
        else if (SameNoCase(c, "zstd")) ok = Zstd(out.data(), out.size(), next);
        else ok = false;
        if (!ok) {
            out.assign(data, data + size);
            return DECODE_FAILED;
        }
        out.swap(next);
    }
    return DECODE_DONE;
}

#include "archive/warcrecord.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <zlib.h>

namespace {

const size_t kOutChunk = 64 * 1024;

bool IsTokenByte(unsigned char c) { return c > 0x20 && c < 0x7F && !strchr("()<>@,;:\\\"/[]?={}", c); }

bool NameIs(const std::string& name, const char* wanted) {
    size_t n = strlen(wanted);
    if (name.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (tolower((unsigned char)name[i]) != tolower((unsigned char)wanted[i])) return false;
    return true;
}

// A field name keeps its token bytes only.
std::string Token(const std::string& name) {
    std::string token;
    for (unsigned char c : name)
        if (IsTokenByte(c)) token += (char)c;
    return token;
}

void AppendField(std::string& text, const std::string& name, const std::string& value) {
    text += name + ": ";
    for (unsigned char c : value) text += (c < 0x20 && c != '\t') || c == 0x7F ? ' ' : (char)c;
    text += "\r\n";
}

}  // namespace

std::string Sha1Label(const BYTE digest[kSha1Size]) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
    std::string out = "sha1:";
    // 160 bits are exactly 32 groups of five.
    for (int bit = 0; bit < kSha1Size * 8; bit += 5) {
        int byte = bit / 8, shift = bit % 8;
        unsigned v = (unsigned)digest[byte] << 8 | (byte + 1 < kSha1Size ? digest[byte + 1] : 0);
        out += kAlphabet[(v >> (11 - shift)) & 31];
    }
    return out;
}

std::string WarcUri(const char* url, size_t size) {
    std::string out;
    char hex[4];
    for (size_t i = 0; i < size; ++i) {
        unsigned char c = (unsigned char)url[i];
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\') {
            snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out;
}

std::string WarcDate(const FILETIME& time) {
    ULONGLONG ticks = ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
    long long seconds = (long long)(ticks / 10000000ULL) - 11644473600LL;
    if (seconds < 0) seconds = 0;
    long long days = seconds / 86400, rest = seconds % 86400;
    // Civil date of a day count from 1970 (proleptic Gregorian, eras of 400 years).
    long long z = days + 719468, era = z / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    int day = (int)(doy - (153 * mp + 2) / 5 + 1);
    int month = (int)(mp < 10 ? mp + 3 : mp - 9);
    long long year = yoe + era * 400 + (month <= 2);
    char text[40];
    snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ", year, month, day, (int)(rest / 3600),
             (int)(rest / 60 % 60), (int)(rest % 60));
    return text;
}

bool WarcRecordId(ISha1Maker& sha1, const std::string& seed, std::string& out) {
    std::unique_ptr<ISha1> hash = sha1.Make();
    BYTE d[kSha1Size];
    if (!hash) return false;
    hash->Update((const BYTE*)seed.data(), seed.size());
    if (!hash->Final(d)) return false;
    d[6] = (BYTE)((d[6] & 0x0F) | 0x50);
    d[8] = (BYTE)((d[8] & 0x3F) | 0x80);
    char text[64];
    snprintf(text, sizeof text, "<urn:uuid:%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x>", d[0],
             d[1], d[2], d[3], d[4], d[5], d[6], d[7], d[8], d[9], d[10], d[11], d[12], d[13], d[14], d[15]);
    out = text;
    return true;
}

CWarcWriter::~CWarcWriter() {
    if (stream_) {
        deflateEnd((z_stream*)stream_);
        delete (z_stream*)stream_;
    }
}

bool CWarcWriter::Put(const BYTE* data, size_t size, bool last) {
    if (!gzip_) {
        written_ += size;
        return size == 0 || sink_.Write(data, size);
    }
    z_stream* z = (z_stream*)stream_;
    if (!z) {
        z = new z_stream();
        // 31: a gzip wrapper (its time field left zero, so runs compare equal).
        // The fastest level: most cached bodies (pictures, encoded pages) are
        // compressed already, and the default level took as long again as
        // reading and hashing them.
        if (deflateInit2(z, Z_BEST_SPEED, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            delete z;
            return false;
        }
        stream_ = z;
    }
    out_.resize(kOutChunk);
    // zlib counts in uInt: feed large bodies in slices.
    do {
        uInt slice = size > (1u << 30) ? (1u << 30) : (uInt)size;
        z->next_in = (Bytef*)data;
        z->avail_in = slice;
        data += slice;
        size -= slice;
        int flush = last && size == 0 ? Z_FINISH : Z_NO_FLUSH;
        int result;
        do {
            z->next_out = out_.data();
            z->avail_out = (uInt)out_.size();
            result = deflate(z, flush);
            if (result == Z_STREAM_ERROR) return false;
            size_t have = out_.size() - z->avail_out;
            if (have && !sink_.Write(out_.data(), have)) return false;
            written_ += have;
        } while (z->avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    } while (size);
    if (last) deflateReset(z);
    return true;
}

bool CWarcWriter::Digest(const std::string& head, const BYTE* body, size_t bodySize, bool withHead,
                         std::string& label) {
    std::unique_ptr<ISha1> hash = sha1_.Make();
    BYTE digest[kSha1Size];
    if (!hash) return false;
    if (withHead) hash->Update((const BYTE*)head.data(), head.size());
    hash->Update(body, bodySize);
    if (!hash->Final(digest)) return false;
    label = Sha1Label(digest);
    return true;
}

bool CWarcWriter::WriteRecord(const std::vector<WarcField>& fields, const std::string& head, const BYTE* body,
                              size_t bodySize, bool payloadDigest) {
    static const BYTE kNone = 0;
    if (!body) body = &kNone, bodySize = 0;
    std::string blockDigest, payload;
    if (!Digest(head, body, bodySize, true, blockDigest)) return false;
    if (payloadDigest && !Digest(head, body, bodySize, false, payload)) return false;
    std::string text = "WARC/1.1\r\n";
    // A nameless field would end the head for every reader; the length and
    // the digests are the writer's own, and a caller's would be a second one.
    for (const WarcField& field : fields) {
        std::string name = Token(field.name);
        if (name.empty() || NameIs(name, "Content-Length") || NameIs(name, "WARC-Block-Digest") ||
            NameIs(name, "WARC-Payload-Digest"))
            continue;
        AppendField(text, name, field.value);
    }
    AppendField(text, "WARC-Block-Digest", blockDigest);
    if (payloadDigest) AppendField(text, "WARC-Payload-Digest", payload);
    char length[32];
    snprintf(length, sizeof length, "%llu", (unsigned long long)head.size() + bodySize);
    AppendField(text, "Content-Length", length);
    text += "\r\n";
    text += head;
    static const BYTE kEnd[] = "\r\n\r\n";
    return Put((const BYTE*)text.data(), text.size(), false) && Put(body, bodySize, false) && Put(kEnd, 4, true);
}

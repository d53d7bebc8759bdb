// The tests' own reader of WARC files: records split by their
// Content-Length, one gzip member each, every digest worked out again.
#pragma once
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "archive/archivesink.h"
#include "archive/digest.h"
#ifdef _WIN32
#include "archive/win32/win32archive.h"
#else
#include <nettle/sha1.h>
#endif

namespace warctest {

#ifdef _WIN32
using TestSha1Maker = CCryptSha1Maker;
#else
// The host build's SHA-1: nettle's, a library apart from the one under test.
class TestSha1Maker : public ISha1Maker {
    class Hash : public ISha1 {
    public:
        Hash() { sha1_init(&ctx_); }
        void Update(const BYTE* data, size_t size) override { sha1_update(&ctx_, size, data); }
        bool Final(BYTE out[kSha1Size]) override {
            sha1_digest(&ctx_, kSha1Size, out);
            return true;
        }

    private:
        sha1_ctx ctx_;
    };

public:
    std::unique_ptr<ISha1> Make() override { return std::unique_ptr<ISha1>(new Hash); }
};
#endif

class MemorySink : public IArchiveSink {
public:
    std::vector<BYTE> bytes;
    size_t failAfter = (size_t)-1;  // bytes taken before the "disk" is full
    bool Write(const BYTE* data, size_t size) override {
        if (bytes.size() + size > failAfter) return false;
        bytes.insert(bytes.end(), data, data + size);
        return true;
    }
};

struct Record {
    std::vector<std::pair<std::string, std::string>> fields;
    std::vector<BYTE> block;
    std::string Field(const char* name) const {
        for (const auto& f : fields)
            if (strcasecmp(f.first.c_str(), name) == 0) return f.second;
        return std::string();
    }
    size_t FieldCount(const char* name) const {
        size_t n = 0;
        for (const auto& f : fields) n += strcasecmp(f.first.c_str(), name) == 0;
        return n;
    }
    // The HTTP head and payload of an application/http block.
    bool SplitHttp(std::string& head, std::vector<BYTE>& payload) const {
        static const BYTE kEnd[] = {'\r', '\n', '\r', '\n'};
        auto at = std::search(block.begin(), block.end(), kEnd, kEnd + 4);
        if (at == block.end()) return false;
        head.assign(block.begin(), at + 4);
        payload.assign(at + 4, block.end());
        return true;
    }
};

// One record at the start of [at, end); advances at past it.
inline bool ParseRecord(const BYTE*& at, const BYTE* end, Record& out, std::string& why) {
    auto line = [&](std::string& text) {
        const BYTE* p = at;
        while (p + 1 < end && !(p[0] == '\r' && p[1] == '\n')) {
            if (*p == '\r' || *p == '\n') return false;
            ++p;
        }
        if (p + 1 >= end) return false;
        text.assign((const char*)at, p - at);
        at = p + 2;
        return true;
    };
    std::string text;
    if (!line(text) || text != "WARC/1.1") return why = "no version line", false;
    out = Record();
    for (;;) {
        if (!line(text)) return why = "a cut or broken field line", false;
        if (text.empty()) break;
        size_t colon = text.find(':');
        if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size() || text[colon + 1] != ' ')
            return why = "a field line without a name: " + text, false;
        for (size_t i = 0; i < colon; ++i)
            if ((unsigned char)text[i] <= 0x20 || (unsigned char)text[i] >= 0x7F)
                return why = "a bad field name", false;
        out.fields.push_back({text.substr(0, colon), text.substr(colon + 2)});
    }
    if (out.FieldCount("Content-Length") != 1) return why = "no single Content-Length", false;
    std::string lengthText = out.Field("Content-Length");
    char* stop = nullptr;
    unsigned long long length = strtoull(lengthText.c_str(), &stop, 10);
    if (lengthText.empty() || *stop) return why = "a bad Content-Length", false;
    if (length > (unsigned long long)(end - at) || (unsigned long long)(end - at) - length < 4)
        return why = "a block longer than the file", false;
    out.block.assign(at, at + (size_t)length);
    at += (size_t)length;
    if (memcmp(at, "\r\n\r\n", 4) != 0) return why = "no CR LF CR LF after the block", false;
    at += 4;
    return true;
}

// Every record of an archive. With gzip each record must be exactly one member.
inline bool ReadArchive(const std::vector<BYTE>& bytes, bool gzip, std::vector<Record>& out, std::string& why) {
    out.clear();
    if (!gzip) {
        const BYTE* at = bytes.data();
        const BYTE* end = at + bytes.size();
        while (at < end) {
            Record r;
            if (!ParseRecord(at, end, r, why)) return false;
            out.push_back(std::move(r));
        }
        return true;
    }
    size_t at = 0;
    std::vector<BYTE> member(1 << 16);
    while (at < bytes.size()) {
        z_stream z = {};
        if (inflateInit2(&z, 31) != Z_OK) return why = "zlib", false;
        z.next_in = (Bytef*)bytes.data() + at;
        z.avail_in = (uInt)(bytes.size() - at);
        std::vector<BYTE> plain;
        int result;
        do {
            z.next_out = member.data();
            z.avail_out = (uInt)member.size();
            result = inflate(&z, Z_NO_FLUSH);
            plain.insert(plain.end(), member.data(), member.data() + (member.size() - z.avail_out));
        } while (result == Z_OK);
        at = bytes.size() - z.avail_in;
        inflateEnd(&z);
        if (result != Z_STREAM_END) return why = "a broken gzip member", false;
        const BYTE* p = plain.data();
        Record r;
        if (!ParseRecord(p, plain.data() + plain.size(), r, why)) return false;
        if (p != plain.data() + plain.size()) return why = "a member with more than one record", false;
        out.push_back(std::move(r));
    }
    return true;
}

// The block digest of every record and the payload digest of HTTP blocks,
// worked out again; the HTTP Content-Length must be the payload's.
inline bool CheckDigests(const Record& r, ISha1Maker& sha1, std::string& why) {
    auto label = [&](const BYTE* data, size_t size) {
        std::unique_ptr<ISha1> h = sha1.Make();
        BYTE d[kSha1Size];
        h->Update(data, size);
        h->Final(d);
        return Sha1Label(d);
    };
    if (r.Field("WARC-Block-Digest") != label(r.block.data(), r.block.size())) return why = "block digest", false;
    if (r.Field("Content-Type").compare(0, 16, "application/http") != 0) return true;
    std::string head;
    std::vector<BYTE> payload;
    if (!r.SplitHttp(head, payload)) return why = "an HTTP block without its empty line", false;
    if (r.Field("WARC-Type") == "response") {
        if (r.Field("WARC-Payload-Digest") != label(payload.data(), payload.size()))
            return why = "payload digest", false;
        std::string length = "\r\nContent-Length: " + std::to_string(payload.size()) + "\r\n";
        if (head.find(length) == std::string::npos) return why = "HTTP Content-Length", false;
    }
    return true;
}

}  // namespace warctest

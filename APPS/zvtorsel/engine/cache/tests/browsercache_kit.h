// Test kit of the browser cache readers: cache folders held in memory or
// read from the fixtures on disk, and writers of entry files that follow the
// browsers' layouts (checked against the real fixtures in the tests).
#pragma once
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cache/browsercachestore.h"

namespace browsercachekit {

inline std::vector<BYTE> Bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

// Paths use "\" as the store does; the map holds them as given.
class MemoryFiles : public ICacheFileReader {
public:
    std::map<std::string, std::vector<BYTE>> files;
    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override {
        names.clear();
        bool any = false;
        for (const auto& f : files) {
            if (f.first.compare(0, folder.size(), folder) != 0) continue;
            any = true;
            std::string rest = f.first.substr(folder.size());
            if (rest.find('\\') == std::string::npos) names.push_back(rest);
        }
        return any;
    }
    bool ReadFile(const std::string& path, std::vector<BYTE>& out) override {
        auto found = files.find(path);
        if (found == files.end()) return false;
        out = found->second;
        return true;
    }
};

// The fixtures on disk, addressed with "\" separators.
class DiskFiles : public ICacheFileReader {
public:
    static std::string Native(std::string path) {
        for (char& c : path)
            if (c == '\\') c = '/';
        return path;
    }
    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override {
        names.clear();
        std::error_code error;
        std::filesystem::directory_iterator it(Native(folder), error);
        if (error) return false;
        for (const auto& e : it)
            if (e.is_regular_file()) names.push_back(e.path().filename().string());
        return true;
    }
    bool ReadFile(const std::string& path, std::vector<BYTE>& out) override {
        FILE* f = fopen(Native(path).c_str(), "rb");
        if (!f) return false;
        out.clear();
        BYTE buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) out.insert(out.end(), buffer, buffer + n);
        fclose(f);
        return true;
    }
};

inline void PutLe32(std::vector<BYTE>& v, DWORD x) {
    for (int i = 0; i < 4; ++i) v.push_back((BYTE)(x >> (8 * i)));
}
inline void PutLe64(std::vector<BYTE>& v, ULONGLONG x) {
    PutLe32(v, (DWORD)x);
    PutLe32(v, (DWORD)(x >> 32));
}
inline void PutBe32(std::vector<BYTE>& v, DWORD x) {
    for (int i = 3; i >= 0; --i) v.push_back((BYTE)(x >> (8 * i)));
}

// A simple cache "_0" file: header, key, body, end record, the response info
// pickle (flags, request and response time, the head with NUL line ends),
// the key's SHA-256 place (zeros) and the final end record.
inline std::vector<BYTE> SimpleEntryFile(const std::string& key, const std::string& head,
                                         const std::vector<BYTE>& body, ULONGLONG responseMicros) {
    std::vector<BYTE> f;
    PutLe64(f, 0xfcfb6d1ba7725c30ULL);
    PutLe32(f, 5);
    PutLe32(f, (DWORD)key.size());
    PutLe32(f, 0x7ec0015c);  // key hash: not checked by the reader
    PutLe32(f, 0);
    f.insert(f.end(), key.begin(), key.end());
    f.insert(f.end(), body.begin(), body.end());
    PutLe64(f, 0xf4fa6f45970d41d8ULL);
    PutLe32(f, 0);
    PutLe32(f, 0);
    PutLe32(f, 0);
    PutLe32(f, 0);
    std::string lines;
    for (char c : head) {
        if (c == '\r') continue;
        lines += c == '\n' ? '\0' : c;
    }
    lines += '\0';
    std::vector<BYTE> payload;
    PutLe32(payload, 0x00000003);
    PutLe64(payload, responseMicros - 1000);
    PutLe64(payload, responseMicros);
    PutLe32(payload, (DWORD)lines.size());
    payload.insert(payload.end(), lines.begin(), lines.end());
    while (payload.size() % 4) payload.push_back(0);
    std::vector<BYTE> stream0;
    PutLe32(stream0, (DWORD)payload.size());
    stream0.insert(stream0.end(), payload.begin(), payload.end());
    f.insert(f.end(), stream0.begin(), stream0.end());
    f.insert(f.end(), 32, 0);
    PutLe64(f, 0xf4fa6f45970d41d8ULL);
    PutLe32(f, 2);  // key SHA-256 present
    PutLe32(f, 0);
    PutLe32(f, (DWORD)stream0.size());
    PutLe32(f, 0);
    return f;
}

// A cache2 entry file: body, then the metadata (checksum, chunk hashes,
// header of the version's layout, key, name/value pairs) and its offset.
inline std::vector<BYTE> Cache2EntryFile(const std::string& key, const std::string& responseHead,
                                         const std::vector<BYTE>& body, DWORD version, DWORD lastModified,
                                         const std::string& altData = std::string()) {
    std::vector<BYTE> f(body);
    DWORD offset = (DWORD)f.size();
    PutBe32(f, 0x12345678);
    size_t chunks = offset == 0 ? 0 : (offset - 1) / (256 * 1024) + 1;
    for (size_t i = 0; i < chunks; ++i) f.push_back(0xab), f.push_back(0xcd);
    PutBe32(f, version);
    PutBe32(f, 1);
    PutBe32(f, lastModified);
    PutBe32(f, lastModified);
    PutBe32(f, 0);
    PutBe32(f, lastModified + 86400);
    PutBe32(f, (DWORD)key.size());
    if (version >= 2) PutBe32(f, 0);
    f.insert(f.end(), key.begin(), key.end());
    f.push_back(0);
    auto pair = [&f](const std::string& name, const std::string& value) {
        f.insert(f.end(), name.begin(), name.end());
        f.push_back(0);
        f.insert(f.end(), value.begin(), value.end());
        f.push_back(0);
    };
    pair("request-method", "GET");
    if (!responseHead.empty()) pair("response-head", responseHead);
    if (!altData.empty()) pair("alt-data", altData);
    PutBe32(f, offset);
    return f;
}

}  // namespace browsercachekit

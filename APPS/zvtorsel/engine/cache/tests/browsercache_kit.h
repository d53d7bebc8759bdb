// Test kit of the browser cache readers: cache folders held in memory or
// the committed fixtures, and writers of entry files that follow the
// browsers' layouts (checked against the real fixtures in the tests).
#pragma once
#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/memoryfiles.h"
#include "cache/browsercachestore.h"
#include "cache/cachelisting.h"
#ifdef _WIN32
#include "base/win32/win32files.h"
#else
#include "base/tests/disktree.h"
#endif

namespace browsercachekit {

#ifdef ZV_CACHE_TEST_DATA
// The committed cache fixtures, with "\" separators as the store takes
// them (on Windows through the Z: drive of the host's file system).
inline std::string DataFolder() {
    std::string path = ZV_CACHE_TEST_DATA;
#ifdef _WIN32
    path = "Z:" + path;
#endif
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}
#endif

inline std::vector<BYTE> Bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

// data as one gzip member, as a server sends it with Content-Encoding: gzip.
inline std::vector<BYTE> Gzip(const std::string& data) {
    std::vector<BYTE> out(compressBound((uLong)data.size()) + 32);
    z_stream z = {};
    deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    z.next_in = (Bytef*)data.data();
    z.avail_in = (uInt)data.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// The files of a cache folder, by name below it.
using FolderFiles = std::map<std::string, std::vector<BYTE>>;

struct MemoryFolder {
    CMemoryFiles memory;
};

// A store over a cache folder in memory, which it keeps: folder ends with
// "\", files are named below it.
class MemoryStore : private MemoryFolder, public CBrowserCacheStore {
public:
    MemoryStore(const std::string& folder, const FolderFiles& files) : CBrowserCacheStore(folder, memory) {
        memory.AddFolder(folder);
        for (const auto& f : files) memory.AddFile(folder + f.first, f.second);
    }
    CMemoryFiles& Files() { return memory; }
};

#ifdef ZV_CACHE_TEST_DATA
// The files of the committed fixtures: the system's on Windows; on the host
// the fixture folder read into memory once.
inline IFiles& FixtureFiles() {
#ifdef _WIN32
    static CWin32Files files;
#else
    static CMemoryFiles files;
    static bool loaded = false;
    if (!loaded) {
        LoadDiskTree(ZV_CACHE_TEST_DATA, files);
        loaded = true;
    }
#endif
    return files;
}

inline std::vector<BYTE> FixtureBytes(const std::string& path) {
    std::vector<BYTE> bytes;
    ReadWholeFile(FixtureFiles(), path.c_str(), bytes, kLargestCacheFile);
    return bytes;
}
#endif

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

// Chromium's response info pickle: flags, request and response time (in
// microseconds since 1601), the head with NUL line ends.
inline std::vector<BYTE> ResponseInfo(const std::string& head, ULONGLONG responseMicros) {
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
    std::vector<BYTE> info;
    PutLe32(info, (DWORD)payload.size());
    info.insert(info.end(), payload.begin(), payload.end());
    return info;
}

// A simple cache "_0" file: header, key, body, end record, the response
// info, the key's SHA-256 place (zeros) and the final end record.
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
    std::vector<BYTE> stream0 = ResponseInfo(head, responseMicros);
    f.insert(f.end(), stream0.begin(), stream0.end());
    f.insert(f.end(), 32, 0);
    PutLe64(f, 0xf4fa6f45970d41d8ULL);
    PutLe32(f, 2);  // key SHA-256 present
    PutLe32(f, 0);
    PutLe32(f, (DWORD)stream0.size());
    PutLe32(f, 0);
    return f;
}

// A blockfile cache after the public layout of Chromium's disk_format.h:
// "index" (368-byte header, then the bucket table), block files data_0
// (36-byte rankings nodes), data_1 (256-byte entries), data_2 (1 KiB),
// data_3 (4 KiB), each with an 8 KiB header, and "f_" files.
class BlockfileWriter {
public:
    struct Options {
        bool bodyExternal = false;   // the body in an "f_" file
        bool keyOutside = false;     // the key in a data_2 block (as a long key is)
        bool dirty = false;
        bool evicted = false;
        int bucket = -1;             // shared buckets make chains; -1 one of its own
    };
    explicit BlockfileWriter(DWORD version = 0x30000) : version_(version) {
        for (int i = 0; i < 4; ++i) blocks_[i] = BlockHeader(i);
    }
    static DWORD Address(int type, int file, int start, int blocks) {
        return 0x80000000u | ((DWORD)type << 28) | ((DWORD)(blocks - 1) << 24) | ((DWORD)file << 16) | (DWORD)start;
    }
    // Stores data in the block file that fits it, or an "f_" file.
    DWORD Store(const std::vector<BYTE>& data, bool external) {
        if (external || data.size() > 4 * 4096) {
            DWORD address = 0x80000000u | (DWORD)++lastExternal_;
            char name[16];
            snprintf(name, sizeof name, "f_%06x", lastExternal_);
            files[name] = data;
            return address;
        }
        int file = data.size() <= 4 * 1024 ? 2 : 3;
        size_t unit = file == 2 ? 1024 : 4096;
        int blocks = (int)((data.size() + unit - 1) / unit);
        if (blocks == 0) blocks = 1;
        return Put(file, data, blocks, unit);
    }
    DWORD AddEntry(const std::string& key, const std::vector<BYTE>& info, const std::vector<BYTE>& body, Options o) {
        std::vector<BYTE> node(36, 0);
        if (o.dirty) node[28] = 7;
        DWORD rankings = Put(0, node, 1, 36);
        std::vector<BYTE> e(256, 0);
        auto put32 = [&e](size_t at, DWORD v) {
            for (int i = 0; i < 4; ++i) e[at + i] = (BYTE)(v >> (8 * i));
        };
        put32(8, rankings);
        put32(20, o.evicted ? 1 : 0);
        put32(24, (DWORD)13000000000000000ULL);
        put32(28, (DWORD)(13000000000000000ULL >> 32));
        put32(32, (DWORD)key.size());
        if (o.keyOutside || key.size() > 160) {
            put32(36, Store(std::vector<BYTE>(key.begin(), key.end()), false));
        } else {
            std::copy(key.begin(), key.end(), e.begin() + 96);
        }
        put32(40, (DWORD)info.size());
        put32(44, (DWORD)body.size());
        put32(56, Store(info, false));
        if (!body.empty()) put32(60, Store(body, o.bodyExternal));
        DWORD address = Put(1, e, 1, 256);
        entries_.push_back({address, o.bucket});
        return address;
    }
    // Makes an entry's "next" point at another (or itself: a loop).
    void Chain(DWORD from, DWORD to) {
        std::vector<BYTE>& data = blocks_[1];
        size_t at = 8192 + (from & 0xffff) * 256 + 4;
        for (int i = 0; i < 4; ++i) data[at + i] = (BYTE)(to >> (8 * i));
    }
    std::map<std::string, std::vector<BYTE>> Build() {
        const DWORD tableLength = 64;
        std::vector<BYTE> index;
        PutLe32(index, 0xC103CAC3);
        PutLe32(index, version_);
        PutLe32(index, (DWORD)entries_.size());
        while (index.size() < 28) PutLe32(index, 0);
        PutLe32(index, tableLength);
        index.resize(368 + 4 * tableLength, 0);
        std::map<int, DWORD> lastOfBucket;
        int nextFree = 0;
        for (const auto& entry : entries_) {
            int bucket = entry.second >= 0 ? entry.second : 32 + nextFree++;
            auto last = lastOfBucket.find(bucket);
            if (last == lastOfBucket.end()) {
                for (int i = 0; i < 4; ++i) index[368 + 4 * bucket + i] = (BYTE)(entry.first >> (8 * i));
            } else {
                Chain(last->second, entry.first);
            }
            lastOfBucket[bucket] = entry.first;
        }
        std::map<std::string, std::vector<BYTE>> out = files;
        out["index"] = index;
        for (int i = 0; i < 4; ++i) out["data_" + std::to_string(i)] = blocks_[i];
        return out;
    }
    std::map<std::string, std::vector<BYTE>> files;

private:
    static std::vector<BYTE> BlockHeader(int file) {
        static const DWORD sizes[] = {36, 256, 1024, 4096};
        std::vector<BYTE> h;
        PutLe32(h, 0xC104CAC3);
        PutLe32(h, 0x20000);
        PutLe32(h, (DWORD)file);  // this file, next file 0
        PutLe32(h, sizes[file]);
        h.resize(8192, 0);
        return h;
    }
    DWORD Put(int file, const std::vector<BYTE>& data, int blocks, size_t unit) {
        std::vector<BYTE>& f = blocks_[file];
        int start = (int)((f.size() - 8192) / unit);
        f.insert(f.end(), data.begin(), data.end());
        f.resize(8192 + (start + blocks) * unit, 0);
        static const int types[] = {1, 2, 3, 4};
        return Address(types[file], file, start, blocks);
    }
    DWORD version_;
    std::vector<BYTE> blocks_[4];
    int lastExternal_ = 0;
    std::vector<std::pair<DWORD, int>> entries_;
};

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

// Everything a job asks of a store: the walk, each entry's listing line and
// its decoded body, and the damage rows (fuzz targets run it on bad input).
inline void ReadWholeStore(CBrowserCacheStore& store) {
    UrlCacheEntry e;
    if (store.FindFirst(e)) {
        do {
            CacheListingLine(e);
            std::vector<BYTE> body;
            bool undecoded;
            store.ReadBody(e.sourceUrl, body, &undecoded);
        } while (store.FindNext(e));
    }
    store.Damage();
}

}  // namespace browsercachekit

// A writer of Mozilla disk cache (version 1) folders for the tests: the map
// (the dynamic layout of Firefox 3 on, or the fixed one of the older
// versions), block files with their bitmaps, separate files in either naming
// scheme. Its output is checked against the real fixtures' structure.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "cache/mozcache.h"
#include "cache/tests/browsercache_kit.h"

namespace browsercachekit {

struct MozCacheOptions {
    int metaFile = 1;  // 0: a separate "m" file
    int dataFile = -1;  // -1: chosen by size as the browser does; 0: a separate "d" file
    int generation = 1;
    DWORD lastFetched = 1100000000, lastModified = 1100000000, expiration = 0;
};

class MozCacheWriter {
public:
    using Options = MozCacheOptions;
    explicit MozCacheWriter(DWORD version = kMozCacheLatest) : version_(version) {
        for (int i = 0; i < 3; ++i) blocks_[i].assign(Bitmap(i + 1), 0);
    }

    static size_t BlockSize(int number) { return (size_t)256 << (2 * (number - 1)); }
    size_t Bitmap(int number) const { return version_ >= kMozCacheLatest ? (size_t)16384 >> (2 * (number - 1)) : 4096; }
    bool Nested() const { return version_ >= kMozCacheLatest; }

    static std::vector<BYTE> Metadata(const std::string& head, const char* method = "GET") {
        std::string m = std::string("request-method") + '\0' + method + '\0' + "response-head" + '\0' + head + '\0' +
                        "charset" + '\0' + "Shift_JIS" + '\0';
        return Bytes(m);
    }

    // The entry's own bytes: header, key, metadata.
    std::vector<BYTE> Entry(const std::string& key, const std::vector<BYTE>& meta, DWORD dataSize, const Options& o,
                            DWORD self) const {
        std::vector<BYTE> e;
        for (DWORD v : {version_, self, (DWORD)1, o.lastFetched, o.lastModified, o.expiration, dataSize,
                        (DWORD)key.size() + 1, (DWORD)meta.size()})
            PutBe32(e, v);
        e.insert(e.end(), key.begin(), key.end());
        e.push_back(0);
        e.insert(e.end(), meta.begin(), meta.end());
        return e;
    }

    // Puts bytes into free blocks of a block file; the location word, 0
    // when the bitmap has no room left.
    DWORD Place(int number, const std::vector<BYTE>& bytes) {
        std::vector<BYTE>& file = blocks_[number - 1];
        size_t size = BlockSize(number);
        size_t count = bytes.empty() ? 1 : (bytes.size() + size - 1) / size;
        size_t first = next_[number - 1];
        if (first + count > Bitmap(number) * 8) return 0;
        next_[number - 1] += count;
        size_t at = Bitmap(number) + first * size;
        // The browser writes no padding after the last block's bytes.
        if (file.size() < at + bytes.size()) file.resize(at + bytes.size(), 0);
        std::copy(bytes.begin(), bytes.end(), file.begin() + at);
        for (size_t b = first; b < first + count; ++b) {
            BYTE* word = &file[(b / 32) * 4];
            DWORD w = ((DWORD)word[0] << 24) | ((DWORD)word[1] << 16) | ((DWORD)word[2] << 8) | word[3];
            w |= 1u << (b % 32);
            word[0] = (BYTE)(w >> 24), word[1] = (BYTE)(w >> 16), word[2] = (BYTE)(w >> 8), word[3] = (BYTE)w;
        }
        return 0x80000000u | ((DWORD)number << 28) | ((DWORD)(count - 1) << 24) | (DWORD)first;
    }

    static int FileFor(size_t size) { return size <= 1024 ? 1 : size <= 4096 ? 2 : size <= 16384 ? 3 : 0; }

    void Add(const std::string& key, const std::string& head, const std::vector<BYTE>& body, const Options& o = Options()) {
        DWORD hash = MozCacheHash(key.data(), key.size());
        std::vector<BYTE> meta = Metadata(head);
        DWORD data = 0;
        if (!body.empty()) {
            int file = o.dataFile >= 0 ? o.dataFile : FileFor(body.size());
            if (file) data = Place(file, body);
            if (!data) {
                files_[MozCacheSeparateName(hash, 'd', o.generation, Nested())] = body;
                data = 0x80000000u | ((DWORD)((body.size() + 1023) / 1024) << 8) | (DWORD)o.generation;
            }
        }
        DWORD metaAt = 0;
        if (o.metaFile) {
            size_t size = BlockSize(o.metaFile);
            size_t count = (Entry(key, meta, 0, o, 0).size() + size - 1) / size;
            DWORD self = 0x80000000u | ((DWORD)o.metaFile << 28) | ((DWORD)(count - 1) << 24) | (DWORD)next_[o.metaFile - 1];
            metaAt = Place(o.metaFile, Entry(key, meta, (DWORD)body.size(), o, self));
        }
        if (!metaAt) {
            files_[MozCacheSeparateName(hash, 'm', o.generation, Nested())] = Entry(key, meta, (DWORD)body.size(), o, 0);
            metaAt = 0x80000000u | (DWORD)o.generation;
        }
        records_.push_back({hash, data, metaAt});
    }

    // The folder's files by name. dirty: the flag of a browser that did not
    // close; oldMap: the fixed map of Mozilla 1.7 to Firefox 2.
    std::map<std::string, std::vector<BYTE>> Build(bool dirty = false, bool oldMap = false) const {
        std::map<std::string, std::vector<BYTE>> out = files_;
        for (int i = 0; i < 3; ++i)
            if (blocks_[i].size() > Bitmap(i + 1)) out[std::string("_CACHE_00") + char('1' + i) + "_"] = blocks_[i];
        const size_t buckets = 32;
        std::vector<std::vector<Record>> bucket(buckets);
        size_t fullest = 0;
        for (const Record& r : records_) {
            bucket[r.hash % buckets].push_back(r);
            if (bucket[r.hash % buckets].size() > fullest) fullest = bucket[r.hash % buckets].size();
        }
        size_t perBucket = oldMap ? 256 : 32;
        while (!oldMap && perBucket < fullest) perBucket *= 2;
        std::vector<BYTE> map;
        for (DWORD v : {version_, (DWORD)0, (DWORD)records_.size(), (DWORD)dirty, (DWORD)(perBucket * buckets)})
            PutBe32(map, v);
        for (size_t i = 0; i < buckets; ++i) PutBe32(map, 0);
        for (size_t i = 0; i < buckets; ++i) PutBe32(map, (DWORD)bucket[i].size());
        if (oldMap) map.resize(4096, 0);
        for (size_t b = 0; b < buckets; ++b)
            for (size_t i = 0; i < perBucket; ++i) {
                Record r = i < bucket[b].size() ? bucket[b][i] : Record{0, 0, 0};
                for (DWORD v : {r.hash, (DWORD)0, r.data, r.meta}) PutBe32(map, v);
            }
        out["_CACHE_MAP_"] = map;
        return out;
    }

private:
    struct Record {
        DWORD hash, data, meta;
    };
    DWORD version_;
    std::vector<BYTE> blocks_[3];
    size_t next_[3] = {0, 0, 0};
    std::map<std::string, std::vector<BYTE>> files_;
    std::vector<Record> records_;
};

}  // namespace browsercachekit

// The cache folders of today's browsers (Chromium's simple cache, Firefox's
// cache2) as a read-only store behind the cache interface. Opening reads each
// entry file once for its key, its response head and, for encoded bodies,
// the decoded size (from the gzip trailer or zstd frame header where the
// body records it, else counted); the bodies are read again, and decoded
// once, when copied out.
// Nothing is ever written into the folders.
#pragma once
#include <deque>
#include <map>
#include <memory>
#include <memory_resource>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/files.h"
#include "base/textpool.h"
#include "cache/blockfile.h"
#include "cache/urlcache.h"

// Entry files larger than this are not read (the browsers keep large bodies
// far below it).
const size_t kLargestCacheFile = 512u << 20;

class CBrowserCacheStore : public IUrlCache {
public:
    // folder: the folder the user chose, ending with "\" (for captions).
    // files read the cache folders (never write them) and outlive the store.
    CBrowserCacheStore(const std::string& folder, IFiles& files) : folder_(folder), files_(files) {}

    // A Chromium simple cache folder ("Cache_Data\"): its "<16 hex>_0" files.
    void AddSimpleCache(const std::string& folder);
    // A Firefox cache2 folder ("cache2\"): the files of its "entries\".
    void AddCache2(const std::string& folder);
    // A Chromium blockfile cache folder: "index", "data_N" and "f_" files.
    void AddBlockfile(const std::string& folder);
    // A Mozilla disk cache (version 1) folder: "_CACHE_MAP_", the block
    // files "_CACHE_00N_" and the separate files below it.
    void AddMozillaCache(const std::string& folder);
    // A warning row of the opener (what it found and could not read).
    void Note(const std::string& where, UINT message) { AddDamage(where, message); }
    size_t CacheCount() const { return caches_; }
    size_t EntryCount() const { return records_.size(); }

    bool FindFirst(UrlCacheEntry& entry) override;
    bool FindNext(UrlCacheEntry& entry) override;
    void FindClose() override { walking_ = false; }
    bool GetLocalFile(const char* url, char* out, DWORD cap) override;
    bool DeleteEntry(const char*) override { return false; }
    bool CreateEntry(const char*, DWORD, const char*, char*, DWORD) override { return false; }
    bool CommitEntry(const char*, const char*, const FILETIME&, const FILETIME&, const char*) override { return false; }
    bool ReadOnly() const override { return true; }
    const char* SourceFolder() const override { return folder_.c_str(); }
    bool BodiesInStore() const override { return true; }
    bool ReadBody(const char* url, std::vector<BYTE>& body, bool* undecoded) override;
    bool WriteBody(const char* url, IFiles& files, const char* path, const FILETIME& time, ULONGLONG* size,
                   bool* undecoded) override;
    bool ReadStoredResponse(const char* url, StoredResponse& out) override;
    const std::vector<CacheDamage>& Damage() const override;

    static constexpr size_t kMaxDamageRows = 100;

private:
    // An entry as an opener reads it: views of texts the opener holds until
    // the record is taken.
    struct Record {
        std::string_view url;
        std::string_view localFile;
        std::string_view head;
        // head, contentType and encoding lie in the store's pool already,
        // each ended by a zero (the two short ones kept once each).
        bool textsKept = false;
        std::string_view contentType;
        std::string_view encoding;
        std::string note;  // empty for responses that are rebuilt
        ULONGLONG bodyOffset = 0, bodyLength = 0;
        bool sparse = false;  // the body lies in the ranges of the "_s" file
        DWORD size = 0;       // decoded
        bool undecodedNoted = false;  // its body's damage row is written
        FILETIME lastModified = {0, 0};
        FILETIME lastAccess = {0, 0};
        FILETIME expire = {0, 0};
        ULONGLONG stored = 0;  // when the browser stored it: the newest of one URL wins
        std::string_view requestMethod, requestHead;
    };
    // An entry as the store keeps it: its texts in the pool, those that many
    // entries share (folder, type, coding, method) once each. The local file
    // is folder and file name.
    struct Kept {
        const char* url;
        const char* folder;
        const char* file;
        const char* head;
        DWORD headSize;
        const char* contentType;
        const char* encoding;
        const char* note;
        const char* requestMethod;
        const char* requestHead;
        ULONGLONG bodyOffset, bodyLength, stored;
        FILETIME lastModified, lastAccess, expire;
        DWORD size;
        bool sparse, undecodedNoted;
    };
    void AddDamage(const std::string& where, UINT message);
    // Takes a record read from a file: fills its size and note, keeps the
    // newest of one URL.
    // body: the stored bytes, needed only when the body is encoded.
    void Take(Record& record, int status, std::string_view location, const BYTE* body);
    // Fills k (every field); url: the record's URL, kept already.
    void Keep(const Record& record, const char* url, Kept& k);
    // The local file of a kept entry.
    std::string LocalFile(const Kept& kept) const { return std::string(kept.folder) + kept.file; }
    bool StoredBody(const std::string& localFile, bool sparse, ULONGLONG offset, ULONGLONG length,
                    std::vector<BYTE>& out);
    bool StoredBody(const Record& record, std::vector<BYTE>& out) {
        return StoredBody(std::string(record.localFile), record.sparse, record.bodyOffset, record.bodyLength, out);
    }
    const Kept* Find(const char* url) const;
    // The damage row of a body found broken when it is copied, once.
    void NoteUndecoded(Kept& kept);
    // The bytes of a blockfile stream: in a block file read already, or in an "f_" file.
    bool ReadBlockfileBytes(std::map<int, std::vector<BYTE>>& blocks, const std::string& folder,
                            const BlockfileLocation& at, std::vector<BYTE>& out);
    void Emit(UrlCacheEntry& entry);

    std::string folder_;
    IFiles& files_;
    // The plain files of folder; false when it cannot be listed.
    bool ListFiles(const std::string& folder, std::vector<std::string>& names);
    bool ReadFile(const std::string& path, std::vector<BYTE>& out);
    bool FileSize(const std::string& path, ULONGLONG* size);
    CTextPool texts_;
    // The record list's blocks and the table's nodes come from one arena,
    // which gives them back all at once: no heap block for each entry.
    std::pmr::monotonic_buffer_resource arena_;
    // A deque grows without copying what it holds (a vector's doubling
    // would hold the old and the new array at once).
    std::pmr::deque<Kept> records_{&arena_};
    std::pmr::unordered_map<std::string_view, size_t> byUrl_{&arena_};
    // The local file of the entry the walk is at, whose folder part is walkFolder_.
    std::string walkLocalFile_;
    const char* walkFolder_ = nullptr;
    size_t walkFolderLength_ = 0;
    size_t caches_ = 0;
    size_t duplicates_ = 0;
    size_t damageNotListed_ = 0;
    std::vector<CacheDamage> damage_;
    // Bodies are read from more than one thread; a row found while reading is added under it.
    std::mutex damageLock_;
    mutable std::vector<CacheDamage> rows_;
    bool walking_ = false;
    size_t walk_ = 0;
};

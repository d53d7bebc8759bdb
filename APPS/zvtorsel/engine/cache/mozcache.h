// The Mozilla disk cache of version 1 (Mozilla Suite, SeaMonkey, Firefox 1
// to 31; formats 1.5 to 1.19): "_CACHE_MAP_" (a header, then records in 32
// buckets), the block files "_CACHE_001_" to "_CACHE_003_" (a bitmap, then
// blocks of 256 bytes, 1 KiB and 4 KiB) and separate files named after the
// key's hash ("X\XX\XXXXXdXX" from Firefox 4, "XXXXXXXXdXX" before; "m" for
// metadata). Every integer is big-endian. An entry is a 36-byte header, the
// key and metadata pairs of zero-ended strings; its body lies elsewhere.
// When the map cannot be trusted (dirty, missing, or not naming what the
// block files hold) the block files are searched for entry headers, each
// checked before it is taken. The reader works on byte buffers and never
// reads past them.
#pragma once
#include <stddef.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/textpool.h"
#include "cache/httpresponse.h"
#include "zvtypes.h"

const DWORD kMozCacheOldest = 0x00010005;  // Mozilla 1.7
const DWORD kMozCacheLatest = 0x00010013;  // Firefox 4 to 31

// A response head as the reader keeps it: each text in the reader's texts,
// ended by a zero (types and codings kept once each).
struct MozCacheResponse {
    int status = 0;
    std::string_view head;  // "HTTP/1.1 200 OK\r\nName: value\r\n...\r\n"
    std::string_view contentType;
    std::string_view contentEncoding;
    std::string_view location;
    FILETIME lastModified = {0, 0};  // zero when absent or no date
    FILETIME date = {0, 0};
};

// The texts of an entry are views into the bytes it was read from (the
// block files, which the caller keeps while it uses the entries, or a
// metadata file) and into the reader's texts: both live as long as the reader.
struct MozCacheEntry {
    DWORD version = 0;
    std::string_view key;
    std::string_view url;  // the end of the key; empty when the key names no URL
    std::string_view where;  // "_CACHE_001_ (0x4200)", for warning rows
    DWORD fetchCount = 0;
    DWORD lastFetched = 0;  // seconds since 1970
    DWORD lastModified = 0;
    DWORD expiration = 0;
    DWORD dataSize = 0;
    bool hasHead = false;
    MozCacheResponse head;
    std::string_view requestMethod;
    std::string_view charset;
    // Where the body lies: a block file (1 to 3) at an offset, a separate
    // file, nowhere (dataSize 0), or unknown (found by the search, whose
    // entries do not say where their body went, and no free blocks whose
    // content fits it alone).
    enum Place { BODY_EMPTY, BODY_BLOCK, BODY_FILE, BODY_UNKNOWN } place = BODY_EMPTY;
    std::string_view bodyFile;  // "_CACHE_003_", "3\3D\ED165d01"
    ULONGLONG bodyOffset = 0;
};

struct MozCacheDamage {
    enum Kind {
        BAD_RECORD,    // a map record names no block inside its file
        BAD_ENTRY,     // the entry header, key or metadata do not fit
        MISSING_FILE,  // a block or separate file named is not there, or too short
        MAP_UNUSED,    // the map did not tell the truth: the block files were searched
        NEWER,         // a format after the known ones
    };
    Kind kind;
    std::string where;
    std::string url;
};

// Bytes that the caller of the reader keeps while it uses the entries.
struct MozCacheBytes {
    const BYTE* bytes = nullptr;
    size_t length = 0;
    const BYTE* data() const { return bytes; }
    size_t size() const { return length; }
};

class CMozCacheReader {
public:
    // The bytes of a block file (1 to 3) into *out; false when it is absent.
    using BlockFiles = std::function<bool(int number, MozCacheBytes* out)>;
    // The size of a separate file ("3\3D\ED165d01"); false when it is not there.
    using SeparateSize = std::function<bool(const std::string& name, ULONGLONG* size)>;
    // The bytes of a separate metadata file.
    using SeparateFile = std::function<bool(const std::string& name, std::vector<BYTE>& out)>;

    // map: the bytes of "_CACHE_MAP_", null when there is none.
    void Parse(const BYTE* map, size_t mapSize, const BlockFiles& blocks, const SeparateSize& separateSize,
               const SeparateFile& separate);

    // Whether the map was sound and named every entry the block files hold.
    bool MapUsed() const { return mapUsed_; }
    DWORD Version() const { return version_; }
    const std::vector<MozCacheEntry>& Entries() const { return entries_; }
    const std::vector<MozCacheDamage>& Damage() const { return damage_; }
    // The reader's texts (heads, places, separate names), which the entries
    // point into, handed to a pool that outlives them.
    void GiveTexts(CTextPool& to) { to.Adopt(*texts_); }
    size_t DamageNotListed() const { return damageNotListed_; }
    static constexpr size_t kMaxDamageRows = 100;

private:
    struct Extent {
        int file;
        size_t first, count;  // blocks
    };
    bool ReadMap(const BYTE* map, size_t size);
    void ReadRecord(DWORD hash, DWORD dataLocation, DWORD metaLocation);
    // Checks the entry in bytes [data, data + room) and, with out (a new
    // entry), reads it; the caller names where it lies once it is taken.
    bool ReadEntry(const BYTE* data, size_t room, MozCacheEntry* out);
    bool KeepHead(const char* text, size_t size, MozCacheResponse& out);
    void Search();
    void SearchFile(int number, const MozCacheBytes& data);
    // out null: only whether an entry is there.
    bool SearchAt(int number, const MozCacheBytes& data, size_t at, size_t block, MozCacheEntry* out);
    void FindSeparateBody(DWORD hash, MozCacheEntry& entry);
    // Bodies of found entries in blocks no entry claims, by their content.
    void PlaceBodies();
    bool PlaceBody(MozCacheEntry& entry, bool strongOnly, size_t& budget);
    bool Claim(int file, size_t first, size_t count);
    size_t BitmapSize(int number) const;
    void Note(MozCacheDamage::Kind kind, std::string_view where, std::string_view url = std::string_view());
    // "_CACHE_001_ (0x4200)" in the texts.
    std::string_view KeepWhere(int number, size_t offset);
    std::string_view Keep(std::string_view text);

    MozCacheBytes blockBytes_[3];
    const MozCacheBytes* blockFiles_[3] = {nullptr, nullptr, nullptr};  // null for an absent file
    SeparateSize separateSize_;
    SeparateFile separate_;
    DWORD version_ = 0;
    bool mapUsed_ = false;
    bool mapTruthful_ = false;
    std::vector<MozCacheEntry> entries_;
    std::vector<MozCacheDamage> damage_;
    size_t damageNotListed_ = 0;
    std::vector<std::vector<bool>> claimed_;  // per block file: blocks an entry was read from
    size_t grid_[3] = {0, 0, 0};  // per block file: where its blocks begin (the bitmap's size)
    std::unordered_set<std::string> separateSeen_;  // metadata files read
    std::deque<std::vector<BYTE>> separateBytes_;  // the metadata files' bytes, which entries point into
    std::unique_ptr<CTextPool> texts_;
    HttpResponseHead parsed_;  // one head at a time, whose room the next reuses
};

// The URL of a key, a view of its end: "HTTP:<url>", the
// "HTTP:id=<n>&uri=<url>" of a POST response, "HTTP~<app>~<browser>:<url>"
// and "~"-prefixed forms. Empty when no URL with a scheme is left.
std::string_view MozCacheKeyToUrl(const char* key, size_t size);

// The key hash that names separate files and fills the map records (Bob
// Jenkins' 1996 hash of the key without its zero, seed 0).
DWORD MozCacheHash(const char* key, size_t size);

// The separate file of a hash: "X\XX\XXXXXtGG" (Firefox 4 on, nested) or
// "XXXXXXXXtGG" (flat); type 'd' (data) or 'm' (metadata).
std::string MozCacheSeparateName(DWORD hash, char type, int generation, bool nested);

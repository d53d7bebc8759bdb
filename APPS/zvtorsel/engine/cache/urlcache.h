// The URL cache as the rebuild engine sees it: a walk over its entries and
// the few operations that remove, create and commit one entry.
#pragma once
#include <string>
#include <vector>

#include "zvtypes.h"

enum {
    CACHE_ENTRY_COOKIE = 0x00100000,
    CACHE_ENTRY_HISTORY = 0x00200000,
};

// One entry of the walk. The pointers stay valid until the next call on the
// walk; absent strings are null.
struct UrlCacheEntry {
    const char* sourceUrl;
    const char* localFile;
    DWORD entryType;
    DWORD sizeLow;
    FILETIME lastModified;
    FILETIME lastAccess;      // zero when the store has none
    FILETIME expire;          // zero when the store has none
    const char* headerInfo;   // response headers, null when absent; not terminated
    DWORD headerInfoSize;
    const char* contentType;  // null when the store does not know it
    // What a response that is not rebuilt was ("301 <target>", "404"); null
    // for the responses that are.
    const char* note;
    // Which of the store's caches (Caches()) it came from.
    DWORD cache = 0;
};

// A part of a store that could not be read: where (a file and its offset)
// and the message of the program's string table that says what it means.
struct CacheDamage {
    std::string where;
    UINT message;
};

// A response as the store keeps it, for archives that keep it as it was.
struct StoredResponse {
    std::vector<BYTE> body;
    bool asSent = false;        // still in its Content-Encoding, as the server sent it
    bool truncated = false;     // only part of the body is there
    FILETIME stored = {0, 0};   // when the browser stored it; zero when unknown
    std::string requestMethod;  // empty when the store keeps no request
    std::string requestHead;    // the request's header lines the store keeps ("Name: value\r\n")
};

struct CacheSource;
class IFiles;

class IUrlCache {
public:
    virtual ~IUrlCache() {}
    // Starts a walk; false when the cache yields no first entry.
    virtual bool FindFirst(UrlCacheEntry& entry) = 0;
    // False when the walk has ended (no more entries or a failure).
    virtual bool FindNext(UrlCacheEntry& entry) = 0;
    virtual void FindClose() = 0;
    // The cache file that holds url now, into out (cap bytes).
    virtual bool GetLocalFile(const char* url, char* out, DWORD cap) = 0;
    virtual bool DeleteEntry(const char* url) = 0;
    // A new, empty cache file path for url, into path (cap bytes).
    virtual bool CreateEntry(const char* url, DWORD expectedSize, const char* ext, char* path,
                             DWORD cap) = 0;
    virtual bool CommitEntry(const char* url, const char* localFile, const FILETIME& expire,
                             const FILETIME& lastModified, const char* ext) = 0;

    // A store that is only read (a cache folder taken from another disk):
    // delete, create and commit fail there and nothing is written.
    virtual bool ReadOnly() const { return false; }
    // The folder such a store reads, for captions; null for the live cache.
    virtual const char* SourceFolder() const { return nullptr; }
    // Stores whose cache files are not the bodies themselves (a browser keeps
    // several entries, or one entry and its headers, in one file) give each
    // body through ReadBody; the copy step then writes that instead of
    // copying the local file.
    virtual bool BodiesInStore() const { return false; }
    // The body of url as the server meant it (Content-Encoding undone). When
    // it cannot be decoded the stored bytes are given and *undecoded is set.
    // False when the body cannot be read at all.
    virtual bool ReadBody(const char* url, std::vector<BYTE>& body, bool* undecoded) {
        (void)url, (void)body, (void)undecoded;
        return false;
    }
    // The body of url as ReadBody gives it, written as the new file path
    // (through a temporary) with the given time; *size its length. Stores
    // that can stream it hold a piece at a time, so a body of hundreds of
    // megabytes is never whole in memory; the others read it whole.
    virtual bool WriteBody(const char* url, IFiles& files, const char* path, const FILETIME& time, ULONGLONG* size,
                           bool* undecoded);
    // The response of url as stored, also for redirects and error pages;
    // false when the store keeps no bodies of its own (then the local file is
    // the body) or the body cannot be read.
    virtual bool ReadStoredResponse(const char* url, StoredResponse& out) {
        (void)url, (void)out;
        return false;
    }
    // A store of several caches (all those of a copied disk): each one, in
    // the order of the entries' cache numbers. Null for a store of one.
    virtual const std::vector<CacheSource>* Caches() const { return nullptr; }
    // What the store could not read, one warning row each.
    virtual const std::vector<CacheDamage>& Damage() const {
        static const std::vector<CacheDamage> none;
        return none;
    }
};

// Expiry time written on entries put back into the cache: 9999-12-31 11:59:59.999 UTC.
const ULONGLONG kCacheNeverExpires = 0x24C859FA3C8B38F0ULL;
// Added to the time of a written-back entry so that it is not older than its file.
const DWORD kWriteBackTimeOffset = 19999999;

// The caption of the cache root: rootText (string 28) for the live cache; for
// a cache folder, captionFormat (string 1182, one %s) filled with the folder.
std::string CacheRootCaption(const IUrlCache& cache, const char* rootText, const char* captionFormat);

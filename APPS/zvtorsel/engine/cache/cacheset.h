// Every cache found below one folder (a disk copied from an old PC: several
// people, browsers and profiles), read as one store that still tells which
// cache each entry came from, so that each cache gets a root of its own and
// can be rebuilt alone. A URL held by several caches is given once: the
// newest response wins, as inside one store.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cache/browsercachestore.h"
#include "cache/urlcache.h"

enum CacheKind { CACHE_INDEXDAT, CACHE_SIMPLE, CACHE_BLOCKFILE, CACHE_CACHE2, CACHE_MOZILLA };

// One cache of a set, as the search found it and the walk counted it.
struct CacheSource {
    CacheKind kind = CACHE_INDEXDAT;
    std::string folder;    // absolute, ending with "\"
    std::string relative;  // below the chosen folder, ending with "\" ("" for the folder itself)
    std::string caption;   // who wrote it: "Firefox (hanako\...\x9y8z7.default)"
    size_t entries = 0;    // entries the cache holds, before the newest of one URL is chosen
    FILETIME newest = {0, 0};  // when the newest of them was stored (or last modified)
};

// The short name of a kind for scripts: "ie", "chromium-simple",
// "chromium-blockfile", "firefox-cache2", "mozilla-v1".
const char* CacheKindName(CacheKind kind);

// Browser and profile of a cache folder, read from the folder names a
// browser leaves on the way ("Users\<user>", "User Data\<profile>",
// "Profiles\<profile>"): "Chrome (taro\...\Profile 1)", "IE (taro)". The
// ellipsis is the Shift_JIS one. nameFolder adds the folder's own name, for
// two caches that would read alike.
std::string CacheCaption(CacheKind kind, const std::string& folder, bool nameFolder = false);

class CCacheSet : public IUrlCache {
public:
    // folder: the folder the user chose, ending with "\"; files reads the
    // cache files of stores whose files are the bodies themselves.
    // files must outlive the set.
    CCacheSet(const std::string& folder, IFiles& files) : folder_(folder), files_(files) {}

    // Adds one cache read by its own store; relative and caption are filled here.
    void Add(CacheSource source, std::unique_ptr<IUrlCache> store);
    // A warning row of the search (what it found and could not read).
    void Note(const std::string& where, UINT message) { notes_.push_back({where, message}); }
    // Walks every cache once: its entry count and newest time, and which
    // cache gives each URL. Called once after the last Add.
    void Index();
    size_t Count() const { return sources_.size(); }

    bool FindFirst(UrlCacheEntry& entry) override;
    bool FindNext(UrlCacheEntry& entry) override;
    void FindClose() override;
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
    const std::vector<CacheSource>* Caches() const override { return &sources_; }

private:
    // The store that gives url, or null.
    IUrlCache* StoreOf(const char* url) const;
    // Moves the walk on to the next entry that its cache gives (not one a
    // newer cache holds too).
    bool Settle(UrlCacheEntry& entry, bool found);

    std::string folder_;
    IFiles& files_;
    std::vector<CacheSource> sources_;
    std::vector<std::unique_ptr<IUrlCache>> stores_;
    std::map<std::string, size_t> byUrl_;  // content URL: the cache that gives it
    std::vector<CacheDamage> notes_;
    mutable std::vector<CacheDamage> rows_;
    size_t duplicates_ = 0;
    bool walking_ = false;
    size_t walk_ = 0;
};

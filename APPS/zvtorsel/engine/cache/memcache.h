// An in-memory URL cache for tests and for runs without the browser's cache.
#pragma once
#include <string>
#include <vector>

#include "cache/urlcache.h"

class CMemoryUrlCache : public IUrlCache {
public:
    struct Entry {
        std::string url;
        std::string localFile;  // empty for history entries
        DWORD type = 0;
        DWORD size = 0;
        FILETIME lastModified = {0, 0};
        bool hasLocalFile = true;
        std::string contentType;  // empty: the store does not know it
    };

    // Adds or replaces the entry of url.
    void Put(const Entry& entry);
    const Entry* Find(const char* url) const;
    size_t Count() const { return entries_.size(); }
    // Folder prefix of the files handed out by CreateEntry.
    void SetFileFolder(const char* folder) { fileFolder_ = folder; }
    // Makes the next FindNext fail as a broken cache would.
    void FailAfter(int count) { failAfter_ = count; }

    bool FindFirst(UrlCacheEntry& entry) override;
    bool FindNext(UrlCacheEntry& entry) override;
    void FindClose() override { walk_ = -1; }
    bool GetLocalFile(const char* url, char* out, DWORD cap) override;
    bool DeleteEntry(const char* url) override;
    bool CreateEntry(const char* url, DWORD expectedSize, const char* ext, char* path,
                     DWORD cap) override;
    bool CommitEntry(const char* url, const char* localFile, const FILETIME& expire,
                     const FILETIME& lastModified, const char* ext) override;

    FILETIME lastExpire = {0, 0};

private:
    bool Emit(UrlCacheEntry& entry);

    std::vector<Entry> entries_;
    std::string fileFolder_;
    int walk_ = -1;
    int failAfter_ = -1;
    int created_ = 0;
};

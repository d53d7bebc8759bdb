// The browser's URL cache through WinINet.
#pragma once
#include <windows.h>

#include "cache/urlcache.h"

class CWinInetUrlCache : public IUrlCache {
public:
    CWinInetUrlCache();
    ~CWinInetUrlCache() override;

    bool FindFirst(UrlCacheEntry& entry) override;
    bool FindNext(UrlCacheEntry& entry) override;
    void FindClose() override;
    bool GetLocalFile(const char* url, char* out, DWORD cap) override;
    bool DeleteEntry(const char* url) override;
    bool CreateEntry(const char* url, DWORD expectedSize, const char* ext, char* path,
                     DWORD cap) override;
    bool CommitEntry(const char* url, const char* localFile, const FILETIME& expire,
                     const FILETIME& lastModified, const char* ext) override;

private:
    bool Grow(DWORD size);
    void Fill(UrlCacheEntry& entry) const;

    HANDLE find_;
    BYTE* buffer_;
    DWORD capacity_;
};

// Length in bytes of the prefix the browser puts before history URLs; 0 when unknown.
int ReadHistoryPrefixLength();

#include "wininetcache.h"

#include <wininet.h>
#include <stdlib.h>
#include <string.h>

namespace {
const DWORD kRecordSize = 4096;
}

CWinInetUrlCache::CWinInetUrlCache() : find_(nullptr), buffer_(nullptr), capacity_(0) {
    Grow(kRecordSize);
}

CWinInetUrlCache::~CWinInetUrlCache() {
    FindClose();
    free(buffer_);
}

bool CWinInetUrlCache::Grow(DWORD size) {
    if (size <= capacity_) return true;
    BYTE* p = (BYTE*)realloc(buffer_, size);
    if (!p) return false;
    buffer_ = p;
    capacity_ = size;
    return true;
}

void CWinInetUrlCache::Fill(UrlCacheEntry& entry) const {
    const INTERNET_CACHE_ENTRY_INFOA* info = (const INTERNET_CACHE_ENTRY_INFOA*)buffer_;
    entry.sourceUrl = info->lpszSourceUrlName;
    entry.localFile = info->lpszLocalFileName;
    entry.entryType = info->CacheEntryType;
    entry.sizeLow = info->dwSizeLow;
    entry.lastModified = info->LastModifiedTime;
    entry.lastAccess = info->LastAccessTime;
    entry.expire = info->ExpireTime;
    entry.headerInfo = info->dwHeaderInfoSize ? (const char*)info->lpHeaderInfo : nullptr;
    entry.headerInfoSize = info->lpHeaderInfo ? info->dwHeaderInfoSize : 0;
    entry.contentType = nullptr;
    entry.note = nullptr;
}

// An entry larger than the record buffer makes the buffer grow to the size the
// cache asks for and is fetched again, so one long URL does not end the walk.
bool CWinInetUrlCache::FindFirst(UrlCacheEntry& entry) {
    FindClose();
    if (!buffer_) return false;
    for (;;) {
        DWORD size = capacity_;
        find_ = FindFirstUrlCacheEntryA(nullptr, (INTERNET_CACHE_ENTRY_INFOA*)buffer_, &size);
        if (find_) break;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= capacity_ || !Grow(size))
            return false;
    }
    Fill(entry);
    return true;
}

bool CWinInetUrlCache::FindNext(UrlCacheEntry& entry) {
    if (!find_) return false;
    for (;;) {
        DWORD size = capacity_;
        if (FindNextUrlCacheEntryA(find_, (INTERNET_CACHE_ENTRY_INFOA*)buffer_, &size)) break;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= capacity_ || !Grow(size))
            return false;
    }
    Fill(entry);
    return true;
}

void CWinInetUrlCache::FindClose() {
    if (find_) {
        FindCloseUrlCache(find_);
        find_ = nullptr;
    }
}

bool CWinInetUrlCache::GetLocalFile(const char* url, char* out, DWORD cap) {
    if (!buffer_ || cap == 0) return false;
    for (;;) {
        DWORD size = capacity_;
        if (GetUrlCacheEntryInfoA(url, (INTERNET_CACHE_ENTRY_INFOA*)buffer_, &size)) break;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= capacity_ || !Grow(size))
            return false;
    }
    const char* file = ((const INTERNET_CACHE_ENTRY_INFOA*)buffer_)->lpszLocalFileName;
    if (!file) return false;
    size_t n = strlen(file);
    if (n + 1 > cap) return false;
    memcpy(out, file, n + 1);
    return true;
}

bool CWinInetUrlCache::DeleteEntry(const char* url) {
    return DeleteUrlCacheEntryA(url) != FALSE;
}

bool CWinInetUrlCache::CreateEntry(const char* url, DWORD expectedSize, const char* ext,
                                   char* path, DWORD cap) {
    char file[MAX_PATH + 1];
    file[0] = 0;
    if (!CreateUrlCacheEntryA(url, expectedSize, ext ? ext : "", file, 0)) return false;
    size_t n = strlen(file);
    if (n == 0 || n + 1 > cap) return false;
    memcpy(path, file, n + 1);
    return true;
}

bool CWinInetUrlCache::CommitEntry(const char* url, const char* localFile, const FILETIME& expire,
                                   const FILETIME& lastModified, const char* ext) {
    return CommitUrlCacheEntryA(url, localFile, expire, lastModified, 0, nullptr, 0,
                                ext ? ext : "", nullptr) != FALSE;
}

int ReadHistoryPrefixLength() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Url History",
                      0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    char prefix[32];
    DWORD size = sizeof(prefix) - 1;
    DWORD type = 0;
    int length = 0;
    if (RegQueryValueExA(key, "CachePrefix", nullptr, &type, (BYTE*)prefix, &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ) {
        prefix[size < sizeof(prefix) ? size : sizeof(prefix) - 1] = 0;
        length = (int)strlen(prefix);
    }
    RegCloseKey(key);
    return length;
}

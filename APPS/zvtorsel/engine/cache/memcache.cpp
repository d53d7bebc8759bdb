#include "cache/memcache.h"

#include <stdio.h>
#include <string.h>

void CMemoryUrlCache::Put(const Entry& entry) {
    for (Entry& e : entries_) {
        if (e.url == entry.url) {
            e = entry;
            return;
        }
    }
    entries_.push_back(entry);
}

const CMemoryUrlCache::Entry* CMemoryUrlCache::Find(const char* url) const {
    for (const Entry& e : entries_)
        if (e.url == url) return &e;
    return nullptr;
}

bool CMemoryUrlCache::Emit(UrlCacheEntry& entry) {
    if (walk_ < 0 || walk_ >= (int)entries_.size()) return false;
    if (failAfter_ >= 0 && walk_ >= failAfter_) return false;
    const Entry& e = entries_[walk_];
    entry.sourceUrl = e.url.c_str();
    entry.localFile = e.hasLocalFile ? e.localFile.c_str() : nullptr;
    entry.entryType = e.type;
    entry.sizeLow = e.size;
    entry.lastModified = e.lastModified;
    entry.lastAccess = FILETIME{0, 0};
    entry.expire = FILETIME{0, 0};
    entry.headerInfo = nullptr;
    entry.headerInfoSize = 0;
    entry.contentType = e.contentType.empty() ? nullptr : e.contentType.c_str();
    entry.note = nullptr;
    return true;
}

bool CMemoryUrlCache::FindFirst(UrlCacheEntry& entry) {
    walk_ = 0;
    return Emit(entry);
}

bool CMemoryUrlCache::FindNext(UrlCacheEntry& entry) {
    if (walk_ < 0) return false;
    ++walk_;
    return Emit(entry);
}

bool CMemoryUrlCache::GetLocalFile(const char* url, char* out, DWORD cap) {
    const Entry* e = Find(url);
    if (!e || !e->hasLocalFile || e->localFile.size() + 1 > cap) return false;
    memcpy(out, e->localFile.c_str(), e->localFile.size() + 1);
    return true;
}

bool CMemoryUrlCache::DeleteEntry(const char* url) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].url == url) {
            entries_.erase(entries_.begin() + i);
            return true;
        }
    }
    return false;
}

bool CMemoryUrlCache::CreateEntry(const char* url, DWORD, const char* ext, char* path, DWORD cap) {
    if (!url || !*url || cap == 0) return false;
    int n = snprintf(path, cap, "%scache%d%s%s", fileFolder_.c_str(), ++created_,
                     (ext && *ext) ? "." : "", ext ? ext : "");
    return n > 0 && (DWORD)n < cap;
}

bool CMemoryUrlCache::CommitEntry(const char* url, const char* localFile, const FILETIME& expire,
                                  const FILETIME& lastModified, const char*) {
    if (!url || !*url) return false;
    Entry e;
    e.url = url;
    e.localFile = localFile ? localFile : "";
    e.lastModified = lastModified;
    lastExpire = expire;
    Put(e);
    return true;
}

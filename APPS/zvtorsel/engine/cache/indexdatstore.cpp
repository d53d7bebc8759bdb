#include "cache/indexdatstore.h"

#include <stdio.h>
#include <string.h>

#include "base/messagenumbers.h"

namespace {

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace

bool CIndexDatUrlCache::AddIndex(const std::string& indexPath, std::vector<BYTE> bytes) {
    std::unique_ptr<Index> index(new Index);
    index->path = indexPath;
    index->folder = FolderOf(indexPath);
    index->bytes = std::move(bytes);
    if (!index->reader.Parse(index->bytes.data(), index->bytes.size())) {
        NoteUnreadable(indexPath);
        return false;
    }
    for (const IndexDatDamage& d : index->reader.Damage()) {
        char where[32];
        snprintf(where, sizeof(where), " (0x%08lX)", (unsigned long)d.offset);
        damage_.push_back({indexPath + where, IDS_WARN_CACHE_DAMAGED});
    }
    if (size_t more = index->reader.DamageNotListed()) {
        char where[32];
        snprintf(where, sizeof(where), " (+%lu)", (unsigned long)more);
        damage_.push_back({indexPath + where, IDS_WARN_CACHE_DAMAGED});
    }
    indexes_.push_back(std::move(index));
    return true;
}

void CIndexDatUrlCache::NoteUnreadable(const std::string& path) {
    damage_.push_back({path, IDS_WARN_CACHE_UNREADABLE});
}

std::string CIndexDatUrlCache::LocalFile(const Index& index, const IndexDatRecord& record) const {
    if (!record.fileName) return std::string();
    std::string path = index.folder;
    if (record.folder >= 0) path += index.reader.Folders()[record.folder] + "\\";
    return path + record.fileName;
}

bool CIndexDatUrlCache::Emit(UrlCacheEntry& entry) {
    while (walkIndex_ < indexes_.size()) {
        const Index& index = *indexes_[walkIndex_];
        if (walkRecord_ < index.reader.Records().size()) {
            const IndexDatRecord& r = index.reader.Records()[walkRecord_];
            localFile_ = LocalFile(index, r);
            entry.sourceUrl = r.url;
            entry.localFile = localFile_.empty() ? nullptr : localFile_.c_str();
            entry.entryType = r.entryType;
            entry.sizeLow = r.sizeLow;
            entry.lastModified = r.lastModified;
            entry.lastAccess = r.lastAccess;
            entry.expire = r.expire;
            entry.headerInfo = r.headerInfo;
            entry.headerInfoSize = r.headerInfoSize;
            entry.contentType = nullptr;
            entry.note = nullptr;
            return true;
        }
        ++walkIndex_;
        walkRecord_ = 0;
    }
    walking_ = false;
    return false;
}

bool CIndexDatUrlCache::FindFirst(UrlCacheEntry& entry) {
    walking_ = true;
    walkIndex_ = 0;
    walkRecord_ = 0;
    return Emit(entry);
}

bool CIndexDatUrlCache::FindNext(UrlCacheEntry& entry) {
    if (!walking_) return false;
    ++walkRecord_;
    return Emit(entry);
}

bool CIndexDatUrlCache::GetLocalFile(const char* url, char* out, DWORD cap) {
    if (!url || cap == 0) return false;
    for (const auto& index : indexes_) {
        for (const IndexDatRecord& r : index->reader.Records()) {
            if (strcmp(r.url, url) != 0) continue;
            std::string file = LocalFile(*index, r);
            if (file.empty() || file.size() + 1 > cap) return false;
            memcpy(out, file.c_str(), file.size() + 1);
            return true;
        }
    }
    return false;
}

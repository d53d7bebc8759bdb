#include "cache/indexdat.h"

#include <string.h>

namespace {

const size_t kBlockSize = 128;
// Records and hash tables lie behind the header and its allocation bitmap.
const size_t kRecordsStart = 0x4000;
const size_t kHeaderSize = 76;
const size_t kFolderEntrySize = 12;
const size_t kFolderNameSize = 8;
// The sub-folder table ends where the header's other values begin.
const size_t kMaxFolders = (0x1cc - kHeaderSize) / kFolderEntrySize;
const size_t kHashTableHeader = 16;
const size_t kHashEntrySize = 8;

// Hash keys that mark a slot as free, deleted or never used.
const DWORD kKeyDeleted = 1;
const DWORD kKeyFree = 3;
const DWORD kKeyUninitialized = 0x0badf00d;
const DWORD kKeyUninitialized8 = 0xdeadbeef;

struct Signature {
    const char* text;
    IndexDatVersion version;
};
const Signature kSignatures[] = {
    {"Client UrlCache MMF Ver 5.2", INDEXDAT_52},
    {"Client UrlCache MMF Ver 4.7", INDEXDAT_47},
    {"WINE URLCache Ver 0.2012001", INDEXDAT_52},
};

// Field offsets of a URL record, by version.
struct UrlLayout {
    size_t lastModified, lastAccess, expire;
    bool expireIsFat;
    size_t size, url, folder, fileName, type, headerInfo, headerInfoSize;
};
const UrlLayout kLayout47 = {8, 16, 24, false, 32, 56, 60, 64, 68, 72, 76};
const UrlLayout kLayout52 = {8, 16, 24, true, 32, 52, 56, 60, 64, 68, 72};
// Folder indexes the browser uses for entries without a file of their own.
const BYTE kNoFolder1 = 0xfe, kNoFolder2 = 0xff;

bool HasSignature(const BYTE* p, const char* sig) { return memcmp(p, sig, 4) == 0; }

FILETIME MakeFileTime(ULONGLONG v) {
    FILETIME t;
    t.dwLowDateTime = (DWORD)v;
    t.dwHighDateTime = (DWORD)(v >> 32);
    return t;
}

}  // namespace

FILETIME FatDateTimeToFileTime(DWORD fat) {
    int day = fat & 31, month = (fat >> 5) & 15, year = 1980 + ((fat >> 9) & 127);
    int second = ((fat >> 16) & 31) * 2, minute = (fat >> 21) & 63, hour = (fat >> 27) & 31;
    if (day < 1 || month < 1 || month > 12 || hour > 23 || minute > 59 || second > 59) return MakeFileTime(0);
    // Days since 1601-01-01 by the civil calendar.
    int y = year - (month <= 2);
    int era = y / 400;
    int yoe = y - era * 400;
    int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    long long days = (long long)era * 146097 + doe - 719468 + 134774;
    long long seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return MakeFileTime((ULONGLONG)seconds * 10000000ULL);
}

DWORD CIndexDatReader::Dword(size_t at) const {
    if (at > size_ || size_ - at < 4) return 0;
    const BYTE* p = data_ + at;
    return (DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24);
}

bool CIndexDatReader::Parse(const BYTE* data, size_t size) {
    data_ = data;
    size_ = size;
    version_ = INDEXDAT_NONE;
    records_.clear();
    damage_.clear();
    damageNotListed_ = 0;
    folders_.clear();
    seenBlocks_.clear();
    if (!data || size < kHeaderSize) return false;
    for (const Signature& s : kSignatures) {
        size_t n = strlen(s.text);
        if (memcmp(data, s.text, n + 1) == 0) version_ = s.version;
    }
    if (version_ == INDEXDAT_NONE) return false;

    DWORD folderCount = Dword(72);
    if (folderCount > kMaxFolders) {
        Note(72, IndexDatDamage::OFFSET_OUTSIDE);
        folderCount = kMaxFolders;
    }
    for (DWORD i = 0; i < folderCount; ++i) {
        size_t at = kHeaderSize + i * kFolderEntrySize + 4;
        if (at + kFolderNameSize > size) {
            Note((DWORD)at, IndexDatDamage::TRUNCATED);
            break;
        }
        const char* name = (const char*)data + at;
        folders_.push_back(std::string(name, strnlen(name, kFolderNameSize)));
    }
    // The header's own size may not be larger than what was read: a copy cut
    // short still gives the records inside it.
    if (Dword(28) > size) Note(28, IndexDatDamage::TRUNCATED);
    seenBlocks_.assign(size / kBlockSize + 1, false);
    ReadHashTables(Dword(32));
    return true;
}

void CIndexDatReader::ReadHashTables(DWORD first) {
    for (DWORD table = first; table != 0;) {
        if (table < kRecordsStart || table >= size_ || table % kBlockSize != 0) {
            Note(table, IndexDatDamage::OFFSET_OUTSIDE);
            return;
        }
        if (seenBlocks_[table / kBlockSize]) {
            Note(table, IndexDatDamage::CHAIN_LOOP);
            return;
        }
        seenBlocks_[table / kBlockSize] = true;
        if (size_ - table < kHashTableHeader) {
            Note(table, IndexDatDamage::TRUNCATED);
            return;
        }
        if (!HasSignature(data_ + table, "HASH")) {
            Note(table, IndexDatDamage::BAD_SIGNATURE);
            return;
        }
        ULONGLONG length = (ULONGLONG)Dword(table + 4) * kBlockSize;
        if (length < kHashTableHeader) {
            Note(table, IndexDatDamage::EMPTY_RECORD);
            return;
        }
        size_t end = table + (size_t)(length < size_ - table ? length : size_ - table);
        if (length > size_ - table) Note(table, IndexDatDamage::TRUNCATED);
        for (size_t at = table + kHashTableHeader; at + kHashEntrySize <= end; at += kHashEntrySize)
            ReadEntry(Dword(at), Dword(at + 4));
        table = Dword(table + 8);
    }
}

void CIndexDatReader::ReadEntry(DWORD hash, DWORD offset) {
    if (hash == kKeyDeleted || hash == kKeyFree || hash == kKeyUninitialized || hash == kKeyUninitialized8 ||
        hash == offset || offset == 0)
        return;
    if (offset < kRecordsStart || offset >= size_ || offset % kBlockSize != 0) {
        Note(offset, IndexDatDamage::OFFSET_OUTSIDE);
        return;
    }
    if (seenBlocks_[offset / kBlockSize]) return;  // listed twice, or a table
    seenBlocks_[offset / kBlockSize] = true;
    if (size_ - offset < 8) {
        Note(offset, IndexDatDamage::TRUNCATED);
        return;
    }
    ULONGLONG length = (ULONGLONG)Dword(offset + 4) * kBlockSize;
    if (length == 0) {
        Note(offset, IndexDatDamage::EMPTY_RECORD);
        return;
    }
    size_t end = offset + (size_t)(length < size_ - offset ? length : size_ - offset);
    const BYTE* record = data_ + offset;
    // Redirections and leaked records are no entries of the cache listing.
    if (HasSignature(record, "REDR") || HasSignature(record, "LEAK")) return;
    if (!HasSignature(record, "URL ")) {
        Note(offset, IndexDatDamage::BAD_SIGNATURE);
        return;
    }
    if (length > size_ - offset) Note(offset, IndexDatDamage::TRUNCATED);
    ReadUrlRecord(offset, end);
}

const char* CIndexDatReader::StringAt(DWORD record, DWORD relative, size_t end) {
    if (relative == 0) return nullptr;
    if (relative >= end - record) {
        Note(record, IndexDatDamage::OFFSET_OUTSIDE);
        return nullptr;
    }
    const char* s = (const char*)data_ + record + relative;
    if (!memchr(s, 0, end - (record + relative))) {
        Note(record, IndexDatDamage::BAD_STRING);
        return nullptr;
    }
    return s;
}

void CIndexDatReader::ReadUrlRecord(DWORD offset, size_t end) {
    const UrlLayout& f = version_ == INDEXDAT_47 ? kLayout47 : kLayout52;
    if (end - offset < f.headerInfoSize + 4) {
        Note(offset, IndexDatDamage::TRUNCATED);
        return;
    }
    IndexDatRecord r = {};
    r.url = StringAt(offset, Dword(offset + f.url), end);
    if (!r.url) {
        if (Dword(offset + f.url) == 0) Note(offset, IndexDatDamage::BAD_STRING);
        return;
    }
    r.fileName = StringAt(offset, Dword(offset + f.fileName), end);
    if (r.fileName && !*r.fileName) r.fileName = nullptr;
    r.folder = -1;
    BYTE folder = data_[offset + f.folder];
    if (r.fileName && folder != kNoFolder1 && folder != kNoFolder2) {
        if (folder < folders_.size()) {
            r.folder = folder;
        } else {
            // Which folder holds the file cannot be known: no file.
            Note(offset, IndexDatDamage::FOLDER_OUT_OF_RANGE);
            r.fileName = nullptr;
        }
    }
    r.entryType = Dword(offset + f.type);
    r.sizeLow = Dword(offset + f.size);
    r.lastModified = MakeFileTime(Dword(offset + f.lastModified) | (ULONGLONG)Dword(offset + f.lastModified + 4) << 32);
    r.lastAccess = MakeFileTime(Dword(offset + f.lastAccess) | (ULONGLONG)Dword(offset + f.lastAccess + 4) << 32);
    r.expire = f.expireIsFat ? FatDateTimeToFileTime(Dword(offset + f.expire))
                             : MakeFileTime(Dword(offset + f.expire) | (ULONGLONG)Dword(offset + f.expire + 4) << 32);
    DWORD infoAt = Dword(offset + f.headerInfo), infoSize = Dword(offset + f.headerInfoSize);
    if (infoAt && infoSize) {
        if (infoAt < end - offset && infoSize <= end - offset - infoAt) {
            r.headerInfo = (const char*)data_ + offset + infoAt;
            r.headerInfoSize = infoSize;
        } else {
            Note(offset, IndexDatDamage::OFFSET_OUTSIDE);
        }
    }
    records_.push_back(r);
}

#include "cache/win32/cachefolder.h"

#include <windows.h>

#include "base/messagenumbers.h"
#include "cache/win32/wininetcache.h"

namespace {

// Index files larger than this are no cache index (the browser's stop far below).
const DWORD kLargestIndex = 256u << 20;
// How deep below the chosen folder caches are looked for, how many folders
// and how long at most: from a drive's root, the Chrome cache of
// "Users\taro\AppData\Local\Google\Chrome\User Data\Default" is ten down.
const int kSearchDepth = 12;
const int kSearchFolders = 200000;
const DWORD kSearchMillis = 120000;

bool ReadWhole(const std::string& path, std::vector<BYTE>& out, DWORD largest) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= largest;
    if (ok) {
        out.resize(size);
        DWORD done = 0;
        while (ok && done < size) {
            DWORD n = 0;
            ok = ReadFile(file, out.data() + done, size - done, &n, nullptr) && n > 0;
            done += n;
        }
    }
    CloseHandle(file);
    return ok;
}

bool Exists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The names compared are ASCII, which a Shift_JIS name (its lead byte above
// 0x80) never equals; folding ASCII alone spares the system's locale calls,
// which cost more than the listing itself in a folder of thousands of files.
bool SameNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = (char)(y - 'A' + 'a');
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

bool StartsWith(const std::vector<BYTE>& bytes, const BYTE* magic, size_t n) {
    return bytes.size() >= n && memcmp(bytes.data(), magic, n) == 0;
}

// The first bytes of a file, for telling formats apart.
std::vector<BYTE> Head(const std::string& path) {
    std::vector<BYTE> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(32);
    DWORD n = 0;
    if (!ReadFile(file, bytes.data(), (DWORD)bytes.size(), &n, nullptr)) n = 0;
    bytes.resize(n);
    CloseHandle(file);
    return bytes;
}

// Folders that hold no browser cache however deep one looks: a copied
// disk's system folders and a profile's other stores, some of them large.
// IE keeps its caches in "Microsoft\Windows" of a profile.
bool Barren(const std::string& name, const std::string& parent) {
    if (SameNoCase(parent, "Microsoft")) return false;
    static const char* const kNames[] = {
        "Windows", "WINNT", "Program Files", "Program Files (x86)", "$Recycle.Bin", "RECYCLER",
        "System Volume Information", "WinSxS", "Extensions", "Code Cache", "GPUCache", "Service Worker",
        "IndexedDB", "Local Storage", "Session Storage", "File System", "blob_storage", "databases",
        "storage", "startupCache", "thumbnails", "crashes", "minidumps", "datareporting"};
    for (const char* barren : kNames)
        if (SameNoCase(name, barren)) return true;
    return false;
}

struct Search {
    CacheSearch found;
    DWORD started = GetTickCount();

    void Take(CacheKind kind, const std::string& folder) { found.caches.push_back({kind, folder}); }

    void Visit(const std::string& folder, const std::string& name, int depth, bool chosen) {
        if (found.folders >= kSearchFolders || GetTickCount() - started > kSearchMillis) {
            if (!found.cut) found.unknown.push_back({folder, IDS_WARN_CACHE_SEARCH_CUT});
            found.cut = true;
            return;
        }
        ++found.folders;
        static const BYTE kIndexDatMagic[] = "Client UrlCache MMF";
        static const BYTE kSimpleMagic[] = {0x30, 0x5c, 0x72, 0xa7, 0x1b, 0x6d, 0xfb, 0xfc};
        static const BYTE kBlockfileMagic[] = {0xc3, 0xca, 0x03, 0xc1};
        // Chromium keeps other simple caches (compiled scripts, GPU shaders,
        // service workers) in a profile too: below the chosen folder only
        // the HTTP cache's own folders count; so for IE, whose cookies and
        // other stores keep index files of their own.
        bool httpName = SameNoCase(name, "Cache_Data") || SameNoCase(name, "Cache");
        bool ieName = SameNoCase(name, "Content.IE5") || SameNoCase(name, "History.IE5");
        // A folder named as a cache is asked for its index files first: a
        // cache of thousands of files is then never listed.
        if (!chosen && ieName && StartsWith(Head(folder + "index.dat"), kIndexDatMagic, sizeof kIndexDatMagic - 1))
            return Take(CACHE_INDEXDAT, folder);
        if (!chosen && httpName) {
            if (Exists(folder + "index-dir\\the-real-index")) return Take(CACHE_SIMPLE, folder);
            if (Exists(folder + "data_0") && StartsWith(Head(folder + "index"), kBlockfileMagic, sizeof kBlockfileMagic))
                return Take(CACHE_BLOCKFILE, folder);
            if (SameNoCase(name, "Cache") && (Exists(folder + "_CACHE_MAP_") || Exists(folder + "_CACHE_001_") ||
                                              Exists(folder + "_CACHE_002_") || Exists(folder + "_CACHE_003_")))
                return Take(CACHE_MOZILLA, folder);
        }
        // One listing per folder: the names alone tell a cache's shape, and
        // only an index file's first bytes are read to be sure.
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
        if (h == INVALID_HANDLE_VALUE) return;
        std::vector<std::string> subfolders;
        bool indexDat = false, indexDir = false, entries = false, index = false, data0 = false, mozilla = false;
        std::string simpleEntry;
        do {
            std::string entry = d.cFileName;
            if (entry == "." || entry == "..") continue;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A junction may lead back up: it is never followed.
                if (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
                if (SameNoCase(entry, "index-dir")) indexDir = true;
                else if (SameNoCase(entry, "entries")) entries = true;
                subfolders.push_back(entry);
            } else if (SameNoCase(entry, "index.dat")) {
                indexDat = true;
            } else if (SameNoCase(entry, "index")) {
                index = true;
            } else if (SameNoCase(entry, "data_0")) {
                data0 = true;
            } else if (SameNoCase(entry, "_CACHE_MAP_") || SameNoCase(entry, "_CACHE_001_") ||
                       SameNoCase(entry, "_CACHE_002_") || SameNoCase(entry, "_CACHE_003_")) {
                mozilla = true;
            } else if (SameNoCase(entry, "WebCacheV01.dat") || SameNoCase(entry, "WebCacheV24.dat") ||
                       SameNoCase(entry, "Cache.db") || SameNoCase(entry, "dcache4.url")) {
                found.unknown.push_back({folder + entry, IDS_WARN_CACHE_UNKNOWN});
            } else if (chosen && simpleEntry.empty() && entry.size() == 18 && entry.compare(16, 2, "_0") == 0) {
                simpleEntry = entry;
            }
        } while (FindNextFileA(h, &d));
        FindClose(h);

        if (indexDat && (chosen || ieName) &&
            StartsWith(Head(folder + "index.dat"), kIndexDatMagic, sizeof kIndexDatMagic - 1))
            return Take(CACHE_INDEXDAT, folder);
        if (indexDir && (chosen || httpName) && Exists(folder + "index-dir\\the-real-index"))
            return Take(CACHE_SIMPLE, folder);
        if (entries && (chosen || SameNoCase(name, "cache2"))) return Take(CACHE_CACHE2, folder);
        if (index && data0 && (chosen || httpName)) {
            if (StartsWith(Head(folder + "index"), kBlockfileMagic, sizeof kBlockfileMagic))
                return Take(CACHE_BLOCKFILE, folder);
            found.unknown.push_back({folder + "index", IDS_WARN_CACHE_UNKNOWN});
            return;
        }
        // A copied disk often keeps a Mozilla cache's block files without its map.
        if (mozilla && (chosen || SameNoCase(name, "Cache"))) return Take(CACHE_MOZILLA, folder);
        // A simple cache whose index is lost still has its entry files.
        if (!simpleEntry.empty() && StartsWith(Head(folder + simpleEntry), kSimpleMagic, sizeof kSimpleMagic))
            return Take(CACHE_SIMPLE, folder);
        if (depth >= kSearchDepth) return;
        for (const std::string& sub : subfolders)
            if (!Barren(sub, name)) Visit(folder + sub + "\\", sub, depth + 1, false);
    }
};

}  // namespace

bool CWin32CacheFileReader::ListFiles(const std::string& folder, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return false;
    do {
        if (!(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(d.cFileName);
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return true;
}

bool CWin32CacheFileReader::ReadFile(const std::string& path, std::vector<BYTE>& out) {
    return ReadWhole(path, out, (DWORD)kLargestCacheFile);
}

bool CWin32CacheFileReader::FileSize(const std::string& path, ULONGLONG* size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    *size = ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    return true;
}

std::unique_ptr<CIndexDatUrlCache> OpenCacheFolder(const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    std::unique_ptr<CIndexDatUrlCache> cache(new CIndexDatUrlCache(base));
    bool found = false;
    for (const char* name : {"index.dat", "Content.IE5\\index.dat", "History.IE5\\index.dat"}) {
        std::string path = base + name;
        if (!Exists(path)) continue;
        found = true;
        std::vector<BYTE> bytes;
        if (ReadWhole(path, bytes, kLargestIndex))
            cache->AddIndex(path, std::move(bytes));
        else
            cache->NoteUnreadable(path);
    }
    if (!found) cache->NoteUnreadable(base + "index.dat");
    return cache;
}

CacheSearch FindCaches(const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    Search search;
    std::string name = base.substr(0, base.size() - 1);
    size_t cut = name.find_last_of("\\/");
    search.Visit(base, cut == std::string::npos ? name : name.substr(cut + 1), 0, true);
    return search.found;
}

std::unique_ptr<IUrlCache> OpenUrlCache(const std::string& folder, std::vector<CacheDamage>& why, size_t* folders) {
    why.clear();
    if (folders) *folders = 0;
    if (folder.empty()) return std::unique_ptr<IUrlCache>(new CWinInetUrlCache);
    std::unique_ptr<CIndexDatUrlCache> index = OpenCacheFolder(folder);
    if (index->IndexCount() > 0) return std::unique_ptr<IUrlCache>(index.release());
    std::unique_ptr<CCacheSet> set = OpenCacheSet(folder, why, folders);
    return std::unique_ptr<IUrlCache>(set.release());
}

std::unique_ptr<CCacheSet> OpenCacheSet(const std::string& folder, std::vector<CacheDamage>& why, size_t* folders) {
    why.clear();
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    CacheSearch search = FindCaches(base);
    if (folders) *folders = search.folders;
    if (search.caches.empty()) {
        // Say what was there and could not be read, else that nothing was.
        why = search.unknown;
        bool unknown = false;
        for (const CacheDamage& row : why) unknown |= row.message == IDS_WARN_CACHE_UNKNOWN;
        if (!unknown) why.insert(why.begin(), CacheDamage{base, IDS_CACHE_NONE_FOUND});
        return nullptr;
    }
    std::unique_ptr<CCacheSet> set(
        new CCacheSet(base, std::unique_ptr<ICacheFileReader>(new CWin32CacheFileReader)));
    for (const FoundCache& cache : search.caches) {
        CacheSource source;
        source.kind = cache.kind;
        source.folder = cache.folder;
        if (cache.kind == CACHE_INDEXDAT) {
            set->Add(source, OpenCacheFolder(cache.folder));
            continue;
        }
        std::unique_ptr<CBrowserCacheStore> store(
            new CBrowserCacheStore(cache.folder, std::unique_ptr<ICacheFileReader>(new CWin32CacheFileReader)));
        if (cache.kind == CACHE_SIMPLE) store->AddSimpleCache(cache.folder);
        else if (cache.kind == CACHE_CACHE2) store->AddCache2(cache.folder);
        else if (cache.kind == CACHE_BLOCKFILE) store->AddBlockfile(cache.folder);
        else store->AddMozillaCache(cache.folder);
        set->Add(source, std::move(store));
    }
    for (const CacheDamage& row : search.unknown) set->Note(row.where, row.message);
    set->Index();
    return set;
}

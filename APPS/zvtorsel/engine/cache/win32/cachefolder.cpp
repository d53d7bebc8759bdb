#include "cache/win32/cachefolder.h"

#include <windows.h>

#include "base/messagenumbers.h"
#include "cache/win32/wininetcache.h"

namespace {

// Index files larger than this are no cache index (the browser's stop far below).
const size_t kLargestIndex = 256u << 20;
// How deep below the chosen folder caches are looked for, how many folders
// and how long at most: from a drive's root, the Chrome cache of
// "Users\taro\AppData\Local\Google\Chrome\User Data\Default" is ten down.
const int kSearchDepth = 12;
const int kSearchFolders = 200000;
const DWORD kSearchMillis = 120000;

bool Exists(IFiles& files, const std::string& path) {
    DirEntry e;
    return files.GetFileInfo(path.c_str(), e) && !e.IsFolder();
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
std::vector<BYTE> Head(IFiles& files, const std::string& path) {
    std::vector<BYTE> bytes(32);
    DWORD n = 0;
    if (!ReadFileAt(files, path.c_str(), 0, bytes.data(), (DWORD)bytes.size(), &n)) n = 0;
    bytes.resize(n);
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
    explicit Search(IFiles& f) : files(f) {}
    IFiles& files;
    CacheSearch found;
    DWORD started = GetTickCount();
    size_t links = 0;
    std::string firstLink;

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
        if (!chosen && ieName && StartsWith(Head(files, folder + "index.dat"), kIndexDatMagic, sizeof kIndexDatMagic - 1))
            return Take(CACHE_INDEXDAT, folder);
        if (!chosen && httpName) {
            if (Exists(files, folder + "index-dir\\the-real-index")) return Take(CACHE_SIMPLE, folder);
            if (Exists(files, folder + "data_0") && StartsWith(Head(files, folder + "index"), kBlockfileMagic, sizeof kBlockfileMagic))
                return Take(CACHE_BLOCKFILE, folder);
            if (SameNoCase(name, "Cache") && (Exists(files, folder + "_CACHE_MAP_") || Exists(files, folder + "_CACHE_001_") ||
                                              Exists(files, folder + "_CACHE_002_") || Exists(files, folder + "_CACHE_003_")))
                return Take(CACHE_MOZILLA, folder);
        }
        // One listing per folder: the names alone tell a cache's shape, and
        // only an index file's first bytes are read to be sure.
        std::vector<DirEntry> listing;
        if (!files.ListFolder(folder.c_str(), listing)) return;
        std::vector<std::string> subfolders;
        bool indexDat = false, indexDir = false, entries = false, index = false, data0 = false, mozilla = false;
        std::string simpleEntry;
        for (const DirEntry& d : listing) {
            const std::string& entry = d.name;
            if (d.IsFolder()) {
                // A junction may lead back up ("AppData\Local\Application
                // Data" of Vista's profiles does) or to caches found on
                // their own road: it is never followed, only counted.
                if (d.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                    if (!links++) firstLink = folder + entry + "\\";
                    continue;
                }
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
        }

        if (indexDat && (chosen || ieName) &&
            StartsWith(Head(files, folder + "index.dat"), kIndexDatMagic, sizeof kIndexDatMagic - 1))
            return Take(CACHE_INDEXDAT, folder);
        if (indexDir && (chosen || httpName) && Exists(files, folder + "index-dir\\the-real-index"))
            return Take(CACHE_SIMPLE, folder);
        if (entries && (chosen || SameNoCase(name, "cache2"))) return Take(CACHE_CACHE2, folder);
        if (index && data0 && (chosen || httpName)) {
            if (StartsWith(Head(files, folder + "index"), kBlockfileMagic, sizeof kBlockfileMagic))
                return Take(CACHE_BLOCKFILE, folder);
            found.unknown.push_back({folder + "index", IDS_WARN_CACHE_UNKNOWN});
            return;
        }
        // A copied disk often keeps a Mozilla cache's block files without its map.
        if (mozilla && (chosen || SameNoCase(name, "Cache"))) return Take(CACHE_MOZILLA, folder);
        // A simple cache whose index is lost still has its entry files.
        if (!simpleEntry.empty() && StartsWith(Head(files, folder + simpleEntry), kSimpleMagic, sizeof kSimpleMagic))
            return Take(CACHE_SIMPLE, folder);
        if (depth >= kSearchDepth) return;
        for (const std::string& sub : subfolders)
            if (!Barren(sub, name)) Visit(folder + sub + "\\", sub, depth + 1, false);
    }
};

}  // namespace

std::unique_ptr<CIndexDatUrlCache> OpenCacheFolder(IFiles& files, const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    std::unique_ptr<CIndexDatUrlCache> cache(new CIndexDatUrlCache(base));
    bool found = false;
    for (const char* name : {"index.dat", "Content.IE5\\index.dat", "History.IE5\\index.dat"}) {
        std::string path = base + name;
        if (!Exists(files, path)) continue;
        found = true;
        std::vector<BYTE> bytes;
        if (ReadWholeFile(files, path.c_str(), bytes, kLargestIndex))
            cache->AddIndex(path, std::move(bytes));
        else
            cache->NoteUnreadable(path);
    }
    if (!found) cache->NoteUnreadable(base + "index.dat");
    return cache;
}

CacheSearch FindCaches(IFiles& files, const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    Search search(files);
    std::string name = base.substr(0, base.size() - 1);
    size_t cut = name.find_last_of("\\/");
    search.Visit(base, cut == std::string::npos ? name : name.substr(cut + 1), 0, true);
    if (search.links) {
        std::string where = search.firstLink;
        if (search.links > 1) where += " (+" + std::to_string(search.links - 1) + ")";
        search.found.unknown.push_back({where, IDS_WARN_CACHE_LINK_SKIPPED});
    }
    return search.found;
}

std::unique_ptr<IUrlCache> OpenUrlCache(IFiles& files, const std::string& folder, std::vector<CacheDamage>& why,
                                        size_t* folders) {
    why.clear();
    if (folders) *folders = 0;
    if (folder.empty()) return std::unique_ptr<IUrlCache>(new CWinInetUrlCache);
    std::unique_ptr<CIndexDatUrlCache> index = OpenCacheFolder(files, folder);
    if (index->IndexCount() > 0) return std::unique_ptr<IUrlCache>(index.release());
    std::unique_ptr<CCacheSet> set = OpenCacheSet(files, folder, why, folders);
    return std::unique_ptr<IUrlCache>(set.release());
}

std::unique_ptr<CCacheSet> OpenCacheSet(IFiles& files, const std::string& folder, std::vector<CacheDamage>& why,
                                        size_t* folders) {
    why.clear();
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    CacheSearch search = FindCaches(files, base);
    if (folders) *folders = search.folders;
    if (search.caches.empty()) {
        // Say what was there and could not be read, else that nothing was.
        why = search.unknown;
        bool unknown = false;
        for (const CacheDamage& row : why) unknown |= row.message == IDS_WARN_CACHE_UNKNOWN;
        if (!unknown) why.insert(why.begin(), CacheDamage{base, IDS_CACHE_NONE_FOUND});
        return nullptr;
    }
    std::unique_ptr<CCacheSet> set(new CCacheSet(base, files));
    for (const FoundCache& cache : search.caches) {
        CacheSource source;
        source.kind = cache.kind;
        source.folder = cache.folder;
        if (cache.kind == CACHE_INDEXDAT) {
            set->Add(source, OpenCacheFolder(files, cache.folder));
            continue;
        }
        std::unique_ptr<CBrowserCacheStore> store(new CBrowserCacheStore(cache.folder, files));
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

#include "cache/win32/cachefolder.h"

#include <windows.h>

#include "base/messagenumbers.h"
#include "cache/win32/wininetcache.h"

namespace {

// Index files larger than this are no cache index (the browser's stop far below).
const size_t kLargestIndex = 256u << 20;
// How deep below the chosen folder caches are looked for, and how many
// folders at most: "User Data\Default\Cache\Cache_Data" is four down.
const int kSearchDepth = 5;
const int kSearchFolders = 4000;

bool Exists(IFiles& files, const std::string& path) {
    DirEntry e;
    return files.GetFileInfo(path.c_str(), e) && !e.IsFolder();
}

bool IsFolder(IFiles& files, const std::string& path) {
    DirEntry e;
    return files.GetFileInfo(path.c_str(), e) && e.IsFolder();
}

bool SameNoCase(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

bool StartsWith(const std::vector<BYTE>& bytes, const BYTE* magic, size_t n) {
    return bytes.size() >= n && memcmp(bytes.data(), magic, n) == 0;
}

// The first bytes of a file, for telling formats apart.
std::vector<BYTE> Head(IFiles& files, const std::string& path) {
    std::vector<BYTE> bytes(16);
    DWORD n = 0;
    if (!ReadFileAt(files, path.c_str(), 0, bytes.data(), (DWORD)bytes.size(), &n)) n = 0;
    bytes.resize(n);
    return bytes;
}

struct Search {
    explicit Search(IFiles& f) : files(f) {}
    IFiles& files;
    BrowserCacheFolders found;
    int folders = 0;

    void Visit(const std::string& folder, const std::string& name, int depth, bool chosen) {
        if (++folders > kSearchFolders) return;
        static const BYTE kSimpleMagic[] = {0x30, 0x5c, 0x72, 0xa7, 0x1b, 0x6d, 0xfb, 0xfc};
        static const BYTE kBlockfileMagic[] = {0xc3, 0xca, 0x03, 0xc1};
        // Chromium keeps other simple caches (compiled scripts, GPU shaders,
        // service workers) in a profile too: below the chosen folder only
        // the HTTP cache's own folders count.
        bool httpName = SameNoCase(name, "Cache_Data") || SameNoCase(name, "Cache");
        if (Exists(files, folder + "index-dir\\the-real-index") && (chosen || httpName)) {
            found.simple.push_back(folder);
            return;
        }
        if (IsFolder(files, folder + "entries") && (chosen || SameNoCase(name, "cache2"))) {
            found.cache2.push_back(folder);
            return;
        }
        if (Exists(files, folder + "index") && Exists(files, folder + "data_0") && (chosen || httpName)) {
            std::vector<BYTE> head = Head(files, folder + "index");
            if (StartsWith(head, kBlockfileMagic, sizeof kBlockfileMagic)) found.blockfile.push_back(folder);
            else found.unknown.push_back({folder + "index", IDS_WARN_CACHE_UNKNOWN});
            return;
        }
        // A copied disk often keeps a Mozilla cache's block files without its map.
        if ((Exists(files, folder + "_CACHE_MAP_") || Exists(files, folder + "_CACHE_001_") || Exists(files, folder + "_CACHE_002_") ||
             Exists(files, folder + "_CACHE_003_")) &&
            (chosen || SameNoCase(name, "Cache"))) {
            found.mozilla.push_back(folder);
            return;
        }
        std::vector<DirEntry> entries;
        if (!files.ListFolder(folder.c_str(), entries)) return;
        std::vector<std::string> subfolders;
        bool simpleEntries = false;
        for (const DirEntry& e : entries) {
            const std::string& entry = e.name;
            if (e.IsFolder()) {
                if (!(e.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) subfolders.push_back(entry);
            } else if (SameNoCase(entry, "WebCacheV01.dat") || SameNoCase(entry, "WebCacheV24.dat") ||
                       SameNoCase(entry, "Cache.db")) {
                found.unknown.push_back({folder + entry, IDS_WARN_CACHE_UNKNOWN});
            } else if (chosen && !simpleEntries && entry.size() == 18 && entry.compare(16, 2, "_0") == 0) {
                simpleEntries = StartsWith(Head(files, folder + entry), kSimpleMagic, sizeof kSimpleMagic);
            }
        }
        // A simple cache whose index is lost still has its entry files.
        if (simpleEntries) {
            found.simple.push_back(folder);
            return;
        }
        if (depth >= kSearchDepth) return;
        for (const std::string& sub : subfolders) Visit(folder + sub + "\\", sub, depth + 1, false);
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

BrowserCacheFolders FindBrowserCaches(IFiles& files, const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    Search search(files);
    std::string name = base.substr(0, base.size() - 1);
    size_t cut = name.find_last_of("\\/");
    search.Visit(base, cut == std::string::npos ? name : name.substr(cut + 1), 0, true);
    return search.found;
}

std::unique_ptr<IUrlCache> OpenUrlCache(IFiles& files, const std::string& folder, std::vector<CacheDamage>& why) {
    why.clear();
    if (folder.empty()) return std::unique_ptr<IUrlCache>(new CWinInetUrlCache);
    std::unique_ptr<CIndexDatUrlCache> index = OpenCacheFolder(files, folder);
    if (index->IndexCount() > 0) return std::unique_ptr<IUrlCache>(index.release());

    BrowserCacheFolders caches = FindBrowserCaches(files, folder);
    if (caches.simple.empty() && caches.cache2.empty() && caches.blockfile.empty() && caches.mozilla.empty()) {
        why = caches.unknown.empty() ? index->Damage() : caches.unknown;
        return nullptr;
    }
    std::string base = folder;
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    std::unique_ptr<CBrowserCacheStore> store(
        new CBrowserCacheStore(base, files));
    for (const std::string& simple : caches.simple) store->AddSimpleCache(simple);
    for (const std::string& cache2 : caches.cache2) store->AddCache2(cache2);
    for (const std::string& blockfile : caches.blockfile) store->AddBlockfile(blockfile);
    for (const std::string& mozilla : caches.mozilla) store->AddMozillaCache(mozilla);
    for (const CacheDamage& unknown : caches.unknown) store->Note(unknown.where, unknown.message);
    return std::unique_ptr<IUrlCache>(store.release());
}

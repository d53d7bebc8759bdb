#include "cache/win32/cachefolder.h"

#include <windows.h>

#include "base/messagenumbers.h"
#include "cache/win32/wininetcache.h"

namespace {

// Index files larger than this are no cache index (the browser's stop far below).
const DWORD kLargestIndex = 256u << 20;
// How deep below the chosen folder caches are looked for, and how many
// folders at most: "User Data\Default\Cache\Cache_Data" is four down.
const int kSearchDepth = 5;
const int kSearchFolders = 4000;

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

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SameNoCase(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

bool StartsWith(const std::vector<BYTE>& bytes, const BYTE* magic, size_t n) {
    return bytes.size() >= n && memcmp(bytes.data(), magic, n) == 0;
}

// The first bytes of a file, for telling formats apart.
std::vector<BYTE> Head(const std::string& path) {
    std::vector<BYTE> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(16);
    DWORD n = 0;
    if (!ReadFile(file, bytes.data(), (DWORD)bytes.size(), &n, nullptr)) n = 0;
    bytes.resize(n);
    CloseHandle(file);
    return bytes;
}

struct Search {
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
        if (Exists(folder + "index-dir\\the-real-index") && (chosen || httpName)) {
            found.simple.push_back(folder);
            return;
        }
        if (IsFolder(folder + "entries") && (chosen || SameNoCase(name, "cache2"))) {
            found.cache2.push_back(folder);
            return;
        }
        if (Exists(folder + "index") && Exists(folder + "data_0") && (chosen || httpName)) {
            std::vector<BYTE> head = Head(folder + "index");
            if (StartsWith(head, kBlockfileMagic, sizeof kBlockfileMagic)) found.blockfile.push_back(folder);
            else found.unknown.push_back({folder + "index", IDS_WARN_CACHE_UNKNOWN});
            return;
        }
        // A copied disk often keeps a Mozilla cache's block files without its map.
        if ((Exists(folder + "_CACHE_MAP_") || Exists(folder + "_CACHE_001_") || Exists(folder + "_CACHE_002_") ||
             Exists(folder + "_CACHE_003_")) &&
            (chosen || SameNoCase(name, "Cache"))) {
            found.mozilla.push_back(folder);
            return;
        }
        WIN32_FIND_DATAA d;
        HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
        if (h == INVALID_HANDLE_VALUE) return;
        std::vector<std::string> subfolders;
        bool simpleEntries = false;
        do {
            std::string entry = d.cFileName;
            if (entry == "." || entry == "..") continue;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (!(d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) subfolders.push_back(entry);
            } else if (SameNoCase(entry, "WebCacheV01.dat") || SameNoCase(entry, "WebCacheV24.dat") ||
                       SameNoCase(entry, "Cache.db")) {
                found.unknown.push_back({folder + entry, IDS_WARN_CACHE_UNKNOWN});
            } else if (chosen && !simpleEntries && entry.size() == 18 && entry.compare(16, 2, "_0") == 0) {
                simpleEntries = StartsWith(Head(folder + entry), kSimpleMagic, sizeof kSimpleMagic);
            }
        } while (FindNextFileA(h, &d));
        FindClose(h);
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

BrowserCacheFolders FindBrowserCaches(const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    Search search;
    std::string name = base.substr(0, base.size() - 1);
    size_t cut = name.find_last_of("\\/");
    search.Visit(base, cut == std::string::npos ? name : name.substr(cut + 1), 0, true);
    return search.found;
}

std::unique_ptr<IUrlCache> OpenUrlCache(const std::string& folder, std::vector<CacheDamage>& why) {
    why.clear();
    if (folder.empty()) return std::unique_ptr<IUrlCache>(new CWinInetUrlCache);
    std::unique_ptr<CIndexDatUrlCache> index = OpenCacheFolder(folder);
    if (index->IndexCount() > 0) return std::unique_ptr<IUrlCache>(index.release());

    BrowserCacheFolders caches = FindBrowserCaches(folder);
    if (caches.simple.empty() && caches.cache2.empty() && caches.blockfile.empty() && caches.mozilla.empty()) {
        why = caches.unknown.empty() ? index->Damage() : caches.unknown;
        return nullptr;
    }
    std::string base = folder;
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    std::unique_ptr<CBrowserCacheStore> store(
        new CBrowserCacheStore(base, std::unique_ptr<ICacheFileReader>(new CWin32CacheFileReader)));
    for (const std::string& simple : caches.simple) store->AddSimpleCache(simple);
    for (const std::string& cache2 : caches.cache2) store->AddCache2(cache2);
    for (const std::string& blockfile : caches.blockfile) store->AddBlockfile(blockfile);
    for (const std::string& mozilla : caches.mozilla) store->AddMozillaCache(mozilla);
    for (const CacheDamage& unknown : caches.unknown) store->Note(unknown.where, unknown.message);
    return std::unique_ptr<IUrlCache>(store.release());
}

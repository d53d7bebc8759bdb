#include "cache/win32/cachefolder.h"

#include <windows.h>

#include "cache/win32/wininetcache.h"

namespace {

// Index files larger than this are no cache index (the browser's stop far below).
const DWORD kLargestIndex = 256u << 20;

bool ReadWhole(const std::string& path, std::vector<BYTE>& out) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= kLargestIndex;
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

}  // namespace

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
        if (ReadWhole(path, bytes))
            cache->AddIndex(path, std::move(bytes));
        else
            cache->NoteUnreadable(path);
    }
    if (!found) cache->NoteUnreadable(base + "index.dat");
    return cache;
}

std::unique_ptr<IUrlCache> OpenUrlCache(const std::string& folder, std::vector<CacheDamage>& why) {
    why.clear();
    if (folder.empty()) return std::unique_ptr<IUrlCache>(new CWinInetUrlCache);
    std::unique_ptr<CIndexDatUrlCache> store = OpenCacheFolder(folder);
    if (store->IndexCount() == 0) {
        why = store->Damage();
        return nullptr;
    }
    return std::unique_ptr<IUrlCache>(store.release());
}

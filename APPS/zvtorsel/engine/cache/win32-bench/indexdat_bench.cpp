// Walking a copied cache folder through our index reader against Wine's
// FindFirstUrlCacheEntryA / FindNextUrlCacheEntryA over the same entries, in
// the same run, under Wine.
// Usage: indexdat_bench.exe [entries]   (default 20000)
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <string>

#include "base/win32/win32files.h"
#include "cache/win32/cachefolder.h"
#include "cache/win32/wininetcache.h"
#include "jobs/tests/win32/diskkit.h"

namespace {

using diskkit::Now;
// Entries walked and a sum over their fields, so that nothing is skipped.
size_t Walk(IUrlCache& cache, unsigned long* sum) {
    size_t count = 0;
    UrlCacheEntry e;
    for (bool more = cache.FindFirst(e); more; more = cache.FindNext(e)) {
        ++count;
        *sum += e.sizeLow + (unsigned char)e.sourceUrl[7] + (e.localFile ? 1 : 0);
    }
    cache.FindClose();
    return count;
}

void CopyTree(const std::string& folder, const std::string& target) {
    CreateDirectoryA(target.substr(0, target.size() - 1).c_str(), nullptr);
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(folder + name + "\\", target + name + "\\");
        else
            CopyFileA((folder + name).c_str(), (target + name).c_str(), FALSE);
    } while (FindNextFileA(h, &d));
    FindClose(h);
}

}  // namespace

int main(int argc, char** argv) {
    int entries = argc > 1 ? atoi(argv[1]) : 20000;
    diskkit::ClearCache();
    FILETIME modified = {0x12345678, 0x01c5a000};
    double start = Now();
    for (int i = 0; i < entries; ++i) {
        std::string url = "http://bench" + std::to_string(i % 50) + ".zvtest/d" + std::to_string(i % 300) + "/p" +
                          std::to_string(i) + (i % 4 ? ".html" : ".cgi?q=1");
        if (!diskkit::PutInCache(url, "x", "html", modified)) {
            fprintf(stderr, "filling the cache failed at %d\n", i);
            return 1;
        }
    }
    printf("filled %d entries in %.1f s\n", entries, Now() - start);

    char path[MAX_PATH];
    SHGetFolderPathA(nullptr, CSIDL_INTERNET_CACHE, nullptr, 0, path);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string copy = std::string(temp) + "zvbench_cache\\";
    diskkit::RemoveTree(copy);
    CreateDirectoryA(copy.substr(0, copy.size() - 1).c_str(), nullptr);
    CopyTree(std::string(path) + "\\Content.IE5\\", copy + "Content.IE5\\");

    unsigned long sumWine = 0, sumOurs = 0;
    CWinInetUrlCache live;
    start = Now();
    size_t wine = Walk(live, &sumWine);
    double wineTime = Now() - start;

    start = Now();
    CWin32Files disk;
    std::unique_ptr<CIndexDatUrlCache> store = OpenCacheFolder(disk, copy);
    size_t ours = Walk(*store, &sumOurs);
    double ourTime = Now() - start;

    printf("WinINet walk:         %zu entries in %.3f s\n", wine, wineTime);
    printf("index reader (read + walk): %zu entries in %.4f s\n", ours, ourTime);
    printf("ratio WinINet / ours: %.0f\n", ourTime > 0 ? wineTime / ourTime : 0.0);
    diskkit::RemoveTree(copy);
    diskkit::ClearCache();
    return wine == ours && sumWine == sumOurs ? 0 : 2;
}

// Rebuild engine against its peers in the same run, under Wine:
//  - BuildTrees (both sides and the comparison) against a bare WinINet
//    enumeration plus a bare listing of the rebuild folder;
//  - the copy step (translation off, then on) against a plain CopyFileA loop.
// Usage: rebuild_bench.exe [cache entries] [copied files]
#include <windows.h>
#include <wininet.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "cache/win32/wininetcache.h"
#include "jobs/rebuildjobs.h"
#include "jobs/tests/win32/diskkit.h"
#include "base/win32/win32desktop.h"
#include "mapping/mapping_settings.h"
#include "mapping/win32/win32_file_clock.h"
#include "tree/paneview.h"

namespace {

using diskkit::CSilentReport;
using diskkit::Now;
using diskkit::ClearCache;
using diskkit::PutInCache;
using diskkit::RemoveTree;

int ListTree(const std::string& folder) {
    int count = 0;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "*.*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        if (d.cFileName[0] == '.' && (!d.cFileName[1] || (d.cFileName[1] == '.' && !d.cFileName[2])))
            continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            count += ListTree(folder + d.cFileName + "\\");
        else
            ++count;
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return count;
}

// The peer of BuildTrees: one bare pass over the cache and over the folder.
int BareWalk(const std::string& rebuild) {
    char record[4096];
    int count = 0;
    DWORD size = sizeof(record);
    HANDLE find = FindFirstUrlCacheEntryA(nullptr, (INTERNET_CACHE_ENTRY_INFOA*)record, &size);
    if (find) {
        do {
            ++count;
            size = sizeof(record);
        } while (FindNextUrlCacheEntryA(find, (INTERNET_CACHE_ENTRY_INFOA*)record, &size));
        FindCloseUrlCache(find);
    }
    return count + ListTree(rebuild);
}

std::string Page(int i) {
    char text[512];
    snprintf(text, sizeof(text),
             "<html><head><title>page %d</title></head><body>\n"
             "<a href=\"http://copy.zvtest/d%03d/p%05d.html\">next</a>\n"
             "<img src=\"/img/p%05d.gif\">\n<p>text of page %d</p></body></html>\n",
             i, (i + 1) / 50, i + 1, i, i);
    return text;
}

struct Fixture {
    Fixture() { settings.mapping.clock = &Win32FileClock(); }
    RebuildSettings settings;
    CWin32JobSystem files;
    CWinInetUrlCache cache;
    CNullPaneView view;
    CSilentReport report;
};

double TimeBuild(Fixture& f, const std::string& rebuild, int* marked) {
    f.settings.rebuildFolders[0] = rebuild;
    double start = Now();
    CRebuildJobs jobs(f.settings, f.files, f.cache, f.view, f.report, 0);
    jobs.BuildTrees();
    double elapsed = Now() - start;
    if (marked) *marked = (int)jobs.cache.counters.c;
    return elapsed;
}

double TimeCopy(Fixture& f, const std::string& rebuild, bool translate, int* copied) {
    RemoveTree(rebuild);
    CreateDirectoryA(rebuild.substr(0, rebuild.size() - 1).c_str(), nullptr);
    f.settings.rebuildFolders[0] = rebuild;
    f.settings.xlatRebuild = translate ? 1 : 0;
    CRebuildJobs jobs(f.settings, f.files, f.cache, f.view, f.report, 0);
    jobs.BuildTrees();
    double start = Now();
    jobs.ExecuteMarks();
    double elapsed = Now() - start;
    *copied = ListTree(rebuild);
    return elapsed;
}

// The peer of the copy step: CopyFileA of every cache file to its place.
double TimePlainCopy(const std::string& target, int* copied) {
    RemoveTree(target);
    CreateDirectoryA(target.substr(0, target.size() - 1).c_str(), nullptr);
    std::vector<std::pair<std::string, std::string>> work;
    std::vector<char> buffer(65536);
    auto* info = (INTERNET_CACHE_ENTRY_INFOA*)buffer.data();
    DWORD size = (DWORD)buffer.size();
    HANDLE find = FindFirstUrlCacheEntryA(nullptr, info, &size);
    if (find) {
        do {
            if (info->lpszLocalFileName) {
                const char* url = info->lpszSourceUrlName;
                const char* path = strstr(url, "://");
                std::string rel = path ? path + 3 : url;
                for (char& c : rel)
                    if (c == '/') c = '\\';
                work.push_back({info->lpszLocalFileName, rel});
            }
            size = (DWORD)buffer.size();
        } while (FindNextUrlCacheEntryA(find, info, &size));
        FindCloseUrlCache(find);
    }
    double start = Now();
    std::string lastFolder;
    *copied = 0;
    for (const auto& w : work) {
        std::string dest = target + w.second;
        std::string folder = dest.substr(0, dest.rfind('\\'));
        if (folder != lastFolder) {
            for (size_t p = target.size(); (p = folder.find('\\', p + 1)) != std::string::npos;)
                CreateDirectoryA(folder.substr(0, p).c_str(), nullptr);
            CreateDirectoryA(folder.c_str(), nullptr);
            lastFolder = folder;
        }
        if (CopyFileA(w.first.c_str(), dest.c_str(), FALSE)) ++*copied;
    }
    return Now() - start;
}

}  // namespace

int main(int argc, char** argv) {
    int entries = argc > 1 ? atoi(argv[1]) : 20000;
    int copies = argc > 2 ? atoi(argv[2]) : 5000;
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string base = std::string(temp) + "zvt_bench\\";
    RemoveTree(base);
    CreateDirectoryA(base.substr(0, base.size() - 1).c_str(), nullptr);
    std::string rebuild = base + "rb\\";
    CreateDirectoryA(rebuild.substr(0, rebuild.size() - 1).c_str(), nullptr);

    // A cache of `entries` entries and a rebuild folder holding the same URLs,
    // half of them with older times, so that the comparison reads every file.
    ClearCache();
    SYSTEMTIME st = {2004, 6, 0, 1, 12, 0, 0, 0};
    FILETIME cacheTime, diskTime;
    SystemTimeToFileTime(&st, &cacheTime);
    st.wYear = 2003;
    SystemTimeToFileTime(&st, &diskTime);
    printf("filling a cache of %d entries and a folder of %d files...\n", entries, entries);
    fflush(stdout);
    for (int i = 0; i < entries; ++i) {
        char url[128];
        snprintf(url, sizeof(url), "http://bench%d.zvtest/d%03d/f%05d.gif", i % 20, i / 100 % 100, i);
        PutInCache(url, "GIF89a", "gif", cacheTime);
        char path[MAX_PATH];
        snprintf(path, sizeof(path), "%shttp$\\bench%d.zvtest\\d%03d\\", rebuild.c_str(), i % 20,
                 i / 100 % 100);
        std::string folder = path;
        CreateDirectoryA((rebuild + "http$").c_str(), nullptr);
        CreateDirectoryA(folder.substr(0, folder.rfind('\\', folder.size() - 2)).c_str(), nullptr);
        CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
        snprintf(path + strlen(path), sizeof(path) - strlen(path), "f%05d.gif", i);
        HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD n;
            WriteFile(h, "GIF87a", 6, &n, nullptr);
            SetFileTime(h, nullptr, nullptr, i < entries / 2 ? &diskTime : &cacheTime);
            CloseHandle(h);
        }
    }

    Fixture f;
    double bestBuild = 1e9, bestBare = 1e9;
    int marked = 0, seen = 0;
    for (int round = 0; round < 3; ++round) {
        double start = Now();
        seen = BareWalk(rebuild);
        double bare = Now() - start;
        double build = TimeBuild(f, rebuild, &marked);
        if (bare < bestBare) bestBare = bare;
        if (build < bestBuild) bestBuild = build;
    }
    printf("BuildTrees            %8.3f s (%d marked C)\n", bestBuild, marked);
    printf("bare walk and listing %8.3f s (%d entries and files)\n", bestBare, seen);
    printf("ratio BuildTrees / bare = %.2f (target <= 2)\n", bestBuild / bestBare);
    fflush(stdout);

    ClearCache();
    for (int i = 0; i < copies; ++i) {
        char url[128];
        snprintf(url, sizeof(url), "http://copy.zvtest/d%03d/p%05d.html", i / 50, i);
        PutInCache(url, Page(i), "html", cacheTime);
    }
    int copiedOff = 0, copiedOn = 0, copiedPlain = 0;
    double plain = 1e9, off = 1e9, on = 1e9;
    for (int round = 0; round < 2; ++round) {
        double p = TimePlainCopy(base + "plain\\", &copiedPlain);
        double a = TimeCopy(f, base + "off\\", false, &copiedOff);
        double b = TimeCopy(f, base + "on\\", true, &copiedOn);
        if (p < plain) plain = p;
        if (a < off) off = a;
        if (b < on) on = b;
    }
    printf("copy, translation off %8.3f s (%d files)\n", off, copiedOff);
    printf("copy, translation on  %8.3f s (%d files)\n", on, copiedOn);
    printf("plain CopyFileA loop  %8.3f s (%d files)\n", plain, copiedPlain);
    printf("ratio copy off / plain = %.2f (target <= 1.5)\n", off / plain);
    printf("ratio copy on / plain  = %.2f\n", on / plain);

    ClearCache();
    RemoveTree(base);
    return 0;
}

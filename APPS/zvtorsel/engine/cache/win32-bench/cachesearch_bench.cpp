// Finding every cache of a copied disk against one bare walk of the same
// tree (FindFirstFileA over every folder, nothing opened), in the same run,
// under Wine. The tree has a copied "Users" folder's shape: per person
// documents and pictures, a Chrome profile with its HTTP cache, its
// extensions and its script cache, a Firefox cache2 and an IE Content.IE5
// folder, until it holds ENTRIES folders and files.
// Usage: cachesearch_bench.exe [entries]   (default 200000)
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <string>

#include "base/win32/win32files.h"
#include "cache/win32/cachefolder.h"
#include "jobs/tests/win32/diskkit.h"

namespace {

using diskkit::Now;

size_t made = 0;

bool Folder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) {
        ++made;
        return true;
    }
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

bool File(const std::string& path, const char* text = "") {
    ++made;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    WriteFile(h, text, (DWORD)strlen(text), &done, nullptr);
    CloseHandle(h);
    return true;
}

// folder\name0 ... folder\name<count-1>, empty.
bool Files(const std::string& folder, const char* pattern, int count) {
    char name[64];
    for (int i = 0; i < count; ++i) {
        snprintf(name, sizeof name, pattern, i * 2654435761u);
        if (!File(folder + name)) return false;
    }
    return true;
}

bool Path(const std::string& base, const std::string& rest) {
    for (size_t at = rest.find('\\'); at != std::string::npos; at = rest.find('\\', at + 1))
        if (!Folder(base + rest.substr(0, at))) return false;
    return true;
}

bool Person(const std::string& user) {
    if (!Path(user, "Documents\\") || !Path(user, "Pictures\\")) return false;
    for (int d = 0; d < 20; ++d) {
        std::string docs = user + "Documents\\d" + std::to_string(d) + "\\";
        if (!Folder(docs.substr(0, docs.size() - 1)) || !Files(docs, "note%08x.txt", 100)) return false;
    }
    if (!Files(user + "Pictures\\", "IMG_%08x.JPG", 1000)) return false;
    std::string chrome = user + "AppData\\Local\\Google\\Chrome\\User Data\\Default\\";
    if (!Path(user, "AppData\\Local\\Google\\Chrome\\User Data\\Default\\Cache\\Cache_Data\\index-dir\\") ||
        !File(chrome + "Cache\\Cache_Data\\index-dir\\the-real-index", "index") ||
        !Files(chrome + "Cache\\Cache_Data\\", "%08x00000000_0", 2000))
        return false;
    if (!Path(chrome, "Code Cache\\js\\") || !Files(chrome + "Code Cache\\js\\", "%08x00000000_0", 1000)) return false;
    for (int e = 0; e < 50; ++e) {
        std::string ext = "Extensions\\ext" + std::to_string(e) + "\\1.0\\";
        if (!Path(chrome, ext) || !Files(chrome + ext, "part%08x.js", 20)) return false;
    }
    std::string firefox = user + "AppData\\Local\\Mozilla\\Firefox\\Profiles\\k3x9.default\\cache2\\entries\\";
    if (!Path(user, "AppData\\Local\\Mozilla\\Firefox\\Profiles\\k3x9.default\\cache2\\entries\\") ||
        !Files(firefox, "%08x0000000000000000000000000000", 2000))
        return false;
    std::string ie = user + "AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files\\Content.IE5\\";
    if (!Path(user, "AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files\\Content.IE5\\") ||
        !File(ie + "index.dat", "Client UrlCache MMF Ver 5.2"))
        return false;
    for (const char* sub : {"ABCD1234", "EFGH5678", "IJKL9012", "MNOP3456"})
        if (!Folder(ie + sub) || !Files(ie + sub + "\\", "page%08x[1].htm", 250)) return false;
    return Path(user, "AppData\\Roaming\\Microsoft\\Windows\\Recent\\") &&
           Files(user + "AppData\\Roaming\\Microsoft\\Windows\\Recent\\", "link%08x.lnk", 500);
}

// Every folder listed once, nothing opened: the least any search must do to
// look at every folder.
size_t BareWalk(const std::string& folder) {
    size_t seen = 0;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        if (d.cFileName[0] == '.' && (!d.cFileName[1] || (d.cFileName[1] == '.' && !d.cFileName[2]))) continue;
        ++seen;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) seen += BareWalk(folder + d.cFileName + "\\");
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return seen;
}

}  // namespace

int main(int argc, char** argv) {
    size_t wanted = argc > 1 ? (size_t)atol(argv[1]) : 200000;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string base = std::string(temp) + "zvbench_cachesearch\\";
    diskkit::RemoveTree(base);
    std::string users = base + "Users\\";
    double start = Now();
    if (!Folder(base.substr(0, base.size() - 1)) || !Folder(users.substr(0, users.size() - 1))) return 1;
    int people = 0;
    while (made < wanted) {
        std::string user = users + "user" + std::to_string(people++) + "\\";
        if (!Folder(user.substr(0, user.size() - 1)) || !Person(user)) return 1;
    }
    printf("wrote %zu folders and files for %d people in %.1f s\n", made, people, Now() - start);

    // One untimed pass of each first, so that both find the tree in memory.
    BareWalk(base);
    CWin32Files files;
    FindCaches(files, base);
    int failures = 0;
    double bare = 0, ours = 0;
    size_t seen = 0;
    CacheSearch found;
    for (int round = 0; round < 3; ++round) {
        start = Now();
        seen = BareWalk(base);
        bare += Now() - start;
        start = Now();
        found = FindCaches(files, base);
        ours += Now() - start;
    }
    printf("bare walk %zu entries %.3f s; search %zu caches in %zu folders %.3f s (three rounds each)\n", seen, bare,
           found.caches.size(), found.folders, ours);
    printf("search %.2f\n", bare > 0 ? ours / bare : 0.0);
    if (found.caches.size() != (size_t)people * 3 || found.cut) ++failures;
    diskkit::RemoveTree(base);
    return failures ? 2 : 0;
}

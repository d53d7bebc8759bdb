// Wine's WinINet writes its cache folder; a copy of that folder read by our
// reader must give exactly what WinINet's own walk gave.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "base/win32/win32files.h"
#include "cache/win32/cachefolder.h"
#include "cache/win32/wininetcache.h"
#include "jobs/tests/win32/diskkit.h"

namespace {

const char kSite[] = "http://wine.zvcopy/";

std::string Folder(int csidl) {
    char path[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, 0, path))) return std::string();
    return std::string(path) + "\\";
}

bool CommitFile(const std::string& url, const std::string& data, const char* ext, const FILETIME& modified) {
    char file[MAX_PATH];
    if (!CreateUrlCacheEntryA(url.c_str(), (DWORD)data.size(), ext, file, 0)) return false;
    HANDLE h = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written;
    WriteFile(h, data.data(), (DWORD)data.size(), &written, nullptr);
    CloseHandle(h);
    FILETIME expire = {0x4c3a2b10, 0x01d9a000};
    const char header[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";
    return CommitUrlCacheEntryA(url.c_str(), file, expire, modified, NORMAL_CACHE_ENTRY, (BYTE*)header,
                                sizeof(header) - 1, ext, nullptr) != FALSE;
}

// Copies folder (ending with "\") and everything below it to target.
void CopyTree(const std::string& folder, const std::string& target) {
    CreateDirectoryA(target.c_str(), nullptr);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(folder + name + "\\", target + name + "\\");
        else
            CopyFileA((folder + name).c_str(), (target + name).c_str(), FALSE);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

struct Seen {
    std::string url, file;
    DWORD type, size;
    ULONGLONG modified, access;
    bool operator==(const Seen& o) const {
        return url == o.url && file == o.file && type == o.type && size == o.size && modified == o.modified &&
               access == o.access;
    }
};

ULONGLONG Value(const FILETIME& t) { return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime; }

// The walk with local files relative to base (the container folder holding
// them). Content entries come first, then history entries, each in the order
// of the walk: WinINet walks its containers in an order of its own.
std::vector<Seen> Walk(IUrlCache& cache, const std::string& contentBase, const std::string& historyBase) {
    std::vector<Seen> seen, history;
    UrlCacheEntry e;
    for (bool more = cache.FindFirst(e); more; more = cache.FindNext(e)) {
        if (e.entryType & CACHE_ENTRY_COOKIE) continue;
        std::string file = e.localFile ? e.localFile : "";
        for (const std::string& base : {contentBase, historyBase})
            if (!base.empty() && file.compare(0, base.size(), base) == 0) file = "<base>" + file.substr(base.size());
        Seen s = {e.sourceUrl, file, e.entryType, e.sizeLow, Value(e.lastModified), Value(e.lastAccess)};
        (e.entryType & CACHE_ENTRY_HISTORY ? history : seen).push_back(s);
    }
    cache.FindClose();
    seen.insert(seen.end(), history.begin(), history.end());
    return seen;
}

TEST(IndexDatWine, CopiedCacheFolderReadsBackAsWinInetListedIt) {
    const std::string content = Folder(CSIDL_INTERNET_CACHE) + "Content.IE5\\";
    const std::string history = Folder(CSIDL_HISTORY) + "History.IE5\\";
    FILETIME modified = {0x12345678, 0x01c5a000};
    const std::string so = "\x83\x5c", hyo = "\x95\x5c";
    for (int i = 0; i < 240; ++i) {
        std::string url = kSite + std::to_string(i % 9) + "/";
        switch (i % 6) {
            case 0:
                url += "page" + std::to_string(i) + ".html";
                break;
            case 1:
                url += "find.cgi?k=" + std::to_string(i) + "&q=a:b/c";
                break;
            case 2:
                url += std::string(600, 'L') + std::to_string(i) + ".gif";
                break;
            case 3:
                url += so + hyo + std::to_string(i) + ".html";
                break;
            case 4:
                url += "dir" + std::to_string(i) + "/";
                break;
            default:
                url = "http://wine.zvcopy:8080/p" + std::to_string(i) + ".html";
                break;
        }
        modified.dwLowDateTime += 10000000;
        ASSERT_TRUE(CommitFile(url, "body " + url, i % 6 == 2 ? "gif" : "html", modified)) << url;
    }
    for (int i = 0; i < 60; ++i) {
        std::string url = std::string("Visited: zv@") + kSite + "h" + std::to_string(i) + ".html";
        FILETIME none = {0, 0};
        ASSERT_TRUE(CommitUrlCacheEntryA(url.c_str(), nullptr, none, modified, URLHISTORY_CACHE_ENTRY, nullptr, 0,
                                         nullptr, nullptr))
            << url;
    }

    CWinInetUrlCache live;
    std::vector<Seen> expected = Walk(live, content, history);
    size_t ours = 0;
    for (const Seen& s : expected) ours += s.url.find("wine.zvcopy") != std::string::npos;
    EXPECT_EQ(300u, ours);

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string copy = std::string(temp) + "zvcopy\\";
    diskkit::RemoveTree(copy);
    CreateDirectoryA(copy.c_str(), nullptr);
    CopyTree(content, copy + "Content.IE5\\");
    CopyTree(history, copy + "History.IE5\\");

    CWin32Files disk;
    std::unique_ptr<CIndexDatUrlCache> store = OpenCacheFolder(disk, copy);
    ASSERT_EQ(2u, store->IndexCount());
    EXPECT_TRUE(store->Damage().empty());
    std::vector<Seen> got = Walk(*store, copy + "Content.IE5\\", copy + "History.IE5\\");
    ASSERT_EQ(expected.size(), got.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(expected[i].url);
        EXPECT_TRUE(expected[i] == got[i]) << got[i].url << " " << got[i].file << " " << expected[i].file;
    }
    // The store's file is the one WinINet hands out for the URL.
    char file[MAX_PATH];
    std::string url = std::string(kSite) + "0/page0.html";
    ASSERT_TRUE(store->GetLocalFile(url.c_str(), file, sizeof file));
    char liveFile[MAX_PATH];
    ASSERT_TRUE(live.GetLocalFile(url.c_str(), liveFile, sizeof liveFile));
    EXPECT_EQ(std::string(liveFile).substr(content.size()), std::string(file).substr(copy.size() + 12));
    diskkit::RemoveTree(copy);
}

}  // namespace

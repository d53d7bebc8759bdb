#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>
#include <vector>

#include "cache/win32/wininetcache.h"

namespace {

const char kHost[] = "http://walk.zvtest/";

// Puts url into the cache with the given bytes; header makes the record large.
bool Commit(const std::string& url, const std::string& data, const std::string& header = "") {
    char file[MAX_PATH];
    if (!CreateUrlCacheEntryA(url.c_str(), (DWORD)data.size(), "htm", file, 0)) return false;
    HANDLE h = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written;
    WriteFile(h, data.data(), (DWORD)data.size(), &written, nullptr);
    CloseHandle(h);
    FILETIME none = {0, 0};
    return CommitUrlCacheEntryA(url.c_str(), file, none, none, NORMAL_CACHE_ENTRY,
                                header.empty() ? nullptr : (BYTE*)header.c_str(),
                                (DWORD)header.size(), "htm", nullptr) != FALSE;
}

std::vector<std::string> Walk(IUrlCache& cache, std::vector<DWORD>* sizes = nullptr) {
    std::vector<std::string> urls;
    UrlCacheEntry e;
    if (cache.FindFirst(e)) {
        do {
            if (e.sourceUrl && strncmp(e.sourceUrl, kHost, strlen(kHost)) == 0) {
                urls.push_back(e.sourceUrl);
                if (sizes) sizes->push_back(e.sizeLow);
            }
        } while (cache.FindNext(e));
        cache.FindClose();
    }
    return urls;
}

TEST(WinInetCache, WalkGoesOnPastAnEntryLargerThanTheRecordBuffer) {
    std::string big = std::string(kHost) + "big.html";
    std::string header = "X-Padding: " + std::string(6000, 'p') + "\r\n\r\n";
    const std::string urls[] = {std::string(kHost) + "a.html", big, std::string(kHost) + "c.html"};
    ASSERT_TRUE(Commit(urls[0], "aaaa"));
    ASSERT_TRUE(Commit(urls[1], "bb", header));
    ASSERT_TRUE(Commit(urls[2], "c"));
    // The record of the big entry does not fit the usual 4096 bytes.
    char record[4096];
    DWORD size = sizeof(record);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetUrlCacheEntryInfoA(big.c_str(), (INTERNET_CACHE_ENTRY_INFOA*)record, &size));
    EXPECT_EQ((DWORD)ERROR_INSUFFICIENT_BUFFER, GetLastError());
    EXPECT_GT(size, 4096u);

    CWinInetUrlCache cache;
    std::vector<DWORD> sizes;
    std::vector<std::string> seen = Walk(cache, &sizes);
    for (const std::string& url : urls) {
        bool found = false;
        for (size_t i = 0; i < seen.size(); ++i) {
            if (seen[i] != url) continue;
            found = true;
            if (url == big) {
                EXPECT_EQ(2u, sizes[i]);
            }
        }
        EXPECT_TRUE(found) << url;
    }
    char file[1024];
    EXPECT_TRUE(cache.GetLocalFile(big.c_str(), file, sizeof(file)));
    for (const std::string& url : urls) EXPECT_TRUE(cache.DeleteEntry(url.c_str()));
    EXPECT_TRUE(Walk(cache).empty());
}

TEST(WinInetCache, CreatedEntryIsListedWithItsFileAndTimes) {
    CWinInetUrlCache cache;
    std::string url = std::string(kHost) + "dir/";
    char path[1024];
    ASSERT_TRUE(cache.CreateEntry(url.c_str(), 5, "html", path, sizeof(path)));
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD written;
    WriteFile(h, "hello", 5, &written, nullptr);
    CloseHandle(h);
    FILETIME expire, modified;
    expire.dwLowDateTime = (DWORD)kCacheNeverExpires;
    expire.dwHighDateTime = (DWORD)(kCacheNeverExpires >> 32);
    modified.dwLowDateTime = 0x12345678;
    modified.dwHighDateTime = 0x01c00000;
    ASSERT_TRUE(cache.CommitEntry(url.c_str(), path, expire, modified, "html"));
    char file[1024];
    ASSERT_TRUE(cache.GetLocalFile(url.c_str(), file, sizeof(file)));
    EXPECT_STREQ(path, file);
    char tiny[4];
    EXPECT_FALSE(cache.GetLocalFile(url.c_str(), tiny, sizeof(tiny)));

    bool listed = false;
    UrlCacheEntry e;
    if (cache.FindFirst(e)) {
        do {
            if (e.sourceUrl && url == e.sourceUrl) {
                listed = true;
                EXPECT_EQ(5u, e.sizeLow);
                EXPECT_EQ(modified.dwHighDateTime, e.lastModified.dwHighDateTime);
                EXPECT_EQ(0u, e.entryType & (CACHE_ENTRY_COOKIE | CACHE_ENTRY_HISTORY));
            }
        } while (cache.FindNext(e));
        cache.FindClose();
    }
    EXPECT_TRUE(listed);
    EXPECT_TRUE(cache.DeleteEntry(url.c_str()));
    EXPECT_FALSE(cache.GetLocalFile(url.c_str(), file, sizeof(file)));
    EXPECT_FALSE(cache.DeleteEntry(url.c_str()));
}

}  // namespace

// The scale benchmark's cache as the store reads it: the host and Wine
// write it from one writer, and its figures mean something only while every
// entry is listed with its type and every page links pictures it holds.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cache/tests/scalecache_kit.h"

using namespace browsercachekit;

TEST(ScaleBenchCache, EveryEntryIsListedWithItsTypeAndEveryPagePictureIsCached) {
    const int entries = 125;  // a last group cut short
    FolderFiles files;
    unsigned long long bytes = 0;
    ASSERT_EQ(0, scalecachekit::WriteCache(
                     entries,
                     [&](const std::string& name, const std::vector<BYTE>& file) {
                         std::string path = name;
                         for (char& c : path)
                             if (c == '/') c = '\\';
                         return files.emplace(path, file).second;  // a second file of one name: a hash collision
                     },
                     &bytes));
    EXPECT_EQ((size_t)entries + 2, files.size());

    MemoryStore store("C:\\Cache_Data\\", files);
    store.AddSimpleCache("C:\\Cache_Data\\");
    std::map<std::string, std::string> types;
    UrlCacheEntry e;
    ASSERT_TRUE(store.FindFirst(e));
    do types[e.sourceUrl] = e.contentType ? e.contentType : "";
    while (store.FindNext(e));
    EXPECT_TRUE(store.Damage().empty());
    ASSERT_EQ((size_t)entries, types.size());
    int pages[2] = {0, 0};
    for (const auto& t : types) {
        if (t.second == "image/gif") continue;
        bool euc = t.second == "text/html; charset=EUC-JP";
        ASSERT_TRUE(euc || t.second == "text/html; charset=Shift_JIS") << t.first << " " << t.second;
        ++pages[euc];
    }
    EXPECT_EQ(8, pages[0]);
    EXPECT_EQ(5, pages[1]);

    // The last page, decoded, links the four pictures that follow it.
    const std::string last = "https://www12.zvbench.jp/d0000/p120.html";
    std::vector<BYTE> body;
    bool undecoded = true;
    ASSERT_TRUE(store.ReadBody(last.c_str(), body, &undecoded));
    EXPECT_FALSE(undecoded);
    std::string page(body.begin(), body.end());
    int linked = 0;
    for (size_t at = 0; (at = page.find("<img src=\"", at)) != std::string::npos; ++linked) {
        at += 10;
        std::string picture = last.substr(0, last.rfind('/') + 1) + page.substr(at, page.find('"', at) - at);
        EXPECT_EQ("image/gif", types[picture]) << picture;
    }
    EXPECT_EQ(4, linked);
    EXPECT_NE(std::string::npos, page.find("<a href=\"https://www00.zvbench.jp/d0000/p0.html\">"));
}

// The set of every cache of a copied disk: whose each cache is, read from
// the folders the browsers leave (Shift_JIS names included), and one walk
// over all of them that gives each URL once, the newest, with its cache.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "base/memoryfiles.h"
#include "cache/cacheset.h"
#include "cache/memcache.h"
#include "cache/tests/browsercache_kit.h"

using namespace browsercachekit;

namespace {

const std::string kEllipsis = "\\\x81\x63\\";

FILETIME Time(DWORD low) { return FILETIME{low, 0x01d00000}; }

CMemoryUrlCache::Entry Page(const std::string& url, const std::string& file, DWORD time) {
    CMemoryUrlCache::Entry e;
    e.url = url;
    e.localFile = file;
    e.size = 1;
    e.lastModified = Time(time);
    return e;
}

}  // namespace

TEST(CacheCaption, NamesTheBrowserPersonAndProfileOfEveryShape) {
    struct {
        CacheKind kind;
        const char* folder;
        std::string caption;
    } cases[] = {
        {CACHE_SIMPLE, "D:\\Users\\taro\\AppData\\Local\\Microsoft\\Edge\\User Data\\Profile 2\\Cache\\Cache_Data\\",
         "Edge (taro" + kEllipsis + "Profile 2)"},
        {CACHE_BLOCKFILE, "D:\\Users\\jiro\\AppData\\Local\\Opera Software\\Opera Stable\\Cache\\",
         "Opera (jiro" + kEllipsis + "Opera Stable)"},
        {CACHE_MOZILLA, "D:\\Documents and Settings\\hanako\\Application Data\\Mozilla\\Profiles\\default\\ab.slt\\Cache\\",
         "Mozilla (hanako" + kEllipsis + "default)"},
        {CACHE_CACHE2, "D:\\Users\\taro\\AppData\\Local\\Mozilla\\Firefox\\Profiles\\x9.default\\cache2\\",
         "Firefox (taro" + kEllipsis + "x9.default)"},
        // A user name whose second byte is "\" (ソフト) stays one name.
        {CACHE_INDEXDAT, "D:\\Users\\\x83\x5c\x83\x74\x83\x67\\AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files\\Content.IE5\\",
         "IE (\x83\x5c\x83\x74\x83\x67)"},
        // A disk copied into a user folder of today's machine: the nearest user is the owner.
        {CACHE_INDEXDAT, "C:\\Users\\root\\Temp\\disk\\Documents and Settings\\hanako\\Local Settings\\History\\History.IE5\\",
         "IE (hanako)"},
        // Nothing the browser left: the folder's own name.
        {CACHE_SIMPLE, "E:\\backup\\Cache_Data\\", "Chromium (Cache_Data)"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.caption, CacheCaption(c.kind, c.folder)) << c.folder;
    EXPECT_EQ("IE (hanako" + kEllipsis + "History.IE5)",
              CacheCaption(CACHE_INDEXDAT, "D:\\Documents and Settings\\hanako\\Local Settings\\History\\History.IE5\\", true));
}

TEST(CacheSet, OneWalkGivesEachUrlOnceFromItsNewestCacheWithItsNumber) {
    CMemoryFiles files;
    files.AddFile("D:\\disk\\a\\1.htm", Bytes("old"));
    files.AddFile("D:\\disk\\b\\1.htm", Bytes("new"));
    CCacheSet set("D:\\disk\\", files);
    std::unique_ptr<CMemoryUrlCache> a(new CMemoryUrlCache), empty(new CMemoryUrlCache), b(new CMemoryUrlCache);
    a->Put(Page("http://h/1", "D:\\disk\\a\\1.htm", 100));
    a->Put(Page("http://h/2", "D:\\disk\\a\\2.htm", 300));
    CMemoryUrlCache::Entry visited = Page("Visited: taro@http://h/1", "", 400);
    visited.type = CACHE_ENTRY_HISTORY;
    visited.hasLocalFile = false;
    a->Put(visited);
    b->Put(Page("http://h/1", "D:\\disk\\b\\1.htm", 200));
    b->Put(Page("http://h/3", "D:\\disk\\b\\3.htm", 50));
    auto add = [&set](const char* user, std::unique_ptr<CMemoryUrlCache> store) {
        CacheSource source;
        source.folder = std::string("D:\\disk\\Users\\") + user + "\\Content.IE5\\";
        set.Add(source, std::move(store));
    };
    add("taro", std::move(a));
    add("jiro", std::move(empty));
    add("hanako", std::move(b));
    set.Index();

    const std::vector<CacheSource>& caches = *set.Caches();
    ASSERT_EQ(3u, caches.size());
    EXPECT_EQ("Users\\taro\\Content.IE5\\", caches[0].relative);
    EXPECT_EQ("IE (jiro)", caches[1].caption);
    EXPECT_EQ(3u, caches[0].entries);
    EXPECT_EQ(0u, caches[1].entries);
    EXPECT_EQ(Time(400).dwLowDateTime, caches[0].newest.dwLowDateTime);
    EXPECT_EQ(Time(200).dwLowDateTime, caches[2].newest.dwLowDateTime);

    // Twice, so that a second walk starts afresh.
    for (int walk = 0; walk < 2; ++walk) {
        std::vector<std::string> seen;
        UrlCacheEntry e;
        for (bool more = set.FindFirst(e); more; more = set.FindNext(e))
            seen.push_back(std::string(e.sourceUrl) + " " + std::to_string(e.cache));
        set.FindClose();
        EXPECT_EQ((std::vector<std::string>{"http://h/2 0", "Visited: taro@http://h/1 0", "http://h/1 2", "http://h/3 2"}),
                  seen);
    }
    std::vector<BYTE> body;
    bool undecoded = true;
    ASSERT_TRUE(set.ReadBody("http://h/1", body, &undecoded));
    EXPECT_EQ(Bytes("new"), body);
    EXPECT_FALSE(undecoded);
    EXPECT_FALSE(set.ReadBody("http://h/2", body, &undecoded));  // its file is not there
    EXPECT_FALSE(set.ReadBody("http://elsewhere/", body, &undecoded));
    char local[64];
    ASSERT_TRUE(set.GetLocalFile("http://h/3", local, sizeof local));
    EXPECT_STREQ("D:\\disk\\b\\3.htm", local);
    bool counted = false;
    for (const CacheDamage& d : set.Damage()) counted |= d.message == IDS_WARN_CACHE_PARTITIONS && d.where == "D:\\disk\\ (1)";
    EXPECT_TRUE(counted);
}

TEST(CacheSet, ASetOfOneCacheGivesItsEntriesAndBodiesWithoutAnIndex) {
    CMemoryFiles files;
    files.AddFile("D:\\disk\\a\\1.htm", Bytes("one"));
    CCacheSet set("D:\\disk\\", files);
    std::unique_ptr<CMemoryUrlCache> a(new CMemoryUrlCache);
    a->Put(Page("http://h/1", "D:\\disk\\a\\1.htm", 100));
    a->Put(Page("http://h/2", "D:\\disk\\a\\2.htm", 300));
    CacheSource source;
    source.folder = "D:\\disk\\Users\\taro\\Content.IE5\\";
    set.Add(source, std::move(a));
    set.Index();
    EXPECT_EQ(2u, (*set.Caches())[0].entries);
    std::vector<std::string> seen;
    UrlCacheEntry e;
    for (bool more = set.FindFirst(e); more; more = set.FindNext(e)) seen.push_back(e.sourceUrl);
    set.FindClose();
    EXPECT_EQ((std::vector<std::string>{"http://h/1", "http://h/2"}), seen);
    std::vector<BYTE> body;
    bool undecoded = true;
    ASSERT_TRUE(set.ReadBody("http://h/1", body, &undecoded));
    EXPECT_EQ(Bytes("one"), body);
    EXPECT_FALSE(set.ReadBody("http://h/2", body, &undecoded));
    EXPECT_FALSE(set.ReadBody("http://elsewhere/", body, &undecoded));
    char local[64];
    EXPECT_FALSE(set.GetLocalFile("http://elsewhere/", local, sizeof local));
    ASSERT_TRUE(set.GetLocalFile("http://h/2", local, sizeof local));
    EXPECT_STREQ("D:\\disk\\a\\2.htm", local);
    for (const CacheDamage& d : set.Damage()) EXPECT_NE((UINT)IDS_WARN_CACHE_PARTITIONS, d.message);
}

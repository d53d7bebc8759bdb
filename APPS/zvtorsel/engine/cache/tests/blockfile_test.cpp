// The blockfile reader on a real cache (test_data/chrome_cache of
// log2timeline/plaso, whose data_3 the public copy lacks) and on caches of
// our writer: index versions, long keys, "f_" files, dirty and evicted
// entries, loops and lost files.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <map>
#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "cache/blockfile.h"
#include "cache/browsercachestore.h"
#include "cache/tests/browsercache_kit.h"

using namespace browsercachekit;

namespace {

const char kHead[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nLast-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\n";
const char kGzipHead[] =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: br\r\nLast-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\n";

size_t Rows(const IUrlCache& store, UINT message) {
    size_t n = 0;
    for (const CacheDamage& d : store.Damage()) n += d.message == message;
    return n;
}

}  // namespace

TEST(BlockfileCache, RealCacheReadsEveryEntryOutsideTheLostDataFile) {
    CBrowserCacheStore store(DataFolder(), FixtureFiles());
    std::string folder = DataFolder() + "chrome-blockfile\\";
    store.AddBlockfile(folder);
    size_t listed = 0, bodies = 0;
    UrlCacheEntry e;
    ASSERT_TRUE(store.FindFirst(e));
    do {
        ++listed;
        EXPECT_EQ(0u, std::string(e.sourceUrl).find("http")) << e.sourceUrl;
        if (e.note) continue;
        std::vector<BYTE> body;
        bool undecoded = true;
        ASSERT_TRUE(store.ReadBody(e.sourceUrl, body, &undecoded)) << e.sourceUrl;
        EXPECT_FALSE(undecoded) << e.sourceUrl;
        EXPECT_EQ(e.sizeLow, body.size()) << e.sourceUrl;
        ++bodies;
    } while (store.FindNext(e));
    // Every entry whose stream lies in the lost data_3 is named (the first
    // rows by URL, the rest counted); nothing else is damaged. The index
    // counts 217 entries.
    size_t missing = 0;
    for (const CacheDamage& d : store.Damage()) {
        if (d.where.find(" (+") != std::string::npos) {
            missing += (size_t)atoi(d.where.c_str() + d.where.find(" (+") + 3);
            continue;
        }
        EXPECT_EQ((UINT)IDS_WARN_CACHE_BODY_MISSING, d.message) << d.where;
        EXPECT_EQ(0u, d.where.find(folder + "data_3 http")) << d.where;
        ++missing;
    }
    EXPECT_EQ(40u, bodies);
    EXPECT_EQ(217u, listed + missing);
    EXPECT_EQ(listed, store.EntryCount());
}

TEST(BlockfileCache, WriterCachesOfEveryVersionWithLongKeysAndExternalFiles) {
    std::vector<BYTE> plain = FixtureBytes(DataFolder() + "codecs\\body.html");
    std::vector<BYTE> br = FixtureBytes(DataFolder() + "codecs\\body.html.br");
    std::string longUrl = "https://l.example/" + std::string(300, 'k') + "?q=1";
    for (DWORD version : {0x20000u, 0x20001u, 0x30000u}) {
        SCOPED_TRACE(version);
        BlockfileWriter w(version);
        BlockfileWriter::Options plainOptions, external, outside, shared;
        external.bodyExternal = true;
        outside.keyOutside = true;
        shared.bucket = 3;
        w.AddEntry("1/0/_dk_https://a.example https://a.example https://a.example/", ResponseInfo(kHead, 13000000000000000ULL),
                   Bytes("<html>small</html>"), plainOptions);
        w.AddEntry("https://a.example/big.html", ResponseInfo(kHead, 13000000000000000ULL), plain, external);
        w.AddEntry(longUrl, ResponseInfo(kHead, 13000000000000000ULL), Bytes("long"), plainOptions);
        w.AddEntry("https://a.example/outside", ResponseInfo(kHead, 13000000000000000ULL), Bytes("o"), outside);
        w.AddEntry("https://a.example/br", ResponseInfo(kGzipHead, 13000000000000000ULL), br, shared);
        w.AddEntry("https://a.example/next", ResponseInfo(kHead, 13000000000000000ULL), std::vector<BYTE>(5000, 'x'), shared);
        w.AddEntry("https://a.example/empty", ResponseInfo(kHead, 13000000000000000ULL), Bytes(""), plainOptions);
        MemoryStore store("C:\\b\\", w.Build());
        store.AddBlockfile("C:\\b\\");
        EXPECT_TRUE(store.Damage().empty()) << store.Damage()[0].where;
        ASSERT_EQ(7u, store.EntryCount());
        std::vector<BYTE> body;
        bool undecoded;
        struct {
            std::string url;
            std::vector<BYTE> body;
        } expected[] = {{"https://a.example/", Bytes("<html>small</html>")},
                        {"https://a.example/big.html", plain},
                        {longUrl, Bytes("long")},
                        {"https://a.example/outside", Bytes("o")},
                        {"https://a.example/br", plain},
                        {"https://a.example/next", std::vector<BYTE>(5000, 'x')},
                        {"https://a.example/empty", Bytes("")}};
        for (auto& x : expected) {
            ASSERT_TRUE(store.ReadBody(x.url.c_str(), body, &undecoded)) << x.url;
            EXPECT_TRUE(body == x.body) << x.url;
        }
        char local[1024];
        ASSERT_TRUE(store.GetLocalFile("https://a.example/big.html", local, sizeof local));
        EXPECT_STREQ("C:\\b\\f_000001", local);
    }
}

TEST(BlockfileCache, DirtyEvictedLoopingAndLostPartsAreNamedNotRead) {
    BlockfileWriter w;
    BlockfileWriter::Options dirty, evicted, external, loop;
    dirty.dirty = true;
    evicted.evicted = true;
    external.bodyExternal = true;
    loop.bucket = 5;
    w.AddEntry("https://d.example/dirty", ResponseInfo(kHead, 1), Bytes("half"), dirty);
    w.AddEntry("https://d.example/evicted", ResponseInfo(kHead, 1), Bytes("gone"), evicted);
    w.AddEntry("https://d.example/lost", ResponseInfo(kHead, 1), Bytes("in f_"), external);
    DWORD a = w.AddEntry("https://d.example/a", ResponseInfo(kHead, 1), Bytes("a"), loop);
    DWORD b = w.AddEntry("https://d.example/b", ResponseInfo(kHead, 1), Bytes("b"), loop);
    w.AddEntry("https://d.example/ok", ResponseInfo(kHead, 1), Bytes("ok"), BlockfileWriter::Options());
    std::map<std::string, std::vector<BYTE>> files = w.Build();
    w.Chain(b, a);  // b leads back to a
    files["data_1"] = w.Build()["data_1"];
    files.erase("f_000001");
    MemoryStore store("C:\\b\\", files);
    store.AddBlockfile("C:\\b\\");
    EXPECT_EQ(3u, store.EntryCount());  // a, b, ok
    EXPECT_EQ(2u, Rows(store, IDS_WARN_CACHE_ENTRY_UNFINISHED));
    EXPECT_EQ(1u, Rows(store, IDS_WARN_CACHE_BODY_MISSING));
    EXPECT_EQ(1u, Rows(store, IDS_WARN_CACHE_ENTRY_DAMAGED));  // the loop
    bool named = false;
    for (const CacheDamage& d : store.Damage()) named |= d.where == "C:\\b\\f_000001 https://d.example/lost";
    EXPECT_TRUE(named);

    // Cut and overwritten files: rows, never a read outside them.
    BlockfileWriter full;
    full.AddEntry("https://c.example/x", ResponseInfo(kHead, 1), Bytes("body"), external);
    full.AddEntry("https://c.example/" + std::string(400, 'y'), ResponseInfo(kHead, 1), Bytes("b2"), BlockfileWriter::Options());
    std::map<std::string, std::vector<BYTE>> sound = full.Build();
    for (const auto& f : sound) {
        for (size_t cut = 0; cut <= f.second.size(); cut += 1 + f.second.size() / 61) {
            for (int flip = 0; flip < 2; ++flip) {
                std::map<std::string, std::vector<BYTE>> damaged = sound;
                damaged[f.first].resize(cut);
                if (flip && cut) {
                    damaged[f.first] = f.second;
                    for (size_t i = cut - 1; i < cut + 3 && i < f.second.size(); ++i) damaged[f.first][i] ^= 0x5a;
                }
                MemoryStore s("C:\\b\\", damaged);
                s.AddBlockfile("C:\\b\\");
                UrlCacheEntry e;
                if (s.FindFirst(e)) {
                    do {
                        std::vector<BYTE> body;
                        bool undecoded;
                        s.ReadBody(e.sourceUrl, body, &undecoded);
                    } while (s.FindNext(e));
                }
            }
        }
    }
}

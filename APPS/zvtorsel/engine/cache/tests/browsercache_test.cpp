// The readers of today's browser caches on the folders real browsers wrote
// (tests/data), on entries of our writers, and on damaged files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "cache/browsercachestore.h"
#include "cache/cache2.h"
#include "cache/cachekeys.h"
#include "cache/contentdecode.h"
#include "cache/httpresponse.h"
#include "cache/simplecache.h"
#include "cache/tests/browsercache_kit.h"

using namespace browsercachekit;

namespace {

std::vector<BYTE> ReadData(const std::string& relative) {
    std::vector<BYTE> bytes;
    bytes = FixtureBytes(DataFolder() + relative);
    return bytes;
}

struct Expected {
    std::string url, file, contentType, encoding;
};

std::vector<Expected> ExpectedEntries() {
    std::vector<Expected> out;
    std::vector<BYTE> text = ReadData("expected.tsv");
    std::string all(text.begin(), text.end());
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\n', pos);
        std::string line = all.substr(pos, end - pos);
        pos = end == std::string::npos ? all.size() : end + 1;
        std::vector<std::string> cols;
        size_t a = 0;
        for (size_t tab; (tab = line.find('\t', a)) != std::string::npos; a = tab + 1) cols.push_back(line.substr(a, tab - a));
        cols.push_back(line.substr(a));
        if (cols.size() == 4) out.push_back({cols[0], cols[1], cols[2], cols[3]});
    }
    return out;
}

struct Walked {
    std::string localFile, contentType, note, head;
    DWORD size;
    FILETIME lastModified;
};

std::map<std::string, Walked> Walk(IUrlCache& cache) {
    std::map<std::string, Walked> out;
    UrlCacheEntry e;
    if (!cache.FindFirst(e)) return out;
    do {
        Walked w;
        w.localFile = e.localFile ? e.localFile : "";
        w.contentType = e.contentType ? e.contentType : "";
        w.note = e.note ? e.note : "";
        w.head = e.headerInfo ? std::string(e.headerInfo, e.headerInfoSize) : "";
        w.size = e.sizeLow;
        w.lastModified = e.lastModified;
        EXPECT_EQ(0u, out.count(e.sourceUrl)) << e.sourceUrl;
        out[e.sourceUrl] = w;
    } while (cache.FindNext(e));
    cache.FindClose();
    return out;
}

ULONGLONG Value(const FILETIME& t) { return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime; }

// 2003-04-05 06:07:08 UTC, the Last-Modified the fixture server sends.
const ULONGLONG kFixtureLastModified = (1049522828ULL + 11644473600ULL) * 10000000ULL;

void CheckFixture(CBrowserCacheStore& store) {
    EXPECT_TRUE(store.Damage().empty()) << store.Damage()[0].where;
    std::map<std::string, Walked> walked = Walk(store);
    for (const Expected& x : ExpectedEntries()) {
        SCOPED_TRACE(x.url);
        ASSERT_EQ(1u, walked.count(x.url));
        const Walked& w = walked[x.url];
        std::vector<BYTE> site = ReadData("site\\" + x.file);
        ASSERT_FALSE(site.empty());
        EXPECT_FALSE(w.localFile.empty());
        EXPECT_EQ("", w.note);
        EXPECT_EQ(x.contentType, w.contentType);
        EXPECT_EQ(site.size(), w.size);
        EXPECT_EQ(kFixtureLastModified, Value(w.lastModified));
        EXPECT_EQ(0u, w.head.find("HTTP/1.0 200 OK\r\n"));
        EXPECT_NE(std::string::npos, w.head.find("Content-Type: " + x.contentType + "\r\n"));
        EXPECT_EQ(x.encoding != "identity", w.head.find("Content-Encoding: ") != std::string::npos);
        std::vector<BYTE> body;
        bool undecoded = true;
        ASSERT_TRUE(store.ReadBody(x.url.c_str(), body, &undecoded));
        EXPECT_FALSE(undecoded);
        EXPECT_TRUE(body == site);
        char local[1024];
        ASSERT_TRUE(store.GetLocalFile(x.url.c_str(), local, sizeof local));
        EXPECT_EQ(w.localFile, local);
        EXPECT_FALSE(store.GetLocalFile(x.url.c_str(), local, (DWORD)w.localFile.size()));
    }
}

}  // namespace

TEST(BrowserCacheFixtures, ChromiumSimpleCacheGivesEverySentBodyDecoded) {
    CBrowserCacheStore store(DataFolder(), FixtureFiles());
    store.AddSimpleCache(DataFolder() + "chromium-simple\\");
    CheckFixture(store);
    std::map<std::string, Walked> walked = Walk(store);
    // The redirect is listed with its target, the 404 page by its status; neither is rebuilt.
    EXPECT_EQ("301 http://127.0.0.1:8431/index.html", walked["http://127.0.0.1:8431/old.html"].note);
    EXPECT_EQ("", walked["http://127.0.0.1:8431/old.html"].localFile);
    EXPECT_EQ("404", walked["http://127.0.0.1:8431/favicon.ico"].note);
    std::vector<BYTE> body;
    bool undecoded;
    EXPECT_FALSE(store.ReadBody("http://127.0.0.1:8431/favicon.ico", body, &undecoded));
    EXPECT_TRUE(store.ReadOnly());
    EXPECT_TRUE(store.BodiesInStore());
}

TEST(BrowserCacheFixtures, FirefoxCache2GivesEverySentBodyDecoded) {
    CBrowserCacheStore store(DataFolder(), FixtureFiles());
    store.AddCache2(DataFolder() + "firefox-cache2\\");
    CheckFixture(store);
}

TEST(BrowserCacheFixtures, OurSimpleWriterLaysOutEntriesAsChromiumDoes) {
    // The logo entry written again by our writer: the same header, key, body
    // and end record places; only the checksum fields and stream 0 differ.
    std::vector<BYTE> real = ReadData("chromium-simple\\82e2ccb561f9897d_0");
    SimpleCacheEntry realEntry, ourEntry;
    ASSERT_EQ(SIMPLE_OK, ParseSimpleEntry(real.data(), real.size(), realEntry));
    std::vector<BYTE> body(real.begin() + (size_t)realEntry.bodyOffset,
                           real.begin() + (size_t)(realEntry.bodyOffset + realEntry.bodyLength));
    std::vector<BYTE> ours = SimpleEntryFile(realEntry.key, realEntry.head.head, body, 13000000000000000ULL);
    ASSERT_EQ(SIMPLE_OK, ParseSimpleEntry(ours.data(), ours.size(), ourEntry));
    EXPECT_EQ(realEntry.key, ourEntry.key);
    EXPECT_EQ(realEntry.bodyOffset, ourEntry.bodyOffset);
    EXPECT_EQ(realEntry.head.head, ourEntry.head.head);
    size_t eof1 = (size_t)(realEntry.bodyOffset + realEntry.bodyLength);
    EXPECT_TRUE(std::equal(real.begin(), real.begin() + 12, ours.begin()));  // magic and version
    EXPECT_TRUE(std::equal(real.begin() + eof1, real.begin() + eof1 + 8, ours.begin() + eof1));
    EXPECT_TRUE(std::equal(real.end() - 24, real.end() - 16, ours.end() - 24));
}

TEST(BrowserCacheFixtures, OurCache2WriterLaysOutEntriesAsFirefoxDoes) {
    std::vector<BYTE> real = ReadData("firefox-cache2\\entries\\2219EEBB6134BC82E264B04879EA02160844BCCC");
    Cache2Entry realEntry, ourEntry;
    ASSERT_EQ(CACHE2_OK, ParseCache2Entry(real.data(), real.size(), realEntry));
    EXPECT_EQ(4u, realEntry.version);
    std::vector<BYTE> body(real.begin(), real.begin() + (size_t)realEntry.bodyLength);
    std::string head = realEntry.head.head.substr(0, realEntry.head.head.size() - 2);
    std::vector<BYTE> ours = Cache2EntryFile(realEntry.key, head, body, 4, realEntry.lastModified);
    ASSERT_EQ(CACHE2_OK, ParseCache2Entry(ours.data(), ours.size(), ourEntry));
    EXPECT_EQ(realEntry.key, ourEntry.key);
    EXPECT_EQ(realEntry.bodyLength, ourEntry.bodyLength);
    EXPECT_EQ(realEntry.head.head, ourEntry.head.head);
    // Metadata offset, then checksum and one chunk hash, then the version.
    EXPECT_TRUE(std::equal(real.end() - 4, real.end(), ours.end() - 4));
    EXPECT_TRUE(std::equal(real.begin() + 43 + 6, real.begin() + 43 + 10, ours.begin() + 43 + 6));
}

TEST(BrowserCacheKeys, ChromiumAndFirefoxKeysGiveThePlainUrl) {
    const char* chromium[][2] = {
        {"1/0/_dk_http://127.0.0.1 http://127.0.0.1 http://127.0.0.1:8431/index.html", "http://127.0.0.1:8431/index.html"},
        {"_dk_https://a.example https://a.example https://b.example/x?q=1", "https://b.example/x?q=1"},
        {"_dk_s_https://a.example https://a.example https://b.example/", "https://b.example/"},
        {"_cn_https://a.example/p", "https://a.example/p"},
        {"1/0/http://old.example/page.html", "http://old.example/page.html"},
        {"http://plain.example/", "http://plain.example/"},
        {"s_http://sub.example/", "http://sub.example/"},
        {"1/0/_dk_ garbage", ""},
        {"", ""},
    };
    for (auto& c : chromium) EXPECT_EQ(c[1], ChromiumKeyToUrl(c[0], strlen(c[0]))) << c[0];
    struct {
        const char* key;
        const char* url;
        bool noResponse;
    } firefox[] = {
        {"a,:http://127.0.0.1:8431/index.html", "http://127.0.0.1:8431/index.html", false},
        {":http://x.example/", "http://x.example/", false},
        {"O^partitionKey=%28http%2C127.0.0.1%29,:http://127.0.0.1:8431/img/logo.gif",
         "http://127.0.0.1:8431/img/logo.gif", false},
        {"O^a=b,,c,a,:https://y.example/?k=v,w", "https://y.example/?k=v,w", false},
        {"~predictor-origin,:http://z.example/", "http://z.example/", true},
        {"a,:predictor-origin:http://z.example/", "predictor-origin:http://z.example/", true},
        {"a,~1234,:http://post.example/form", "http://post.example/form", false},
        {"a,no url at all", "", false},
    };
    for (auto& c : firefox) {
        bool noResponse = !c.noResponse;
        EXPECT_EQ(c.url, Cache2KeyToUrl(c.key, strlen(c.key), &noResponse)) << c.key;
        EXPECT_EQ(c.noResponse, noResponse) << c.key;
    }
}

TEST(BrowserCacheDecoding, EveryCodingAndChainGivesTheSentBody) {
    std::vector<BYTE> plain = ReadData("codecs\\body.html");
    ASSERT_FALSE(plain.empty());
    std::vector<BYTE> out;
    struct {
        const char* file;
        const char* coding;
    } cases[] = {{"codecs\\body.html.br", "br"},
                 {"codecs\\body.html.zst", "zstd"},
                 {"codecs\\body.html.gz.br", "gzip, br"},
                 {"codecs\\body.html.gz.br", "gzip,br"},
                 {"codecs\\body.html", "identity"}};
    for (auto& c : cases) {
        std::vector<BYTE> stored = ReadData(c.file);
        DecodeResult r = DecodeContent(c.coding, stored.data(), stored.size(), out);
        EXPECT_NE(DECODE_FAILED, r) << c.coding;
        EXPECT_TRUE(out == plain) << c.coding;
    }
    // The fixture's gzip, zlib deflate and raw deflate bodies.
    for (const char* name : {"chromium-simple\\13b83e83aa9c076e_0", "chromium-simple\\063146e0f78557f6_0"}) {
        std::vector<BYTE> file = ReadData(name);
        SimpleCacheEntry e;
        ASSERT_EQ(SIMPLE_OK, ParseSimpleEntry(file.data(), file.size(), e)) << name;
        EXPECT_FALSE(e.head.contentEncoding.empty());
        EXPECT_EQ(DECODE_DONE, DecodeContent(e.head.contentEncoding, file.data() + e.bodyOffset, (size_t)e.bodyLength, out));
    }
}

TEST(BrowserCacheDecoding, BrokenOrUnknownCodingKeepsTheStoredBytes) {
    std::vector<BYTE> br = ReadData("codecs\\body.html.br");
    std::vector<BYTE> out;
    struct {
        std::vector<BYTE> data;
        const char* coding;
    } cases[] = {
        {std::vector<BYTE>(br.begin(), br.end() - 5), "br"},  // cut
        {br, "gzip"},                                         // wrong coding
        {br, "compress"},                                     // unknown coding
        {Bytes("plain text"), "deflate"},
        {Bytes("\x1f\x8b\x08\x00garbage"), "gzip"},
        {std::vector<BYTE>(), "zstd"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(DECODE_FAILED, DecodeContent(c.coding, c.data.data(), c.data.size(), out)) << c.coding;
        EXPECT_TRUE(out == c.data);
    }
}

TEST(BrowserCacheDecoding, SizeWithoutTheDecodedBytesAgreesWithTheDecodedBody) {
    std::vector<BYTE> plain = ReadData("codecs\\body.html");
    std::vector<BYTE> br = ReadData("codecs\\body.html.br");
    std::vector<BYTE> zst = ReadData("codecs\\body.html.zst");
    std::vector<BYTE> chain = ReadData("codecs\\body.html.gz.br");
    struct {
        std::vector<BYTE> data;
        const char* coding;
    } decodable[] = {{br, "br"}, {zst, "zstd"}, {chain, "gzip, br"}, {plain, "identity"}};
    for (auto& c : decodable) {
        ULONGLONG size = 0;
        EXPECT_NE(DECODE_FAILED, CountDecoded(c.coding, c.data.data(), c.data.size(), &size)) << c.coding;
        EXPECT_EQ(plain.size(), size) << c.coding;
    }
    // The fixture's gzip and deflate bodies as Chromium stored them.
    for (const char* name : {"chromium-simple\\13b83e83aa9c076e_0", "chromium-simple\\063146e0f78557f6_0"}) {
        std::vector<BYTE> file = ReadData(name);
        SimpleCacheEntry e;
        ASSERT_EQ(SIMPLE_OK, ParseSimpleEntry(file.data(), file.size(), e)) << name;
        std::vector<BYTE> out;
        ASSERT_EQ(DECODE_DONE, DecodeContent(e.head.contentEncoding, file.data() + e.bodyOffset, (size_t)e.bodyLength, out));
        ULONGLONG size = 0;
        EXPECT_EQ(DECODE_DONE, CountDecoded(e.head.contentEncoding, file.data() + e.bodyOffset, (size_t)e.bodyLength, &size));
        EXPECT_EQ(out.size(), size) << name;
    }
    // Broken bodies that carry no length of their own keep the stored size.
    std::vector<BYTE> cut(br.begin(), br.end() - 5);
    for (const char* coding : {"br", "deflate", "compress"}) {
        ULONGLONG size = 0;
        EXPECT_EQ(DECODE_FAILED, CountDecoded(coding, cut.data(), cut.size(), &size)) << coding;
        EXPECT_EQ(cut.size(), size);
    }
}

TEST(BrowserCacheHead, DatesAndFieldsOfTheResponseHead) {
    FILETIME t;
    ASSERT_TRUE(ParseHttpDate("Sat, 05 Apr 2003 06:07:08 GMT", t));
    EXPECT_EQ(kFixtureLastModified, Value(t));
    ASSERT_TRUE(ParseHttpDate("Saturday, 05-Apr-03 06:07:08 GMT", t));
    EXPECT_EQ(kFixtureLastModified, Value(t));
    ASSERT_TRUE(ParseHttpDate("Sat Apr  5 06:07:08 2003", t));
    EXPECT_EQ(kFixtureLastModified, Value(t));
    EXPECT_FALSE(ParseHttpDate("yesterday", t));
    EXPECT_FALSE(ParseHttpDate("Sat, 35 Apr 2003 06:07:08 GMT", t));
    HttpResponseHead head;
    const char nul[] = "HTTP/1.1 302 Found\0Location: /next\0content-encoding: gzip\0Content-Encoding: br\0\0ignored";
    ASSERT_TRUE(ParseResponseHead(nul, sizeof nul - 1, head));
    EXPECT_EQ(302, head.status);
    EXPECT_EQ("/next", head.location);
    EXPECT_EQ("gzip, br", head.contentEncoding);
    EXPECT_EQ("HTTP/1.1 302 Found\r\nLocation: /next\r\ncontent-encoding: gzip\r\nContent-Encoding: br\r\n\r\n", head.head);
    // Lines ended by LF and by NUL in one head, a last line without an end.
    const char mixed[] = "HTTP/1.0 200 OK\nContent-Type:  text/plain \0Last-Modified:\tSat, 05 Apr 2003 06:07:08 GMT\r\nX: y";
    ASSERT_TRUE(ParseResponseHead(mixed, sizeof mixed - 1, head));
    EXPECT_EQ("text/plain", head.contentType);
    EXPECT_EQ(kFixtureLastModified, Value(head.lastModified));
    EXPECT_EQ("HTTP/1.0 200 OK\r\nContent-Type:  text/plain \r\nLast-Modified:\tSat, 05 Apr 2003 06:07:08 GMT\r\nX: y\r\n\r\n",
              head.head);
    EXPECT_FALSE(ParseResponseHead("GET / HTTP/1.1\r\n", 16, head));
    EXPECT_FALSE(ParseResponseHead("HTTP/1.1 2x0 OK\r\n", 17, head));
}

namespace {

const char kHead[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nLast-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\n";

}  // namespace

TEST(BrowserCacheStore, PartitionsOfOneUrlGiveTheNewestWithACount) {
    CMemoryFiles files;
    const char* keys[] = {"O^partitionKey=%28https%2Ca.example%29,:https://c.example/x.html",
                          "O^partitionKey=%28https%2Cb.example%29,:https://c.example/x.html",
                          "a,:https://c.example/x.html"};
    DWORD times[] = {1000000000, 1100000000, 1050000000};
    for (int i = 0; i < 3; ++i) {
        char name[64];
        snprintf(name, sizeof name, "C:\\c2\\entries\\%040d", i);
        files.AddFile(name, Cache2EntryFile(keys[i], kHead, Bytes(std::string("body ") + (char)('0' + i)), 4, times[i]));
    }
    CBrowserCacheStore store("C:\\c2\\", files);
    store.AddCache2("C:\\c2\\");
    EXPECT_EQ(1u, store.EntryCount());
    std::vector<BYTE> body;
    bool undecoded;
    ASSERT_TRUE(store.ReadBody("https://c.example/x.html", body, &undecoded));
    EXPECT_EQ("body 1", std::string(body.begin(), body.end()));
    ASSERT_EQ(1u, store.Damage().size());
    EXPECT_EQ((UINT)IDS_WARN_CACHE_PARTITIONS, store.Damage()[0].message);
    EXPECT_EQ("C:\\c2\\ (2)", store.Damage()[0].where);
}

TEST(BrowserCacheStore, WriterEntriesOfEveryVersionCodingAndKind) {
    CMemoryFiles files;
    std::vector<BYTE> plain = ReadData("codecs\\body.html");
    std::string brHead = std::string(kHead) + "Content-Encoding: br\r\n";
    std::string zstdHead = std::string(kHead) + "Content-Encoding: zstd\r\n";
    const std::string e = "C:\\p\\cache2\\entries\\";
    files.AddFile(e + std::string(40, '1'), Cache2EntryFile("a,:https://v.example/1", kHead, Bytes("v1"), 1, 1000));
    files.AddFile(e + std::string(40, '2'), Cache2EntryFile(":https://v.example/2", kHead, Bytes("v2"), 2, 1000));
    files.AddFile(e + std::string(40, '3'), Cache2EntryFile(":https://v.example/3", kHead, Bytes("v3"), 3, 1000));
    files.AddFile(e + std::string(40, '5'), Cache2EntryFile(":https://v.example/5", kHead, Bytes("v5"), 5, 1000));
    files.AddFile(e + std::string(40, '6'), Cache2EntryFile(":https://v.example/6", kHead, Bytes("v6"), 6, 1000));
    files.AddFile(e + std::string(40, 'a'),
        Cache2EntryFile(":https://v.example/br", brHead, ReadData("codecs\\body.html.br"), 4, 1000));
    files.AddFile(e + std::string(40, 'b'),
        Cache2EntryFile(":https://v.example/zst", zstdHead, ReadData("codecs\\body.html.zst"), 4, 1000));
    files.AddFile(e + std::string(40, 'c'),
        Cache2EntryFile(":https://v.example/alt", kHead, Bytes("script!compiled-bytes"), 4, 1000, "1;7,javascript/moz-script"));
    files.AddFile(e + std::string(40, 'd'), Cache2EntryFile("~predictor-origin,:https://v.example/p", "", Bytes(""), 4, 1000));
    files.AddFile(e + std::string(40, 'e'),
        Cache2EntryFile(":https://v.example/bad", brHead, Bytes("not brotli"), 4, 1000));
    const std::string s = "C:\\p\\Cache_Data\\";
    files.AddFile(s + "0123456789abcdef_0",
        SimpleEntryFile("1/0/_dk_https://s.example https://s.example https://s.example/zst", zstdHead,
                        ReadData("codecs\\body.html.zst"), 13000000000000000ULL));
    files.AddFile(s + "0123456789abcdef_1", Bytes("side data, not read"));
    files.AddFile(s + "todelete_0123456789abcdee_0", Bytes("left by the browser"));
    // A media entry: empty stream 1, body in two sparse ranges.
    files.AddFile(s + "1111111111111111_0",
        SimpleEntryFile("1/0/https://s.example/v.bin", kHead, Bytes(""), 13000000000000000ULL));
    std::vector<BYTE> sparse = SimpleEntryFile("1/0/https://s.example/v.bin", kHead, Bytes(""), 0);
    sparse.resize(24 + strlen("1/0/https://s.example/v.bin"));
    auto range = [&sparse](ULONGLONG offset, const std::string& data) {
        PutLe64(sparse, 0xeb97bf016553676bULL);
        PutLe64(sparse, offset);
        PutLe64(sparse, data.size());
        PutLe32(sparse, 0);
        PutLe32(sparse, 0);
        sparse.insert(sparse.end(), data.begin(), data.end());
    };
    range(5, "-second");
    range(0, "first");
    range(100, "after a gap");
    files.AddFile(s + "1111111111111111_s", sparse);

    CBrowserCacheStore store("C:\\p\\", files);
    store.AddCache2("C:\\p\\cache2\\");
    store.AddSimpleCache("C:\\p\\Cache_Data\\");
    EXPECT_EQ(2u, store.CacheCount());
    std::map<std::string, Walked> walked = Walk(store);
    EXPECT_EQ(11u, walked.size());
    EXPECT_EQ(0u, walked.count("https://v.example/p"));
    std::vector<BYTE> body;
    bool undecoded;
    for (const char* url : {"https://v.example/1", "https://v.example/2", "https://v.example/3", "https://v.example/5"}) {
        ASSERT_TRUE(store.ReadBody(url, body, &undecoded)) << url;
        EXPECT_EQ(std::string("v") + url[strlen(url) - 1], std::string(body.begin(), body.end()));
    }
    for (const char* url : {"https://v.example/br", "https://v.example/zst", "https://s.example/zst"}) {
        ASSERT_TRUE(store.ReadBody(url, body, &undecoded)) << url;
        EXPECT_FALSE(undecoded);
        EXPECT_TRUE(body == plain) << url;
        EXPECT_EQ(plain.size(), walked[url].size) << url;
    }
    ASSERT_TRUE(store.ReadBody("https://v.example/alt", body, &undecoded));
    EXPECT_EQ("script!", std::string(body.begin(), body.end()));
    ASSERT_TRUE(store.ReadBody("https://v.example/bad", body, &undecoded));
    EXPECT_TRUE(undecoded);
    EXPECT_EQ("not brotli", std::string(body.begin(), body.end()));
    ASSERT_TRUE(store.ReadBody("https://s.example/v.bin", body, &undecoded));
    EXPECT_EQ("first-second", std::string(body.begin(), body.end()));
    EXPECT_EQ(12u, walked["https://s.example/v.bin"].size);
    EXPECT_EQ("C:\\p\\Cache_Data\\1111111111111111_s", walked["https://s.example/v.bin"].localFile);

    // One row for the undecodable body and one for the newer version (the
    // first of them only).
    int undecodable = 0, newer = 0;
    for (const CacheDamage& d : store.Damage()) {
        if (d.message == IDS_WARN_CACHE_BODY_UNDECODED && d.where == "https://v.example/bad") ++undecodable;
        if (d.message == IDS_WARN_CACHE_NEWER_FORMAT) ++newer;
    }
    EXPECT_EQ(1, undecodable);
    EXPECT_EQ(1, newer);
}

TEST(BrowserCacheDamage, CutAndOverwrittenFilesGiveWarningsNotCrashes) {
    // Every fixture file cut at every length and with bytes overwritten near
    // its end records: the store reads what is sound and notes the rest.
    for (const char* folder : {"chromium-simple\\", "firefox-cache2\\entries\\"}) {
        std::vector<std::string> names;
        std::vector<DirEntry> entries;
        ASSERT_TRUE(FixtureFiles().ListFolder((DataFolder() + folder).c_str(), entries));
        for (const DirEntry& e : entries)
            if (!e.IsFolder()) names.push_back(e.name);
        for (const std::string& name : names) {
            std::vector<BYTE> file;
            file = FixtureBytes(DataFolder() + folder + name);
            ASSERT_FALSE(file.empty());
            bool simple = folder[0] == 'c';
            for (size_t cut = 0; cut < file.size(); cut += 1 + file.size() / 97) {
                for (int overwrite = 0; overwrite < 3; ++overwrite) {
                    std::vector<BYTE> damaged(file.begin(), file.begin() + cut);
                    if (overwrite && !damaged.empty()) {
                        size_t at = overwrite == 1 ? damaged.size() - 1 - (damaged.size() - 1) % 7 : damaged.size() / 2;
                        for (size_t i = at; i < damaged.size() && i < at + 4; ++i) damaged[i] ^= 0xff;
                    }
                    CMemoryFiles files;
                    std::string path = simple ? "C:\\x\\" + name : "C:\\x\\entries\\" + name;
                    files.AddFile(path, damaged);
                    CBrowserCacheStore store("C:\\x\\", files);
                    if (simple) {
                        store.AddSimpleCache("C:\\x\\");
                    } else {
                        store.AddCache2("C:\\x\\");
                    }
                    std::map<std::string, Walked> walked = Walk(store);
                    if (walked.empty() && name.size() > 10) {
                        EXPECT_FALSE(store.Damage().empty()) << name << " " << cut;
                    }
                    std::vector<BYTE> body;
                    bool undecoded;
                    for (auto& w : walked) store.ReadBody(w.first.c_str(), body, &undecoded);
                }
            }
        }
    }
    // A cache2 offset that points at itself, and one past the file.
    std::vector<BYTE> file = Cache2EntryFile(":https://l.example/", kHead, Bytes("x"), 4, 1);
    Cache2Entry entry;
    std::vector<BYTE> self = file;
    DWORD at = (DWORD)self.size() - 4;
    self[self.size() - 4] = (BYTE)(at >> 24), self[self.size() - 3] = (BYTE)(at >> 16);
    self[self.size() - 2] = (BYTE)(at >> 8), self[self.size() - 1] = (BYTE)at;
    EXPECT_EQ(CACHE2_DAMAGED, ParseCache2Entry(self.data(), self.size(), entry));
    std::vector<BYTE> past = file;
    past[past.size() - 4] = 0x7f;
    EXPECT_EQ(CACHE2_DAMAGED, ParseCache2Entry(past.data(), past.size(), entry));
}

namespace {

// A gzip body whose deflate data is broken behind a sound header, and
// whose trailer records a length: the size needs no decoding, the damage
// shows when the body is read.
std::vector<BYTE> BrokenGzip(DWORD length) {
    std::vector<BYTE> body = Bytes(std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10));
    body.insert(body.end(), 40, 0xff);
    PutLe32(body, 0x12345678);  // CRC-32
    PutLe32(body, length);
    return body;
}

}  // namespace

TEST(BrowserCacheStore, EncodedBodiesAreDecodedWhenReadNotWhenOpened) {
    CMemoryFiles files;
    const std::string s = "C:\\p\\Cache_Data\\";
    std::string gzipHead = std::string(kHead) + "Content-Encoding: gzip\r\n";
    std::vector<BYTE> first = ReadData("codecs\\body.html");
    ASSERT_FALSE(first.empty());
    // Two gzip members: the trailer holds the last one's length.
    std::vector<BYTE> twoMembers;
    for (const std::string& part : {std::string(first.begin(), first.end()), std::string("tail")}) {
        z_stream z = {};
        std::vector<BYTE> out(part.size() + 64);
        deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
        z.next_in = (Bytef*)part.data();
        z.avail_in = (uInt)part.size();
        z.next_out = out.data();
        z.avail_out = (uInt)out.size();
        ASSERT_EQ(Z_STREAM_END, deflate(&z, Z_FINISH));
        twoMembers.insert(twoMembers.end(), out.begin(), out.begin() + z.total_out);
        deflateEnd(&z);
    }
    files.AddFolder(s);
    files.AddFile(s + "1111111111111111_0",
                  SimpleEntryFile("1/0/https://g.example/broken", gzipHead, BrokenGzip(5000), 13000000000000000ULL));
    files.AddFile(s + "2222222222222222_0",
                  SimpleEntryFile("1/0/https://g.example/two", gzipHead, twoMembers, 13000000000000000ULL));
    CBrowserCacheStore store("C:\\p\\", files);
    store.AddSimpleCache(s);
    EXPECT_TRUE(store.Damage().empty()) << "nothing was decoded on opening";
    std::map<std::string, Walked> walked = Walk(store);
    EXPECT_EQ(5000u, walked["https://g.example/broken"].size);
    EXPECT_EQ(4u, walked["https://g.example/two"].size);

    std::vector<BYTE> body;
    bool undecoded = false;
    ASSERT_TRUE(store.ReadBody("https://g.example/two", body, &undecoded));
    EXPECT_FALSE(undecoded);
    EXPECT_EQ(std::string(first.begin(), first.end()) + "tail", std::string(body.begin(), body.end()));
    for (int read = 0; read < 2; ++read) {
        ASSERT_TRUE(store.ReadBody("https://g.example/broken", body, &undecoded));
        EXPECT_TRUE(undecoded);
        EXPECT_TRUE(body == BrokenGzip(5000)) << "copied as stored";
    }
    ASSERT_EQ(1u, store.Damage().size()) << "one row, however often it is read";
    EXPECT_EQ("https://g.example/broken", store.Damage()[0].where);
    EXPECT_EQ((UINT)IDS_WARN_CACHE_BODY_UNDECODED, store.Damage()[0].message);
}

namespace {

// Bytes that do not compress, the same on every run.
std::vector<BYTE> Noise(size_t n) {
    std::vector<BYTE> v(n);
    DWORD x = 0x2545F491;
    for (BYTE& b : v) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = (BYTE)x;
    }
    return v;
}

}  // namespace

TEST(BrowserCacheStore, BodiesAreStreamedThroughTheDecodeAndTheCopyAPieceAtATime) {
    CMemoryFiles files;
    const std::string s = "C:\\p\\Cache_Data\\";
    files.AddFolder(s);
    files.AddFolder("C:\\rb\\");
    std::string page;
    for (int i = 0; page.size() < (12u << 20); ++i) page += "<p>\x83\x5C\x95\x5C line " + std::to_string(i) + "</p>\r\n";
    std::vector<BYTE> picture = Noise(12u << 20);
    std::string plainHead = kHead, gzipHead = std::string(kHead) + "Content-Encoding: gzip\r\n";
    struct Case {
        const char* url;
        std::string head;
        std::vector<BYTE> stored, body;
        bool undecoded;
    } cases[] = {
        {"https://g.example/picture.gif", plainHead, picture, picture, false},
        {"https://g.example/page.html", gzipHead, Gzip(page), Bytes(page), false},
        {"https://g.example/broken", gzipHead, BrokenGzip(200000), BrokenGzip(200000), true},
        {"https://g.example/br", std::string(kHead) + "Content-Encoding: br\r\n", ReadData("codecs\\body.html.br"),
         ReadData("codecs\\body.html"), false},
        {"https://g.example/zstd", std::string(kHead) + "Content-Encoding: zstd\r\n", ReadData("codecs\\body.html.zst"),
         ReadData("codecs\\body.html"), false},
        {"https://g.example/chain", std::string(kHead) + "Content-Encoding: gzip, br\r\n",
         ReadData("codecs\\body.html.gz.br"), ReadData("codecs\\body.html"), false},
    };
    int n = 0;
    for (const Case& c : cases) {
        char name[32];
        snprintf(name, sizeof name, "%016x_0", ++n);
        files.AddFile(s + name, SimpleEntryFile(std::string("1/0/") + c.url, c.head, c.stored, 13000000000000000ULL));
    }
    // The real fixture's deflate bodies, zlib-wrapped and raw.
    for (const char* name : {"13b83e83aa9c076e_0", "063146e0f78557f6_0"})
        files.AddFile(s + name, ReadData(std::string("chromium-simple\\") + name));
    CBrowserCacheStore store("C:\\p\\", files);
    store.AddSimpleCache(s);
    const FILETIME time = MakeTime(13000000000000000ULL);
    for (const Case& c : cases) {
        files.largestRead = files.largestWrite = 0;
        ULONGLONG size = 0;
        bool undecoded = false;
        ASSERT_TRUE(store.WriteBody(c.url, files, "C:\\rb\\out", time, &size, &undecoded)) << c.url;
        EXPECT_EQ(c.undecoded, undecoded) << c.url;
        EXPECT_EQ(c.body.size(), size) << c.url;
        EXPECT_TRUE(files.Bytes("C:\\rb\\out") == c.body) << c.url;
        EXPECT_EQ(13000000000000000ULL, files.Time("C:\\rb\\out")) << c.url;
        if (strcmp(c.url, "https://g.example/chain") != 0) {
            EXPECT_LE(files.largestRead, 64u << 10) << c.url;
            EXPECT_LE(files.largestWrite, 64u << 10) << c.url;
        }
    }
    ASSERT_EQ(1u, store.Damage().size());
    EXPECT_EQ("https://g.example/broken", store.Damage()[0].where);
    // What is written is what ReadBody gives, for every entry.
    UrlCacheEntry e;
    for (bool more = store.FindFirst(e); more; more = store.FindNext(e)) {
        std::vector<BYTE> body;
        bool undecoded = false;
        ULONGLONG size = 0;
        ASSERT_TRUE(store.ReadBody(e.sourceUrl, body, &undecoded)) << e.sourceUrl;
        ASSERT_TRUE(store.WriteBody(e.sourceUrl, files, "C:\\rb\\same", time, &size, &undecoded)) << e.sourceUrl;
        EXPECT_TRUE(files.Bytes("C:\\rb\\same") == body) << e.sourceUrl;
    }
    // A write that fails leaves no file.
    files.failWrites = true;
    ULONGLONG size = 0;
    bool undecoded = false;
    EXPECT_FALSE(store.WriteBody("https://g.example/page.html", files, "C:\\rb\\failed", time, &size, &undecoded));
    EXPECT_FALSE(files.Exists("C:\\rb\\failed"));
}

// The Mozilla disk cache (version 1) reader on the real folders of the
// forensic test data (a Firefox 3.5 cache without its map, a Firefox 4+
// cache with a dirty header-only map) and on folders of our writer: every
// record kind, both separate naming schemes, POST and partitioned keys,
// gzip and EUC-JP bodies across blocks, and damage of every file.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/messagenumbers.h"
#include "cache/browsercachestore.h"
#include "cache/mozcache.h"
#include "cache/tests/browsercache_kit.h"
#include "cache/tests/mozcache_writer.h"

using namespace browsercachekit;

namespace {

using Files = std::map<std::string, std::vector<BYTE>>;

Files MozillaFixture(const std::string& folder) {
    Files out;
    for (const char* name : {"_CACHE_MAP_", "_CACHE_001_", "_CACHE_002_", "_CACHE_003_", "3\\3D\\ED165d01",
                             "9\\36\\DD708d01", "E\\1B\\DCD2Fd01"}) {
        std::vector<BYTE> bytes = FixtureBytes(DataFolder() + folder + name);
        if (!bytes.empty()) out[name] = bytes;
    }
    return out;
}

struct Parsed {
    CMozCacheReader reader;
    Files files;
};

void ParseFiles(Parsed& p) {
    const Files& files = p.files;
    auto map = files.find("_CACHE_MAP_");
    p.reader.Parse(
        map == files.end() ? nullptr : map->second.data(), map == files.end() ? 0 : map->second.size(),
        [&files](int number, MozCacheBytes* out) {
            auto found = files.find(std::string("_CACHE_00") + char('0' + number) + "_");
            if (found == files.end()) return false;
            out->bytes = found->second.data();
            out->length = found->second.size();
            return true;
        },
        [&files](const std::string& name, ULONGLONG* size) {
            auto found = files.find(name);
            if (found == files.end()) return false;
            *size = found->second.size();
            return true;
        },
        [&files](const std::string& name, std::vector<BYTE>& out) {
            auto found = files.find(name);
            if (found == files.end()) return false;
            out = found->second;
            return true;
        });
}

const MozCacheEntry* FindKey(const CMozCacheReader& reader, const std::string& key) {
    for (const MozCacheEntry& e : reader.Entries())
        if (e.key == key) return &e;
    return nullptr;
}

bool HasDamage(const CMozCacheReader& reader, MozCacheDamage::Kind kind) {
    for (const MozCacheDamage& d : reader.Damage())
        if (d.kind == kind) return true;
    return false;
}

std::unique_ptr<CBrowserCacheStore> Store(const Files& files) {
    std::unique_ptr<CBrowserCacheStore> store(new MemoryStore("C:\\m\\", files));
    store->AddMozillaCache("C:\\m\\");
    return store;
}

std::string Body(CBrowserCacheStore& store, std::string_view url) {
    std::vector<BYTE> body;
    bool undecoded = true;
    if (!store.ReadBody(std::string(url).c_str(), body, &undecoded) || undecoded) return "<none>";
    return std::string(body.begin(), body.end());
}

long ContentLength(std::string_view head) {
    size_t at = head.find("Content-Length: ");
    return at == std::string_view::npos ? -1 : atol(std::string(head.substr(at + 16)).c_str());
}

}  // namespace

TEST(MozCacheFixtures, Firefox35BlockFilesWithoutMapGiveEveryListedEntry) {
    Parsed p;
    p.files = MozillaFixture("firefox3-cache\\");
    ParseFiles(p);
    const CMozCacheReader& r = p.reader;
    // 25 entries in the 256-byte blocks, 3 in the 1 KiB ones, 2 in the 4 KiB ones.
    size_t perFile[4] = {0, 0, 0, 0};
    for (const MozCacheEntry& e : r.Entries()) {
        EXPECT_EQ(0x0001000Bu, e.version) << e.key;
        ++perFile[e.where[9] - '0'];
    }
    EXPECT_EQ(25u, perFile[1]);
    EXPECT_EQ(3u, perFile[2]);
    EXPECT_EQ(2u, perFile[3]);
    EXPECT_FALSE(r.MapUsed());
    EXPECT_TRUE(HasDamage(r, MozCacheDamage::MAP_UNUSED));

    const MozCacheEntry* start = FindKey(r, "HTTP:http://start.mozilla.org/en-US/");
    ASSERT_TRUE(start);
    EXPECT_EQ("http://start.mozilla.org/en-US/", start->url);
    EXPECT_EQ(1399040103u, start->lastFetched);   // 2014-05-02 14:15:03
    EXPECT_EQ(1399040103u, start->lastModified);
    EXPECT_EQ(1399126502u, start->expiration);    // 2014-05-03 14:15:02
    EXPECT_EQ(1u, start->fetchCount);
    EXPECT_EQ("GET", start->requestMethod);
    EXPECT_EQ(200, start->head.status);
    EXPECT_EQ(0u, start->head.head.find("HTTP/1.1 200 OK\r\n"));

    bool ads = false;
    for (const MozCacheEntry& e : r.Entries()) {
        if (e.key.compare(0, 47, "HTTP:http://pubads.g.doubleclick.net/gampad/ads") != 0 ||
            e.key.find("correlator=4077823583010238") == std::string::npos)
            continue;
        ads = true;
        EXPECT_EQ(1399040755u, e.lastFetched);
        EXPECT_EQ(1399040756u, e.lastModified);
        EXPECT_EQ(0u, e.expiration);
        EXPECT_EQ(e.key.substr(5), e.url);
        EXPECT_EQ(e.url.size() - 11, e.url.find("&ga_fc=true"));
    }
    EXPECT_TRUE(ads);
    const MozCacheEntry* linkid = FindKey(r, "HTTP:https://www.google-analytics.com/plugins/ga/inpage_linkid.js");
    ASSERT_TRUE(linkid);
    EXPECT_EQ(1399040107u, linkid->lastFetched);
    EXPECT_EQ(1399040108u, linkid->lastModified);
    EXPECT_EQ(1399042707u, linkid->expiration);  // 2014-05-02 14:58:27
    // The POST responses of certificate checks give the URL they went to.
    const MozCacheEntry* post = FindKey(r, "HTTP:id=5363a864&uri=http://ocsp.digicert.com/");
    ASSERT_TRUE(post);
    EXPECT_EQ("http://ocsp.digicert.com/", post->url);
    EXPECT_EQ("POST", post->requestMethod);
    // Without the map the bodies are found in the free blocks by their
    // content; each one placed is as long as the server said, and decodes.
    size_t placed = 0;
    for (const MozCacheEntry& e : r.Entries()) {
        if (e.place != MozCacheEntry::BODY_BLOCK) continue;
        ++placed;
        long length = ContentLength(e.head.head);
        if (length >= 0) {
            EXPECT_EQ((DWORD)length, e.dataSize) << e.url;
        }
    }
    EXPECT_GT(placed, 0u);
    std::unique_ptr<CBrowserCacheStore> store = Store(p.files);
    size_t unplaced = 0, undecoded = 0;
    for (const CacheDamage& d : store->Damage()) {
        unplaced += d.message == IDS_WARN_CACHE_BODY_UNPLACED;
        undecoded += d.message == IDS_WARN_CACHE_BODY_UNDECODED;
    }
    EXPECT_EQ(30u - placed, unplaced);
    EXPECT_EQ(0u, undecoded);
    EXPECT_LE(placed, store->EntryCount());
    const MozCacheEntry* logo = FindKey(r, "HTTP:http://start.mozilla.org/en-US/img/firefox-logo.png");
    ASSERT_TRUE(logo);
    ASSERT_EQ(MozCacheEntry::BODY_BLOCK, logo->place);
    std::string png = Body(*store, logo->url);
    EXPECT_EQ(0u, png.find("\x89PNG"));
    EXPECT_EQ(logo->dataSize, png.size());
}

TEST(MozCacheStore, BodiesWithoutMapAreFoundByContentAndOnlyWhenOnePlaceFits) {
    const std::string gzipHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n";
    const std::string gifHead = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n";
    const std::string textHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=EUC-JP\r\n";
    std::string euc = "<html><body>";
    while (euc.size() < 2500) euc += "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xDA\xA1\xBC\xA5\xB8";  // 日本語のページ
    euc += "</body></html>";
    std::string gif = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + std::string(300, '\x11') + ";";
    for (DWORD version : {kMozCacheLatest, (DWORD)0x0001000B}) {
        SCOPED_TRACE(version);
        MozCacheWriter w(version);
        w.Add("HTTP:http://a.example/euc.html", gzipHead, Gzip(euc));
        w.Add("HTTP:http://a.example/logo.gif", gifHead, Bytes(gif));
        w.Add("HTTP:http://a.example/page.html", textHead, Bytes(euc));
        // A picture whose end was overwritten fits nowhere.
        std::string cut = gif;
        cut.back() = 'x';
        w.Add("HTTP:http://a.example/cut.gif", gifHead, Bytes(cut));
        // Two pages alike in length fit each other's blocks as well as their own.
        w.Add("HTTP:http://a.example/one.html", textHead, Bytes(std::string(600, 'a')));
        w.Add("HTTP:http://a.example/two.html", textHead, Bytes(std::string(600, 'b')));
        Files files = w.Build();
        files.erase("_CACHE_MAP_");
        std::unique_ptr<CBrowserCacheStore> store = Store(files);
        EXPECT_EQ(euc, Body(*store, "http://a.example/euc.html"));
        EXPECT_EQ(gif, Body(*store, "http://a.example/logo.gif"));
        EXPECT_EQ(euc, Body(*store, "http://a.example/page.html"));
        EXPECT_EQ(3u, store->EntryCount());
        std::vector<std::string> unplaced;
        for (const CacheDamage& d : store->Damage())
            if (d.message == IDS_WARN_CACHE_BODY_UNPLACED) unplaced.push_back(d.where.substr(d.where.rfind(' ') + 1));
        EXPECT_EQ((std::vector<std::string>{"http://a.example/cut.gif", "http://a.example/one.html",
                                            "http://a.example/two.html"}),
                  unplaced);
        // A wiped bitmap hides nothing: the blocks themselves still tell.
        for (const char* name : {"_CACHE_001_", "_CACHE_002_", "_CACHE_003_"}) {
            std::vector<BYTE>& file = files[name];
            std::fill(file.begin(), file.begin() + std::min(file.size(), w.Bitmap(name[9] - '0')), 0);
        }
        EXPECT_EQ(gif, Body(*Store(files), "http://a.example/logo.gif"));
    }
}

TEST(MozCacheFixtures, Firefox4DirtyMapGivesEntriesAndSeparateBodiesOfContentLength) {
    Parsed p;
    p.files = MozillaFixture("firefox-cache1\\");
    ASSERT_EQ(276u, p.files["_CACHE_MAP_"].size());
    ParseFiles(p);
    const CMozCacheReader& r = p.reader;
    EXPECT_EQ(13u, r.Entries().size());
    EXPECT_EQ(kMozCacheLatest, r.Version());
    EXPECT_FALSE(r.MapUsed());
    const MozCacheEntry* logo = FindKey(r, "HTTP:http://www.google.com/images/nav_logo229.png");
    ASSERT_TRUE(logo);
    EXPECT_EQ(1533108424u, logo->lastFetched);
    EXPECT_EQ(1533108425u, logo->lastModified);
    EXPECT_EQ(12263u, logo->dataSize);
    // The map names no body, but the picture's own signature and end mark do.
    EXPECT_EQ(MozCacheEntry::BODY_BLOCK, logo->place);
    EXPECT_EQ("_CACHE_003_", logo->bodyFile);
    const MozCacheEntry* empty = FindKey(r, "HTTP:http://clients1.google.com/generate_204");
    ASSERT_TRUE(empty);
    EXPECT_EQ(MozCacheEntry::BODY_EMPTY, empty->place);
    EXPECT_EQ(204, empty->head.status);

    // The three bodies larger than the block files take are found by the key's hash.
    std::unique_ptr<CBrowserCacheStore> store = Store(p.files);
    struct Separate {
        const char* url;
        const char* file;
    } separate[] = {
        {"http://www.google.com/search?q=plaso+log2timeline&ie=utf-8&oe=utf-8&aq=t&rls=org.mozilla:en-US:official&client=firefox-a&channel=fflb",
         "9\\36\\DD708d01"},
        {"http://ssl.gstatic.com/gb/js/sem_c87908b20b80e337d7767b3e66715ee0.js", "E\\1B\\DCD2Fd01"},
    };
    size_t withBody = 0;
    UrlCacheEntry e;
    ASSERT_TRUE(store->FindFirst(e));
    do {
        std::string url = e.sourceUrl;
        if (!e.localFile || e.sizeLow == 0) continue;
        ++withBody;
        std::vector<BYTE> body;
        bool undecoded = true;
        ASSERT_TRUE(store->ReadBody(e.sourceUrl, body, &undecoded)) << url;
        EXPECT_FALSE(undecoded);
        std::string head(e.headerInfo, e.headerInfoSize);
        long length = ContentLength(head);
        const MozCacheEntry* entry = FindKey(r, "HTTP:" + url);
        ASSERT_TRUE(entry);
        // Content-Length counts the bytes sent, which the cache keeps as they came.
        if (length >= 0) {
            EXPECT_EQ((long)entry->dataSize, length) << url;
        }
        if (entry->head.contentEncoding.empty()) {
            EXPECT_EQ(entry->dataSize, body.size()) << url;
        } else {
            EXPECT_LT(entry->dataSize, body.size()) << url;
        }
        for (const Separate& s : separate) {
            if (url == s.url) {
                EXPECT_EQ(std::string("C:\\m\\") + s.file, e.localFile);
            }
        }
    } while (store->FindNext(e));
    // The three in separate files, and three in the block files found by their content.
    EXPECT_EQ(6u, withBody);
}

TEST(MozCacheFixtures, OurWriterLaysOutEntriesAsFirefoxDoes) {
    // The fixture's own entries, rewritten by our writer at the same places,
    // give the same bytes: header fields, key, metadata and bitmap sizes.
    Parsed real;
    real.files = MozillaFixture("firefox-cache1\\");
    ParseFiles(real);
    const std::vector<BYTE>& file1 = real.files["_CACHE_001_"];
    const MozCacheEntry* logo = FindKey(real.reader, "HTTP:http://www.google.com/images/nav_logo229.png");
    ASSERT_TRUE(logo);
    size_t at = strtoul(std::string(logo->where).c_str() + 13, nullptr, 16);
    MozCacheWriter w;
    EXPECT_EQ(16384u, w.Bitmap(1));
    EXPECT_EQ(at % 256, w.Bitmap(1) % 256);
    size_t keySize = logo->key.size() + 1;
    size_t metaSize = ((size_t)file1[at + 32] << 24) | ((size_t)file1[at + 33] << 16) | ((size_t)file1[at + 34] << 8) | file1[at + 35];
    std::vector<BYTE> meta(file1.begin() + at + 36 + keySize, file1.begin() + at + 36 + keySize + metaSize);
    MozCacheWriter::Options o;
    o.lastFetched = logo->lastFetched;
    o.lastModified = logo->lastModified;
    o.expiration = logo->expiration;
    std::vector<BYTE> ours = w.Entry(std::string(logo->key), meta, logo->dataSize, o, 0);
    EXPECT_EQ(std::vector<BYTE>(file1.begin() + at, file1.begin() + at + ours.size()), ours);
    // The hash of the key names the separate files.
    EXPECT_EQ("9\\36\\DD708d01", MozCacheSeparateName(0x936DD708u, 'd', 1, true));
    EXPECT_EQ("936DD708d01", MozCacheSeparateName(0x936DD708u, 'd', 1, false));
    const char key[] = "HTTP:http://ssl.gstatic.com/gb/js/sem_c87908b20b80e337d7767b3e66715ee0.js";
    EXPECT_EQ(0xE1BDCD2Fu, MozCacheHash(key, sizeof key - 1));
}

TEST(MozCacheKeys, EveryKeyFormGivesThePlainUrl) {
    struct {
        const char* key;
        const char* url;
    } cases[] = {
        {"HTTP:http://a.example/p?q=1", "http://a.example/p?q=1"},
        {"HTTP:id=5363a864&uri=http://ocsp.example/", "http://ocsp.example/"},
        {"HTTP~4294967294~0:https://sb.example/newkey", "https://sb.example/newkey"},
        {"~HTTP:http://private.example/", "http://private.example/"},
        {"FTP:ftp://f.example/a.txt", "ftp://f.example/a.txt"},
        {"HTTP:id=5363a864", ""},
        {"HTTP:no scheme", ""},
        {":http://a.example/", ""},
        {"HT TP:http://a.example/", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.url, MozCacheKeyToUrl(c.key, strlen(c.key))) << c.key;
    // The key's size bounds it, not its zero.
    EXPECT_EQ("http://a.example/p", MozCacheKeyToUrl("HTTP:http://a.example/p?q=1", 23));
    EXPECT_EQ("", MozCacheKeyToUrl("HTTP:id=1&uri=http://a.example/", 12));
}

TEST(MozCacheStore, WriterFoldersOfEveryRecordKindAndVersion) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nLast-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\n";
    const std::string gzipHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n";
    // An EUC-JP page of 5,000 bytes: four 4 KiB blocks hold it gzipped or not.
    std::string euc = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\"></head><body>";
    while (euc.size() < 5000) euc += "\xC6\xFC\xCB\xDC\xB8\xEC\xA4\xCE\xA5\xDA\xA1\xBC\xA5\xB8";  // 日本語のページ
    euc += "</body></html>";
    std::string big(40000, 'b');
    for (DWORD version : {kMozCacheLatest, (DWORD)0x0001000B, kMozCacheOldest}) {
        for (bool oldMap : {false, true}) {
            if (oldMap && version != kMozCacheOldest) continue;
            MozCacheWriter w(version);
            MozCacheWriter::Options o, separateMeta, twoGenerations;
            separateMeta.metaFile = 0;
            twoGenerations.generation = 2;
            o.lastModified = 1200000000;
            w.Add("HTTP:http://a.example/", head, Bytes("small page"), o);
            w.Add("HTTP:http://a.example/euc.html", head, Bytes(euc));
            w.Add("HTTP:http://a.example/euc.gz", gzipHead, Gzip(euc));
            w.Add("HTTP:http://a.example/big.bin", head, Bytes(big), twoGenerations);
            w.Add("HTTP:http://a.example/meta-apart", head, Bytes("apart"), separateMeta);
            w.Add("HTTP:id=4a2b&uri=http://a.example/form.cgi", head, Bytes("posted"));
            w.Add("HTTP~1~0:http://a.example/app", head, Bytes("app"));
            w.Add("HTTP:http://a.example/empty", "HTTP/1.1 204 No Content\r\n", std::vector<BYTE>());
            w.Add("HTTP:http://a.example/moved", "HTTP/1.1 301 Moved\r\nLocation: http://a.example/\r\n", std::vector<BYTE>());
            Files files = w.Build(false, oldMap);
            // Separate files in the scheme of the version.
            bool nested = version >= kMozCacheLatest;
            size_t slashes = 0;
            for (const auto& f : files) slashes += f.first.find('\\') != std::string::npos;
            EXPECT_EQ(nested ? 2u : 0u, slashes) << version;

            Parsed p;
            p.files = files;
            ParseFiles(p);
            EXPECT_TRUE(p.reader.MapUsed()) << version << oldMap;
            EXPECT_TRUE(p.reader.Damage().empty()) << version << oldMap;
            EXPECT_EQ(9u, p.reader.Entries().size());

            std::unique_ptr<CBrowserCacheStore> store = Store(files);
            EXPECT_TRUE(store->Damage().empty());
            EXPECT_EQ("small page", Body(*store, "http://a.example/"));
            EXPECT_EQ(euc, Body(*store, "http://a.example/euc.html"));
            EXPECT_EQ(euc, Body(*store, "http://a.example/euc.gz"));
            EXPECT_EQ(big, Body(*store, "http://a.example/big.bin"));
            EXPECT_EQ("apart", Body(*store, "http://a.example/meta-apart"));
            EXPECT_EQ("posted", Body(*store, "http://a.example/form.cgi"));
            EXPECT_EQ("app", Body(*store, "http://a.example/app"));
            EXPECT_EQ("", Body(*store, "http://a.example/empty"));
            UrlCacheEntry e;
            ASSERT_TRUE(store->FindFirst(e));
            std::map<std::string, std::string> lines;
            do lines[e.sourceUrl] = CacheListingLine(e);
            while (store->FindNext(e));
            EXPECT_NE(std::string::npos, lines["http://a.example/moved"].find("\t301 http://a.example/")) << lines["http://a.example/moved"];
            EXPECT_NE(std::string::npos, lines["http://a.example/euc.gz"].find("\t5"));
            // Last-Modified of the response is the body's time.
            EXPECT_NE(std::string::npos, lines["http://a.example/"].find("2003-04-05 06:07:08")) << lines["http://a.example/"];

            // The same folder, dirty and then without its map: entries in
            // block files are found, and the separate bodies by their hash.
            for (int lie = 0; lie < 2; ++lie) {
                Files damaged = lie == 0 ? w.Build(true, oldMap) : files;
                if (lie == 1) damaged.erase("_CACHE_MAP_");
                Parsed q;
                q.files = damaged;
                ParseFiles(q);
                EXPECT_FALSE(q.reader.MapUsed());
                EXPECT_TRUE(HasDamage(q.reader, MozCacheDamage::MAP_UNUSED));
                const MozCacheEntry* bigEntry = FindKey(q.reader, "HTTP:http://a.example/big.bin");
                ASSERT_TRUE(bigEntry) << version << lie;
                if (lie == 1) {
                    EXPECT_EQ(MozCacheEntry::BODY_FILE, bigEntry->place);
                    std::unique_ptr<CBrowserCacheStore> s = Store(damaged);
                    EXPECT_EQ(big, Body(*s, "http://a.example/big.bin"));
                }
            }
        }
    }
}

TEST(MozCacheDamage, CutOverwrittenAndLoopingFilesGiveWarningsNotCrashes) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    MozCacheWriter w;
    MozCacheWriter::Options separateMeta;
    separateMeta.metaFile = 0;
    w.Add("HTTP:http://d.example/1", head, Bytes(std::string(900, '1')));
    w.Add("HTTP:http://d.example/2", head, Bytes(std::string(3000, '2')));
    w.Add("HTTP:http://d.example/3", head, Bytes(std::string(15000, '3')));
    w.Add("HTTP:http://d.example/4", head, Bytes(std::string(30000, '4')), separateMeta);
    const Files sound = w.Build();
    for (const auto& target : sound) {
        const std::vector<BYTE>& file = target.second;
        for (size_t cut = 0; cut <= file.size(); cut += 1 + file.size() / 61) {
            for (int overwrite = 0; overwrite < 3; ++overwrite) {
                Files files = sound;
                std::vector<BYTE>& damaged = files[target.first];
                damaged.assign(file.begin(), file.begin() + cut);
                if (overwrite && !damaged.empty()) {
                    size_t at = overwrite == 1 ? damaged.size() / 2 : damaged.size() - 1;
                    for (size_t i = at; i < damaged.size() && i < at + 4; ++i) damaged[i] ^= 0xff;
                }
                std::unique_ptr<CBrowserCacheStore> store = Store(files);
                ReadWholeStore(*store);
                if (cut < file.size()) {
                    EXPECT_FALSE(store->Damage().empty()) << target.first << " " << cut;
                }
            }
        }
    }
    // A map whose records all name the same entry: it is read once, the
    // other records are noted, and the entries they lost in the block files
    // are found by the search.
    Files looping = sound;
    std::vector<BYTE>& map = looping["_CACHE_MAP_"];
    size_t records = (map.size() - 276) / 16;
    size_t firstUsed = 0;
    for (size_t i = 0; i < records; ++i)
        if (map[276 + i * 16] | map[276 + i * 16 + 1] | map[276 + i * 16 + 2] | map[276 + i * 16 + 3]) {
            if (!firstUsed) firstUsed = 276 + i * 16;
            else std::copy(map.begin() + firstUsed, map.begin() + firstUsed + 16, map.begin() + 276 + i * 16);
        }
    Parsed p;
    p.files = looping;
    ParseFiles(p);
    std::map<std::string, int> keys;
    for (const MozCacheEntry& e : p.reader.Entries()) ++keys[std::string(e.key)];
    for (const auto& k : keys) EXPECT_EQ(1, k.second) << k.first;
    EXPECT_GE(keys.size(), 3u);
    EXPECT_TRUE(HasDamage(p.reader, MozCacheDamage::BAD_RECORD));
    EXPECT_FALSE(p.reader.MapUsed());
    // Zeroed bitmaps: the map's blocks are not marked, so it is not trusted,
    // and its entries are still read.
    Files wiped = sound;
    for (const char* name : {"_CACHE_001_", "_CACHE_002_", "_CACHE_003_"}) {
        std::vector<BYTE>& f = wiped[name];
        std::fill(f.begin(), f.begin() + (ptrdiff_t)w.Bitmap(name[9] - '0'), 0);
    }
    Parsed q;
    q.files = wiped;
    ParseFiles(q);
    EXPECT_EQ(4u, q.reader.Entries().size());
    EXPECT_FALSE(q.reader.MapUsed());
    // A key without its zero and a metadata size past the block.
    Files bad = sound;
    std::vector<BYTE>& f1 = bad["_CACHE_001_"];
    size_t at = w.Bitmap(1) + 4 * 256;  // the first entry, after its body's four blocks
    f1[at + 34] = 0x7f;
    Parsed b;
    b.files = bad;
    ParseFiles(b);
    EXPECT_TRUE(HasDamage(b.reader, MozCacheDamage::BAD_ENTRY));
    EXPECT_EQ(3u, b.reader.Entries().size());
}

TEST(MozCacheStore, BodiesOfOneBlockFileAreCopiedWithoutReadingItAgain) {
    const std::string gzipHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n";
    MozCacheWriter w;
    for (int i = 0; i < 50; ++i)
        w.Add("HTTP:http://r.example/" + std::to_string(i), gzipHead, Gzip(std::string(2000 + i, 'r')));
    MemoryStore store("C:\\m\\", w.Build());
    store.AddMozillaCache("C:\\m\\");
    for (int i = 0; i < 50; ++i) EXPECT_EQ(std::string(2000 + i, 'r'), Body(store, "http://r.example/" + std::to_string(i)));
    // Listing reads the block file once; copying, each body's bytes once.
    const std::string blocks = "C:\\m\\_CACHE_001_";
    EXPECT_LE(store.Files().BytesRead(blocks), 2 * store.Files().Data(blocks).size());
}

// The WARC writer: its texts and record framing read back by the tests' own
// reader, and whole archives of the real browser fixtures and of a store
// whose bodies are plain files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/tests/warcreader.h"
#include "archive/warcjob.h"
#include "archive/warcrecord.h"
#include "base/messagenumbers.h"
#include "cache/browsercachestore.h"
#include "cache/cacheset.h"
#include "cache/contentdecode.h"
#include "cache/indexdatstore.h"
#include "cache/tests/browsercache_kit.h"
#include "mapping/mapping_settings.h"

using namespace warctest;

namespace {

FILETIME Time(long long unixSeconds) {
    ULONGLONG v = (ULONGLONG)(unixSeconds + 11644473600LL) * 10000000ULL;
    FILETIME t;
    t.dwLowDateTime = (DWORD)v;
    t.dwHighDateTime = (DWORD)(v >> 32);
    return t;
}

std::string Text(const std::vector<BYTE>& v) { return std::string(v.begin(), v.end()); }

struct Row {
    std::string where;
    UINT id;
};

class Recorder : public IJobReport {
public:
    std::vector<Row> warnings;
    void StatusText(const char*) override {}
    void StatusMessage(UINT) override {}
    void Warning(const char* path, UINT id) override { warnings.push_back({path, id}); }
    bool Ask(UINT, const char*) override { return true; }
    void Notify(UINT, const char*) override {}
    void End(int) override {}
};

// A store whose bodies are files, as WinINet and index.dat keep them: the
// head is given, the body is the local file.
class FileBodyCache : public IUrlCache {
public:
    struct Item {
        std::string url, file, head, contentType;
        DWORD type = 0;
        FILETIME lastModified = {0, 0};
    };
    std::vector<Item> items;
    bool FindFirst(UrlCacheEntry& e) override { return Emit(walk_ = 0, e); }
    bool FindNext(UrlCacheEntry& e) override { return Emit(++walk_, e); }
    void FindClose() override {}
    bool GetLocalFile(const char*, char*, DWORD) override { return false; }
    bool DeleteEntry(const char*) override { return false; }
    bool CreateEntry(const char*, DWORD, const char*, char*, DWORD) override { return false; }
    bool CommitEntry(const char*, const char*, const FILETIME&, const FILETIME&, const char*) override { return false; }

private:
    bool Emit(size_t at, UrlCacheEntry& e) {
        if (at >= items.size()) return false;
        const Item& i = items[at];
        e = UrlCacheEntry();
        e.sourceUrl = i.url.c_str();
        e.localFile = i.file.empty() ? nullptr : i.file.c_str();
        e.entryType = i.type;
        e.lastModified = i.lastModified;
        e.headerInfo = i.head.empty() ? nullptr : i.head.data();
        e.headerInfoSize = (DWORD)i.head.size();
        e.contentType = i.contentType.empty() ? nullptr : i.contentType.c_str();
        return true;
    }
    size_t walk_ = 0;
};

struct Archive {
    WarcJobResult result;
    WarcJobCounts counts;
    std::vector<Record> records;
    Recorder report;
    std::vector<size_t> progress;
};

void WriteArchive(IUrlCache& cache, Archive& a, bool gzip = true,
                  const std::map<std::string, std::string>& files = {},
                  const std::function<bool(const char*)>& wanted = nullptr) {
    TestSha1Maker sha1;
    MemorySink sink;
    WarcJobSettings settings;
    settings.software = "z.v Torsel Sitekeeper test";
    settings.fileName = gzip ? "cache.warc.gz" : "cache.warc";
    settings.cacheFolder = "C:\\cache\\";
    settings.gzip = gzip;
    settings.now = Time(1796800000);
    WarcJobHooks hooks;
    hooks.readFile = [&files](const char* path, std::vector<BYTE>& out) {
        auto found = files.find(path);
        if (found == files.end()) return false;
        out.assign(found->second.begin(), found->second.end());
        return true;
    };
    hooks.progress = [&a](size_t n) { a.progress.push_back(n); };
    hooks.wanted = wanted;
    a.result = WriteCacheArchive(cache, sink, sha1, settings, hooks, a.report, a.counts);
    std::string why;
    ASSERT_TRUE(ReadArchive(sink.bytes, gzip, a.records, why)) << why;
    ASSERT_EQ(a.counts.records, a.records.size());
    std::set<std::string> ids;
    for (const Record& r : a.records) {
        SCOPED_TRACE(r.Field("WARC-Target-URI"));
        EXPECT_TRUE(CheckDigests(r, sha1, why)) << why;
        EXPECT_TRUE(ids.insert(r.Field("WARC-Record-ID")).second);
        EXPECT_EQ(0u, r.Field("WARC-Record-ID").find("<urn:uuid:"));
        EXPECT_EQ(20u, r.Field("WARC-Date").size());
    }
    ASSERT_FALSE(a.records.empty());
    EXPECT_EQ("warcinfo", a.records[0].Field("WARC-Type"));
    for (size_t i = 1; i < a.records.size(); ++i)
        EXPECT_EQ(a.records[0].Field("WARC-Record-ID"), a.records[i].Field("WARC-Warcinfo-ID"));
}

std::string HttpHeader(const std::string& head, const char* name) {
    std::string key = std::string("\r\n") + name + ": ";
    size_t at = head.find(key);
    if (at == std::string::npos) return "";
    at += key.size();
    return head.substr(at, head.find("\r\n", at) - at);
}

// Every response of a fixture: its payload, undone from the coding its head
// still names, is the file the test site served.
void CheckFixtureArchive(const Archive& a) {
    std::vector<BYTE> tsv;
    tsv = browsercachekit::FixtureBytes(browsercachekit::DataFolder() + "expected.tsv");
    std::string all = Text(tsv);
    std::map<std::string, const Record*> byUri;
    for (const Record& r : a.records) {
        std::string uri = r.Field("WARC-Target-URI");
        EXPECT_EQ(std::string::npos, uri.find("_dk_"));
        EXPECT_EQ(std::string::npos, uri.find("partitionKey"));
        if (r.Field("WARC-Type") == "response") byUri[uri] = &r;
    }
    size_t checked = 0;
    for (size_t pos = 0; pos < all.size();) {
        size_t end = all.find('\n', pos);
        std::string line = all.substr(pos, end - pos);
        pos = end == std::string::npos ? all.size() : end + 1;
        size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1), tab3 = line.find('\t', tab2 + 1);
        if (tab3 == std::string::npos) continue;
        std::string url = line.substr(0, tab1), file = line.substr(tab1 + 1, tab2 - tab1 - 1);
        std::string encoding = line.substr(tab3 + 1);
        if (encoding == "deflate-raw") encoding = "deflate";  // raw deflate sent as "deflate"
        SCOPED_TRACE(url);
        ASSERT_EQ(1u, byUri.count(url));
        std::string head;
        std::vector<BYTE> payload, decoded, site;
        ASSERT_TRUE(byUri[url]->SplitHttp(head, payload));
        EXPECT_EQ(0u, head.find("HTTP/1.0 200 OK\r\n"));
        EXPECT_EQ(encoding == "identity" ? "" : encoding, HttpHeader(head, "Content-Encoding"));
        EXPECT_EQ("", HttpHeader(head, "Transfer-Encoding"));
        EXPECT_NE(DECODE_FAILED,
                  DecodeContent(HttpHeader(head, "Content-Encoding"), payload.data(), payload.size(), decoded));
        site = browsercachekit::FixtureBytes(browsercachekit::DataFolder() + "site\\" + file);
        EXPECT_TRUE(decoded == site);
        ++checked;
    }
    EXPECT_GT(checked, 5u);
}

// Chromium also keeps the redirect and the error page, as they were served.
void CheckRedirectAndErrorPage(const Archive& a) {
    std::map<std::string, const Record*> byUri;
    for (const Record& r : a.records)
        if (r.Field("WARC-Type") == "response") byUri[r.Field("WARC-Target-URI")] = &r;
    std::string head;
    std::vector<BYTE> payload;
    ASSERT_EQ(1u, byUri.count("http://127.0.0.1:8431/old.html"));
    byUri["http://127.0.0.1:8431/old.html"]->SplitHttp(head, payload);
    EXPECT_EQ(0u, head.find("HTTP/1.0 301"));
    EXPECT_EQ("http://127.0.0.1:8431/index.html", HttpHeader(head, "Location"));
    ASSERT_EQ(1u, byUri.count("http://127.0.0.1:8431/favicon.ico"));
    byUri["http://127.0.0.1:8431/favicon.ico"]->SplitHttp(head, payload);
    EXPECT_EQ(0u, head.find("HTTP/1.0 404"));
    EXPECT_FALSE(payload.empty());
}

}  // namespace

TEST(WarcTexts, DigestLabelsDatesUrisAndNames) {
    TestSha1Maker sha1;
    BYTE d[kSha1Size];
    std::unique_ptr<ISha1> h = sha1.Make();
    h->Update((const BYTE*)"abc", 3);
    ASSERT_TRUE(h->Final(d));
    EXPECT_EQ("sha1:VGMT4NSHA2AWVOR6EVYXQUGCNSONBWE5", Sha1Label(d));
    h = sha1.Make();
    ASSERT_TRUE(h->Final(d));
    EXPECT_EQ("sha1:3I42H3S6NNFQ2MSVX7XZKYAYSCX5QBYJ", Sha1Label(d));

    EXPECT_EQ("1970-01-01T00:00:00Z", WarcDate(Time(0)));
    EXPECT_EQ("2000-02-29T23:59:59Z", WarcDate(Time(951868799)));
    EXPECT_EQ("2026-12-09T07:20:00Z", WarcDate(Time(1796800800)));
    EXPECT_EQ("2107-12-31T11:59:58Z", WarcDate(Time(4354775998LL)));

    const char url[] = "http://h/a b\"<\x83\x5C>\r\n?q=1";
    EXPECT_EQ("http://h/a%20b%22%3C%83%5C%3E%0D%0A?q=1", WarcUri(url, sizeof url - 1));

    EXPECT_TRUE(WarcNameIsPlain("C:\\x\\site.WARC"));
    EXPECT_FALSE(WarcNameIsPlain("site.warc.gz"));
    EXPECT_FALSE(WarcNameIsPlain("warc"));

    // What a save dialog's typed name becomes, and what it suggests first.
    EXPECT_EQ("C:\\a\\site.warc.gz", WarcFileNameOf("C:\\a\\site", false));
    EXPECT_EQ("C:\\a\\site.warc", WarcFileNameOf("C:\\a\\site", true));
    EXPECT_EQ("x.WARC", WarcFileNameOf("x.WARC", false)) << "a name that says its kind keeps it";
    EXPECT_EQ("x.warc.GZ", WarcFileNameOf("x.warc.GZ", true));
    EXPECT_EQ("x.gz.warc.gz", WarcFileNameOf("x.gz", false));
    const BYTE* lead = MappingSettings().leadTable;
    EXPECT_EQ("cache.warc.gz", WarcSuggestedName("", lead));
    EXPECT_EQ("http_.warc.gz", WarcSuggestedName("http:", lead));
    EXPECT_EQ("a_b_c_d_.warc.gz", WarcSuggestedName("a?b*c|d\"", lead));
    EXPECT_EQ("\x83\x5C\x95\x5C_x.warc.gz", WarcSuggestedName("\x83\x5C\x95\x5C/x", lead))
        << "0x5C trail bytes are no separators";
    EXPECT_EQ("cache.warc.gz", WarcSuggestedName(". .", lead));

    std::string a, b, again;
    ASSERT_TRUE(WarcRecordId(sha1, "run\n1", a));
    ASSERT_TRUE(WarcRecordId(sha1, "run\n2", b));
    ASSERT_TRUE(WarcRecordId(sha1, "run\n1", again));
    EXPECT_NE(a, b);
    EXPECT_EQ(a, again);
    ASSERT_EQ(47u, a.size());
    EXPECT_EQ('5', a[24]);  // version 5, name-based
    EXPECT_NE(std::string::npos, std::string("89ab").find(a[29]));
}

TEST(WarcResponseHead, StoredHeadBecomesTheBlockHead) {
    std::string head, date;
    bool longer = true;
    // Chromium's NUL-ended lines, a folded line, hostile bytes.
    const char chromium[] =
        "HTTP/1.1 200 OK\0Content-Type: text/html\0Transfer-Encoding: chunked\0"
        "Content-Encoding: gzip\0X-Long: a\0 b\0Bad Name: x\0Date: Tue, 08 Dec 2026 22:50:03 GMT\0\0";
    ASSERT_TRUE(WarcResponseHead(chromium, sizeof chromium - 1, true, 10, head, date, &longer));
    EXPECT_EQ(
        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\nX-Long: a b\r\n"
        "Date: Tue, 08 Dec 2026 22:50:03 GMT\r\nContent-Length: 10\r\n\r\n",
        head);
    EXPECT_EQ("Tue, 08 Dec 2026 22:50:03 GMT", date);
    EXPECT_FALSE(longer);

    // A decoded body loses its coding; its length says nothing about the sent one.
    const std::string wininet = "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 99\r\n\r\nignored: x\r\n";
    ASSERT_TRUE(WarcResponseHead(wininet.data(), wininet.size(), false, 500, head, date, &longer));
    EXPECT_EQ("HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n", head);
    EXPECT_FALSE(longer);

    // A body cut short of its declared length; LF-only lines; a lone CR.
    const std::string cut = "HTTP/1.0 200 OK\nContent-Length: 4000\nX-A: 1\rX-B: 2\n\n";
    ASSERT_TRUE(WarcResponseHead(cut.data(), cut.size(), true, 1000, head, date, &longer));
    EXPECT_EQ("HTTP/1.0 200 OK\r\nX-A: 1\r\nX-B: 2\r\nContent-Length: 1000\r\n\r\n", head);
    EXPECT_TRUE(longer);

    const std::string none = "Content-Type: text/html\r\n\r\n";
    EXPECT_FALSE(WarcResponseHead(none.data(), none.size(), true, 0, head, date, &longer));
    EXPECT_FALSE(WarcResponseHead("", 0, true, 0, head, date, &longer));
}

TEST(WarcWriter, RecordsReadBackInBothFormsAlsoWithHostileFields) {
    for (bool gzip : {false, true}) {
        SCOPED_TRACE(gzip);
        TestSha1Maker sha1;
        MemorySink sink;
        CWarcWriter writer(sink, sha1, gzip);
        std::vector<BYTE> large(3 * 1024 * 1024 + 7);
        for (size_t i = 0; i < large.size(); ++i) large[i] = (BYTE)(i * 2654435761u >> 13);
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 3145735\r\n\r\n";
        ASSERT_TRUE(
            writer.WriteRecord({{"WARC-Type", "response"}, {"Content-Type", "application/http;msgtype=response"}}, head,
                               large.data(), large.size(), true));
        ASSERT_TRUE(writer.WriteRecord({{"WARC-Type", "resource"},
                                        {"X-Evil\r\nWARC-Type", std::string("a\r\n\r\nWARC/1.1\r\nb\0c", 18)},
                                        {"\r\n: ", "nameless"},
                                        {"content-length\x01", "5"},
                                        {"WARC-Block-Digest", "sha1:A"}},
                                       std::string(), nullptr, 0, false));
        ASSERT_TRUE(writer.WriteRecord({{"WARC-Type", "metadata"}}, std::string(), (const BYTE*)"\r\n\r\nWARC/1.1\r\n",
                                       14, false));
        EXPECT_EQ(sink.bytes.size(), writer.BytesWritten());
        std::vector<Record> records;
        std::string why;
        ASSERT_TRUE(ReadArchive(sink.bytes, gzip, records, why)) << why;
        ASSERT_EQ(3u, records.size());
        for (const Record& r : records) EXPECT_TRUE(CheckDigests(r, sha1, why)) << why;
        EXPECT_TRUE(std::equal(large.begin(), large.end(), records[0].block.begin() + head.size()));
        EXPECT_EQ("resource", records[1].Field("WARC-Type"));
        EXPECT_EQ(1u, records[1].FieldCount("WARC-Type"));
        // The nameless field and the caller's length and digest left out.
        EXPECT_EQ(4u, records[1].fields.size());
        EXPECT_EQ("0", records[1].Field("Content-Length"));
        EXPECT_EQ("a    WARC/1.1  b c", records[1].Field("X-EvilWARC-Type"));
        EXPECT_EQ("\r\n\r\nWARC/1.1\r\n", Text(records[2].block));
        if (gzip) {
            EXPECT_LT(sink.bytes.size(), large.size() + 1000);
        }
    }
}

TEST(WarcWriter, AFullSinkFailsTheRecord) {
    TestSha1Maker sha1;
    MemorySink sink;
    sink.failAfter = 100;
    std::vector<BYTE> body(5000, 'x');
    CWarcWriter plain(sink, sha1, false);
    EXPECT_FALSE(plain.WriteRecord({{"WARC-Type", "resource"}}, std::string(), body.data(), body.size(), false));
    CWarcWriter packed(sink, sha1, true);
    std::vector<BYTE> noise(200000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = (BYTE)(i * 2654435761u >> 11);
    EXPECT_FALSE(packed.WriteRecord({{"WARC-Type", "resource"}}, std::string(), noise.data(), noise.size(), false));
}

TEST(WarcJob, ChromiumSimpleCacheArchivesEveryResponseAsSent) {
    CBrowserCacheStore store(browsercachekit::DataFolder(), browsercachekit::FixtureFiles());
    store.AddSimpleCache(browsercachekit::DataFolder() + "chromium-simple\\");
    Archive a;
    WriteArchive(store, a);
    EXPECT_EQ(WARC_DONE, a.result);
    EXPECT_EQ(store.EntryCount(), a.counts.responses);
    EXPECT_EQ(a.counts.responses + 1, a.counts.records);  // Chromium keeps no request
    EXPECT_EQ(0u, a.counts.unreadable + a.counts.notResponse + a.counts.truncated);
    EXPECT_TRUE(a.report.warnings.empty());
    CheckFixtureArchive(a);
    CheckRedirectAndErrorPage(a);
    // The time the browser stored the response, not the server's Last-Modified.
    EXPECT_EQ(0u, a.records[1].Field("WARC-Date").find("2026-12-"));
}

TEST(WarcJob, FirefoxCache2GivesRequestRecordsBesideTheResponses) {
    CBrowserCacheStore store(browsercachekit::DataFolder(), browsercachekit::FixtureFiles());
    store.AddCache2(browsercachekit::DataFolder() + "firefox-cache2\\");
    Archive a;
    WriteArchive(store, a, false);
    EXPECT_EQ(WARC_DONE, a.result);
    CheckFixtureArchive(a);
    std::map<std::string, const Record*> responses;
    for (const Record& r : a.records)
        if (r.Field("WARC-Type") == "response") responses[r.Field("WARC-Record-ID")] = &r;
    size_t requests = 0;
    for (const Record& r : a.records) {
        if (r.Field("WARC-Type") != "request") continue;
        ++requests;
        auto found = responses.find(r.Field("WARC-Concurrent-To"));
        ASSERT_NE(responses.end(), found);
        EXPECT_EQ(found->second->Field("WARC-Target-URI"), r.Field("WARC-Target-URI"));
        EXPECT_EQ(found->second->Field("WARC-Date"), r.Field("WARC-Date"));
        std::string block = Text(r.block);
        EXPECT_EQ(0u, block.find("GET /"));
        EXPECT_NE(std::string::npos, block.find(" HTTP/1.1\r\nHost: 127.0.0.1:8431\r\n"));
    }
    EXPECT_EQ(store.EntryCount(), requests);
    EXPECT_EQ(a.counts.records, 1 + 2 * store.EntryCount());
}

TEST(WarcJob, FileBodiesLoseTheirCodingAndUnreadableOnesAreLeftOut) {
    FileBodyCache cache;
    cache.items.push_back({"http://h/page.html", "C:\\c\\page.html",
                           "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\n"
                           "Transfer-Encoding: chunked\r\nDate: Sat, 05 Apr 2003 06:07:08 GMT\r\n\r\n",
                           "text/html"});
    cache.items.push_back({"http://h/gone.gif", "C:\\c\\gone.gif", "HTTP/1.1 200 OK\r\n\r\n", "image/gif"});
    cache.items.push_back({"Cookie:user@h/", "C:\\c\\cookie.txt", "", "", CACHE_ENTRY_COOKIE});
    cache.items.push_back({"http://h/moved", "", "HTTP/1.1 302 Found\r\nLocation: /page.html\r\n\r\n", ""});
    FileBodyCache::Item bare{"http://h/\x83\x5C.txt", "C:\\c\\so.txt", "", "text/plain"};
    bare.lastModified = Time(1049522828);
    cache.items.push_back(bare);
    std::map<std::string, std::string> files = {
        {"C:\\c\\page.html", "<html>\x95\x5C</html>"}, {"C:\\c\\cookie.txt", "secret"}, {"C:\\c\\so.txt", "plain"}};
    Archive a;
    WriteArchive(cache, a, true, files);
    EXPECT_EQ(WARC_DONE, a.result);
    EXPECT_EQ(3u, a.counts.responses);
    EXPECT_EQ(1u, a.counts.unreadable);
    EXPECT_EQ(1u, a.counts.notResponse);
    ASSERT_EQ(1u, a.report.warnings.size());
    EXPECT_EQ("http://h/gone.gif", a.report.warnings[0].where);
    EXPECT_EQ((UINT)IDS_WARN_WARC_BODY_UNREADABLE, a.report.warnings[0].id);
    ASSERT_EQ(4u, a.records.size());
    std::string head;
    std::vector<BYTE> payload;
    ASSERT_TRUE(a.records[1].SplitHttp(head, payload));
    EXPECT_EQ(
        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nDate: Sat, 05 Apr 2003 06:07:08 GMT\r\n"
        "Content-Length: 15\r\n\r\n",
        head);
    EXPECT_EQ("<html>\x95\x5C</html>", Text(payload));
    EXPECT_EQ("2003-04-05T06:07:08Z", a.records[1].Field("WARC-Date"));
    EXPECT_EQ("response", a.records[2].Field("WARC-Type"));
    EXPECT_EQ("http://h/moved", a.records[2].Field("WARC-Target-URI"));
    // Without a stored head the body is kept as a resource of its type.
    EXPECT_EQ("resource", a.records[3].Field("WARC-Type"));
    EXPECT_EQ("text/plain", a.records[3].Field("Content-Type"));
    EXPECT_EQ("http://h/%83%5C.txt", a.records[3].Field("WARC-Target-URI"));
    EXPECT_EQ("2003-04-05T06:07:08Z", a.records[3].Field("WARC-Date"));
    EXPECT_EQ("plain", Text(a.records[3].block));
}

// A selection of the tree: only its entries are read and written; the
// others, however they would have ended, are neither counted nor warned of.
TEST(WarcJob, ASelectionWritesOnlyItsEntries) {
    FileBodyCache cache;
    cache.items.push_back({"http://h/a/one.html", "one", "HTTP/1.1 200 OK\r\n\r\n", "text/html"});
    cache.items.push_back({"http://h/b/gone.gif", "gone", "HTTP/1.1 200 OK\r\n\r\n", "image/gif"});
    cache.items.push_back({"Cookie:user@h/", "cookie", "", "", CACHE_ENTRY_COOKIE});
    cache.items.push_back({"http://h/a/two.gif", "two", "HTTP/1.1 200 OK\r\n\r\n", "image/gif"});
    std::map<std::string, std::string> files = {{"one", "1"}, {"two", "22"}, {"cookie", "secret"}};
    std::vector<std::string> asked;
    Archive a;
    WriteArchive(cache, a, false, files, [&asked](const char* url) {
        asked.push_back(url);
        return strncmp(url, "http://h/a/", 11) == 0;
    });
    EXPECT_EQ(WARC_DONE, a.result);
    EXPECT_EQ(4u, asked.size()) << "every entry with a URL is offered";
    ASSERT_EQ(3u, a.records.size());
    EXPECT_EQ("http://h/a/one.html", a.records[1].Field("WARC-Target-URI"));
    EXPECT_EQ("http://h/a/two.gif", a.records[2].Field("WARC-Target-URI"));
    EXPECT_EQ(2u, a.counts.responses);
    EXPECT_EQ(0u, a.counts.unreadable);
    EXPECT_EQ(0u, a.counts.notResponse);
    EXPECT_TRUE(a.report.warnings.empty());
}

TEST(WarcJob, ProgressEveryThousandRecordsAndCutBodiesMarked) {
    FileBodyCache cache;
    std::map<std::string, std::string> files;
    for (int i = 0; i < 2500; ++i) {
        std::string n = std::to_string(i);
        cache.items.push_back({"http://h/" + n, "f" + n, "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n", ""});
        files["f" + n] = i == 7 ? "a" : "abc";
    }
    Archive a;
    WriteArchive(cache, a, true, files);
    EXPECT_EQ((std::vector<size_t>{1000, 2000}), a.progress);
    EXPECT_EQ(1u, a.counts.truncated);
    ASSERT_EQ(1u, a.report.warnings.size());
    EXPECT_EQ("http://h/7", a.report.warnings[0].where);
    EXPECT_EQ((UINT)IDS_WARN_WARC_TRUNCATED, a.report.warnings[0].id);
    EXPECT_EQ("unspecified", a.records[8].Field("WARC-Truncated"));
    EXPECT_EQ("", a.records[9].Field("WARC-Truncated"));
}

TEST(WarcJob, AFullDiskStopsTheJob) {
    FileBodyCache cache;
    cache.items.push_back({"http://h/a", "a", "HTTP/1.1 200 OK\r\n\r\n", ""});
    TestSha1Maker sha1;
    MemorySink sink;
    sink.failAfter = 600;
    WarcJobSettings settings;
    settings.gzip = false;
    WarcJobHooks hooks;
    std::string big(5000, 'z');
    hooks.readFile = [&big](const char*, std::vector<BYTE>& out) {
        out.assign(big.begin(), big.end());
        return true;
    };
    Recorder report;
    WarcJobCounts counts;
    EXPECT_EQ(WARC_WRITE_FAILED, WriteCacheArchive(cache, sink, sha1, settings, hooks, report, counts));
    EXPECT_EQ(1u, counts.records);
}

TEST(WarcStoreKind, NamesTheExactStoreThatWasRead) {
    FileBodyCache live;
    EXPECT_EQ("live WinINet URL cache", WarcStoreKind(live));
    CIndexDatUrlCache ie("C:\\ie\\");
    EXPECT_EQ("Internet Explorer index.dat folder", WarcStoreKind(ie));

    CMemoryFiles files;
    auto setOf = [&files](std::initializer_list<CacheKind> kinds) {
        std::unique_ptr<CCacheSet> set(new CCacheSet("C:\\disk\\", files));
        int n = 0;
        for (CacheKind kind : kinds) {
            CacheSource source;
            source.kind = kind;
            source.folder = "C:\\disk\\" + std::to_string(n++) + "\\";
            set->Add(source, std::unique_ptr<IUrlCache>(new CBrowserCacheStore(source.folder, files)));
        }
        return set;
    };
    EXPECT_EQ("Chromium simple cache", WarcStoreKind(*setOf({CACHE_SIMPLE})));
    EXPECT_EQ("Chromium blockfile cache", WarcStoreKind(*setOf({CACHE_BLOCKFILE})));
    EXPECT_EQ("Firefox cache2", WarcStoreKind(*setOf({CACHE_CACHE2})));
    EXPECT_EQ("Mozilla disk cache v1 (Firefox 1 to 31)", WarcStoreKind(*setOf({CACHE_MOZILLA})));
    EXPECT_EQ("Internet Explorer index.dat folder", WarcStoreKind(*setOf({CACHE_INDEXDAT})));
    // A copied disk: each kind once, and how many caches there were.
    EXPECT_EQ("Chromium simple cache, Firefox cache2 (3 caches)",
              WarcStoreKind(*setOf({CACHE_SIMPLE, CACHE_CACHE2, CACHE_SIMPLE})));
}

// A Chromium cache whose media entry holds only the ranges the browser
// fetched, whose other body is cut short of its Content-Length, and one of
// whose files is no entry: both bodies are written as far as they are kept,
// marked truncated and digested as written, and every damage row reaches
// the report.
TEST(WarcJob, SparseAndCutBodiesAreMarkedTruncatedAndDamageIsReported) {
    using namespace browsercachekit;
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: video/mp4\r\n";
    FolderFiles folder;
    folder["1111111111111111_0"] =
        SimpleEntryFile("1/0/https://s.example/v.mp4", head, Bytes(""), 13000000000000000ULL);
    std::vector<BYTE> sparse = SimpleEntryFile("1/0/https://s.example/v.mp4", head, Bytes(""), 0);
    sparse.resize(24 + strlen("1/0/https://s.example/v.mp4"));
    auto range = [&sparse](ULONGLONG offset, const std::string& data) {
        PutLe64(sparse, 0xeb97bf016553676bULL);
        PutLe64(sparse, offset);
        PutLe64(sparse, data.size());
        PutLe32(sparse, 0);
        PutLe32(sparse, 0);
        sparse.insert(sparse.end(), data.begin(), data.end());
    };
    range(0, "first");
    range(5, "-second");
    range(4096, "after a gap");
    folder["1111111111111111_s"] = sparse;
    folder["2222222222222222_0"] =
        SimpleEntryFile("1/0/https://s.example/cut.html", "HTTP/1.1 200 OK\r\nContent-Length: 4000\r\n",
                        Bytes("<html>cut"), 13000000000000000ULL);
    folder["3333333333333333_0"] =
        SimpleEntryFile("1/0/https://s.example/whole.html", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n", Bytes("whole"),
                        13000000000000000ULL);
    folder["4444444444444444_0"] = Bytes("not an entry file");
    MemoryStore store("C:\\t\\Cache_Data\\", folder);
    store.AddSimpleCache("C:\\t\\Cache_Data\\");
    ASSERT_FALSE(store.Damage().empty());

    Archive a;
    WriteArchive(store, a);
    EXPECT_EQ(WARC_DONE, a.result);
    EXPECT_EQ(3u, a.counts.responses);
    EXPECT_EQ(2u, a.counts.truncated);
    std::map<std::string, const Record*> byUri;
    for (const Record& r : a.records) byUri[r.Field("WARC-Target-URI")] = &r;
    TestSha1Maker sha1;
    for (const char* url : {"https://s.example/v.mp4", "https://s.example/cut.html"}) {
        SCOPED_TRACE(url);
        ASSERT_EQ(1u, byUri.count(url));
        const Record& r = *byUri[url];
        // The reason WARC/1.1 gives for a cut that no limit of the writer made.
        EXPECT_EQ("unspecified", r.Field("WARC-Truncated"));
        std::string httpHead;
        std::vector<BYTE> payload;
        ASSERT_TRUE(r.SplitHttp(httpHead, payload));
        std::string kept = strstr(url, "v.mp4") ? "first-second" : "<html>cut";
        EXPECT_EQ(kept, Text(payload));
        EXPECT_EQ(std::to_string(kept.size()), HttpHeader(httpHead, "Content-Length"));
        BYTE d[kSha1Size];
        std::unique_ptr<ISha1> h = sha1.Make();
        h->Update((const BYTE*)kept.data(), kept.size());
        ASSERT_TRUE(h->Final(d));
        EXPECT_EQ(Sha1Label(d), r.Field("WARC-Payload-Digest"));
        h = sha1.Make();
        h->Update(r.block.data(), r.block.size());
        ASSERT_TRUE(h->Final(d));
        EXPECT_EQ(Sha1Label(d), r.Field("WARC-Block-Digest"));
        EXPECT_EQ(std::to_string(r.block.size()), r.Field("Content-Length"));
    }
    ASSERT_EQ(1u, byUri.count("https://s.example/whole.html"));
    EXPECT_EQ("", byUri["https://s.example/whole.html"]->Field("WARC-Truncated"));

    size_t truncatedRows = 0, damageRows = 0;
    for (const Row& row : a.report.warnings) {
        truncatedRows += row.id == IDS_WARN_WARC_TRUNCATED;
        damageRows += row.where == "C:\\t\\Cache_Data\\4444444444444444_0" && row.id == IDS_WARN_CACHE_ENTRY_DAMAGED;
    }
    EXPECT_EQ(2u, truncatedRows);
    EXPECT_EQ(1u, damageRows) << "the store's damage row";
    EXPECT_EQ(store.Damage().size() + 2, a.report.warnings.size());
}

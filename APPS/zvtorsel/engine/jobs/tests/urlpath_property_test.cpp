// Over generated URLs: the file a cache entry is copied to is the file that a
// translated link to its URL names, and the names on the way give the URL back.
#include <ctype.h>
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "jobs/execute.h"
#include "mapping/url_mapping.h"
#include "translate/html_translator.h"
#include "base/memoryfiles.h"
#include "tree/tests/fixture.h"

namespace {

const ULONGLONG T0 = Utc(2003, 7, 1, 9, 30, 0);

class NoMessages : public IMessageRoutine {
public:
    int ShowResourceMessage(UINT, const char*) override { return 1; }
};

struct UrlGenerator {
    std::mt19937 random{20261208};

    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); }

    std::string Host() {
        static const char* const hosts[] = {"host.test", "h", "www.example.jp", "10.0.0.1"};
        static const char* const users[] = {"", "", "user@", "user:pw@"};
        static const char* const ports[] = {"", "", ":8080", ":80", ":1"};
        return std::string(users[Pick(4)]) + hosts[Pick(4)] + ports[Pick(5)];
    }
    std::string Segment() {
        // Trail bytes 0x5C: so, hyo, nou, kou.
        static const char* const segments[] = {"a",
                                               "dir",
                                               "A%2FB",
                                               "%41x",
                                               "\x83\x5c",
                                               "\x95\x5c\x94\x5c",
                                               "x:y",
                                               "",
                                               "\x8d\x5c"
                                               "b",
                                               "s p"};
        return segments[Pick(10)];
    }
    std::string Leaf() {
        static const char* const leaves[] = {"p.html",   "i.gif",        "", "find.cgi?k=1&n=a:b/c",
                                             "q?x=/y:z", "\x83\x5c.html"};
        return leaves[Pick(6)];
    }
    std::string Url() {
        static const char* const schemes[] = {"http", "HTTP", "Http", "ftp"};
        std::string url = std::string(schemes[Pick(4)]) + "://" + Host() + "/";
        for (size_t n = Pick(4); n > 0; --n) url += Segment() + "/";
        return url + Leaf();
    }
};

// The URL as the tree and the disk hold it: runs of separators are one, and
// the scheme, host and path compared without regard to case (the file system's).
std::string Folded(const std::string& mapped) {
    std::string out;
    for (size_t i = 0; i < mapped.size(); ++i) {
        bool sep = mapped[i] == '/';
        bool afterScheme = out.size() >= 3 && out.compare(out.size() - 3, 3, "://") == 0;
        if (sep && !out.empty() && out.back() == '/' && !afterScheme && out.find('?') == std::string::npos) continue;
        out += (char)tolower((unsigned char)mapped[i]);
    }
    return out;
}

// The names of a relative local path; a trail byte 0x5C is no separator.
std::vector<std::string> Names(const std::string& local) {
    std::vector<std::string> names(1);
    const MappingSettings mapping;
    for (size_t i = 0; i < local.size(); ++i) {
        if (local[i] == '\\') {
            names.emplace_back();
            continue;
        }
        names.back() += local[i];
        if (mapping.IsLead((BYTE)local[i]) && i + 1 < local.size()) names.back() += local[++i];
    }
    return names;
}

// The URL a relative local path stands for, name by name.
std::string UrlOfLocalPath(const std::string& local) {
    std::vector<std::string> names = Names(local);
    std::string url;
    for (size_t n = 0; n < names.size(); ++n) {
        char name[kUrlBufferSize];
        LocalNameToUrl(names[n].c_str(), name, sizeof name, MappingSettings());
        url += name;
        if (n + 1 < names.size()) url += n == 0 ? "//" : "/";
    }
    return url;
}

// Generated URLs whose files all lie apart. URLs that fold to one file, or
// whose file stands where another needs a folder, are renamed with a time
// stamp by design.
std::vector<std::string> DistinctUrls(size_t count) {
    UrlGenerator generate;
    std::vector<std::string> urls;
    std::set<std::string> files, folders;
    while (urls.size() < count) {
        std::string url = generate.Url();
        char mapped[kUrlBufferSize], local[kUrlBufferSize];
        EXPECT_TRUE(MapUrlToName(url.c_str(), "C:\\cache\\x.html", MakeTime(T0), FALSE, mapped, sizeof mapped,
                                 MappingSettings()));
        UrlToLocalPath(mapped, local, sizeof local, MappingSettings());
        std::string path = Folded(local);
        if (files.count(path) || folders.count(path)) continue;
        bool clash = false;
        std::vector<std::string> names = Names(path), above;
        std::string prefix;
        for (size_t n = 0; n + 1 < names.size(); ++n) {
            prefix += names[n] + "\\";
            above.push_back(prefix.substr(0, prefix.size() - 1));
            clash |= files.count(above.back()) != 0;
        }
        if (clash) continue;
        files.insert(path);
        folders.insert(above.begin(), above.end());
        urls.push_back(url);
    }
    return urls;
}

std::string LocalPathOf(const std::string& url) {
    char mapped[kUrlBufferSize], local[kUrlBufferSize];
    MapUrlToName(url.c_str(), "C:\\cache\\x.html", MakeTime(T0), FALSE, mapped, sizeof mapped, MappingSettings());
    UrlToLocalPath(mapped, local, sizeof local, MappingSettings());
    return local;
}

// Where a browser goes from the page at pagePath (below the rebuild folder)
// when it follows link: the page's folder, then the link's segments, with
// "." and ".." steps and "%XX" escapes as a URL has them.
std::string Follow(const std::string& pagePath, const std::string& link) {
    std::vector<std::string> names = Names(pagePath);
    names.pop_back();
    size_t start = 0;
    for (;;) {
        size_t end = link.find('/', start);
        std::string segment = link.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::string name;
        for (size_t i = 0; i < segment.size(); ++i) {
            if (segment[i] == '%' && i + 2 < segment.size() && isxdigit((unsigned char)segment[i + 1]) &&
                isxdigit((unsigned char)segment[i + 2])) {
                name += (char)std::stoi(segment.substr(i + 1, 2), nullptr, 16);
                i += 2;
            } else {
                name += segment[i];
            }
        }
        if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else if (name != "." && !(name.empty() && end != std::string::npos)) {
            names.push_back(name);
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    std::string path;
    for (size_t n = 0; n < names.size(); ++n) path += (n ? "\\" : "") + names[n];
    return path;
}

class UrlPathProperty : public RebuildFixture {
protected:
    void RebuildFrom(const std::vector<std::string>& urls) {
        for (size_t i = 0; i < urls.size(); ++i) {
            CMemoryUrlCache::Entry e;
            e.url = urls[i];
            e.localFile = "C:\\cache\\f" + std::to_string(i) + ".html";
            e.size = 5;
            e.lastModified = MakeTime(T0);
            fs.AddFile(e.localFile, "u" + std::to_string(i), T0);
            cache.Put(e);
        }
        fs.AddFolder("C:\\rb");
        ASSERT_EQ(1, Build());
        ASSERT_EQ(1, Jobs().ExecuteMarks());
        EXPECT_TRUE(report.warnings.empty());
        EXPECT_TRUE(report.asked.empty());
        EXPECT_EQ(0u, Jobs().cache.counters.c);
    }
};

TEST_F(UrlPathProperty, CopiedFilesAreWhereTranslatedLinksPoint) {
    std::vector<std::string> urls = DistinctUrls(400);
    RebuildFrom(urls);

    CMemoryFiles pages;
    NoMessages messages;
    const MappingSettings mapping;
    CHtmlTranslator translator(pages, &messages, mapping);
    ASSERT_TRUE(translator.AllocBuffers(kBuffersAll));
    ASSERT_TRUE(translator.OpenLinkScanners(TRUE));
    const std::string prefix = "<A HREF=\"file://C:\\rb\\";
    for (size_t i = 0; i < urls.size(); ++i) {
        SCOPED_TRACE(urls[i]);
        pages.Content("page") = "<A HREF=\"" + urls[i] + "\">";
        ASSERT_TRUE(translator.LoadHtml("page", TRUE));
        ASSERT_TRUE(translator.Translate("C:\\rb\\", "http://site/", TRUE));
        std::string out(translator.Output(), translator.TranslatedLength());
        ASSERT_EQ(0u, out.find(prefix));
        std::string local = out.substr(prefix.size(), out.size() - prefix.size() - 2);
        EXPECT_EQ("u" + std::to_string(i), fs.Data("C:\\rb\\" + local));

        char mapped[kUrlBufferSize];
        MapUrlToName(urls[i].c_str(), "C:\\cache\\f.html", MakeTime(T0), FALSE, mapped, sizeof mapped,
                     MappingSettings());
        EXPECT_EQ(Folded(mapped), Folded(UrlOfLocalPath(local)));
        EXPECT_NE(nullptr, RebuildItem(mapped));
    }
}

// Pages with relative links: from every page, each link followed as a
// browser follows it reaches exactly the file its URL was copied to.
TEST_F(UrlPathProperty, RelativeLinksLeadFromEachPageToTheTargetFile) {
    std::vector<std::string> urls = DistinctUrls(300);
    RebuildFrom(urls);

    MappingSettings relative;
    relative.fileProtocolType = 1;
    CMemoryFiles pages;
    NoMessages messages;
    CHtmlTranslator translator(pages, &messages, relative);
    ASSERT_TRUE(translator.AllocBuffers(kBuffersAll));
    ASSERT_TRUE(translator.OpenLinkScanners(TRUE));
    const std::string open = "<A HREF=\"", close = "\">";
    for (size_t i = 0; i < urls.size(); ++i) {
        size_t j = (i * 7 + 3) % urls.size();
        SCOPED_TRACE(urls[i] + " -> " + urls[j]);
        std::string page = LocalPathOf(urls[i]);
        pages.Content("page") = open + urls[j] + close;
        ASSERT_TRUE(translator.LoadHtml("page", TRUE));
        translator.Translate("C:\\rb\\", "http://site/", TRUE, ("C:\\rb\\" + page).c_str());
        ASSERT_FALSE(translator.LastTranslateFailed());
        std::string out(translator.Output(), translator.TranslatedLength());
        ASSERT_EQ(0u, out.find(open));
        std::string link = out.substr(open.size(), out.size() - open.size() - close.size());
        EXPECT_EQ(std::string::npos, link.find_first_of(" #?\"")) << link;
        EXPECT_EQ("u" + std::to_string(j), fs.Data("C:\\rb\\" + Follow(page, link))) << link;
    }
}

}  // namespace

namespace {

// A folder that an earlier run split into host and port stays as it is and
// is read as what it stands for; the new copy goes to the one host folder.
TEST_F(UrlPathProperty, PortFolderOfAnEarlierRunIsReadAndLeftAlone) {
    fs.AddFile("C:\\rb\\http$\\host.test$3a\\8080\\p.html", "old", T0);
    Cache("http://host.test:8080/p.html", "new", T0);
    ASSERT_EQ(1, Build());
    EXPECT_NE(nullptr, RebuildItem("http://host.test:/8080/p.html"));
    EXPECT_EQ(MARK_C, CacheMarks("http://host.test:8080/p.html"));
    ASSERT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_EQ("new", fs.Data("C:\\rb\\http$\\host.test$3a8080\\p.html"));
    EXPECT_EQ("old", fs.Data("C:\\rb\\http$\\host.test$3a\\8080\\p.html"));
    EXPECT_NE(nullptr, RebuildItem("http://host.test:8080/p.html"));
}

}  // namespace

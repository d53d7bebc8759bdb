#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "mapping/mapping_strings.h"
#include "mapping/time_stamp.h"
#include "mapping/url_mapping.h"

namespace {

// 1999-12-05 13:04:09 UTC; the tests run with local time equal to UTC.
const FILETIME kEntryTime = {0x37a9aa80, 0x01bf3f21};
const char kStamp[] = "_99c05_130409";

// Answers the file lookup of the time stamp from a fixed entry.
class FakeClock : public IFileClock {
public:
    bool LastWriteTime(const char* path, FILETIME* time) const override {
        if (file.empty() || file != path) return false;
        *time = fileTime;
        return true;
    }
    std::string file;
    FILETIME fileTime = {0, 0};
};

class Mapping : public ::testing::Test {
protected:
    void SetUp() override { settings.clock = &clock; }

    std::string Map(const std::string& url, const char* local = "C:\\cache\\page[1].htm",
                    BOOL percent = FALSE, FILETIME time = kEntryTime) {
        char out[kUrlBufferSize];
        memset(out, 'X', sizeof out);
        if (!MapUrlToName(url.c_str(), local, time, percent, out, sizeof out, settings))
            return "<fail>";
        return out;
    }
    std::string Local(const std::string& mapped, int* query = nullptr) {
        char out[kUrlBufferSize];
        int q = UrlToLocalPath(mapped.c_str(), out, sizeof out, settings);
        if (query) *query = q;
        return out;
    }
    std::string Name(const std::string& name) {
        char out[kUrlBufferSize];
        LocalNameToUrl(name.c_str(), out, sizeof out, settings);
        return out;
    }

    MappingSettings settings;
    FakeClock clock;
};

TEST_F(Mapping, MapsTheExampleUrls) {
    const std::string sixty(60, 'q');
    EXPECT_EQ(Map("http://host/"), "http://host/index.html");
    EXPECT_EQ(Map("http://host/a/b.gif"), "http://host/a/b.gif");
    EXPECT_EQ(Map("http://host/cgi/find.cgi?k=1"), "http://host/cgi/find.cgi?k=1.htm");
    EXPECT_EQ(Map("http://host/d/?" + sixty), std::string("http://host/d/index") + kStamp + ".htm");
    EXPECT_EQ(Map("http://host/s.cgi?" + sixty), std::string("http://host/s.cgi") + kStamp + ".htm");
    EXPECT_EQ(Map("http://host/dir"), "http://host/dir");
    EXPECT_EQ(Map("http://host/dir/"), "http://host/dir/index.html");
    EXPECT_EQ(Map("mailto:someone"), "mailto:someone");
    EXPECT_EQ(Map("file:///c:/x"), "file:///c:/x");
    EXPECT_EQ(Map("no colon here"), "<fail>");
    EXPECT_EQ(Map(""), "<fail>");
}

TEST_F(Mapping, CutsQueriesAtTheLimit) {
    const std::string at(50, 'k'), below(49, 'k');
    EXPECT_EQ(Map("http://h/f.cgi?" + at), std::string("http://h/f.cgi") + kStamp + ".htm");
    EXPECT_EQ(Map("http://h/f.cgi?" + below), "http://h/f.cgi?" + below + ".htm");
    // Without a cache file there is no extension and the time comes from nowhere.
    EXPECT_EQ(Map("http://h/f.cgi?" + below, nullptr), "http://h/f.cgi?" + below);
    EXPECT_EQ(Map("http://h/f.cgi?a", "C:\\cache\\noext"), "http://h/f.cgi?a");
    EXPECT_EQ(Map("http://h/f.cgi?a", "C:\\cache.d\\noext"), "http://h/f.cgi?a");

    settings.cgiLimitLen = 0;
    EXPECT_EQ(Map("http://h/f.cgi?a"), std::string("http://h/f.cgi") + kStamp + ".htm");
    EXPECT_EQ(Map("http://h/d/?a"), std::string("http://h/d/index") + kStamp + ".htm");
    EXPECT_EQ(Map("http://h/d/?"), std::string("http://h/d/index") + kStamp + ".htm");
    settings.cgiShortenLen = 3;
    EXPECT_EQ(Map("http://h/d/?a"), std::string("http://h/d/?a") + kStamp + ".htm");
    EXPECT_EQ(Map("http://h/d/?abcdef"), std::string("http://h/d/?ab") + kStamp + ".htm");

    settings.cgiLimitLen = 4;
    settings.cgiShortenLen = 1;
    EXPECT_EQ(Map("http://h/d/?abcd"), std::string("http://h/d/?") + kStamp + ".htm");
    // A double-byte character counts two and is never split by the cut.
    settings.cgiShortenLen = 2;
    EXPECT_EQ(Map("http://h/d/?\x95\x5c\x95\x5c"), std::string("http://h/d/?") + kStamp + ".htm");
    EXPECT_EQ(Map("http://h/d/?\x95\x5c" "a"), "http://h/d/?\x95\x5c" "a.htm");
    settings.cgiShortenLen = 3;
    EXPECT_EQ(Map("http://h/d/?\x95\x5c\x95\x5c"), std::string("http://h/d/?\x95\x5c") + kStamp + ".htm");
}

TEST_F(Mapping, TimeStampFallsBackToTheFileAndThenToZero) {
    const std::string url = "http://h/f.cgi?" + std::string(60, 'x');
    const FILETIME noHigh = {12345, 0};
    clock.file = "C:\\cache\\page[1].htm";
    clock.fileTime = {0x7db50500, 0x01c08d96};  // 2001-02-03 04:05:06
    EXPECT_EQ(Map(url, clock.file.c_str(), FALSE, noHigh), "http://h/f.cgi_01203_040506.htm");
    EXPECT_EQ(Map(url, clock.file.c_str(), FALSE, kEntryTime), std::string("http://h/f.cgi") + kStamp + ".htm");
    clock.file = "elsewhere";
    EXPECT_EQ(Map(url, "C:\\cache\\page[1].htm", FALSE, noHigh), "http://h/f.cgi_01101_000000.htm");

    char stamp[kTimeStampSize];
    SYSTEMTIME t = {};
    t.wYear = 2009;
    t.wMonth = 10;
    t.wDay = 7;
    t.wHour = 23;
    t.wMinute = 5;
    t.wSecond = 59;
    FormatTimeStamp(t, stamp);
    EXPECT_STREQ(stamp, "_09a07_230559");
    FormatTimeStamp(SYSTEMTIME{}, stamp);
    EXPECT_STREQ(stamp, "_00000_000000");
}

TEST_F(Mapping, PercentDecodingOnlyWhenAsked) {
    EXPECT_EQ(Map("http://h/%41b", nullptr, TRUE), "http://h/Ab");
    EXPECT_EQ(Map("http://h/a%2fb", nullptr, TRUE), "http://h/a/b");
    EXPECT_EQ(Map("http://h/a%2Fb%zz%4", nullptr, TRUE), "http://h/a/b%zz%4");
    // The decoded "/" is no trailing separator: the last byte copied was "%".
    EXPECT_EQ(Map("http://h/a%2f", nullptr, TRUE), "http://h/a/");
    EXPECT_EQ(Map("http://h/%41b", nullptr, FALSE), "http://h/%41b");
    EXPECT_EQ(Local(Map("http://h/%41b", nullptr, FALSE)), "http$\\h\\$2541b");
    EXPECT_EQ(Local(Map("http://h/a%2fb", nullptr, TRUE)), "http$\\h\\a\\b");
    // Escapes in a query are decoded and counted as one byte each.
    settings.cgiLimitLen = 3;
    EXPECT_EQ(Map("http://h/q?%41%42", nullptr, TRUE), "http://h/q?AB");
}

TEST_F(Mapping, LocalPathsEscapeReservedBytes) {
    int query = -1;
    EXPECT_EQ(Local("http://host/cgi/find.cgi?k=1.htm", &query), "http$\\host\\cgi\\find.cgi$3fk=1.htm");
    EXPECT_EQ(query, 1);
    EXPECT_EQ(Local("http://host:8080/a.html", &query), "http$\\host$3a8080\\a.html");
    EXPECT_EQ(query, 0);
    EXPECT_EQ(Local("ftp://h/a b.=&#+~"), "ftp$\\h\\a b.=&#+~");
    EXPECT_EQ(Local("http://h/\"$%*,;<>|\x01\x1f"), "http$\\h\\$22$24$25$2a$2c$3b$3c$3e$7c$01$1f");
    // After the query starts, separators and colons are escaped too.
    EXPECT_EQ(Local("http://h/q?a/b\\c://d"), "http$\\h\\q$3fa$2fb$5cc$3a$2f$2fd");
    EXPECT_EQ(Local("file:///c:/x"), "file$\\c$3a\\x");  // no empty folder name
    EXPECT_EQ(Local("mailto:x"), "mailto$3ax");
    EXPECT_EQ(Local("http://h/a://b"), "http$\\h\\a$3a\\b");  // only the scheme ends in "$\\"
    EXPECT_EQ(Local("http:\\\\h\\a"), "http$\\h\\a");
    EXPECT_EQ(Local("http://h/\x80\xa1\xdf\xfd"), "http$\\h\\\x80\xa1\xdf\xfd");
}

TEST_F(Mapping, DotOnlyComponentsStayInsideTheRebuildFolder) {
    EXPECT_EQ(Map("http://h/../../x"), "http://h/../../x");
    EXPECT_EQ(Local("http://h/../../x"), "http$\\h\\$2e$2e\\$2e$2e\\x");
    EXPECT_EQ(Local(Map("http://h/%2e%2e/%2E%2e/x", nullptr, TRUE)), "http$\\h\\$2e$2e\\$2e$2e\\x");
    EXPECT_EQ(Local("http://h/./a/..."), "http$\\h\\$2e\\a\\$2e$2e$2e");
    EXPECT_EQ(Local("http://../x"), "http$\\$2e$2e\\x");
    EXPECT_EQ(Local("http://h/..a/a..//.."), "http$\\h\\..a\\a.$2e\\$2e$2e");
    EXPECT_EQ(Local("http://h/x?/../.."), "http$\\h\\x$3f$2f..$2f.$2e");
    EXPECT_EQ(Name("$2e$2e"), "..");
    EXPECT_EQ(Name("$2e"), ".");
}

TEST_F(Mapping, DeviceNamesAndTrailingDotsStayFileNames) {
    EXPECT_EQ(Local("http://dev.test/con/aux.html"), "http$\\dev.test\\$63on\\$61ux.html");
    EXPECT_EQ(Local("http://h/NUL.tar.gz"), "http$\\h\\$4eUL.tar.gz");
    EXPECT_EQ(Local("http://h/Com1"), "http$\\h\\$43om1");
    EXPECT_EQ(Local("http://h/lpt9.txt"), "http$\\h\\$6cpt9.txt");
    EXPECT_EQ(Local("http://h/prn  .x"), "http$\\h\\$70rn  .x");
    EXPECT_EQ(Local("http://aux/x"), "http$\\$61ux\\x");
    EXPECT_EQ(Local("con://h"), "$63on$\\h");
    EXPECT_EQ(Local("http://h/con?x=1.htm"), "http$\\h\\con$3fx=1.htm");
    // Near misses keep their names, as they were written before.
    EXPECT_EQ(Local("http://h/com0/lpt10/cons/xcon/co.n/conin"),
              "http$\\h\\com0\\lpt10\\cons\\xcon\\co.n\\conin");

    EXPECT_EQ(Local("http://dev.test/dir./x.html"), "http$\\dev.test\\dir$2e\\x.html");
    EXPECT_EQ(Local("http://h/a../b /c. "), "http$\\h\\a.$2e\\b$20\\c.$20");
    EXPECT_EQ(Local("http://h/ "), "http$\\h\\$20");
    EXPECT_EQ(Local("http://h/con."), "http$\\h\\$63on$2e");
    EXPECT_EQ(Local("http://h/q?a/b."), "http$\\h\\q$3fa$2fb$2e");
    EXPECT_EQ(Local("http://h/\x83\x5c."), "http$\\h\\\x83\x5c$2e");

    for (const char* name : {"con", "aux.html", "dir.", "b ", "c. ", "NUL.tar.gz", "lpt9.txt"}) {
        std::string local = Local(std::string("http://h/") + name);
        EXPECT_EQ(Name(local.substr(local.rfind('\\') + 1)), name);
    }

    // A cut never leaves a name that Windows would change.
    char cut[12];
    UrlToLocalPath("http://h/ab. x", cut, sizeof cut, settings);
    EXPECT_STREQ(cut, "http$\\h\\ab");
    UrlToLocalPath("http://h/console", cut, sizeof cut, settings);
    EXPECT_STREQ(cut, "http$\\h\\");
}

TEST_F(Mapping, NamesTurnBackIntoUrlText) {
    EXPECT_EQ(Name("http$"), "http:");
    EXPECT_EQ(Name("host$3a8080"), "host:8080");
    EXPECT_EQ(Name("find.cgi$3fk=1.htm"), "find.cgi?k=1.htm");
    EXPECT_EQ(Name("a$3F$2A$7c"), "a?*|");
    EXPECT_EQ(Name("a$\\b"), "a://b");
    EXPECT_EQ(Name("a$/b"), "a://b");
    EXPECT_EQ(Name("$80$8z$zz$"), "$80$8z$zz:");
    EXPECT_EQ(Name("$2"), "$2");
    EXPECT_EQ(Name("\x83$41"), "\x83$41");  // "$" as a trail byte is no escape
    EXPECT_EQ(Name("\x83\x5c$24"), "\x83\x5c$");
}

TEST_F(Mapping, TrailByte5CNeverSeparates) {
    const std::string so = "\x83\x5c", hyo = "\x95\x5c", nou = "\x94\x5c", kou = "\x8d\x5c";
    const std::string url = "http://h/" + so + "/" + hyo + "?" + nou;
    EXPECT_EQ(Map(url), url + ".htm");
    EXPECT_EQ(Map("http://h/" + kou), "http://h/" + kou);
    EXPECT_EQ(Map("http://h/" + kou + "/"), "http://h/" + kou + "/index.html");
    settings.cgiLimitLen = 0;
    EXPECT_EQ(Map("http://h/" + kou + "?x"), "http://h/" + kou + kStamp + ".htm");
    int query;
    EXPECT_EQ(Local(url + ".htm", &query), "http$\\h\\" + so + "\\" + hyo + "$3f" + nou + ".htm");
    EXPECT_EQ(query, 1);
    EXPECT_EQ(Name(so + hyo + "$3f"), so + hyo + "?");

    char part[kUrlBufferSize];
    std::string rest = "http://h/" + so + "/" + hyo;
    const char* next = NextUrlComponent(rest.c_str(), true, part, sizeof part, settings);
    ASSERT_TRUE(next);
    EXPECT_STREQ(part, "http:");
    next = NextUrlComponent(next, false, part, sizeof part, settings);
    ASSERT_TRUE(next);
    EXPECT_STREQ(part, "h");
    next = NextUrlComponent(next, false, part, sizeof part, settings);
    ASSERT_TRUE(next);
    EXPECT_EQ(std::string(part), so);
    EXPECT_EQ(NextUrlComponent(next, false, part, sizeof part, settings), nullptr);
    EXPECT_EQ(std::string(part), hyo);

    char out[kUrlBufferSize];
    EXPECT_TRUE(FolderOf(("http://h/a" + so + "b").c_str(), out, sizeof out, settings));
    EXPECT_STREQ(out, "http://h/");
    EXPECT_TRUE(SiteRootOf(("http://" + nou + "/x").c_str(), out, sizeof out, settings));
    EXPECT_EQ(std::string(out), "http://" + nou + "/");
}

TEST_F(Mapping, SplitsMappedUrlsIntoTreeComponents) {
    struct Case {
        const char* url;
        std::vector<std::string> folders;
        const char* leaf;
    } cases[] = {
        {"http://host/a", {"http:", "host"}, "a"},
        {"http://host/dir/index.html", {"http:", "host", "dir"}, "index.html"},
        {"mailto:x", {"mailto:"}, "x"},
        {"http://h//a/b?c/d", {"http:", "h", "a"}, "b?c/d"},
        {"http://h/a/", {"http:", "h", "a"}, ""},
        {"news:", {"news:"}, ""},
        {"plain", {}, "plain"},
        // Only the scheme's ":" ends a component: a port or user info stays in the host.
        {"http://host.test:8080/p.html", {"http:", "host.test:8080"}, "p.html"},
        {"http://u:pw@h:81/a:b/c:", {"http:", "u:pw@h:81", "a:b"}, "c:"},
        {"HTTP://H:8080", {"HTTP:"}, "H:8080"},
        {"http://127.0.0.1:8080/a/b.gif", {"http:", "127.0.0.1:8080", "a"}, "b.gif"},
        {"http://h:80", {"http:"}, "h:80"},
        {"mailto:12x", {"mailto:"}, "12x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        char part[kUrlBufferSize];
        const char* rest = c.url;
        std::vector<std::string> folders;
        while (const char* next = NextUrlComponent(rest, rest == c.url, part, sizeof part, settings)) {
            folders.push_back(part);
            rest = next;
        }
        EXPECT_EQ(folders, c.folders);
        EXPECT_STREQ(part, c.leaf);
    }
}

TEST_F(Mapping, ResolvesLinksAgainstThePage) {
    char root[kUrlBufferSize], folder[kUrlBufferSize], out[kUrlBufferSize];
    EXPECT_TRUE(SiteRootOf("http://h/a/b.html", root, sizeof root, settings));
    EXPECT_STREQ(root, "http://h/");
    EXPECT_TRUE(SiteRootOf("http:\\\\h\\a", root, sizeof root, settings));
    EXPECT_STREQ(root, "http:\\\\h\\");
    EXPECT_TRUE(SiteRootOf("http://h", root, sizeof root, settings));
    EXPECT_STREQ(root, "http://h/");
    EXPECT_FALSE(SiteRootOf("http://h?x/", root, sizeof root, settings));
    EXPECT_STREQ(root, "");
    EXPECT_FALSE(SiteRootOf("a?http://h/", root, sizeof root, settings));
    EXPECT_FALSE(SiteRootOf("mailto:x", root, sizeof root, settings));

    EXPECT_TRUE(FolderOf("http://h/a/b.cgi?x/y", folder, sizeof folder, settings));
    EXPECT_STREQ(folder, "http://h/a/");
    EXPECT_FALSE(FolderOf("page.html", folder, sizeof folder, settings));

    EXPECT_TRUE(IsAbsoluteUrl("http://h/", settings));
    EXPECT_TRUE(IsAbsoluteUrl("file:\\\\c", settings));
    EXPECT_FALSE(IsAbsoluteUrl("x.cgi?u=http://h/", settings));
    EXPECT_FALSE(IsAbsoluteUrl("mailto:a", settings));
    EXPECT_FALSE(IsAbsoluteUrl("c:/x", settings));

    struct Case {
        const char* link;
        const char* expected;
    } cases[] = {
        {"/img/p.gif", "http://h/img/p.gif"},
        {"\\x", "http://h/x"},
        {"http://o/z", "http://o/z"},
        {"c.html", "http://h/a/b/c.html"},
        {"./c.html", "http://h/a/b/c.html"},
        {"././c.html", "http://h/a/b/c.html"},
        {"../c.html", "http://h/a/c.html"},
        {"..\\../c.html", "http://h/c.html"},
        {"./.././c.html", "http://h/a/c.html"},
        {"../../../../c.html", "http://h/c.html"},
        {"sub/../c", "http://h/a/b/sub/../c"},
        {"", "http://h/a/b/"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(ResolveLink(c.link, "http://h/", "http://h/a/b/", out, sizeof out, settings));
        EXPECT_STREQ(out, c.expected) << c.link;
    }
}

TEST_F(Mapping, BuffersAreNeverOverrun) {
    // A mapped URL of reserved bytes only needs three bytes per byte.
    std::string reserved(1023, '|');
    std::vector<char> out(kUrlBufferSize + 16, 'Z');
    UrlToLocalPath(reserved.c_str(), out.data(), kUrlBufferSize, settings);
    size_t n = strlen(out.data());
    EXPECT_LE(n, (size_t)kUrlBufferSize - 1);
    EXPECT_EQ(n % 3, 0u);
    EXPECT_EQ(out[kUrlBufferSize], 'Z');
    EXPECT_EQ(std::string(out.data(), 3), "$7c");

    // A double-byte character is never split by a cut.
    std::string wide = "http://h/";
    for (int i = 0; i < 600; ++i) wide += "\x83\x5c";
    for (size_t size : {1u, 2u, 10u, 11u, 12u, 1024u}) {
        SCOPED_TRACE(size);
        std::vector<char> buf(size + 8, 'Z');
        MapUrlToName(wide.c_str(), nullptr, kEntryTime, FALSE, buf.data(), size, settings);
        size_t len = strlen(buf.data());
        EXPECT_LT(len, size);
        EXPECT_EQ(buf[size], 'Z');
        EXPECT_TRUE(len <= 9 || (len - 9) % 2 == 0);
        UrlToLocalPath(wide.c_str(), buf.data(), size, settings);
        len = strlen(buf.data());
        EXPECT_LT(len, size);
        EXPECT_TRUE(len <= 8 || (len - 8) % 2 == 0) << len;
        LocalNameToUrl(wide.c_str() + 9, buf.data(), size, settings);
        EXPECT_EQ(strlen(buf.data()) % 2, 0u);
        EXPECT_EQ(NextUrlComponent(wide.c_str() + 9, false, buf.data(), size, settings), nullptr);
        EXPECT_EQ(strlen(buf.data()) % 2, 0u);
        ResolveLink(wide.c_str() + 9, "http://h/", "http://h/", buf.data(), size, settings);
        EXPECT_EQ(buf[size], 'Z');
        FolderOf(wide.c_str(), buf.data(), size, settings);
        EXPECT_EQ(buf[size], 'Z');
    }
    // A cut never leaves a last component of dots only.
    char cut[10];
    UrlToLocalPath("http://h/.\"x", cut, sizeof cut, settings);
    EXPECT_STREQ(cut, "http$\\h\\");
    UrlToLocalPath("http://h/..", cut, sizeof cut, settings);
    EXPECT_STREQ(cut, "http$\\h\\");
    // A long query that is cut still gets its stamp and extension.
    std::string longQuery = "http://h/q?" + std::string(5000, 'a');
    EXPECT_EQ(Map(longQuery), std::string("http://h/q") + kStamp + ".htm");
    // A dangling lead byte ends the text.
    EXPECT_EQ(Map("http://h/a\x83"), "http://h/a");
    EXPECT_EQ(Local("http://h/a\x83"), "http$\\h\\a");
    EXPECT_EQ(Local("http://h/..\x83"), "http$\\h\\");
}

// Random URLs without a query: every path component written by
// UrlToLocalPath turns back into the component it came from.
TEST_F(Mapping, LocalNamesRoundTripToComponents) {
    std::mt19937 rng(1234);
    const std::string singles = "abcXYZ09 .=&#+~$%:;\"*,<>|!'()[]{}^`@\x7f\xa1\xdf\x01\x1f";
    auto randomComponent = [&]() {
        std::string c;
        int kind = (int)(rng() % 8);
        if (kind == 0) return std::string(1 + rng() % 3, '.');
        if (kind == 1) {
            static const char* const kDevices[] = {"con", "PRN", "Aux", "nul", "com1", "LPT9"};
            return std::string(kDevices[rng() % 6]) + (rng() % 2 ? ".x" : rng() % 2 ? " " : "");
        }
        int len = 1 + (int)(rng() % 12);
        for (int i = 0; i < len; ++i) {
            if (rng() % 4 == 0) {
                c += (char)(0x81 + rng() % 0x1f);
                int t = (int)(rng() % 3);
                c += t == 0 ? '\x5c' : t == 1 ? (char)(0x40 + rng() % 0x3f) : (char)(0x80 + rng() % 0x7d);
            } else {
                c += singles[rng() % singles.size()];
            }
        }
        return c;
    };
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::string> parts;
        int count = 1 + (int)(rng() % 5);
        for (int i = 0; i < count; ++i) parts.push_back(randomComponent());
        std::string url = "http://";
        for (int i = 0; i < count; ++i) url += (i ? "/" : "") + parts[i];
        SCOPED_TRACE(url);
        std::string mapped = Map(url, nullptr, FALSE);
        ASSERT_EQ(mapped, url);
        int query = -1;
        std::string local = Local(mapped, &query);
        EXPECT_EQ(query, 0);
        ASSERT_EQ(local.compare(0, 6, "http$\\"), 0);
        std::vector<std::string> names;
        std::string name;
        for (size_t i = 6; i < local.size(); ++i) {
            unsigned char b = (unsigned char)local[i];
            if (settings.IsLead(b) && i + 1 < local.size()) {
                name += local.substr(i++, 2);
            } else if (b == '\\') {
                names.push_back(name);
                name.clear();
            } else {
                name += (char)b;
            }
        }
        names.push_back(name);
        ASSERT_EQ(names.size(), parts.size());
        for (size_t i = 0; i < parts.size(); ++i) EXPECT_EQ(Name(names[i]), parts[i]);
        EXPECT_EQ(Name("http$"), "http:");
    }
}

}  // namespace

namespace {

// Names of a local path, split at separators that are not trail bytes.
std::vector<std::string> LocalNames(const std::string& local, const MappingSettings& s) {
    std::vector<std::string> names(1);
    for (size_t i = 0; i < local.size(); ++i) {
        if (s.IsLead((BYTE)local[i]) && i + 1 < local.size()) {
            names.back() += local.substr(i++, 2);
        } else if (local[i] == '\\') {
            names.emplace_back();
        } else {
            names.back() += local[i];
        }
    }
    return names;
}

// Width as file systems count it: ASCII one, any other character three.
size_t Width(const std::string& name, const MappingSettings& s) {
    size_t width = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        BYTE b = (BYTE)name[i];
        width += b < 0x80 ? 1 : 3;
        if (s.IsLead(b) && i + 1 < name.size()) ++i;
    }
    return width;
}

}  // namespace

TEST_F(Mapping, WideNamesBecomeFolderChainsThatReadBack) {
    const std::string sjis = "\x83\x5C";  // one character, trail byte "\"
    struct Case {
        std::string name;
        size_t pieces;
    };
    std::vector<Case> cases = {
        {std::string(254, 'a'), 1},
        {std::string(255, 'b'), 1},
        {std::string(256, 'c'), 2},
        {std::string(400, 'd'), 2},
        {std::string(401, 'e') + ".html", 3},
    };
    std::string wide;
    while (wide.size() < 254) wide += sjis;
    cases.push_back({wide, 2});                    // 254 bytes, 127 characters
    cases.push_back({wide + "f", 2});              // 255 bytes
    cases.push_back({wide + sjis, 2});             // 256 bytes
    cases.push_back({wide + wide.substr(0, 146), 4});  // 400 bytes, 200 characters of width 3
    cases.push_back({std::string(84, 'g') + sjis, 1});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.size());
        std::string local = Local("http://h/" + c.name + "/x.gif");
        std::vector<std::string> names = LocalNames(local, settings);
        ASSERT_EQ(c.pieces + 3, names.size()) << local;
        std::string joined;
        for (size_t n = 2; n < names.size() - 1; ++n) {
            EXPECT_LE(Width(names[n], settings), 255u) << names[n];
            bool last = n == names.size() - 2;
            EXPECT_EQ(!last, names[n].size() > 2 && names[n].compare(names[n].size() - 2, 2, kContinued) == 0);
            joined += Name(names[n]);
        }
        EXPECT_EQ(c.name, joined);
        EXPECT_EQ("x.gif", names.back());
        // The whole path, as the report pages walk it, reads back at once.
        std::string path = names[0];
        for (size_t n = 1; n < names.size(); ++n) path += "/" + names[n];
        EXPECT_EQ("http://h/" + c.name + "/x.gif", LocalPathToUrl(path, settings));
    }

    // A piece that Windows would open as a device keeps its name.
    std::string device = std::string(200, 'x') + "aux.html" + std::string(60, 'y');
    std::vector<std::string> names = LocalNames(Local("http://h/" + device), settings);
    ASSERT_EQ(4u, names.size());
    EXPECT_EQ(0, names[3].compare(0, 5, "$61ux")) << names[3];
    EXPECT_EQ(device, Name(names[2]) + Name(names[3]));

    // No room left for the pieces in the buffer: the path stays terminated
    // and within it.
    char small[300];
    memset(small, 'X', sizeof small);
    std::string url = "http://h/" + std::string(290, 'z');
    UrlToLocalPath(url.c_str(), small, 296, settings);
    EXPECT_LT(strlen(small), 296u);
    EXPECT_EQ('X', small[297]);
}

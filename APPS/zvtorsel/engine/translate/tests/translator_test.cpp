#include <gtest/gtest.h>

#include <ctype.h>
#include <string.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "translate/html_translator.h"
#include "base/memoryfiles.h"
#include "mapping/url_mapping.h"

namespace {

class RecordingMessages : public IMessageRoutine {
public:
    int ShowResourceMessage(UINT id, const char* arg) override {
        shown.push_back(std::to_string(id) + ":" + arg);
        return 1;
    }
    std::vector<std::string> shown;
};

class Translator : public ::testing::Test {
protected:
    Translator() : translator(files, &messages, settings) {}

    void SetUp() override {
        ASSERT_TRUE(translator.AllocBuffers(kBuffersAll));
        ASSERT_TRUE(translator.OpenLinkScanners(TRUE));
    }

    // The translated block of page, from the page of http://h/a/b.html
    // (written to pagePath when given).
    std::string Run(const std::string& page, BOOL links = TRUE, const char* root = "http://h/",
                    const char* pagePath = nullptr) {
        files.Content("page") = page;
        if (!translator.LoadHtml("page", TRUE)) return "<load failed>";
        translator.Translate("C:\\Web\\", root, links, pagePath);
        if (translator.LastTranslateFailed()) return "<translate failed>";
        return std::string(translator.Output(), translator.TranslatedLength());
    }

    CMemoryFiles files;
    RecordingMessages messages;
    MappingSettings settings;
    CHtmlTranslator translator;
};

TEST_F(Translator, RewritesTheExampleLinks) {
    struct Case {
        const char* tag;
        const char* translated;
    } cases[] = {
        {"<A HREF=\"http://h/c/d.html#x\">", "<A HREF=\"file://C:\\Web\\http$\\h\\c\\d.html#x\">"},
        {"<IMG SRC=\"/img/p.gif\">", "<IMG SRC=\"file://C:\\Web\\http$\\h\\img\\p.gif\">"},
        {"<A HREF=\"sub/\">", "<A HREF=\"sub\\index.html\">"},
        {"<A HREF=\"find.cgi?k=1&amp;n=2\">", "<A HREF=\"find.cgi$3fk=1&n=2.html\">"},
        {"<A HREF=\"mailto:someone\">", "<A HREF=\"mailto:someone\">"},
        {"<IMG SRC=\"http://h/x.gif\" LOWSRC=\"http://h/y.gif\">",
         "<IMG SRC=\"http://h/x.gif\" LOWSRC=\"file://C:\\Web\\http$\\h\\y.gif\">"},
        {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=EUC-JP\">",
         "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=SHIFT_JIS\">"},
        // Only the first entry of the table that occurs is rewritten; an
        // EMBED's source is a place of its own besides.
        {"<EMBED SRC=\"http://h/m.mid\" PLUGINSPAGE=\"http://p/get\">",
         "<EMBED SRC=\"file://C:\\Web\\http$\\h\\m.mid\" PLUGINSPAGE=\"file://C:\\Web\\http$\\p\\get\">"},
        // USEMAP is no MAP attribute.
        {"<IMG USEMAP=\"#m\" SRC=\"a.gif\">", "<IMG USEMAP=\"#m\" SRC=\"a.gif\">"},
        {"<IMG USEMAP=\"x.map\" SRC=\"q?1\">", "<IMG USEMAP=\"x.map\" SRC=\"q$3f1.gif\">"},
        {"<img\nmap = 'http://h/m'>", "<img\r\nmap = 'file://C:\\Web\\http$\\h\\m'>"},
        {"<form action=x.cgi?a=1#top>", "<form action=x.cgi$3fa=1.html#top>"},
        {"<a href=\"javascript:go()\">", "<a href=\"javascript:go()\">"},
        {"<a href=\"c:\\x.htm\">", "<a href=\"c$3a\\x.htm\">"},
        {"<a href=\"/\">", "<a href=\"file://C:\\Web\\http$\\h\\index.html\">"},
        {"<a href=\"%41 b\">", "<a href=\"$2541 b\">"},
        {"<a name=x>", "<a name=x>"},
        {"<a href=\"x\"", "<a href=\"x\""},
        {"1 < 2 <!-- c --> <3", "1 < 2 <!-- c --> <3"},
        {"<BR>", "<BR>"},
        {"a\nb\n", "a\r\nb\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.tag), c.translated) << c.tag;
    }
}

TEST_F(Translator, ReportsWhetherThePageChanged) {
    EXPECT_EQ(Run("<p>same</p>"), "<p>same</p>");
    EXPECT_FALSE(translator.Translate("C:\\Web\\", "http://h/", TRUE));
    EXPECT_FALSE(translator.LastTranslateFailed());
    // A page whose only change is its line ends has changed.
    Run("a\nb");
    EXPECT_TRUE(translator.Translate("C:\\Web\\", "http://h/", TRUE));
    EXPECT_EQ(translator.TranslatedLength(), 4);
    EXPECT_EQ(std::string(translator.Output()), "a\r\nb");
}

TEST_F(Translator, HonoursTheFileProtocolAndAnEmptySiteRoot) {
    EXPECT_EQ(Run("<a href=\"/x/y.html\">", TRUE, ""), "<a href=\"x\\y.html\">");
    settings.fileProtocolType = 3;
    EXPECT_EQ(Run("<a href=\"http://h/\">"), "<a href=\"file:///C:\\Web\\http$\\h\\index.html\">");
    // Links are mapped by UrlToLocalPath alone: no cut, no percent decoding.
    settings.cgiLimitLen = 1;
    settings.fileProtocolType = 2;
    EXPECT_EQ(Run("<a href=\"q.cgi?" + std::string(80, 'k') + "\">"),
              "<a href=\"q.cgi$3f" + std::string(80, 'k') + ".html\">");
    // Dot-only components are escaped here too.
    EXPECT_EQ(Run("<a href=\"http://h/../../x\">"), "<a href=\"file://C:\\Web\\http$\\h\\$2e$2e\\$2e$2e\\x\">");
    // A relative link keeps its leading steps up and across folders, so it
    // still resolves offline; dots later in the path are names again.
    EXPECT_EQ(Run("<a href=\"../up/x.html\">"), "<a href=\"..\\up\\x.html\">");
    EXPECT_EQ(Run("<img src=\"./../../p.gif\">"), "<img src=\".\\..\\..\\p.gif\">");
    EXPECT_EQ(Run("<a href=\"a/../b.html\">"), "<a href=\"a\\$2e$2e\\b.html\">");
    EXPECT_EQ(Run("<a href=\"..\">"), "<a href=\"$2e$2e\">");
}

TEST_F(Translator, RelativeLinksLeadFromThePageItself) {
    settings.fileProtocolType = 1;
    const char* page = "C:\\Web\\http$\\h\\a\\b.html";
    const std::string so = "\x83\x5c";
    struct Case {
        std::string tag, translated;
    } cases[] = {
        {"<A HREF=\"http://h/c/d.html#x\">", "<A HREF=\"../c/d.html#x\">"},
        {"<IMG SRC=\"/img/p.gif\">", "<IMG SRC=\"../img/p.gif\">"},
        {"<A HREF=\"sub/\">", "<A HREF=\"sub/index.html\">"},
        {"<A HREF=\"find.cgi?k=1&amp;n=2\">", "<A HREF=\"find.cgi$3fk=1%26n=2.html\">"},
        {"<IMG SRC=\"q?1\">", "<IMG SRC=\"q$3f1.gif\">"},
        {"<A HREF=\"mailto:someone\">", "<A HREF=\"mailto:someone\">"},
        {"<a href=\"http://g:8080/x y.html\">", "<a href=\"../../g$3a8080/x%20y.html\">"},
        {"<a href=\"ftp://f/r.txt\">", "<a href=\"../../../ftp$/f/r.txt\">"},
        {"<a href=\"../../../../up.html\">", "<a href=\"../up.html\">"},
        {"<a href=\"./a/../b.html\">", "<a href=\"a/$2e$2e/b.html\">"},
        {"<a href=\"%41\">", "<a href=\"$2541\">"},
        {"<a href=\"/\">", "<a href=\"../index.html\">"},
        {"<a href=\"\">", "<a href=\"\">"},
        {"<a href=\"#top\">", "<a href=\"#top\">"},
        {"<a href='http://h/a/" + so + "/'>", "<a href='" + so + "/index.html'>"},
        {"<a href=\"it's\">", "<a href=\"it%27s\">"},
    };
    for (const Case& c : cases) EXPECT_EQ(Run(c.tag, TRUE, "http://h/", page), c.translated) << c.tag;
    // Without the page's place, or for a page outside the rebuild folder,
    // links are file URLs.
    EXPECT_EQ(Run("<a href=\"http://h/x.html\">"), "<a href=\"file://C:\\Web\\http$\\h\\x.html\">");
    EXPECT_EQ(Run("<a href=\"http://h/x.html\">", TRUE, "http://h/", "D:\\p.html"),
              "<a href=\"file://C:\\Web\\http$\\h\\x.html\">");
}

TEST_F(Translator, RelativePageRestoresExactlyAndTranslatesAgainInAnotherForm) {
    const std::string page = "<html>\n<a href=\"http://h/x.html\">x</a><img src=\"/i.gif\">\n</html>\n";
    const FILETIME when = {5, 6};
    const char* path = "C:\\Web\\http$\\h\\a\\b.html";
    files.Content(path) = page;
    settings.fileProtocolType = 1;
    ASSERT_TRUE(translator.LoadHtml(path, TRUE));
    ASSERT_TRUE(translator.Translate("C:\\Web\\", "http://h/", TRUE, path));
    ASSERT_TRUE(translator.WriteTranslated(path, when, TRUE, TRUE));
    EXPECT_NE(files.Content(path).find("<a href=\"../x.html\">"), std::string::npos);
    EXPECT_NE(files.Content(path).find("<img src=\"../i.gif\">"), std::string::npos);

    settings.fileProtocolType = 3;
    ASSERT_TRUE(translator.LoadHtml(path, TRUE));
    EXPECT_EQ(std::string(translator.Content(), translator.SourceLength()), page);
    ASSERT_TRUE(translator.Translate("C:\\Web\\", "http://h/", TRUE, path));
    ASSERT_TRUE(translator.WriteTranslated(path, when, TRUE, FALSE));
    EXPECT_NE(files.Content(path).find("<a href=\"file:///C:\\Web\\http$\\h\\x.html\">"), std::string::npos);
    EXPECT_EQ(files.Content(path).find("../x.html"), std::string::npos);

    settings.fileProtocolType = 1;
    ASSERT_TRUE(translator.LoadHtml(path, TRUE));
    ASSERT_TRUE(translator.Translate("C:\\Web\\", "http://h/", TRUE, path));
    ASSERT_TRUE(translator.WriteTranslated(path, when, TRUE, TRUE));
    ASSERT_TRUE(translator.LoadHtml(path, FALSE));
    ASSERT_TRUE(translator.WriteOriginal(path, when));
    EXPECT_EQ(files.Content(path), page);
}

TEST_F(Translator, KeepsDoubleByteTextWhole) {
    const std::string so = "\x83\x5c";
    EXPECT_EQ(Run("<a href=\"" + so + "/\">" + so + "</a>"),
              "<a href=\"" + so + "\\index.html\">" + so + "</a>");
    EXPECT_EQ(Run("<a href=\"" + so + "\">"), "<a href=\"" + so + "\">");
}

TEST_F(Translator, CodeConversionAloneKeepsTheCharsetDeclaration) {
    const std::string meta = "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=EUC-JP\">";
    const std::string page = "\xa4\xa2" + meta + "\n<a href=\"http://h/\">\r\n";
    EXPECT_EQ(Run(page, FALSE), "\x82\xa0" + meta + "\r\n<a href=\"http://h/\">\r\n");
    EXPECT_TRUE(translator.Translate("C:\\Web\\", "", FALSE));
}

TEST_F(Translator, NeverWritesBeyondTheOutputBound) {
    // Each short link grows by the rebuild folder: far beyond 2C for a long folder.
    std::string page;
    while (page.size() < 60000) page += "<a href=\"http://h/\">";
    files.Content("page") = page;
    ASSERT_TRUE(translator.LoadHtml("page", TRUE));
    std::string folder = "C:\\" + std::string(1000, 'f') + "\\";
    EXPECT_FALSE(translator.Translate(folder.c_str(), "http://h/", TRUE));
    EXPECT_TRUE(translator.LastTranslateFailed());
    // The same page with a short folder fits.
    EXPECT_TRUE(translator.Translate("C:\\W\\", "http://h/", TRUE));
    EXPECT_FALSE(translator.LastTranslateFailed());
    // A link text longer than the work buffer is cut, never overrun.
    std::string longLink = "<a href=\"http://h/" + std::string(3000, '|') + "\">";
    std::string out = Run(longLink);
    EXPECT_EQ(out.substr(0, 9), "<a href=\"");
    EXPECT_EQ(out.substr(out.size() - 2), "\">");
    // The name is too wide for file systems: it is cut every 200 bytes.
    EXPECT_LT(out.size(), 9 + 16 + 8 + 3 * 1024 + 3 * (3 * 1024 / 200 + 1) + 2u);
}

TEST_F(Translator, NeedsItsBuffersAndScanners) {
    CHtmlTranslator bare(files, &messages, settings);
    files.Content("page") = "<a href=x>";
    EXPECT_FALSE(bare.LoadHtml("page", FALSE));
    ASSERT_TRUE(bare.AllocBuffers(kBuffersFile));
    EXPECT_FALSE(bare.LoadHtml("page", TRUE));
    ASSERT_TRUE(bare.LoadHtml("page", FALSE));
    EXPECT_FALSE(bare.Translate("C:\\", "", FALSE));
    EXPECT_FALSE(bare.WriteTranslated("out", FILETIME{1, 1}, TRUE, TRUE));
    ASSERT_TRUE(bare.AllocBuffers(kBuffersAll));
    ASSERT_TRUE(bare.LoadHtml("page", TRUE));
    EXPECT_FALSE(bare.Translate("C:\\", "", TRUE));  // no scanners
    EXPECT_FALSE(bare.Translate("C:\\", "", FALSE));
    EXPECT_FALSE(bare.LastTranslateFailed());
    ASSERT_TRUE(bare.OpenLinkScanners(FALSE));
    EXPECT_FALSE(bare.Translate("C:\\", "", TRUE));  // scanners of link analysis
    bare.Release();
    EXPECT_EQ(bare.Capacity(), 0u);
    EXPECT_FALSE(bare.LoadHtml("page", FALSE));
}

TEST_F(Translator, LoadReportsUnreadableFilesAndGrowsItsBuffers) {
    EXPECT_FALSE(translator.LoadHtml("C:\\missing.htm", TRUE));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], "44:C:\\missing.htm");
    long a, b, c;
    EXPECT_FALSE(translator.ReadTranslationHeader("C:\\gone.htm", &a, &b, &c));
    EXPECT_EQ(messages.shown.back(), "44:C:\\gone.htm");

    files.Content("empty") = "";
    EXPECT_FALSE(translator.LoadHtml("empty", FALSE));
    files.Content("binary") = std::string("ab\x07", 3);
    EXPECT_FALSE(translator.LoadHtml("binary", TRUE));
    EXPECT_TRUE(translator.LoadHtml("binary", FALSE));

    EXPECT_EQ(translator.Capacity(), 65536u);
    files.Content("big") = std::string(65536 - 256, 'x');
    files.readChunk = 4096;
    ASSERT_TRUE(translator.LoadHtml("big", TRUE));
    EXPECT_EQ(translator.Capacity(), 65536u);
    files.Content("big") += "y";
    ASSERT_TRUE(translator.LoadHtml("big", TRUE));
    EXPECT_EQ(translator.Capacity(), 131072u);
    EXPECT_EQ(translator.SourceLength(), 65536 - 255);
    EXPECT_EQ(translator.ConvertedLength(), 65536 - 255);
    EXPECT_EQ(translator.Content()[65536 - 256], 'y');
    files.Content("big") = std::string(300000, 'z');
    ASSERT_TRUE(translator.LoadHtml("big", TRUE));
    EXPECT_EQ(translator.Capacity(), 524288u);
    EXPECT_FALSE(translator.Translate("C:\\", "", TRUE));
    EXPECT_FALSE(translator.LastTranslateFailed());
    EXPECT_EQ(translator.TranslatedLength(), 300000);
}

TEST_F(Translator, TranslatesAgainFromTheOriginalWithoutStacking) {
    const std::string page = "<html>\n<a href=\"http://h/x.html\">x</a>\n</html>\n";
    const FILETIME when = {5, 6};
    files.Content("p") = page;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(translator.LoadHtml("p", TRUE));
        EXPECT_EQ(translator.SourceLength(), (long)page.size());
        EXPECT_EQ(std::string(translator.Content(), translator.SourceLength()), page);
        ASSERT_TRUE(translator.Translate("C:\\Web\\", "http://h/", TRUE));
        ASSERT_TRUE(translator.WriteTranslated("p", when, TRUE, round != 1));
        const std::string& file = files.Content("p");
        EXPECT_EQ(file.size() % 512, 0u);
        EXPECT_EQ(file.substr(240, 7), "<html>\r");
        EXPECT_NE(file.find("file://C:\\Web\\http$\\h\\x.html"), std::string::npos);
        EXPECT_EQ(file.find("zvtorsel : ORG SIZE", 240), std::string::npos);
    }
    // Restore after all that gives the page back exactly.
    ASSERT_TRUE(translator.LoadHtml("p", FALSE));
    ASSERT_TRUE(translator.WriteOriginal("p", when));
    EXPECT_EQ(files.Content("p"), page);

    // Without the original, ORG SIZE still holds the page length.
    ASSERT_TRUE(translator.LoadHtml("p", TRUE));
    ASSERT_TRUE(translator.Translate("C:\\Web\\", "http://h/", TRUE));
    ASSERT_TRUE(translator.WriteTranslated("q", when, FALSE, TRUE));
    long org, xlat, orgBlk;
    ASSERT_TRUE(translator.ReadTranslationHeader("q", &org, &xlat, &orgBlk));
    EXPECT_EQ(org, (long)page.size());
    EXPECT_EQ(xlat, translator.TranslatedLength());
    EXPECT_EQ(orgBlk, 0);
}

TEST_F(Translator, DamagedEnvelopeCountsAsPlainHtml) {
    files.Content("p") = "<a href=\"http://h/\">";
    ASSERT_TRUE(translator.LoadHtml("p", TRUE));
    ASSERT_TRUE(translator.Translate("C:\\Web\\", "http://h/", TRUE));
    ASSERT_TRUE(translator.WriteTranslated("p", FILETIME{1, 1}, TRUE, TRUE));
    std::string damaged = files.Content("p");
    damaged[130] = 'x';
    files.Content("p") = damaged;
    ASSERT_TRUE(translator.LoadHtml("p", FALSE));
    EXPECT_FALSE(translator.HasOriginal());
    EXPECT_EQ(std::string(translator.Content(), translator.SourceLength()), damaged);
    // A cut envelope with readable fields is no page to translate.
    files.Content("p") = damaged.substr(0, 100) + std::string("0000000000") + damaged.substr(110, 300);
    files.Content("p").replace(125, 10, "0000009999");
    EXPECT_FALSE(translator.LoadHtml("p", FALSE));
}

TEST_F(Translator, FailedWriteLeavesTheFile) {
    files.Content("p") = "<a href=\"http://h/\">";
    ASSERT_TRUE(translator.LoadHtml("p", TRUE));
    ASSERT_TRUE(translator.Translate("C:\\Web\\", "http://h/", TRUE));
    files.failWrites = true;
    EXPECT_FALSE(translator.WriteTranslated("p", FILETIME{1, 1}, TRUE, TRUE));
    EXPECT_EQ(files.Content("p"), "<a href=\"http://h/\">");
}

class Links : public ::testing::Test {
protected:
    Links() : translator(files, nullptr, settings) {}
    void SetUp() override {
        ASSERT_TRUE(translator.AllocBuffers(kBuffersFileConverted));
        ASSERT_TRUE(translator.OpenLinkScanners(FALSE));
    }
    std::vector<std::string> All(const std::string& page) {
        files.Content("page") = page;
        std::vector<std::string> links;
        if (!translator.LoadHtml("page", TRUE)) return links;
        char link[1024];
        while (int r = translator.NextLink(link, sizeof link)) links.push_back(std::to_string(r) + link);
        EXPECT_EQ(translator.NextLink(link, sizeof link), 0);
        return links;
    }
    CMemoryFiles files;
    MappingSettings settings;
    CHtmlTranslator translator;
};

TEST_F(Links, ListsTheLinksOfAPage) {
    using V = std::vector<std::string>;
    EXPECT_EQ(All("<BASE HREF=\"http://b/\"><a href=\"x.html#f\">x</a><img src=p.gif>"),
              (V{"2http://b/", "1x.html", "1p.gif"}));
    EXPECT_EQ(All("<a href=\"mailto:m\"><a href='q?a=1&amp;b=&lt;'><p>"), (V{"1q?a=1&b=<"}));
    EXPECT_EQ(All("<a\nhref=\"line\nbreak\">"), (V{"1line\nbreak"}));
    EXPECT_EQ(All("<a name=x><a href=\"un>closed"), V{});
    EXPECT_EQ(All("<img lowsrc=l.gif src=s.gif><basefont size=3 src=f>"), (V{"1l.gif", "1f"}));
    EXPECT_EQ(All("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x\">"), V{});
    EXPECT_EQ(All("no tags at all"), V{});
}

TEST_F(Links, BoundsTheDestination) {
    files.Content("page") = "<a href=\"abcdefgh\">";
    ASSERT_TRUE(translator.LoadHtml("page", TRUE));
    char small[5] = {'Z', 'Z', 'Z', 'Z', 'Z'};
    EXPECT_EQ(translator.NextLink(small, 4), 1);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(small[4], 'Z');
    CHtmlTranslator unloaded(files, nullptr, settings);
    EXPECT_EQ(unloaded.NextLink(small, 4), 0);
}

TEST(Entities, DecodeAndEscapeWithinTheirBuffers) {
    char out[64];
    EXPECT_EQ(CHtmlTranslator::UnescapeEntities(out, "a&amp;b&quot;&gt;&lt;&AMP;&amp&nbsp;", 64), out + 21);
    EXPECT_STREQ(out, "a&b\"><&AMP;&amp&nbsp;");
    char tiny[4] = {'Z', 'Z', 'Z', 'Z'};
    EXPECT_EQ(CHtmlTranslator::UnescapeEntities(tiny, "&amp;&amp;&amp;&amp;", 3), tiny + 2);
    EXPECT_STREQ(tiny, "&&");
    EXPECT_EQ(tiny[3], 'Z');

    const BYTE* lead = MappingSettings().leadTable;
    char* end = CHtmlTranslator::EscapeHtml(out, "a&\"<>\x83\x5c", 64, lead);
    EXPECT_STREQ(out, "a&amp;&quot;&lt;&gt;\x83\x5c");
    EXPECT_EQ(end, out + strlen(out));
    // Never half an entity or a character; a lead byte at the end is copied.
    char buf[8];
    memset(buf, 'Z', sizeof buf);
    CHtmlTranslator::EscapeHtml(buf, "ab&", 5, lead);
    EXPECT_STREQ(buf, "ab");
    EXPECT_EQ(buf[5], 'Z');
    CHtmlTranslator::EscapeHtml(buf, "a\x83\x5c", 3, lead);
    EXPECT_STREQ(buf, "a");
    CHtmlTranslator::EscapeHtml(buf, "a\x83", 8, lead);
    EXPECT_STREQ(buf, "a\x83");
}

// The file a browser opens for a relative link written into the page at
// pagePath (below the rebuild folder): the link's segments joined to the
// page's folder, "." and ".." stepped, "%XX" decoded.
std::string BrowserTarget(const std::string& pagePath, const std::string& link) {
    std::vector<std::string> parts;
    std::string seg;
    for (char c : pagePath) {
        if (c == '\\') {
            parts.push_back(seg);
            seg.clear();
        } else {
            seg += c;
        }
    }
    std::string path = link.substr(0, link.find('#'));
    seg.clear();
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') {
            seg += path[i];
            continue;
        }
        if (seg == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (seg != "." && i < path.size()) {
            parts.push_back(seg);
        } else if (i == path.size()) {
            parts.push_back(seg);
        }
        seg.clear();
    }
    std::string joined;
    for (const std::string& p : parts) joined += (joined.empty() ? "" : "\\") + p;
    std::string decoded;
    for (size_t i = 0; i < joined.size(); ++i) {
        if (joined[i] == '%' && i + 2 < joined.size() + 0 && isxdigit((unsigned char)joined[i + 1]) &&
            isxdigit((unsigned char)joined[i + 2])) {
            decoded += (char)std::stoi(joined.substr(i + 1, 2), nullptr, 16);
            i += 2;
        } else {
            decoded += joined[i];
        }
    }
    return decoded;
}

// The value of the first attribute of a translated tag.
std::string FirstValue(const std::string& tag) {
    size_t q = tag.find('"');
    return tag.substr(q + 1, tag.find('"', q + 1) - q - 1);
}

class KnownQueries : public ILinkTargets {
public:
    bool QueryExtension(const char* url, char* ext, size_t size) override {
        asked.push_back(url);
        auto it = names.find(url);
        if (it == names.end() || it->second.size() >= size) return false;
        strcpy(ext, it->second.c_str());
        return true;
    }
    bool Holds(const char* url) override { return held.count(url) != 0; }
    std::map<std::string, std::string> names;
    std::set<std::string> held;
    std::vector<std::string> asked;
};

TEST_F(Translator, RelativeLinksOpenExactlyTheMappedFile) {
    settings.fileProtocolType = 1;
    KnownQueries queries;
    queries.names["http://rel.test/sub/deep/search.cgi?q=1"] = ".htm";
    queries.names["http://rel.test/find.cgi?cat=nabe&sort=new"] = ".htm";
    queries.names["http://rel.test/sub/pic.cgi?n=2"] = ".png";
    const std::string page = "http$\\rel.test\\sub\\deep\\index.html";
    translator.SetLinkTargets(&queries, "http://rel.test/sub/deep/index.html");
    struct Case {
        const char* link;
        const char* url;  // what the browser would have fetched
        const char* tag;
    } cases[] = {
        {"http://rel.test/sub/deep/a%20b.html", "http://rel.test/sub/deep/a%20b.html", "a"},
        {"a%20b.html#x", "http://rel.test/sub/deep/a%20b.html", "a"},
        {"/sub/deep/a%20b.html", "http://rel.test/sub/deep/a%20b.html", "a"},
        {"../x%25y/100%.html", "http://rel.test/sub/x%25y/100%.html", "a"},
        {"search.cgi?q=1", "http://rel.test/sub/deep/search.cgi?q=1.htm", "a"},
        {"/find.cgi?cat=nabe&amp;sort=new", "http://rel.test/find.cgi?cat=nabe&sort=new.htm", "a"},
        {"../pic.cgi?n=2", "http://rel.test/sub/pic.cgi?n=2.png", "img"},
        {"unknown.cgi?z", "http://rel.test/sub/deep/unknown.cgi?z.html", "a"},
        {"unknown.cgi?p", "http://rel.test/sub/deep/unknown.cgi?p.gif", "img"},
    };
    for (const Case& c : cases) {
        std::string tag = std::string("<") + c.tag + (c.tag[0] == 'a' ? " href=\"" : " src=\"") + c.link + "\">";
        std::string out = Run(tag, TRUE, "http://rel.test/", ("C:\\Web\\" + page).c_str());
        char local[kUrlBufferSize];
        UrlToLocalPath(c.url, local, sizeof local, settings);
        EXPECT_EQ(local, BrowserTarget(page, FirstValue(out))) << c.link << " -> " << out;
    }
    EXPECT_EQ("http://rel.test/sub/deep/search.cgi?q=1", queries.asked.at(0));
    translator.SetLinkTargets(nullptr, nullptr);
    EXPECT_EQ("<a href=\"search.cgi$3fq=1.html\">", Run("<a href=\"search.cgi?q=1\">", TRUE, "http://rel.test/",
                                                       ("C:\\Web\\" + page).c_str()));
}

}  // namespace

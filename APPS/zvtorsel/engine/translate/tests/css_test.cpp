#include <gtest/gtest.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "translate/css_envelope.h"
#include "translate/css_scanner.h"
#include "translate/html_translator.h"
#include "base/memoryfiles.h"
#include "zvjcode.h"

namespace {

class Urls : public ICssReferenceSink {
public:
    void Reference(const CssReference& r) override {
        urls.push_back(r.url);
        spans.push_back({r.start, r.end});
    }
    std::vector<std::string> urls;
    std::vector<std::pair<size_t, size_t>> spans;
};

std::vector<std::string> Scan(const std::string& css, int code = ZVJCODE_SJIS) {
    Urls u;
    ScanCssReferences(css.data(), css.size(), code, MappingSettings().leadTable, u);
    return u.urls;
}

using List = std::vector<std::string>;

TEST(CssScanner, FindsEveryReferenceFormAndNothingElse) {
    EXPECT_EQ(List({"a.gif", "b c.png", "d.gif", "e).gif", "f;g.gif"}),
              Scan("x{background:url(a.gif)} y{b:URL( 'b c.png' )} z{c:url(\"d.gif\")}"
                   "w{d:url('e).gif')} v{e:url(\"f;g.gif\")}"));
    EXPECT_EQ(List({"i.css", "j.css", "k.css"}),
              Scan("@import \"i.css\";\n@import url(j.css) screen;\n@IMPORT 'k.css';"));
    // Comments and strings are no references; names that end in "url" are no function.
    EXPECT_EQ(List({"real.gif"}), Scan("/* url(x.gif) */ a{content:\"url(y.gif)\"} b{background-url(z.gif);"
                                       "c:myurl(w.gif); d:url(real.gif)}"));
    // Escapes are decoded; a value may span lines around its string.
    EXPECT_EQ(List({"a b.gif", "(c).gif", "d.gif", "long name.gif"}),
              Scan("a{b:url(a\\20 b.gif)} c{d:url(\\(c\\).gif)} e{f:url(\n  \"d.gif\"\n)} "
                   "g{h:url('long \\\nname.gif')}"));
    // Nested rules change nothing.
    EXPECT_EQ(List({"m.gif"}), Scan("@media screen{@supports (x:y){a{b:url(m.gif)}}}"));
    // Bad values are passed over: a quote inside a bare value, a blank
    // inside it, an open end.
    EXPECT_EQ(List({"ok.gif"}), Scan("a{b:url(x\"y)} c{d:url(p q)} g{h:url(ok.gif)} i{j:url(open"));
    EXPECT_EQ(List(), Scan("a{b:url(\"unterminated\n.gif\")}"));
    EXPECT_EQ(List(), Scan("@import"));
    EXPECT_EQ(List(), Scan(std::string("a{b:url('x\0y.gif')} @import \"i\0.css\";", 37)));
}

TEST(CssScanner, WalksDoubleByteNamesWhole) {
    const std::string so = "\x83\x5c", hyo = "\x95\x5c";
    // The 0x5C trail bytes are no escapes, in strings and bare values alike.
    EXPECT_EQ(List({so + ".gif", hyo + "/" + so + ".png", "x.gif"}),
              Scan("a{b:url(" + so + ".gif)} c{d:url(\"" + hyo + "/" + so + ".png\")} e{f:url(x.gif)}"));
    // A trail byte that looks like "u" does not start a function.
    EXPECT_EQ(List(), Scan("a{content:'\x83url(x)'}"));
    EXPECT_EQ(List(), Scan("\x83url(x.gif)"));
    // EUC-JP and UTF-8 bytes are never syntax; JIS runs are stepped over.
    EXPECT_EQ(List({"\xa5\xbd.gif"}), Scan("a{b:url(\xa5\xbd.gif)}", ZVJCODE_EUC));
    EXPECT_EQ(List({"y.gif"}), Scan("a{content:\"\x1b$B%=\"url(x)\x1b(B\"} b{c:url(y.gif)}", ZVJCODE_JIS));
}

TEST(CssScanner, EscapedCharactersBeyondAsciiBecomeWhatABrowserRequests) {
    // One to four UTF-8 bytes; the blank after a code belongs to the escape,
    // six digits end it without one.
    EXPECT_EQ(List({"%C3%A9.gif", "%E6%97%A5%E6%9C%AC.gif", "%F0%9F%98%80.png", "%E3%81%820.gif"}),
              Scan("a{b:url(\\e9 .gif)} c{d:url('\\65E5 \\672c.gif')} e{f:url(\\1F600.png)} "
                   "g{h:url(\\0030420.gif)}"));
    // Zero, a surrogate and a code past Unicode are U+FFFD, as for the tokenizer.
    EXPECT_EQ(List({"%EF%BF%BDa", "%EF%BF%BDb", "%EF%BF%BDc"}),
              Scan("a{b:url(\\0 a)} c{d:url(\\D800 b)} e{f:url(\\110000 c)}"));
    // In every code of the sheet alike, beside bytes written as they are.
    const std::string so = "\x83\x5c";
    EXPECT_EQ(List({so + "%E3%82%BD.gif"}), Scan("a{b:url(" + so + "\\30BD.gif)}"));
    EXPECT_EQ(List({"%E3%82%BD.gif"}), Scan("a{b:url(\\30BD.gif)}", ZVJCODE_EUC));
    EXPECT_EQ(List({"%E3%82%BD.gif"}), Scan("a{b:url(\\30BD.gif)}", ZVJCODE_JIS));
    // A URL grown past its buffer by its escapes is passed over, the next one is found.
    std::string longName;
    for (int i = 0; i < kCssUrlSize / 9 + 1; ++i) longName += "\\65E5 ";
    EXPECT_EQ(List({"next.gif"}), Scan("a{b:url(" + longName + ")} c{d:url(next.gif)}"));
}

TEST(CssScanner, ReadsOnlyItsBytes) {
    const std::string css = "a{b:url(x.gif)}";
    for (size_t n = 0; n <= css.size(); ++n) {
        std::vector<char> exact(css.begin(), css.begin() + n);
        Urls u;
        ScanCssReferences(exact.data(), exact.size(), ZVJCODE_SJIS, MappingSettings().leadTable, u);
        EXPECT_EQ(n >= css.size() - 1 ? 1u : 0u, u.urls.size()) << n;
    }
}

class Targets : public ILinkTargets {
public:
    bool QueryExtension(const char*, char*, size_t) override { return false; }
    bool Holds(const char* url) override { return held.count(url) != 0; }
    std::set<std::string> held;
};

class StyleSheets : public ::testing::Test {
protected:
    StyleSheets() : translator(files, nullptr, settings) {}
    void SetUp() override { ASSERT_TRUE(translator.AllocBuffers(kBuffersAll)); }

    // The written file of sheet, from sheetUrl, at path.
    std::string Rebuild(const std::string& sheet, const char* sheetUrl, const char* path,
                        const char* contentType = nullptr, BOOL keep = TRUE) {
        files.Content(path) = sheet;
        if (!translator.LoadStyleSheet(path, TRUE, contentType)) return "<load failed>";
        if (!translator.TranslateStyleSheet("C:\\Web\\", sheetUrl, path)) return "<unchanged>";
        if (!translator.WriteTranslatedStyleSheet(path, FILETIME{1, 2}, keep)) return "<write failed>";
        return files.Content(path);
    }
    std::string Block(const std::string& file) {
        EnvelopeHeader h;
        if (!ParseCssEnvelope(file.data(), file.size(), &h)) return "<no envelope>";
        return file.substr(0, (size_t)h.xlatBlk);
    }
    void ExpectRestores(const char* path, const std::string& original) {
        ASSERT_TRUE(translator.LoadStyleSheet(path, FALSE));
        EXPECT_EQ(original, std::string(translator.Content(), translator.SourceLength()));
        ASSERT_TRUE(translator.WriteOriginal("restored", FILETIME{1, 2}));
        EXPECT_EQ(original, files.Content("restored"));
    }

    CMemoryFiles files;
    MappingSettings settings;
    CHtmlTranslator translator;
};

TEST_F(StyleSheets, RewriteReferencesAgainstTheSheetInEachLinkForm) {
    const std::string sheet =
        "@import url(\"base.css\");\r\nbody { background: url(../img/bg.gif) }\r\n"
        "h1 { background: url('/top.png#icon') }\r\n.x { content: \"url(no.gif)\" } /* url(no.gif) */\r\n"
        "a { background: url(http://other.test/o.gif) } b { background: url(data:image/gif;base64,R0) }\r\n";
    const char* path = "C:\\Web\\http$\\h\\css\\site.css";
    settings.fileProtocolType = 1;
    std::string file = Rebuild(sheet, "http://h/css/site.css", path);
    EXPECT_EQ(
        "@import url(\"base.css\");\r\nbody { background: url(\"../img/bg.gif\") }\r\n"
        "h1 { background: url(\"../top.png#icon\") }\r\n.x { content: \"url(no.gif)\" } /* url(no.gif) */\r\n"
        "a { background: url(\"../../other.test/o.gif\") } b { background: url(data:image/gif;base64,R0) }\r\n",
        Block(file));
    EXPECT_EQ(0u, file.size() % 512);
    ExpectRestores(path, sheet);

    settings.fileProtocolType = 2;
    file = Rebuild(sheet, "http://h/css/site.css", path);
    EXPECT_NE(std::string::npos, Block(file).find("url(\"file://C:\\\\Web\\\\http$\\\\h\\\\img\\\\bg.gif\")"));
    EXPECT_NE(std::string::npos,
              Block(file).find("@import url(\"file://C:\\\\Web\\\\http$\\\\h\\\\css\\\\base.css\")"));
    ExpectRestores(path, sheet);
    settings.fileProtocolType = 3;
    EXPECT_NE(std::string::npos, Block(Rebuild(sheet, "http://h/css/site.css", path)).find("url(\"file:///C:"));
}

TEST_F(StyleSheets, LeaveWhatTheTreesDoNotHold) {
    Targets targets;
    targets.held.insert("http://h/img/bg.gif");
    translator.SetLinkTargets(&targets, nullptr);
    settings.fileProtocolType = 1;
    const char* path = "C:\\Web\\http$\\h\\css\\a.css";
    EXPECT_EQ("a{b:url(\"../img/bg.gif\")} c{d:url(never.gif)}",
              Block(Rebuild("a{b:url(../img/bg.gif)} c{d:url(never.gif)}", "http://h/css/a.css", path)));
    files.Content(path) = "c{d:url(never.gif)}";
    ASSERT_TRUE(translator.LoadStyleSheet(path, TRUE));
    EXPECT_FALSE(translator.TranslateStyleSheet("C:\\Web\\", "http://h/css/a.css", path));
    EXPECT_FALSE(translator.LastTranslateFailed());
}

// A name written with escapes goes to the same file as the one written in
// percent form, and the sheet restores to its escapes.
TEST_F(StyleSheets, EscapedJapaneseNamesReachTheirFiles) {
    Targets targets;
    targets.held.insert("http://h/img/%E6%97%A5%E6%9C%AC.gif");
    targets.held.insert("http://h/%E3%82%BD%E8%A1%A8.png");
    translator.SetLinkTargets(&targets, nullptr);
    settings.fileProtocolType = 1;
    const char* path = "C:\\Web\\http$\\h\\css\\j.css";
    const std::string percent = "a{b:url(../img/%E6%97%A5%E6%9C%AC.gif)} c{d:url('/%E3%82%BD%E8%A1%A8.png')}";
    std::string expected = Block(Rebuild(percent, "http://h/css/j.css", path));
    ASSERT_NE(std::string::npos, expected.find("url(\"")) << expected;
    const std::string sjisSheet = "@charset \"Shift_JIS\";\na{b:url(../img/\\65E5 \\672C.gif)} "
                                  "c{d:url('/\\30BD\\8868.png')} e{content:'\x83\x5c\x95\x5c'}";
    std::string file = Rebuild(sjisSheet, "http://h/css/j.css", path);
    EXPECT_EQ("@charset \"Shift_JIS\";\n" + expected + " e{content:'\x83\x5c\x95\x5c'}", Block(file));
    ExpectRestores(path, sjisSheet);
    const std::string utf8Sheet = "@charset \"UTF-8\";\na{b:url(../img/\\65e5\\672c.gif)} "
                                  "c{d:url('/\\0030BD\\8868 .png')}";
    file = Rebuild(utf8Sheet, "http://h/css/j.css", path);
    EXPECT_EQ("@charset \"UTF-8\";\n" + expected, Block(file));
    ExpectRestores(path, utf8Sheet);
}

TEST_F(StyleSheets, EucAndJisSheetsBecomeShiftJisAndSaySo) {
    settings.fileProtocolType = 1;
    const std::string euc = "@charset \"EUC-JP\";\na:after{content:\"\xa5\xbd\xc9\xbd\"}\nb{c:url(\xa5\xbd.gif)}\n";
    const char* path = "C:\\Web\\http$\\h\\e.css";
    std::string file = Rebuild(euc, "http://h/e.css", path);
    EXPECT_EQ("@charset \"Shift_JIS\";\na:after{content:\"\x83\x5c\x95\x5c\"}\nb{c:url(\"\x83\x5c.gif\")}\n",
              Block(file));
    ExpectRestores(path, euc);
    // Declared by the server only.
    const std::string bare = "a:after{content:\"\xa5\xbd\"}";
    EXPECT_EQ("a:after{content:\"\x83\x5c\"}",
              Block(Rebuild(bare, "http://h/e.css", path, "text/css; charset=EUC-JP")));
    // JIS (ISO-2022-JP) the same way, with links and by code conversion
    // alone; the conversion folds line ends as a page's does, and the
    // restore gives the escape sequences and the CR LF back as they were.
    const std::string jis = "@charset \"ISO-2022-JP\";\r\na:after{content:\"\x1b$B%=I=\x1b(B\"}\r\n"
                            "b{c:url(\x1b$B%=\x1b(B.gif)}\r\n";
    const char* jisPath = "C:\\Web\\http$\\h\\j.css";
    file = Rebuild(jis, "http://h/j.css", jisPath);
    EXPECT_EQ("@charset \"Shift_JIS\";\na:after{content:\"\x83\x5c\x95\x5c\"}\nb{c:url(\"\x83\x5c.gif\")}\n",
              Block(file));
    ExpectRestores(jisPath, jis);
    files.Content(jisPath) = jis;
    ASSERT_TRUE(translator.LoadStyleSheet(jisPath, TRUE));
    ASSERT_TRUE(translator.TranslateStyleSheet("C:\\Web\\", nullptr, nullptr));
    ASSERT_TRUE(translator.WriteTranslatedStyleSheet(jisPath, FILETIME{1, 2}, TRUE));
    EXPECT_EQ("@charset \"Shift_JIS\";\na:after{content:\"\x83\x5c\x95\x5c\"}\nb{c:url(\x83\x5c.gif)}\n",
              Block(files.Content(jisPath)));
    ExpectRestores(jisPath, jis);
    // Read without conversion (as the restore reads), a plain JIS sheet keeps its bytes.
    files.Content(jisPath) = jis;
    ASSERT_TRUE(translator.LoadStyleSheet(jisPath, FALSE));
    EXPECT_EQ(jis, std::string(translator.Content(), translator.SourceLength()));
    // A Shift_JIS sheet keeps its bytes and its line ends.
    const std::string sjis = "@charset \"Shift_JIS\";\r\na{b:url(\x83\x5c.gif)}";
    EXPECT_EQ("@charset \"Shift_JIS\";\r\na{b:url(\"\x83\x5c.gif\")}", Block(Rebuild(sjis, "http://h/e.css", path)));
}

TEST_F(StyleSheets, EnvelopeHidesAnyOriginalAndKeepsTheSizes) {
    const char* path = "C:\\Web\\http$\\h\\s.css";
    // An original that ends comments and holds every byte value.
    std::string original = "a{b:url(x.gif)} /* */ */ /*";
    for (int i = 1; i < 256; ++i) original += (char)i;
    std::string file = Rebuild(original, "http://h/s.css", path, "text/css; charset=x-user-defined");
    ASSERT_NE("<load failed>", file);
    EnvelopeHeader h;
    ASSERT_TRUE(ParseCssEnvelope(file.data(), file.size(), &h));
    EXPECT_EQ((long long)original.size(), h.orgSize);
    EXPECT_EQ((long long)original.size(), h.orgBlk);
    EXPECT_EQ(0u, file.size() % 512);
    // The comment that holds the envelope is the file's last; nothing in it closes it early.
    std::string tail = file.substr((size_t)h.xlatBlk);
    EXPECT_EQ(0u, tail.find("\r\n/* zvtorsel"));
    EXPECT_EQ(tail.size() - 4, tail.find("*/"));
    ExpectRestores(path, original);
    long orgSize, xlat, orgBlk;
    ASSERT_TRUE(translator.ReadStyleSheetEnvelope(path, &orgSize, &xlat, &orgBlk));
    EXPECT_EQ((long)original.size(), orgSize);
    EXPECT_EQ(h.xlatBlk, xlat);

    // Without the original only the sizes stay, and it cannot be restored.
    file = Rebuild(original, "http://h/s.css", path, "text/css; charset=x-user-defined", FALSE);
    ASSERT_TRUE(ParseCssEnvelope(file.data(), file.size(), &h));
    EXPECT_EQ(0, h.orgBlk);
    ASSERT_TRUE(translator.LoadStyleSheet(path, FALSE));
    EXPECT_FALSE(translator.HasOriginal());

    // Damaged sizes or a plain sheet that happens to be 512 bytes: no envelope.
    std::string plain(512, ' ');
    EXPECT_FALSE(ParseCssEnvelope(plain.data(), plain.size(), &h));
    file = Rebuild(original, "http://h/s.css", path, "text/css; charset=x-user-defined");
    file[file.size() - 30] = 'x';
    EXPECT_FALSE(ParseCssEnvelope(file.data(), file.size(), &h));
}

class PageStyles : public ::testing::Test {
protected:
    PageStyles() : translator(files, nullptr, settings) {}
    void SetUp() override {
        ASSERT_TRUE(translator.AllocBuffers(kBuffersAll));
        ASSERT_TRUE(translator.OpenLinkScanners(TRUE));
    }
    std::string Run(const std::string& page) {
        files.Content("C:\\Web\\http$\\h\\a\\b.html") = page;
        if (!translator.LoadHtml("C:\\Web\\http$\\h\\a\\b.html", TRUE)) return "<load failed>";
        translator.Translate("C:\\Web\\", "http://h/", TRUE, "C:\\Web\\http$\\h\\a\\b.html");
        return std::string(translator.Output(), translator.TranslatedLength());
    }
    CMemoryFiles files;
    MappingSettings settings;
    CHtmlTranslator translator;
};

TEST_F(PageStyles, StyleBlocksAndAttributesFollowThePage) {
    settings.fileProtocolType = 1;
    translator.SetLinkTargets(nullptr, "http://h/a/b.html");
    EXPECT_EQ(
        "<STYLE type=\"text/css\">\r\nbody{background:url(\"../img/bg.gif\")}\r\n"
        "@import \"c.css\";</STYLE><p>url(x.gif)</p>",
        Run("<STYLE type=\"text/css\">\nbody{background:url(/img/bg.gif)}\n@import 'c.css';</STYLE>"
            "<p>url(x.gif)</p>"));
    EXPECT_EQ(
        "<style>a{b:url(\""
        "p.gif\")}</style>",
        Run("<style>a{b:url(p.gif)}</style>"));
    EXPECT_EQ("<div style=\"background:url('../img/bg.gif')\" title=\"style='url(x)'\">",
              Run("<div style=\"background:url(/img/bg.gif)\" title=\"style='url(x)'\">"));
    // Beside a rewritten link, and in single quotes.
    EXPECT_EQ("<a style='b:url(\"q.gif\")' href=\"../c.html\">", Run("<a style='b:url(q.gif)' href=\"/c.html\">"));
    // A BASE address resolves the sheets after it.
    EXPECT_EQ("<base href=\"../../o/d/index.html\"><style>a{b:url(\"../../o/d/p.gif\")}</style>",
              Run("<base href=\"http://o/d/\"><style>a{b:url(p.gif)}</style>"));
    // A block without its end tag is left to the tag rules.
    EXPECT_EQ("<style>a{b:url(p.gif)}", Run("<style>a{b:url(p.gif)}"));
}

TEST_F(PageStyles, LinkAnalysisFollowsTagsThenStyles) {
    ASSERT_TRUE(translator.OpenLinkScanners(FALSE));
    files.Content("p") =
        "<style>a{b:url(bg.gif)} /* url(no.gif) */</style><a href=\"x.html\">"
        "<div style=\"c:url('/d.gif')\"><p>url(text.gif)</p>";
    ASSERT_TRUE(translator.LoadHtml("p", TRUE));
    char link[64];
    std::vector<std::string> links;
    while (int r = translator.NextLink(link, sizeof link)) links.push_back(std::to_string(r) + link);
    EXPECT_EQ(List({"1x.html", "1bg.gif", "1/d.gif"}), links);

    files.Content("s.css") = "@import 'i.css'; a{b:url(\"p.gif#f\")} c{d:url(#svg)}";
    ASSERT_TRUE(translator.LoadStyleSheet("s.css", TRUE));
    links.clear();
    while (int r = translator.NextLink(link, sizeof link)) links.push_back(std::to_string(r) + link);
    EXPECT_EQ(List({"1i.css", "1p.gif#f"}), links);
    char small[4];
    ASSERT_TRUE(translator.LoadStyleSheet("s.css", TRUE));
    EXPECT_EQ(1, translator.NextLink(small, sizeof small));
    EXPECT_STREQ("i.c", small);
}

TEST_F(PageStyles, LaterHtmlLinkPlacesAreRewrittenToo) {
    settings.fileProtocolType = 1;
    struct Case {
        const char* tag;
        const char* translated;
    } cases[] = {
        // Every srcset candidate, descriptors kept, commas inside a URL kept.
        {"<img src=\"/a.jpg\" srcset=\"/a-1x.jpg 1x, http://h/a/b-2x.jpg 2x,c,d.jpg 480w\">",
         "<img src=\"../a.jpg\" srcset=\"../a-1x.jpg 1x, b-2x.jpg 2x,c$2cd.jpg 480w\">"},
        {"<source type=\"image/webp\" srcset=\"/w.webp\">", "<source type=\"image/webp\" srcset=\"../w.webp\">"},
        {"<video src=\"/v.mp4\" poster=\"/p.jpg#t\">", "<video src=\"../v.mp4\" poster=\"../p.jpg#t\">"},
        {"<object data=\"/m.swf\" type=x>", "<object data=\"../m.swf\" type=x>"},
        {"<div data=\"/m.swf\">", "<div data=\"/m.swf\">"},
        {"<embed pluginspage=\"http://p/get\" src=\"/m.mid\">", "<embed pluginspage=\"../../p/get\" src=\"../m.mid\">"},
        {"<link rel=\"icon\" href=\"/favicon.ico\">", "<link rel=\"icon\" href=\"../favicon.ico\">"},
        {"<link rel=preload href=/f.woff2 as=font>", "<link rel=preload href=../f.woff2 as=font>"},
        {"<input type=\"image\" src=\"/go.gif\">", "<input type=\"image\" src=\"../go.gif\">"},
        {"<iframe src=\"/in.html\">", "<iframe src=\"../in.html\">"},
        {"<frame src=\"f.html\">", "<frame src=\"f.html\">"},
        {"<meta http-equiv=\"Refresh\" content=\"5; URL=/next.html\">",
         "<meta http-equiv=\"Refresh\" content=\"5; URL=../next.html\">"},
        {"<meta http-equiv=\"refresh\" content=\"0;url='http://h/x/y.html'\">",
         "<meta http-equiv=\"refresh\" content=\"0;url='../x/y.html'\">"},
        {"<meta name=\"description\" content=\"url=/no.html\">",
         "<meta name=\"description\" content=\"url=/no.html\">"},
        // Names inside other values are no attributes.
        {"<img alt=\"srcset=/x.gif\" title='poster=/y.gif'>", "<img alt=\"srcset=/x.gif\" title='poster=/y.gif'>"},
        {"<img data-srcset=\"/x.gif\">", "<img data-srcset=\"/x.gif\">"},
        {"<img srcset=\"data:image/gif;base64,R0 1x\">", "<img srcset=\"data:image/gif;base64,R0 1x\">"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.translated, Run(c.tag)) << c.tag;
}

}  // namespace

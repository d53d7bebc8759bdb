#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "mapping/mapping_strings.h"
#include "mapping/url_mapping.h"
#include "reports/reportjobs.h"
#include "reports/tests/reportkit.h"
#include "translate/css_envelope.h"
#include "translate/envelope.h"
#include "zvjcode.h"

namespace {

const char kWeb[] = "C:\\Web\\";
// "日本語" in Shift_JIS, EUC-JP and JIS.
const char kNihongoSjis[] = "\x93\xfa\x96\x7b\x8c\xea";
const char kNihongoEuc[] = "\xc6\xfc\xcb\xdc\xb8\xec";
const char kNihongoJis[] = "\x1b$BF|K\\8l\x1b(B";

std::string Head(const std::string& title, const std::string& base) {
    return Lines({"<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML i18n//EN\">", "<HTML>", "<HEAD>",
                  "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;charset=SHIFT_JIS\">",
                  "<TITLE>" + title + "</TITLE>", "<BASE HREF=\"" + base + "base.html\">",
                  "</HEAD>"});
}

// A translated file whose original block holds original.
std::string TranslatedFile(const std::string& translated, const std::string& original) {
    EnvelopeWriter w(translated.data(), translated.size(), original.data(), original.size(), true,
                     true);
    std::string file;
    for (int i = 0; i < w.Count(); ++i) file.append((const char*)w.Pieces()[i].data, w.Pieces()[i].length);
    return file;
}

class Reports : public ::testing::Test {
protected:
    Reports() : translator(fs, nullptr, settings) {}

    ReportJobResult List(const ListSettings& s) {
        CAddressListJob job(fs, translator, progress, texts, settings);
        if (cancelAfterFirstFile) progress.onCounts = [&job] { job.RequestCancel(); };
        return job.Run(kWeb, 0, s);
    }

    ReportJobResult Search(std::vector<std::string> keywords, bool orOp = false, bool matchCase = false,
                        bool patterns = false) {
        KeywordRequest r;
        r.rebuildFolder = kWeb;
        r.searchFolder = searchFolder;
        r.keywords = keywords;
        r.orOperation = orOp;
        r.matchCase = matchCase;
        r.patterns = patterns;
        r.format = format;
        CKeywordSearchJob job(fs, translator, progress, texts, settings);
        return job.Run(r);
    }

    void AddSite() {
        fs.AddFile("C:\\Web\\locallst.htm", "old page", 0);
        fs.AddFile("C:\\Web\\http$\\a.com\\index.htm",
                   "<html><head><title>A &amp; B</title></head><body>x</body></html>", 0);
        fs.AddFile("C:\\Web\\http$\\a.com\\index.html", "<html><body>no title</body></html>", 0);
        fs.AddFile("C:\\Web\\http$\\b&c.com\\default.asp", "<TITLE>\r\n  Bee\r\n</TITLE>", 0);
        fs.AddFile("C:\\Web\\http$\\b&c.com\\dir\\page.htm", "<title>not listed</title>", 0);
        fs.AddFile("C:\\Web\\http$\\t.com\\index.htm",
                   TranslatedFile("<title>Translated</title>", "<title>Original</title>"), 0);
    }

    CMemoryFiles fs;
    MappingSettings settings;
    CHtmlTranslator translator;
    CRecordingProgress progress;
    PageTexts texts = JapanesePageTexts();
    PageFormat format;
    std::string searchFolder = "C:\\Web";
    bool cancelAfterFirstFile = false;
};

TEST_F(Reports, AddressListInUrlOrderWithTitles) {
    AddSite();
    ListSettings s;
    s.listedFiles = {"index", "default"};
    ReportJobResult r = List(s);
    EXPECT_FALSE(r.stopped || r.failed);
    EXPECT_EQ(4u, r.found);
    EXPECT_EQ("locallst.htm", r.resultFile);
    // index.html has no title and sorts before index.htm of the same folder;
    // a title keeps its "&amp;", the URL's "&" is escaped in the link text.
    std::string expected =
        Head(texts.listTitle, "file://C:\\Web\\") +
        Lines({"<BODY TEXT=\"#000000\" LINK=\"#0000FF\" BGCOLOR=\"#FFFFFF\">", "<FONT SIZE=3>",
               texts.listTitle + " : 4<BR>",
               "<A HREF=\"http$\\a.com\\index.html\">http://a.com/</A><BR>",
               "<A HREF=\"http$\\a.com\\index.htm\">http://a.com/</A> : A &amp; B<BR>",
               "<A HREF=\"http$\\b&c.com\\default.asp\">http://b&amp;c.com/default.asp</A> : Bee<BR>",
               "<A HREF=\"http$\\t.com\\index.htm\">http://t.com/</A> : Original<BR>", "</FONT>",
               "</BODY>", "</HTML>"});
    EXPECT_EQ(expected, fs.Data("C:\\Web\\locallst.htm"));
    EXPECT_EQ("4 / 6", progress.counts.back());  // locallst.htm and dir\page.htm seen too
}

// A sheet served at a folder's address is rebuilt as index.html: the list
// names it as the sheet it is, and never reads it as a page for a title.
TEST_F(Reports, AddressListShowsATranslatedSheetAsASheet) {
    const std::string original = "a { background: url(<title>no.gif) }";
    const std::string translated = "a { background: url(\"<title>no.gif\") }";
    std::vector<char> encoded(CssEncodedLength(original.size()) + 1);
    CssEnvelopeWriter w(translated.data(), translated.size(), original.data(), original.size(), true, encoded.data());
    std::string sheet;
    for (int i = 0; i < w.Count(); ++i) sheet.append((const char*)w.Pieces()[i].data, w.Pieces()[i].length);
    fs.AddFile("C:\\Web\\http$\\s.com\\theme\\index.html", sheet, 0);
    fs.AddFile("C:\\Web\\http$\\s.com\\index.htm", "<title>Page</title>", 0);
    ListSettings s;
    s.listedFiles = {"index"};
    ReportJobResult r = List(s);
    EXPECT_EQ(2u, r.found);
    std::string page = fs.Data("C:\\Web\\locallst.htm");
    EXPECT_NE(std::string::npos, page.find("<A HREF=\"http$\\s.com\\index.htm\">http://s.com/</A> : Page<BR>"));
    EXPECT_NE(std::string::npos,
              page.find("<A HREF=\"http$\\s.com\\theme\\index.html\">http://s.com/theme/</A> (text/css)<BR>"))
        << page;
    EXPECT_EQ(std::string::npos, page.find("no.gif"));
}

TEST_F(Reports, AddressListInTitleOrderAsListWithSpacing) {
    AddSite();
    settings.fileProtocolType = 3;
    ListSettings s;
    s.listedFiles = {"index", "default"};
    s.format.sortType = 1;
    s.format.unorderedList = true;
    s.format.lineSpace = true;
    s.format.textColor = 0x102030;
    s.format.linkColor = 0xABCDEF;
    s.format.backColor = 0;
    s.format.fontSize = 5;
    ASSERT_EQ(4u, List(s).found);
    std::string expected =
        Head(texts.listTitle, "file:///C:\\Web\\") +
        Lines({"<BODY TEXT=\"#102030\" LINK=\"#ABCDEF\" BGCOLOR=\"#000000\">", "<FONT SIZE=5>",
               texts.listTitle + " : 4<BR>", "<UL>",
               "<LI><A HREF=\"http$\\a.com\\index.html\">http://a.com/</A><BR>", "<BR>",
               "<LI>A &amp; B : <A HREF=\"http$\\a.com\\index.htm\">http://a.com/</A><BR>", "<BR>",
               "<LI>Bee : <A HREF=\"http$\\b&c.com\\default.asp\">http://b&amp;c.com/default.asp</A><BR>",
               "<BR>", "<LI>Original : <A HREF=\"http$\\t.com\\index.htm\">http://t.com/</A><BR>",
               "<BR>", "</UL>", "</FONT>", "</BODY>", "</HTML>"});
    EXPECT_EQ(expected, fs.Data("C:\\Web\\locallst.htm"));
}

TEST_F(Reports, AddressListWithoutTitlesNeverReadsPages) {
    AddSite();
    ListSettings s;
    s.listedFiles = {"INDEX"};  // names and extensions compare without case
    s.format.title = false;
    ASSERT_EQ(3u, List(s).found);
    // Only the one file whose size could be a translated sheet's is opened.
    EXPECT_EQ(1, fs.opens);
    std::string page = fs.Data("C:\\Web\\locallst.htm");
    EXPECT_NE(std::string::npos, page.find("<A HREF=\"http$\\t.com\\INDEX.htm\">http://t.com/</A><BR>\r\n"));
}

TEST_F(Reports, ListedNamesIgnoreCaseOfLettersOnly) {
    fs.AddFile("C:\\Web\\h$\\a\\\x83\x61.htm", "x", 0);  // ャ.htm
    fs.AddFile("C:\\Web\\h$\\b\\Top.HTML", "x", 0);
    ListSettings s;
    s.listedFiles = {"\x83\x41", "top"};  // ア, top
    s.format.title = false;
    ReportJobResult r = List(s);
    EXPECT_EQ(1u, r.found);
    EXPECT_NE(std::string::npos, fs.Data("C:\\Web\\locallst.htm").find("h$\\b\\top.html\">h://b/top.html</A>"));
}

TEST_F(Reports, CancelledOrFailedRunsLeaveNoPage) {
    AddSite();
    ListSettings s;
    s.listedFiles = {"index"};
    cancelAfterFirstFile = true;
    ReportJobResult r = List(s);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ("", fs.Data("C:\\Web\\locallst.htm"));
    EXPECT_EQ(1u, progress.counts.size());

    cancelAfterFirstFile = false;
    fs.failWrites = true;
    r = List(s);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ("39", progress.messages.back());
    r = Search({"x"});
    EXPECT_TRUE(r.failed);
    EXPECT_EQ("53", progress.messages.back());
}

TEST_F(Reports, KeywordFoundInEveryCodeButNotInTheSearchFolderItself) {
    std::string page = std::string("<title>") + kNihongoSjis + "</title>" + kNihongoSjis;
    ASSERT_EQ(ZVJCODE_EUC, zvJudgeJpnCodeType((std::string("<b>") + kNihongoEuc + "<b>").c_str()));
    fs.AddFile("C:\\Web\\top.htm", page, 0);
    fs.AddFile("C:\\Web\\http$\\k.com\\sjis.htm", page, 0);
    fs.AddFile("C:\\Web\\http$\\k.com\\euc.htm", std::string("<b>") + kNihongoEuc + "<b>", 0);
    fs.AddFile("C:\\Web\\http$\\k.com\\jis.htm", std::string("<b>") + kNihongoJis + "</b>", 0);
    fs.AddFile("C:\\Web\\http$\\k.com\\none.htm", "<title>none</title>", 0);
    fs.AddFile("C:\\Web\\http$\\k.com\\pic.gif", kNihongoSjis, 0);
    fs.AddFile("C:\\Web\\http$\\k.com\\a&b.shtml", kNihongoSjis, 0);

    ReportJobResult r = Search({kNihongoSjis});
    EXPECT_EQ(4u, r.found);
    EXPECT_EQ(5u, r.searched);
    EXPECT_EQ(std::string(kNihongoSjis) + ".htm", r.resultFile);
    std::string heading = std::string("'") + kNihongoSjis + "' \x82\xcc\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca";
    std::string expected =
        Head(heading, "file://C:\\Web\\") +
        Lines({"<BODY TEXT=\"#000000\" LINK=\"#0000FF\" BGCOLOR=\"#FFFFFF\">", "<FONT SIZE=3>",
               heading + " : 4 / 5<BR>",
               "<A HREF=\"http$\\k.com\\a&b.shtml\">http://k.com/a&amp;b.shtml</A><BR>",
               "<A HREF=\"http$\\k.com\\euc.htm\">http://k.com/euc.htm</A><BR>",
               "<A HREF=\"http$\\k.com\\jis.htm\">http://k.com/jis.htm</A><BR>",
               "<A HREF=\"http$\\k.com\\sjis.htm\">http://k.com/sjis.htm</A> : " +
                   std::string(kNihongoSjis) + "<BR>",
               "</FONT>", "</BODY>", "</HTML>"});
    EXPECT_EQ(expected, fs.Data(std::string(kWeb) + r.resultFile));

    // A second search over the same folder does not find the first page.
    EXPECT_EQ(4u, Search({kNihongoSjis}).found);
}

// Relative links lead from the page's folder, the rebuild folder, so the
// pages need no BASE; a search folder elsewhere keeps the file URL form.
TEST_F(Reports, RelativeLinksLeadFromTheRebuildFolder) {
    AddSite();
    fs.AddFile("C:\\Web\\http$\\k.com\\a b\\\x83\x5c#1.htm", kNihongoSjis, 0);
    settings.fileProtocolType = 1;
    ListSettings s;
    s.listedFiles = {"index", "default"};
    s.format.title = false;
    ASSERT_EQ(4u, List(s).found);
    std::string list = fs.Data("C:\\Web\\locallst.htm");
    EXPECT_EQ(std::string::npos, list.find("<BASE"));
    EXPECT_NE(std::string::npos, list.find("<A HREF=\"http$/a.com/index.html\">http://a.com/</A><BR>"));
    EXPECT_NE(std::string::npos,
              list.find("<A HREF=\"http$/b%26c.com/default.asp\">http://b&amp;c.com/default.asp</A><BR>"));

    searchFolder = "c:/web/http$";
    ReportJobResult r = Search({kNihongoSjis});
    ASSERT_EQ(1u, r.found);
    std::string found = fs.Data(std::string(kWeb) + r.resultFile);
    EXPECT_EQ(std::string::npos, found.find("<BASE"));
    EXPECT_NE(std::string::npos, found.find("<A HREF=\"http$/k.com/a%20b/\x83\x5c%231.htm\">"));

    fs.AddFile("D:\\Other\\h\\p.htm", kNihongoSjis, 0);
    searchFolder = "D:\\Other";
    r = Search({kNihongoSjis});
    ASSERT_EQ(1u, r.found);
    found = fs.Data(std::string(kWeb) + r.resultFile);
    EXPECT_NE(std::string::npos, found.find("<BASE HREF=\"file://D:\\Other\\base.html\">"));
    EXPECT_NE(std::string::npos, found.find("<A HREF=\"h\\p.htm\">"));
}

// A name too wide for file systems lies on disk as a chain of folders; the
// report pages show the URL it came from and link the files as written.
TEST_F(Reports, NamesTooWideForFileSystemsAreListedAsTheirUrls) {
    std::string wideSjis;
    while (wideSjis.size() < 300) wideSjis += "\x83\x5c";  // ソ, trail byte "\\"
    const std::vector<std::string> urls = {"http://w.test/" + std::string(300, 'x') + "/index.html",
                                           "http://w.test/" + wideSjis + "/index.html"};
    for (const std::string& url : urls) {
        std::string local = UrlAsLocalPath(url, settings);
        ASSERT_NE(std::string::npos, local.find(kContinued)) << local;
        fs.AddFile(kWeb + local, std::string("<title>t</title>") + kNihongoSjis, 0);
    }
    ListSettings s;
    s.listedFiles = {"index"};
    s.format.title = false;
    ASSERT_EQ(2u, List(s).found);
    std::string list = fs.Data("C:\\Web\\locallst.htm");
    ReportJobResult r = Search({kNihongoSjis});
    ASSERT_EQ(2u, r.found);
    std::string found = fs.Data(std::string(kWeb) + r.resultFile);
    for (const std::string& url : urls) {
        std::string folderUrl = url.substr(0, url.size() - strlen("index.html"));
        std::string link = "<A HREF=\"" + UrlAsLocalPath(url, settings) + "\">";
        EXPECT_NE(std::string::npos, list.find(link + folderUrl + "</A>")) << folderUrl;
        EXPECT_NE(std::string::npos, found.find(link + url + "</A>")) << url;
    }
}

TEST_F(Reports, KeywordNamesExpressionsAndOperations) {
    fs.AddFile("C:\\Web\\h$\\1.htm", "alpha a/b c", 0);
    fs.AddFile("C:\\Web\\h$\\2.htm", "a/b only", 0);
    fs.AddFile("C:\\Web\\h$\\3.htm", "c only", 0);
    ReportJobResult r = Search({"a/b", "c"});
    EXPECT_EQ("a$2fb&c.htm", r.resultFile);
    EXPECT_EQ(1u, r.found);
    EXPECT_NE(std::string::npos, fs.Data("C:\\Web\\a$2fb&c.htm").find("<TITLE>'a/b' &amp; 'c' "));

    r = Search({"a/b", "c"}, true);
    EXPECT_EQ("a$2fb+c.htm", r.resultFile);
    EXPECT_EQ(3u, r.found);
    EXPECT_NE(std::string::npos, fs.Data("C:\\Web\\a$2fb+c.htm").find("<TITLE>'a/b' + 'c' "));

    // Keyword 3 behind an empty keyword 2 is ignored everywhere.
    r = Search({"only", "", "alpha"});
    EXPECT_EQ("only.htm", r.resultFile);
    EXPECT_EQ(2u, r.found);
    EXPECT_NE(std::string::npos, fs.Data("C:\\Web\\only.htm").find("<TITLE>'only' "));

    EXPECT_EQ(0u, Search({"a/b", "c", "zzz"}).found);
    EXPECT_EQ(3u, Search({"zzz", "c", "a/b"}, true).found);

    Search({""});
    EXPECT_EQ("52", progress.messages.back());
}

TEST_F(Reports, KeywordPatternsAndCase) {
    fs.AddFile("C:\\Web\\h$\\dot.htm", "x a.b y", 0);
    fs.AddFile("C:\\Web\\h$\\any.htm", "x aXb y", 0);
    fs.AddFile("C:\\Web\\h$\\upper.htm", "WORD", 0);
    EXPECT_EQ(1u, Search({"a.b"}).found);
    EXPECT_EQ(2u, Search({"a.b"}, false, false, true).found);
    EXPECT_EQ(0u, Search({"A.B"}, false, true, true).found);
    EXPECT_EQ(1u, Search({"word"}).found);
    EXPECT_EQ(0u, Search({"word"}, false, true).found);
}

TEST(ReportNames, EscapeNameKeepsDoubleByteCharactersAndStaysBounded) {
    MappingSettings s;
    char out[64];
    EscapeName(out, "a\"$%&*+,/:;<>?\\|b\x01 #=", sizeof out, s);
    EXPECT_STREQ("a$22$24$25$26$2a$2b$2c$2f$3a$3b$3c$3e$3f$5c$7cb$01 #=", out);
    EscapeName(out, "\x83\x5c\x95\x5c/", sizeof out, s);  // ソ表 have trail byte 0x5C
    EXPECT_STREQ("\x83\x5c\x95\x5c$2f", out);
    char small[5];
    EscapeName(small, "ab/c", sizeof small, s);
    EXPECT_STREQ("ab", small);  // never half an escape
    EscapeName(small, "a\x83\x5c\x95\x5c", sizeof small, s);
    EXPECT_STREQ("a\x83\x5c", small);  // never half a character
}

TEST(ReportOrder, ComparesAsASortedListBox) {
    MappingSettings s;
    // Case decides only between otherwise equal strings, lower case first.
    EXPECT_LT(CompareListBoxStrings("HTTP://A/b", "http://a/C", s), 0);
    EXPECT_LT(CompareListBoxStrings("http://a/", "Http://A/", s), 0);
    EXPECT_LT(CompareListBoxStrings("a\n", "a!", s), 0);
    EXPECT_LT(CompareListBoxStrings("a \n", "a\n", s), 0);
    EXPECT_LT(CompareListBoxStrings("\nzzz", "A", s), 0);
    EXPECT_LT(CompareListBoxStrings("a", "ab", s), 0);
    // Hyphens and apostrophes only decide between otherwise equal strings.
    EXPECT_GT(CompareListBoxStrings("a-b", "a1", s), 0);
    EXPECT_LT(CompareListBoxStrings("a-b", "ac", s), 0);
    EXPECT_LT(CompareListBoxStrings("ab", "a-b", s), 0);
    EXPECT_LT(CompareListBoxStrings("a9", "aa", s), 0);
    EXPECT_LT(CompareListBoxStrings("a_", "aB", s), 0);
    EXPECT_LT(CompareListBoxStrings("z", "\x83\x41", s), 0);
    // Trail bytes are not case-folded: ア (83 41) and ャ (83 61) differ.
    EXPECT_LT(CompareListBoxStrings("\x83\x41", "\x83\x61", s), 0);
    // Kana sort by sound across hiragana, katakana and half-width forms:
    // あ ア ｱ before か カ; full-width letters with their ASCII twins.
    EXPECT_LT(CompareListBoxStrings("\x83\x41\x83\x4a", "\x82\xa9", s), 0);
    EXPECT_LT(CompareListBoxStrings("\xb1\xb6", "\x82\xa0\x82\xab", s), 0);
    EXPECT_LT(CompareListBoxStrings("\x82\x60\x82\x61", "b", s), 0);

    std::vector<ReportEntry> entries = {MakeEntry("u2", "beta", 1), MakeEntry("u1", nullptr, 1),
                                        MakeEntry("u3", "Alpha", 1), MakeEntry("u0", nullptr, 1)};
    SortEntries(entries, s);
    EXPECT_EQ("u0", entries[0].url);  // untitled first, by URL
    EXPECT_EQ("u1", entries[1].url);
    EXPECT_EQ("Alpha", entries[2].title);
    EXPECT_EQ("Alpha       \nu3", entries[2].key);
}

class Titles : public ::testing::Test {
protected:
    Titles() : translator(fs, nullptr, settings) {}
    void SetUp() override {
        ASSERT_TRUE(translator.AllocBuffers(kBuffersFileConverted));
        ASSERT_TRUE(translator.OpenTitleScanners());
    }
    std::string Title(const std::string& page, int size = 1024) {
        fs.AddFile("C:\\p.htm", page, 0);
        if (!translator.LoadHtml("C:\\p.htm", TRUE)) return "<load failed>";
        std::vector<char> out(size > 0 ? size : 1, 'x');
        return translator.GetTitle(out.data(), size) ? std::string(out.data()) : "<none>";
    }
    CMemoryFiles fs;
    MappingSettings settings;
    CHtmlTranslator translator;
};

TEST_F(Titles, TrimsSpacingDropsLineEndsAndCutsAtCharacters) {
    EXPECT_EQ("My  Title", Title("<html><TiTlE>\r\n\t My  Title \r\n</title>"));
    EXPECT_EQ("ab", Title("<title>a\r\nb</title>"));
    EXPECT_EQ("to the end ", Title("<title>to the end "));
    EXPECT_EQ("<none>", Title("<title> \r\n </title>"));
    EXPECT_EQ("<none>", Title("<title>   "));
    EXPECT_EQ("<none>", Title("<html>no title</html>"));
    EXPECT_EQ("\x83\x5c", Title("<title>\x83\x5c\x95\x5c</title>", 4));
    EXPECT_EQ("ab", Title("<title>a\x83\r\nb\x83</title>"));  // lead bytes without trail bytes
    EXPECT_EQ(std::string("\x93\xfa\x96\x7b\x8c\xea"), Title(std::string("<title>") + kNihongoEuc + "</title>"));
}

}  // namespace

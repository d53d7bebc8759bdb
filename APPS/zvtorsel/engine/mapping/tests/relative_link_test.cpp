#include <gtest/gtest.h>

#include <string>

#include "mapping/relative_link.h"

namespace {

const std::string kSo = "\x83\x5c", kHyo = "\x95\x5c";  // trail byte 0x5C

std::string Link(const std::string& page, const std::string& target) {
    char out[4096];
    memset(out, 'X', sizeof out);
    EXPECT_TRUE(RelativeLink(page.c_str(), target.c_str(), out, sizeof out, MappingSettings()))
        << page << " -> " << target;
    return out;
}

std::string Resolved(const std::string& page, const std::string& link) {
    char out[4096];
    EXPECT_TRUE(ResolveLocalLink(page.c_str(), link.c_str(), out, sizeof out, MappingSettings()));
    return out;
}

TEST(RelativeLink, LeadsFromThePageToTheTarget) {
    struct Case {
        std::string page, target, link;
    } cases[] = {
        {"http$\\h\\a\\b.html", "http$\\h\\a\\c.html", "c.html"},
        {"http$\\h\\a\\b.html", "http$\\h\\a\\b.html", "b.html"},
        {"http$\\h\\a\\b.html", "http$\\h\\a\\d\\e\\f.html", "d/e/f.html"},
        {"http$\\h\\a\\b\\p.html", "http$\\h\\x.html", "../../x.html"},
        {"http$\\h\\p.html", "http$\\g\\q.gif", "../g/q.gif"},
        {"http$\\h\\p.html", "ftp$\\h\\f.txt", "../../ftp$/h/f.txt"},
        {"http$\\h$3a8080\\p.html", "http$\\h\\p.html", "../h/p.html"},
        {"locallst.htm", "http$\\h\\index.html", "http$/h/index.html"},
        {"http$\\h\\index.html", "http$\\h\\cgi\\find.cgi$3fk=1&n=2.html", "cgi/find.cgi$3fk=1%26n=2.html"},
        {"http$\\h\\index.html", "http$\\h\\q$3fx=$2f$3a.gif", "q$3fx=$2f$3a.gif"},
        // Bytes a browser would take for a fragment, a query or an escape.
        {"http$\\h\\p.html", "http$\\h\\a b#c%d?e.html", "a%20b%23c%25d%3Fe.html"},
        {"http$\\h\\p.html", "http$\\h\\x'y\"z<>.html", "x%27y%22z%3C%3E.html"},
        {"http$\\h\\p.html", "http$\\h\\c:d\\e.html", "c%3Ad/e.html"},
        // A trail byte 0x5C is no separator and stays as it is.
        {"http$\\h\\index.html", "http$\\h\\" + kSo + "\\" + kHyo + ".html", kSo + "/" + kHyo + ".html"},
        {"http$\\h\\" + kSo + "\\p.html", "http$\\h\\q.html", "../q.html"},
        {"http$\\h\\" + kSo + "\\p.html", "http$\\h\\" + kSo + "\\" + kHyo + "\\q.html", kHyo + "/q.html"},
        // Half-width katakana are single bytes of the page's code and stay;
        // a lead byte without its trail byte, or with a byte that is none,
        // must not take the quote behind it.
        {"p.html", "\xb1\xb2.html", "\xb1\xb2.html"},
        {"p.html", "a\x83\\b\x83", "a\x83\\b%83"},
        {"p.html", "a\x83\"b", "a\x83%22b"},
        // The file system's folders ignore the case of ASCII letters only.
        {"http$\\Host\\p.html", "http$\\host\\q.html", "q.html"},
        {"http$\\h\\\x83\x41\\p.html", "http$\\h\\\x83\x61\\q.html", "../\x83\x61/q.html"},
        // "/" separators and runs of separators are read like "\".
        {"http$/h//a/b.html", "http$\\h\\a\\\\c.html", "c.html"},
        {"http$\\h\\a\\b.html", "http$\\h\\a\\", "./"},
        {"http$\\h\\a\\b.html", "http$\\h\\", "../"},
    };
    for (const Case& c : cases) EXPECT_EQ(Link(c.page, c.target), c.link) << c.page << " -> " << c.target;
}

TEST(RelativeLink, ResolvesLinkStepsWithinTheSite) {
    EXPECT_EQ(Resolved("http$\\h\\a\\b.html", "..\\..\\..\\x.html"), "http$\\h\\x.html");
    EXPECT_EQ(Resolved("http$\\h\\a\\b.html", ".\\y.html"), "http$\\h\\a\\y.html");
    EXPECT_EQ(Resolved("http$\\h\\a\\b.html", "sub\\index.html"), "http$\\h\\a\\sub\\index.html");
    EXPECT_EQ(Resolved("http$\\h\\" + kSo + "\\b.html", "..\\c.html"), "http$\\h\\c.html");
    // Outside a site folder the rebuild folder itself is the floor.
    EXPECT_EQ(Resolved("a\\p.html", "..\\..\\x"), "x");
}

TEST(RelativeLink, FindsPathsBelowAFolder) {
    EXPECT_STREQ(PathBelowFolder("C:\\rb\\", "c:/RB//http$\\h\\p.html", MappingSettings()), "http$\\h\\p.html");
    EXPECT_STREQ(PathBelowFolder("C:\\rb", "C:\\rb\\p.html", MappingSettings()), "p.html");
    EXPECT_EQ(PathBelowFolder("C:\\rb", "C:\\rbx\\p.html", MappingSettings()), nullptr);
    EXPECT_EQ(PathBelowFolder("C:\\rb\\", "D:\\rb\\p.html", MappingSettings()), nullptr);
    EXPECT_STREQ(PathBelowFolder(("C:\\" + kSo + "\\").c_str(), ("C:\\" + kSo + "\\p").c_str(), MappingSettings()),
                 "p");
    EXPECT_EQ(PathBelowFolder("C:\\\x83\x41\\", "C:\\\x83\x61\\p", MappingSettings()), nullptr);
    EXPECT_EQ(PathBelowFolder("", "p", MappingSettings()), nullptr);
}

TEST(RelativeLink, CutsWholeAndUnescapesBack) {
    char out[8];
    memset(out, 'X', sizeof out);
    EXPECT_FALSE(RelativeLink("p", "ab c d", out, sizeof out, MappingSettings()));
    EXPECT_STREQ(out, "ab%20c");  // never half an escape
    EXPECT_FALSE(RelativeLink("p", ("x" + kSo + kSo + kSo).c_str(), out, 5, MappingSettings()));
    EXPECT_STREQ(out, ("x" + kSo).c_str());  // never half a character

    const std::string name = "http$\\h\\a b#c%d&e" + kSo + "\\f.html";
    char url[256], back[256];
    ASSERT_TRUE(LocalPathToUrlPath(name.c_str(), url, sizeof url, MappingSettings()));
    UnescapeUrlPath(url, back, sizeof back);
    EXPECT_EQ(std::string(back), "http$/h/a b#c%d&e" + kSo + "/f.html");
    UnescapeUrlPath("%4g%41%", back, 3);
    EXPECT_STREQ(back, "%4");
}

}  // namespace

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "zvcore32.h"

namespace {

// The last error is set to a known value by a call that is sure to fail.
void SetSentinelBadHandle() { zvSaaCloseCvt(nullptr); }
void SetSentinelBadArgument() { zvSaaCreateCvtA("", 0); }

// Result of one scan: offset of the match in the text (-1 for none) and length.
struct Found {
    int offset;
    int length;
};

// Scans a copy of text held in a buffer of exactly its size, so a read past
// the terminating zero is caught by the sanitizers.
Found Scan(const char* pattern, int flags, const std::string& text) {
    HANDLE cvt = zvSaaCreateCvtA(pattern, flags);
    EXPECT_NE(cvt, nullptr) << pattern;
    if (!cvt) return {-2, -2};
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back(0);
    LPSTR p = zvSaaScanStringA(cvt, buffer.data());
    Found f = {p ? (int)(p - buffer.data()) : -1, zvSaaGetMatchLength(cvt)};
    EXPECT_EQ(zvSaaCloseCvt(cvt), TRUE);
    return f;
}

struct Case {
    const char* pattern;
    int flags;
    const char* text;
    int offset;
    int length;
};

void ExpectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        Found f = Scan(c.pattern, c.flags, c.text);
        EXPECT_EQ(f.offset, c.offset) << "pattern " << c.pattern << " text " << c.text;
        EXPECT_EQ(f.length, c.offset < 0 ? 0 : c.length) << "pattern " << c.pattern << " text " << c.text;
    }
}

TEST(SaaScan, TranslatorPatterns) {
    ExpectCases({
        {"[ \t\n]href[ \t\n]*=", 3, "<A HREF = \"x.htm\">", 2, 7},
        {"[ \t\n]href[ \t\n]*=", 3, "<a\nhref=x>", 2, 6},
        {"[ \t\n]href[ \t\n]*=", 3, "<a xhref=x>", -1, 0},
        {"[ \t\n]href[ \t\n]*=", 3, "<a href x=y>", -1, 0},  // the blank run never gives back
        {"^<[a-z]+[ \t\n]", 3, "<img src=x>", 0, 5},
        {"^<[a-z]+[ \t\n]", 3, "<IMG\tsrc=x>", 0, 5},
        {"^<[a-z]+[ \t\n]", 3, " <img src=x>", -1, 0},
        {"^<[a-z]+[ \t\n]", 3, "<img>", -1, 0},
        {"^[a-z]+:[^/\\]", 3, "mailto:x", 0, 8},
        {"^[a-z]+:[^/\\]", 3, "c:\\x", -1, 0},
        {"^[a-z]+:[^/\\]", 3, "http://host/", -1, 0},
        {"^[a-z]+:[^/\\]", 3, "news:comp", 0, 6},
        {"<TITLE>", 1, "<html><head><Title>x</title>", 12, 7},
        {"<TITLE>", 1, "<TITLE>", 0, 7},
        {"<TITLE>", 1, "<TITL>", -1, 0},
        {"<TITLE>", 0, "<title>", -1, 0},
    });
}

TEST(SaaScan, DoubleByteCharacters) {
    ExpectCases({
        // A narrow run starts candidates on trail bytes but ends only after whole characters.
        {"A", 1, "\x83\x41", 1, 1},
        {"\x83", 0, "\x83\x41", -1, 0},
        {"\x41\x83", 0, "\x83\x41\x83\x41", -1, 0},
        {"\x41\x83\x41", 0, "\x83\x41\x83\x41", 1, 3},
        // Second bytes 0x5C are never escapes or separators.
        {"\x83\x5C", 3, "ab\x83\x5C", 2, 2},
        {"\x94\x5C.", 3, "x\x94\x5Cyz", 1, 3},
        {"[\x83\x5C\x95\x5C]", 3, "ab\x95\x5C" "cd", 2, 2},
        {"[\x8D\x5C]x", 3, "\x8D\x5Cx", 0, 3},
        {"[\x8D\x5C]x", 3, "\\x", -1, 0},
        // A wide run steps whole characters: A inside ア is not a character.
        {"[A\x83\x5C]", 3, "\x83\x41", -1, 0},
        {"[A\x83\x41]", 3, "\x83\x41", 0, 2},
        {"[\x82\xA0-\x82\xF1]+", 3, "x\x82\xA0\x82\xA2\x83\x41", 1, 4},
        {"[^\x82\xA0]", 3, "\x82\xA0\x83\x41", 2, 2},
        {"x.", 3, "x\x83\x5C", 0, 3},
        {"a.b", 3, "a\x95\x5C" "b", 0, 4},
        // Lead bytes at the end of the text or pattern stop at the zero.
        {"\x83\x41", 0, "ab\x83", -1, 0},
        {"b.", 3, "ab\x83", 1, 2},
        {"[\x83\x41]", 3, "ab\x83", -1, 0},
        {"a\x83", 0, "xa\x83", 1, 2},
    });
}

TEST(SaaScan, RunsLongerThan32Positions) {
    std::string literal = "0123456789abcdefghijABCDEFGHIJklmnopqrst";  // 40 bytes
    ASSERT_EQ(literal.size(), 40u);
    std::string nearMiss = literal;
    nearMiss[35] = '#';
    std::string text = "--" + nearMiss + literal.substr(0, 33) + "+" + literal + "..";
    int expected = (int)(2 + nearMiss.size() + 34);
    Found plain = Scan(literal.c_str(), 0, text);
    EXPECT_EQ(plain.offset, expected);
    EXPECT_EQ(plain.length, 40);
    Found syntax = Scan(literal.c_str(), 3, text);
    EXPECT_EQ(syntax.offset, expected);
    EXPECT_EQ(syntax.length, 40);
    std::string upper = literal;
    for (char& c : upper) c = (char)toupper((unsigned char)c);
    Found anyCase = Scan(upper.c_str(), 1, text);
    EXPECT_EQ(anyCase.offset, expected);
    EXPECT_EQ(Scan(upper.c_str(), 0, text).offset, -1);

    // A double-byte character is never cut between two runs.
    std::string dbcs = std::string(31, 'x') + "\x83\x5C" + "y";
    Found cut = Scan(dbcs.c_str(), 0, "-" + dbcs);
    EXPECT_EQ(cut.offset, 1);
    EXPECT_EQ(cut.length, 34);
    EXPECT_EQ(Scan(dbcs.c_str(), 0, "-" + std::string(31, 'x') + "\x83\x5D" "y").offset, -1);

    // Sets with double-byte members hold eight positions per run.
    std::string wide;
    std::string wideText;
    for (int i = 0; i < 20; ++i) {
        wide += "[\x82\xA0-\x82\xF1]";
        wideText += "\x82\xA2";
    }
    Found w = Scan(wide.c_str(), 3, "a" + wideText);
    EXPECT_EQ(w.offset, 1);
    EXPECT_EQ(w.length, 40);
    EXPECT_EQ(Scan(wide.c_str(), 3, "a" + wideText.substr(2)).offset, -1);
}

TEST(SaaScan, GreedyRepeatsNeverGiveBack) {
    ExpectCases({
        {"x[a-z]*a", 3, "xba", -1, 0},
        {"x[a-z]*a", 3, "xa", -1, 0},
        {"x[a-z]*a", 3, "xyz xa", -1, 0},
        {"x[a-z]*1", 3, "ab xyz1", 3, 4},
        {"a*", 3, "", 0, 0},
        {"a*", 3, "aaab", 0, 3},
        {"a*", 3, "baa", 0, 0},  // an empty first run matches only at the start
        {"a?b", 3, "xab", -1, 0},
        {"a?b", 3, "bx", 0, 1},
        {"xa?b", 3, "xxbxab", 1, 2},
        {"colou?r", 3, "color colour", 0, 5},
        {"colou?r", 3, "a colour", 2, 6},
        {"ab+c", 3, "abbbc abc", 0, 5},
        {"ab+c", 3, "ac abc", 3, 3},
        {"a+", 3, "", -1, 0},
        {"a", 3, "", -1, 0},
    });
}

TEST(SaaScan, AnyCharacterEndAndEscapes) {
    ExpectCases({
        {"a.c", 3, "xxabc", 2, 3},
        {".bc", 3, "zabc", 1, 3},
        {"^.bc", 3, "abc", 0, 3},
        {"a.*c", 3, "xaxxcx", 1, 4},
        {"a.*c", 3, "xaxxb", -1, 0},
        {"a.+c", 3, "ac", -1, 0},
        {"a.+c", 3, "acac", 0, 4},
        {"a.+c", 3, "abc", 0, 3},
        {"ab.*", 3, "xabcd", 1, 4},
        {"a.+", 3, "xa", -1, 0},
        {"a.+", 3, "xab", 1, 2},
        {"a.*b.*c", 3, "a1b2a3c", 0, 7},
        {"a.*b.*c", 3, "a1b2a3", -1, 0},
        {"abc$", 3, "abcxabc", 4, 3},
        {"abc$", 3, "abcx", -1, 0},
        {"^abc$", 3, "abc", 0, 3},
        {"a$bc", 3, "ba", 1, 1},
        {"a\\tb", 3, "a\tb", 0, 3},
        {"\\101\\x4a\\x4A", 2, "xAJJ", 1, 3},
        {"\\e\\z\\n", 2, "\x1b\x1a\n", 0, 3},
        {"\\.\\[\\*", 2, "a.[*", 1, 3},
        {"\\.", 2, "ab", -1, 0},
        {"ab\\0cd", 2, "xab", 1, 2},
        {"[z-a]", 2, "-q", 1, 1},
        {"[A-C]x", 3, "bx", 0, 2},
        {"[A-C]x", 2, "bx", -1, 0},
        {"[^a-z]", 3, "abC1", 3, 1},
        {"[\\]]", 2, "\\]", 0, 2},  // the backslash before the closing bracket is a member
        {"[a\\-z]", 2, "-", 0, 1},
        {"[a-]", 2, "-", 0, 1},
        {"[]a", 2, "a", -1, 0},
    });
}

TEST(SaaScan, FirstRunIsAnchoredOrSearched) {
    HANDLE cvt = zvSaaCreateCvtA("^<[a-z]+[ \t\n]", 3);
    ASSERT_NE(cvt, nullptr);
    // Driven as the translator drives it: once at every "<" of a page.
    const char* page = "<html>\n<body bgcolor=x>\n<a href=y>z</a>\n<br>\n<img\nsrc=p>";
    std::vector<std::pair<int, int>> tags;
    for (const char* p = page; (p = strchr(p, '<')) != nullptr; ++p) {
        if (LPSTR hit = zvSaaScanStringA(cvt, p)) {
            EXPECT_EQ(hit, p);
            tags.push_back({(int)(p - page), zvSaaGetMatchLength(cvt)});
        }
    }
    std::vector<std::pair<int, int>> expected = {{7, 6}, {24, 3}, {45, 5}};
    EXPECT_EQ(tags, expected);
    EXPECT_EQ(zvSaaCloseCvt(cvt), TRUE);
}

TEST(SaaScan, ErrorCodesAndHandles) {
    SetSentinelBadHandle();
    EXPECT_EQ(zvSaaCreateCvtA("", 3), nullptr);
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);
    SetSentinelBadHandle();
    EXPECT_EQ(zvSaaCreateCvtA("^", 3), nullptr);
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);
    EXPECT_EQ(zvSaaCreateCvtA("", 1), nullptr);
    EXPECT_EQ(zvSaaCreateCvtA(nullptr, 1), nullptr);

    DWORD fake[16] = {0x41537678};
    const char text[] = "abc";
    SetSentinelBadArgument();
    EXPECT_EQ(zvSaaScanStringA(nullptr, text), nullptr);
    EXPECT_EQ(zvGetErrCode(), 0x7A760004u);
    SetSentinelBadArgument();
    EXPECT_EQ(zvSaaScanStringA(fake, text), nullptr);
    EXPECT_EQ(zvGetErrCode(), 0x7A760004u);
    EXPECT_EQ(zvSaaGetMatchLength(fake), -1);
    EXPECT_EQ(zvSaaGetMatchLength(nullptr), -1);
    SetSentinelBadArgument();
    EXPECT_EQ(zvSaaCloseCvt(fake), FALSE);
    EXPECT_EQ(zvGetErrCode(), 0x7A760004u);

    HANDLE cvt = zvSaaCreateCvtA("b", 0);
    ASSERT_NE(cvt, nullptr);
    SetSentinelBadHandle();
    EXPECT_EQ(zvSaaScanStringA(cvt, text), text + 1);
    EXPECT_EQ(zvGetErrCode(), 0u);  // a scan clears the last error
    EXPECT_EQ(zvSaaGetMatchLength(cvt), 1);
    SetSentinelBadHandle();
    EXPECT_EQ(zvSaaScanStringA(cvt, "xyz"), nullptr);
    EXPECT_EQ(zvGetErrCode(), 0u);
    EXPECT_EQ(zvSaaGetMatchLength(cvt), 0);  // a failed scan leaves no length
    EXPECT_EQ(zvSaaCloseCvt(cvt), TRUE);
}

TEST(SaaScan, HostileTextsStayLinear) {
    // Quadratic work here would not finish: every "a" starts a candidate
    // whose loop runs to the end of the text.
    std::string as(400000, 'a');
    EXPECT_EQ(Scan("a[a-z]*!", 3, as).offset, -1);
    EXPECT_EQ(Scan("a.*b.*c.*!", 3, as + "bc").offset, -1);
    EXPECT_EQ(Scan("a.*a.*a.*b", 3, as).offset, -1);
    Found f = Scan("a.*a.*a.*b", 3, as + "b");
    EXPECT_EQ(f.offset, 0);
    EXPECT_EQ(f.length, (int)as.size() + 1);
    std::string blanks = " href" + std::string(300000, ' ') + "x";
    EXPECT_EQ(Scan("[ \t\n]href[ \t\n]*=", 3, blanks).offset, -1);
}

}  // namespace

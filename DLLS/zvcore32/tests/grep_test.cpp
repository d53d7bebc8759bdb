#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "zvcore32.h"

namespace {

// Offset of zvGrepA's match in text, -1 for none.
int Grep(const std::string& text, const char* pattern) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back(0);
    LPSTR p = zvGrepA(buffer.data(), pattern);
    return p ? (int)(p - buffer.data()) : -1;
}

TEST(GrepA, PatternElements) {
    struct Case {
        const char* text;
        const char* pattern;
        int offset;
    } cases[] = {
        {"http://host/cgi?a=1?b", "\\?", 15},
        {"xaab", "a*b", 1},
        {"123x", "[0-9]+x", 0},
        {"x12y3y", "x?*y", 0},
        {"xabc", "^abc", -1},
        {"abcx", "^abc", 0},
        {"a.c", "a.c", 0},
        {"abc", "a.c", -1},
        {"abc", "a?c", 0},
        {"a\\b", "\\\\b", 1},
        {"ab", "a?+b", -1},
        {"axxb", "a?+b", 0},
        {"abcbc", "bc$", 3},
        {"abc", "b$", -1},
        {"abc1", "[^a-z]", 3},
        {"ab-c", "[-]", 2},
        {"xyz", "[]", -1},
        {"x\x83", "[\x81-\x9F]", 1},      // range bounds are signed bytes
        {"a\x83", "[a-\x81]", -1},        // 'a' to -127 holds nothing
        {"\x83\x5C" "x", "\\\\x", 1},     // no double-byte awareness
        {"aaab", "a+b", 0},
        {"aaac", "xa*c", -1},
        {"baaa", "ba*a", -1},             // the loop never gives back
        {"abc", "[abc", -1},
        {"abc", "ab\\", -1},
        {"a?", "a\\?", 0},
        {"ab", "", 0},
        {"", "", -1},
        {"", "a*", -1},
        {"", "^", 0},
        {"", "^$", 0},
        {"ab", "?*$", 0},
        {"xay", "?*a?*y", 0},
        {"a1b2c", "a?*b?*d", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Grep(c.text, c.pattern), c.offset) << c.pattern << " in " << c.text;
    EXPECT_EQ(zvGrepA(nullptr, "a"), nullptr);
    EXPECT_EQ(zvGrepA("a", nullptr), nullptr);
}

TEST(GrepA, StarsOverLongTextsStayFast) {
    std::string as(200000, 'a');
    EXPECT_EQ(Grep(as, "?*b?*b?*b?*c"), -1);
    EXPECT_EQ(Grep(as + "bbc", "a?*b?*b?*c"), 0);
    EXPECT_EQ(Grep(as + "c", "?*a?*a?*c"), 0);
}

TEST(GrepExA, ScannerPatterns) {
    const char* xbm = "#define pic_width 16\n#define pic_height 24\nstatic char bits[] = {";
    int length = -1;
    EXPECT_EQ(zvGrepExA(xbm, "#define .*width +[0-9]", 1, &length), xbm);
    EXPECT_EQ(length, (int)strlen("#define pic_width 1"));
    // ".*" runs across line ends: the first "#define " starts the match.
    EXPECT_EQ(zvGrepExA(xbm, "#define .*height +[0-9]", 1, &length), xbm);
    EXPECT_EQ(length, 21 + (int)strlen("#define pic_height 2"));
    EXPECT_EQ(zvGrepExA(xbm + 21, "#define .*height +[0-9]", 1, &length), xbm + 21);

    EXPECT_EQ(zvGrepExA("#define pic_WIDTH 16", "#define .*width +[0-9]", 0, &length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_NE(zvGrepExA("#define pic_WIDTH 16", "#define .*width +[0-9]", 1, nullptr), nullptr);

    length = -1;
    EXPECT_EQ(zvGrepExA("abc", "", 1, &length), nullptr);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);  // the scanner's code stands
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include "afxstr.h"

TEST(CString, ValueSemanticsAndConcatenation) {
    CString a("abc");
    CString b = a;
    b += "def";
    EXPECT_STREQ(a, "abc");
    EXPECT_STREQ(b, "abcdef");
    EXPECT_EQ(b.GetLength(), 6);
    EXPECT_TRUE(CString(nullptr).IsEmpty());
    EXPECT_STREQ(CString("x") + 'y' + "z" + CString("!"), "xyz!");
    EXPECT_TRUE(a == "abc");
    EXPECT_TRUE("abc" == a);
    EXPECT_TRUE(a != b);
    EXPECT_EQ(CString("ABC").CompareNoCase("abc"), 0);
    EXPECT_LT(CString("abc").Compare("abd"), 0);
}

TEST(CString, SlicesClampToTheString) {
    CString s("0123456789");
    EXPECT_STREQ(s.Left(3), "012");
    EXPECT_STREQ(s.Left(50), "0123456789");
    EXPECT_STREQ(s.Right(2), "89");
    EXPECT_STREQ(s.Mid(8), "89");
    EXPECT_STREQ(s.Mid(3, 2), "34");
    EXPECT_STREQ(s.Mid(9, 100), "9");
    EXPECT_STREQ(s.Mid(20), "");
    EXPECT_STREQ(s.Left(-1), "");
    EXPECT_EQ(s.GetAt(10), 0);
}

TEST(CString, SearchesAndCaseSkipDoubleByteCharacters) {
    // ソ is 0x83 0x5C: its trail byte must not be found as a backslash.
    CString path("a\x83\x5c" "b\\c");
    EXPECT_EQ(path.Find('\\'), 4);
    EXPECT_EQ(path.ReverseFind('\\'), 4);
    EXPECT_EQ(CString("\x83\x5c").Find('\\'), -1);
    EXPECT_EQ(path.Find("b\\"), 3);
    EXPECT_EQ(CString("\x83\x5c\x5c").Find("\x5c"), 2);

    // 0x83 0x61 is not a letter pair to change: "ａ"-like trail bytes stay.
    CString mixed("ab\x83" "a" "Cd");
    mixed.MakeUpper();
    EXPECT_STREQ(mixed, "AB\x83" "aCD");
    mixed.MakeLower();
    EXPECT_STREQ(mixed, "ab\x83" "acd");

    CString seps("\x95\x5c/x/");
    EXPECT_EQ(seps.Replace('\\', '/'), 0);
    EXPECT_EQ(seps.Replace('/', '\\'), 2);
    EXPECT_STREQ(seps, "\x95\x5c\\x\\");
}

TEST(CString, FormatAndBuffers) {
    CString s;
    s.Format("%s-%04d", "id", 42);
    EXPECT_STREQ(s, "id-0042");
    std::string longText(5000, 'q');
    s.Format("<%s>", longText.c_str());
    EXPECT_EQ(s.GetLength(), 5002);

    char* buffer = s.GetBuffer(16);
    buffer[0] = 'x';
    buffer[1] = 0;
    s.ReleaseBuffer();
    EXPECT_STREQ(s, "x");
    s.GetBufferSetLength(3)[2] = 'z';
    s.ReleaseBuffer(3);
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_EQ(s[2], 'z');

    CString t("  padded \r\n");
    t.TrimLeft();
    t.TrimRight();
    EXPECT_STREQ(t, "padded");
}

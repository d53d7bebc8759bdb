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

TEST(FillText, FillsTheFirstMarkerOnlyAndLeavesTheRestAsWritten) {
    EXPECT_STREQ(AfxFillText("%s\nfailed 100%", "C:\\a"), "C:\\a\nfailed 100%");
    EXPECT_STREQ(AfxFillText("%s and %s", "x"), "x and %s");
    EXPECT_STREQ(AfxFillText("%s!", nullptr), "!");
    EXPECT_STREQ(AfxFillText("no marker", "x"), "no marker");
    EXPECT_STREQ(AfxFillText("%d %s", "7", "%d"), "7 %s");
    EXPECT_STREQ(AfxFillText(nullptr, "x"), "");
    // An argument that looks like a format stays as it is.
    EXPECT_STREQ(AfxFillText("[%s]", "%s%d%n"), "[%s%d%n]");
}

TEST(FillText, CutsALongResultAtAWholeCharacter) {
    std::string arg(kAfxTextLimit - 2, 'a');
    arg += "\x83\x5c\x83\x5c";  // ソソ: the first one straddles the limit
    CString text = AfxFillText("x%s", arg.c_str());
    ASSERT_EQ(text.GetLength(), kAfxTextLimit - 1);
    EXPECT_EQ(text[kAfxTextLimit - 2], 'a');
    text = AfxFillText("%s", std::string(kAfxTextLimit + 100, 'b').c_str());
    EXPECT_EQ(text.GetLength(), kAfxTextLimit);
}

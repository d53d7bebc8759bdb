#include <gtest/gtest.h>

#include <string>

#include "zvcore32.h"

namespace {

// ソ and 表: Shift_JIS characters whose trail byte is the backslash.
const char kSo[] = "\x83\x5c";
const char kHyo[] = "\x95\x5c";

std::string After(const char* p) { return p ? std::string(p) : std::string("<null>"); }

std::string RightPath(std::string s) {
    zvControlRightPathA(&s[0]);
    return std::string(s.c_str());
}

std::string RightUrl(std::string s) {
    zvControlRightUrlA(&s[0]);
    return std::string(s.c_str());
}

}  // namespace

TEST(ScanFileName, FindsTextBehindLastSeparatorOnly) {
    const char* path = "c:\\dir/sub\\file.htm";
    EXPECT_EQ(zvScanFileNameA(path), path + 11);
    EXPECT_EQ(zvScanFileNameA("file.htm"), nullptr);
    EXPECT_EQ(zvScanFileNameA(""), nullptr);
    const char* folder = "c:\\dir\\";
    EXPECT_EQ(zvScanFileNameA(folder), folder + 7);

    std::string dbcs = std::string("a\\") + kSo + kHyo;
    EXPECT_EQ(zvScanFileNameA(dbcs.c_str()), dbcs.c_str() + 2);
}

TEST(ScanExtName, LastDotOfLastComponentAndErrorHandling) {
    EXPECT_EQ(After(zvScanExtNameA("a.tar.gz")), "gz");
    EXPECT_EQ(zvScanExtNameA("dir.x\\file"), nullptr);
    EXPECT_EQ(zvScanExtNameA("dir.x/file"), nullptr);
    std::string dbcs = std::string("a.b") + kSo;
    EXPECT_EQ(After(zvScanExtNameA(dbcs.c_str())), std::string("b") + kSo);

    EXPECT_EQ(zvScanExtNameA(nullptr), nullptr);
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);
    zvScanExtNameA("x.y");
    EXPECT_EQ(zvGetErrCode(), 0u) << "a scan clears the last error";

    zvScanExtNameA(nullptr);
    EXPECT_NE(zvScanFileNameA("c:\\x"), nullptr);
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u) << "successful calls keep the last error";
}

TEST(ControlRightPath, ShortensSeparatorRunsButNotTrailBytes) {
    EXPECT_EQ(RightPath("c:\\\\a//b\\\\\\c\\"), "c:\\a/b\\c\\");
    EXPECT_EQ(RightPath("\\\\\\\\server\\\\share"), "\\\\server\\share");
    EXPECT_EQ(RightPath("\\\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(RightPath("/x"), "/x");
    EXPECT_EQ(RightPath(""), "");
    std::string so = std::string("c:\\") + kSo + "\\x";
    EXPECT_EQ(RightPath(so), so) << "the separator after a 0x5C trail byte is not a duplicate";
    EXPECT_EQ(RightPath(std::string("c:\\") + kHyo + "\\\\x"), std::string("c:\\") + kHyo + "\\x");
    EXPECT_EQ(zvControlRightPathA(nullptr), 0);
}

TEST(ControlRightUrl, KeepsSeparatorsBehindColon) {
    EXPECT_EQ(RightUrl("http://host//a///b"), "http://host/a/b");
    EXPECT_EQ(RightUrl("file:///c:/x///y"), "file:///c:/x/y");
    EXPECT_EQ(RightUrl(std::string("http://h/") + kSo + "//x"), std::string("http://h/") + kSo + "/x");
    EXPECT_EQ(RightUrl(std::string("http://h/") + kSo + "/x"), std::string("http://h/") + kSo + "/x");
}

TEST(WidePaths, SameRulesOnSixteenBitUnits) {
    const WCHAR path[] = {'a', '\\', 'b', '.', 'c', 0};
    EXPECT_EQ(zvScanFileNameW(path), path + 2);
    EXPECT_EQ(zvScanExtNameW(path), path + 4);
    WCHAR messy[] = {'a', '/', '/', 'b', 0};
    zvControlRightPathW(messy);
    EXPECT_EQ(messy[2], 'b');
}

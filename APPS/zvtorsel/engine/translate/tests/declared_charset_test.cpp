#include "translate/declared_charset.h"

#include <gtest/gtest.h>

#include <string>

#include "translate/html_translator.h"
#include "base/memoryfiles.h"
#include "zvjcode.h"

namespace {

// 土鍋の検索結果 in EUC-JP and in Shift_JIS.
const std::string kTitleEuc = "\xc5\xda\xc6\xe9\xa4\xce\xb8\xa1\xba\xf7\xb7\xeb\xb2\xcc";
const std::string kTitleSjis = "\x93\x79\x93\xe7\x82\xcc\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca";
const std::string kEucMeta = "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=EUC-JP\">";
const std::string kSjisMeta = "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=SHIFT_JIS\">";

class DeclaredCharset : public ::testing::Test {
protected:
    DeclaredCharset() : translator(files, nullptr, settings) {}
    void SetUp() override {
        ASSERT_TRUE(translator.AllocBuffers(kBuffersAll));
        ASSERT_TRUE(translator.OpenLinkScanners(TRUE));
    }
    std::string Run(const std::string& page, const char* contentType) {
        files.Content("p") = page;
        if (!translator.LoadHtml("p", TRUE, contentType)) return "<load failed>";
        translator.Translate("C:\\Web\\", "http://h/", TRUE);
        return std::string(translator.Output(), translator.TranslatedLength());
    }
    CMemoryFiles files;
    MappingSettings settings;
    CHtmlTranslator translator;
};

TEST_F(DeclaredCharset, ShortEucPageIsConvertedWhenDeclaredByHeaderOrMeta) {
    const std::string body = "<HTML><HEAD>" + kEucMeta + "<TITLE>" + kTitleEuc + "</TITLE></HEAD></HTML>";
    // The judge alone takes these few EUC-JP bytes for Shift_JIS.
    ASSERT_EQ(ZVJCODE_SJIS, zvJudgeJpnCodeType(body.c_str()));
    const std::string expected = "<HTML><HEAD>" + kSjisMeta + "<TITLE>" + kTitleSjis + "</TITLE></HEAD></HTML>";
    EXPECT_EQ(expected, Run(body, "text/html; charset=EUC-JP"));
    EXPECT_EQ(expected, Run(body, nullptr));
    EXPECT_EQ("<p>" + kTitleSjis, Run("<p>" + kTitleEuc, "text/html;charset=\"euc-jp\""));
    // HTML5's short form declares as well.
    EXPECT_EQ("<meta charset=\"SHIFT_JIS\"><p>" + kTitleSjis, Run("<meta charset=\"euc-jp\"><p>" + kTitleEuc, nullptr));
    EXPECT_EQ("<META\nCharset=SHIFT_JIS >" + kTitleSjis,
              Run("<META\nCharset=EUC-JP >" + kTitleEuc, nullptr).erase(5, 1));
}

TEST_F(DeclaredCharset, ServerComesFirstAndImpossibleDeclarationsFallToTheJudge) {
    // Shift_JIS bytes (ソ with its 0x5C trail) cannot be EUC-JP: the judge decides.
    const std::string so = "\x83\x5c\x95\x5c";
    EXPECT_EQ(kSjisMeta + so, Run(kEucMeta + so, nullptr));
    // The server's EUC-JP overrules the page's Shift_JIS.
    EXPECT_EQ(kSjisMeta + kTitleSjis, Run(kSjisMeta + kTitleEuc, "text/html; charset=EUC-JP"));
}

TEST_F(DeclaredCharset, ForeignPagesAreNeitherConvertedNorRelabelled) {
    const std::string utf8Meta = "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">";
    const std::string utf8 = "\xe5\x9c\x9f\xe9\x8d\x8b";  // 土鍋
    EXPECT_EQ(utf8Meta + utf8, Run(utf8Meta + utf8, nullptr));
    EXPECT_EQ(kEucMeta + kTitleEuc, Run(kEucMeta + kTitleEuc, "text/html; charset=iso-8859-1"));
    // A UTF-8 declaration the bytes cannot be is no declaration.
    EXPECT_EQ(kSjisMeta + kTitleSjis, Run(kEucMeta + kTitleEuc, "text/html; charset=utf-8"));
}

TEST(CharsetNames, HeadersMetasAndRules) {
    EXPECT_EQ(ZVJCODE_EUC, CharsetOfContentType("text/html; Charset = x-euc-jp"));
    EXPECT_EQ(ZVJCODE_JIS, CharsetOfContentType("text/html; charset='ISO-2022-JP'"));
    EXPECT_EQ(kCharsetUndeclared, CharsetOfContentType("text/html"));
    EXPECT_EQ(kCharsetUndeclared, CharsetOfContentType(nullptr));
    EXPECT_EQ(kCharsetForeign, CharsetOfContentType("text/css; charset=windows-1252"));
    const std::string late = "<p>charset=EUC-JP</p><meta name=x><META\ncharset=Shift_JIS>";
    EXPECT_EQ(ZVJCODE_SJIS, CharsetOfMeta(late.data(), late.size()));
    const std::string none = "<metadata charset=euc-jp><meta";
    EXPECT_EQ(kCharsetUndeclared, CharsetOfMeta(none.data(), none.size()));
    size_t at = 0, n = 0;
    const std::string sheet = "\xEF\xBB\xBF@charset \"EUC-JP\";\nbody{}";
    ASSERT_TRUE(FindStyleSheetCharset(sheet.data(), sheet.size(), &at, &n));
    EXPECT_EQ("EUC-JP", sheet.substr(at, n));
    // Only the exact form counts, as in a browser.
    for (const char* s : {"@charset 'EUC-JP';", "@CHARSET \"EUC-JP\";", " @charset \"x\";", "@charset \""})
        EXPECT_FALSE(FindStyleSheetCharset(s, strlen(s), &at, &n)) << s;
}

}  // namespace

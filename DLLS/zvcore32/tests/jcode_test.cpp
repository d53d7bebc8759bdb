#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "zvcore32.h"

namespace {

const char* const ESC_IN = "\x1b$B";
const char* const ESC_OUT = "\x1b(J";

// Converts through an output buffer of exactly the documented size, so a
// write past the bound is caught by the sanitizers.
std::string Convert(const std::string& in, int inCode, int outCode, int* written = nullptr) {
    std::vector<char> input(in.begin(), in.end());
    input.push_back(0);
    std::vector<char> out(zvJpnCodeBufferSize(in.size(), outCode), 'x');
    int n = zvConvertJpnCode(out.data(), outCode, input.data(), inCode);
    EXPECT_GE(n, 0);
    EXPECT_LT((size_t)n, out.size());
    EXPECT_EQ(out[n], 0);
    if (written) *written = n;
    return std::string(out.data(), n);
}

TEST(JudgeJpnCode, DecisiveBytes) {
    struct Case {
        const char* text;
        int code;
    } cases[] = {
        {"", 0},
        {"plain ASCII text\r\n", 0},
        {"abc\x1b$B", 1},
        {"\x82\xA0\x1b", 0},       // 0x82 decides first
        {"\xA4\xA2\xA4\xA4", 2},   // EUC-JP hiragana at the start
        {"\x82\xA0", 0},
        {"\x88\x9F\x82\xA0", 0},
        {"ab\x07" "c", -1},
        {"a\tb\r\n\x1a" "c", 0},
        {"x\xFD", 2},
        {"a\x81\x20", 0},          // 0x81 decides at once
        {"a\xE0\x20", 2},          // a lead byte without a trail byte
        {"\xB1\xB2\xB3", 2},       // half-width katakana at the start
        {"a\xB1\xB2", 0},          // and after ASCII
        {"\x8E\x41", 0},           // 0x8E without an EUC-JP second byte
        {"\x7F", -1},
    };
    for (const Case& c : cases) {
        std::string t = c.text;
        EXPECT_EQ(zvJudgeJpnCodeType(t.c_str()), c.code) << testing::PrintToString(t);
    }
    EXPECT_EQ(zvJudgeJpnCodeType(nullptr), 0);
}

TEST(ConvertJpnCode, DocumentedExamples) {
    int n = -1;
    EXPECT_EQ(Convert(std::string(ESC_IN) + "\x30\x21" + ESC_OUT, 1, 0, &n), "\x88\x9F");
    EXPECT_EQ(n, 2);
    EXPECT_EQ(Convert("A\r\nB\rC", 0, 0, &n), "A\nB\nC");
    EXPECT_EQ(n, 5);
    EXPECT_EQ(Convert("\x88\x9F", 0, 1, &n), std::string(ESC_IN) + "\x30\x21" + ESC_OUT);
    EXPECT_EQ(n, 8);
}

// あ ソ 表 能 構 亜 in the three encodings.
const char* const SJIS_SAMPLE = "\x82\xA0\x83\x5C\x95\x5C\x94\x5C\x8D\x5C\x88\x9F";
const char* const EUC_SAMPLE = "\xA4\xA2\xA5\xBD\xC9\xBD\xC7\xBD\xB9\xBD\xB0\xA1";
const char* const JIS_PAIRS = "\x24\x22\x25\x3D\x49\x3D\x47\x3D\x39\x3D\x30\x21";

TEST(ConvertJpnCode, AllPairsOfEncodings) {
    const std::string sjis = std::string("a ") + SJIS_SAMPLE + " z\r\n";
    const std::string euc = std::string("a ") + EUC_SAMPLE + " z\r\n";
    const std::string jis = std::string("a ") + ESC_IN + JIS_PAIRS + ESC_OUT + " z\r\n";
    const std::string texts[3] = {sjis, jis, euc};
    for (int from = 0; from < 3; ++from) {
        for (int to = 0; to < 3; ++to) {
            std::string expected = texts[to];
            expected.replace(expected.size() - 2, 2, "\n");
            EXPECT_EQ(Convert(texts[from], from, to), expected) << from << " to " << to;
        }
    }
    // JIS escapes of other sets and the old ESC K / ESC H pair.
    EXPECT_EQ(Convert(std::string("\x1b$@\x24\x22\x1b(Bx"), 1, 0), "\x82\xA0x");
    EXPECT_EQ(Convert(std::string("\x1bK\x24\x22\x1bHx"), 1, 2), "\xA4\xA2x");
}

TEST(ConvertJpnCode, EveryJisCharacterRoundTrips) {
    std::string sjis;
    for (int s1 = 0x81; s1 <= 0xEF; ++s1) {
        if (s1 > 0x9F && s1 < 0xE0) continue;
        for (int s2 = 0x40; s2 <= 0xFC; ++s2) {
            if (s2 == 0x7F) continue;
            sjis += (char)s1;
            sjis += (char)s2;
        }
    }
    std::string euc = Convert(sjis, 0, 2);
    ASSERT_EQ(euc.size(), sjis.size());
    for (size_t i = 0; i < euc.size(); ++i) {
        ASSERT_GE((BYTE)euc[i], 0xA1) << i;
        ASSERT_LE((BYTE)euc[i], 0xFE) << i;
    }
    EXPECT_EQ(Convert(euc, 2, 0), sjis);
    std::string jis = Convert(sjis, 0, 1);
    EXPECT_EQ(jis.size(), sjis.size() + 6);
    EXPECT_EQ(Convert(jis, 1, 0), sjis);
    EXPECT_EQ(Convert(jis, 1, 2), euc);
    EXPECT_EQ(Convert(euc, 2, 1), jis);
}

TEST(ConvertJpnCode, LineEndsAndStrayBytes) {
    struct Case {
        std::string in;
        int from;
        int to;
        std::string out;
    } cases[] = {
        {"a\r\r\nb\n\rc", 0, 0, "a\n\nb\n\nc"},
        {"a\r\n\x82\xA0\r", 0, 2, "a\n\xA4\xA2\n"},
        {"a\x88", 0, 1, "a\x88"},                        // a lead byte before the zero stays
        {"a\x88", 0, 2, "a\x88"},
        {"\x88\x9F\x88", 0, 1, std::string(ESC_IN) + "\x30\x21" + ESC_OUT + "\x88"},
        {"\xB1\xB2", 0, 1, "\xB1\xB2"},                  // half-width katakana stay 8-bit
        {"\x8E\xB1", 2, 0, "\x8E\xB1"},                  // the EUC single shift stays
        {"a\xB0" "b", 2, 1, "a\xB0" "b"},                // a lone high byte is no character
        {std::string("\x1b$B\x30"), 1, 0, ""},           // a lone first byte is dropped
        {std::string("\x1b$B\x30\r\n\x21\x1b(J"), 1, 2, "\xB0\x8D\x8A\xA1"},  // pairs inside the set
        {std::string("a\x1bxb\x1b"), 1, 0, "a\x1bxb\x1b"},
        {std::string("\x1b$"), 1, 0, "\x1b$"},
        {"\r", 2, 0, "\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Convert(c.in, c.from, c.to), c.out) << testing::PrintToString(c.in) << " " << c.from
                                                      << " to " << c.to;
}

TEST(ConvertJpnCode, UnknownCodesGiveTheEmptyString) {
    char out[8];
    for (int code : {-1, 3, 100}) {
        memset(out, 'x', sizeof out);
        EXPECT_EQ(zvConvertJpnCode(out, code, "abc", 0), 0);
        EXPECT_EQ(out[0], 0);
        memset(out, 'x', sizeof out);
        EXPECT_EQ(zvConvertJpnCode(out, 0, "abc", code), 0);
        EXPECT_EQ(out[0], 0);
    }
    memset(out, 'x', sizeof out);
    EXPECT_EQ(zvConvertJpnCode(out, 0, nullptr, 0), 0);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(zvConvertJpnCode(nullptr, 0, "abc", 0), 0);
}

TEST(ConvertJpnCode, WorstCaseFitsTheBound) {
    // Every lone character between single bytes gains six bytes of escapes.
    std::string sjis;
    std::string euc;
    for (int i = 0; i < 1000; ++i) {
        sjis += "\x88\x9F" "a";
        euc += "\xB0\xA1" "a";
    }
    int n = 0;
    Convert(sjis, 0, 1, &n);
    EXPECT_EQ((size_t)n + 1, zvJpnCodeBufferSize(sjis.size(), 1) - 2);
    Convert(euc, 2, 1, &n);
    EXPECT_EQ((size_t)n + 1, zvJpnCodeBufferSize(euc.size(), 1) - 2);
    Convert("a\x88\x9F" "a", 0, 1, &n);
    EXPECT_EQ(n, 10);
    Convert("\x88\x9F", 0, 1, &n);
    EXPECT_EQ((size_t)n + 1, zvJpnCodeBufferSize(2, 1) - 0);
    // The other directions never lengthen a text.
    std::string jis = Convert(sjis, 0, 1);
    for (int to : {0, 2}) {
        Convert(jis, 1, to, &n);
        EXPECT_LE((size_t)n, jis.size());
    }
}

}  // namespace

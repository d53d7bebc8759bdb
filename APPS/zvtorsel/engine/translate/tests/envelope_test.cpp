#include <gtest/gtest.h>

#include <string>

#include "translate/envelope.h"
#include "translate/html_translator.h"
#include "base/memoryfiles.h"

namespace {

const std::string kHeader =
    "<!-- zvtorsel : z.v Torsel Sitekeeper's HTML Translation Service ver.1.01  -->\r\n";
const std::string kMarker =
    "<!-- zvtorsel : This is a Translated Block. Don't modify.                  -->\r\n";
const std::string kOrgMarker =
    "\r\n<!-- zvtorsel : This is an Original Block. Don't modify.                   -->\r\n";
const std::string kAlign =
    "\r\n<!-- zvtorsel : This is a 512 byte Size Alignment Block. Don't modify.     -->\r\n";

std::string SizeLine(long org, long xlat, long orgBlk) {
    char line[81];
    snprintf(line, sizeof line, "%s%010ld%s%010ld%s%010ld%s", "<!-- zvtorsel : ORG SIZE=", org,
             " XLAT BLK=", xlat, " ORG BLK=", orgBlk, " -->\r\n");
    return line;
}

std::string Padding(size_t p) {
    std::string s;
    for (size_t i = 0; i < p / 80; ++i) s += std::string(78, ' ') + "\r\n";
    return s + std::string(p % 80, ' ');
}

std::string Join(const EnvelopeWriter& w) {
    std::string s;
    for (int i = 0; i < w.Count(); ++i) s.append((const char*)w.Pieces()[i].data, w.Pieces()[i].length);
    return s;
}

// An envelope built by hand from the layout, for files of any version.
std::string Envelope(const std::string& version, const std::string& translated,
                     const std::string& original, const char* wrapper) {
    std::string header = kHeader;
    header.replace(69, 4, version);
    std::string s = header + SizeLine((long)original.size(), (long)translated.size(),
                                      wrapper ? (long)original.size() : 0) +
                    kMarker + translated;
    if (wrapper) s += kOrgMarker + "<" + wrapper + ">\r\n" + original + "\r\n</" + wrapper + ">";
    s += kAlign;
    return s + Padding(512 - s.size() % 512);
}

TEST(Envelope, LayoutIsExactToTheByte) {
    struct Case {
        size_t translated, original;
        bool keep, noframes;
        size_t padding, total;
    } cases[] = {
        {0, 0, false, false, 190, 512},    // the smallest file
        {190, 7, false, true, 512, 1024},  // B + 82 already aligned: a whole block of padding
        {111, 0, false, false, 79, 512},   // 79 blanks, no line end
        {110, 0, false, false, 80, 512},   // one line
        {20, 100, true, true, 512 - (20 + 100 + 347 + 82) % 512, 1024},
        {20, 100, true, false, 512 - (20 + 100 + 345 + 82) % 512, 1024},
        {0, 0, true, true, 512 - (347 + 82), 512},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.translated << " " << c.original << " " << c.keep);
        std::string translated(c.translated, 't'), original(c.original, 'o');
        EnvelopeWriter w(translated.data(), translated.size(), original.data(), original.size(),
                         c.keep, c.noframes);
        std::string file = Join(w);
        EXPECT_EQ(w.PaddingLength(), c.padding);
        EXPECT_EQ(file.size(), c.total);
        EXPECT_EQ(w.TotalLength(), c.total);
        EXPECT_EQ(file, Envelope("1.01", translated, original,
                                 c.keep ? (c.noframes ? "noframes" : "comment") : nullptr));
        char digits[11];
        snprintf(digits, sizeof digits, "%010zu", c.original);
        EXPECT_EQ(file.substr(105, 10), digits);
        snprintf(digits, sizeof digits, "%010zu", c.translated);
        EXPECT_EQ(file.substr(125, 10), digits);
        snprintf(digits, sizeof digits, "%010zu", c.keep ? c.original : 0);
        EXPECT_EQ(file.substr(144, 10), digits);
    }
    EXPECT_EQ(Padding(79), std::string(79, ' '));
    EXPECT_EQ(Padding(512), Padding(480) + std::string(32, ' '));
}

TEST(Envelope, RecognisesHeadersWithAnyDigits) {
    std::string file = Envelope("1.01", "xx", "orig", "noframes");
    size_t offset, length;
    EXPECT_EQ(LocateContent(file.data(), file.size(), &offset, &length), kOriginalBlock);
    EXPECT_EQ(file.substr(offset, length), "orig");

    std::string later = Envelope("9.87", "xx", "orig", "comment");
    EnvelopeHeader h;
    ASSERT_TRUE(ParseEnvelopeHeader(later.data(), later.size(), &h));
    EXPECT_EQ(h.version, 987);
    EXPECT_EQ(LocateContent(later.data(), later.size(), &offset, &length), kOriginalBlock);
    EXPECT_EQ(later.substr(offset, length), "orig");

    std::string notDigit = file;
    notDigit[71] = 'x';
    EXPECT_FALSE(ParseEnvelopeHeader(notDigit.data(), notDigit.size(), &h));
    std::string otherText = file;
    otherText[10] = 'Z';
    EXPECT_FALSE(ParseEnvelopeHeader(otherText.data(), otherText.size(), &h));
    EXPECT_FALSE(ParseEnvelopeHeader(file.data(), 79, &h));
    EXPECT_FALSE(ParseEnvelopeHeader(file.data(), 153, &h));
    EXPECT_TRUE(ParseEnvelopeHeader(file.data(), 154, &h));

    // A field with a non-digit makes the file ordinary HTML.
    for (size_t at : {105u, 114u, 125u, 134u, 144u, 153u}) {
        std::string damaged = file;
        damaged[at] = ' ';
        EXPECT_EQ(LocateContent(damaged.data(), damaged.size(), &offset, &length), kPlainHtml);
        EXPECT_EQ(offset, 0u);
        EXPECT_EQ(length, damaged.size());
    }
}

TEST(Envelope, FindsTheContentOfEveryKind) {
    size_t offset, length;
    // Version 1.00 always had the comment wrapper: no line end is looked for.
    std::string v100 = Envelope("1.00", "abc", "\nfirst line", "comment");
    EXPECT_EQ(LocateContent(v100.data(), v100.size(), &offset, &length), kOriginalBlock);
    EXPECT_EQ(offset, 333u + 3);
    EXPECT_EQ(v100.substr(offset, length), "\nfirst line");

    std::string noOriginal = Envelope("1.01", "translated", "original!", nullptr);
    EXPECT_EQ(LocateContent(noOriginal.data(), noOriginal.size(), &offset, &length),
              kTranslatedBlock);
    EXPECT_EQ(noOriginal.substr(offset, length), "translated");

    // Sizes that point beyond the file, or no line end after the marker.
    std::string cut = Envelope("1.01", "abc", std::string(300, 'o'), "noframes").substr(0, 500);
    EXPECT_EQ(LocateContent(cut.data(), cut.size(), &offset, &length), kBrokenEnvelope);
    std::string big = noOriginal;
    big.replace(125, 10, "0000099999");
    EXPECT_EQ(LocateContent(big.data(), big.size(), &offset, &length), kBrokenEnvelope);
    std::string huge = Envelope("1.01", "", "o", "comment");
    huge.replace(125, 10, "9999999999");
    EXPECT_EQ(LocateContent(huge.data(), huge.size(), &offset, &length), kBrokenEnvelope);
    std::string noLf = Envelope("1.01", "", "o", "comment").substr(0, 330);
    EXPECT_EQ(LocateContent(noLf.data(), noLf.size(), &offset, &length), kBrokenEnvelope);

    std::string plain = "<html>" + std::string(506, ' ');
    EXPECT_EQ(LocateContent(plain.data(), plain.size(), &offset, &length), kPlainHtml);
}

class Restore : public ::testing::Test {
protected:
    Restore() : translator(files, nullptr, mapping) {}
    CMemoryFiles files;
    MappingSettings mapping;
    CHtmlTranslator translator;
};

TEST_F(Restore, GivesBackTheOriginalBytesOfEveryWrapperAndVersion) {
    const std::string original = "<html>\r\n\x1b$B0!\x1b(J\r\rlone\n\xa4\xa2</html>";
    const std::string kinds[][2] = {{"1.01", "noframes"}, {"1.01", "comment"}, {"1.00", "comment"}};
    ASSERT_TRUE(translator.AllocBuffers(kBuffersFile));
    files.readChunk = 100;
    for (const auto& k : kinds) {
        SCOPED_TRACE(k[0] + k[1]);
        files.Content("page") = Envelope(k[0], "translated\r\n", original, k[1].c_str());
        ASSERT_TRUE(translator.LoadHtml("page", FALSE));
        EXPECT_TRUE(translator.HasOriginal());
        FILETIME when = {111, 222};
        ASSERT_TRUE(translator.WriteOriginal("page", when));
        EXPECT_EQ(files.Content("page"), original);
        EXPECT_EQ(files.Time("page") >> 32, 222u);
    }
    // A plain page or a file without its original cannot be restored.
    files.Content("plain") = original;
    ASSERT_TRUE(translator.LoadHtml("plain", FALSE));
    EXPECT_FALSE(translator.HasOriginal());
    EXPECT_FALSE(translator.WriteOriginal("plain", FILETIME{1, 1}));
    files.Content("lost") = Envelope("1.01", "t", original, nullptr);
    ASSERT_TRUE(translator.LoadHtml("lost", FALSE));
    EXPECT_FALSE(translator.HasOriginal());
    EXPECT_EQ(std::string(translator.Content(), translator.SourceLength()), "t");
    EXPECT_FALSE(translator.WriteOriginal("lost", FILETIME{1, 1}));
    EXPECT_EQ(files.Content("plain"), original);
}

TEST_F(Restore, ReadsTheHeaderOnly) {
    files.Content("t") = Envelope("1.01", "abcd", "0123456789", "noframes");
    long org = -1, xlat = -1, orgBlk = -1;
    EXPECT_TRUE(translator.ReadTranslationHeader("t", &org, &xlat, &orgBlk));
    EXPECT_EQ(org, 10);
    EXPECT_EQ(xlat, 4);
    EXPECT_EQ(orgBlk, 10);
    files.Content("n") = Envelope("2.00", "abcd", "0123456789", nullptr);
    EXPECT_TRUE(translator.ReadTranslationHeader("n", &org, &xlat, &orgBlk));
    EXPECT_EQ(org, 10);
    EXPECT_EQ(orgBlk, 0);
    files.Content("d") = files.Content("t");
    files.Content("d")[150] = 'x';
    EXPECT_FALSE(translator.ReadTranslationHeader("d", &org, &xlat, &orgBlk));
    files.Content("s") = std::string(512, ' ');
    EXPECT_FALSE(translator.ReadTranslationHeader("s", &org, &xlat, &orgBlk));
    files.Content("short") = files.Content("t").substr(0, 150);
    EXPECT_FALSE(translator.ReadTranslationHeader("short", &org, &xlat, &orgBlk));
}

}  // namespace

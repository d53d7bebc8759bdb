#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/bytescan.h"
#include "base/compacttext.h"
#include "base/textpool.h"

namespace {

TEST(TextPool, TextsStayWhereTheyWereAsBlocksAreAdded) {
    CTextPool pool;
    std::vector<const char*> kept;
    std::vector<std::string> texts;
    // Enough to fill several blocks, with texts longer than a quarter block
    // between them, and one with a zero byte inside.
    for (int i = 0; i < 5000; ++i) {
        std::string text = "http://h/p" + std::to_string(i) + ".html";
        if (i % 997 == 0) text.append(20000, 'x');
        if (i == 7) text[3] = 0;
        texts.push_back(text);
        kept.push_back(pool.Add(text));
    }
    for (size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(0, memcmp(texts[i].data(), kept[i], texts[i].size())) << i;
        EXPECT_EQ(0, kept[i][texts[i].size()]) << "terminated";
    }
    EXPECT_STREQ("", pool.Add("", 0));
    EXPECT_LT(pool.Reserved(), (size_t)(5 * 20001 + 200000)) << "no block per text";
    const char* type = pool.Intern("image/gif");
    EXPECT_EQ(type, pool.Intern(std::string("image/") + "gif"));
    EXPECT_NE(type, pool.Intern("image/png"));
    EXPECT_STREQ("", pool.Intern(""));
    // Texts of one length and the same first and last bytes share a slot of
    // the cache in front of the table: each still has its own copy.
    const char* gzip = pool.Intern("gzip");
    const char* gxxp = pool.Intern("gxxp");
    EXPECT_NE(gzip, gxxp);
    EXPECT_EQ(gzip, pool.Intern("gzip"));
    EXPECT_EQ(gxxp, pool.Intern("gxxp"));
    EXPECT_STREQ("gxxp", gxxp);
}

TEST(TextPool, AdoptedTextsOutliveTheirPool) {
    CTextPool keeper;
    const char* own = keeper.Add("own", 3);
    std::vector<const char*> adopted;
    {
        CTextPool reader;
        for (int i = 0; i < 3000; ++i) adopted.push_back(reader.Add(std::string(40, (char)('a' + i % 26))));
        adopted.push_back(reader.Intern("text/html"));
        size_t before = keeper.Reserved();
        keeper.Adopt(reader);
        EXPECT_GT(keeper.Reserved(), before + 3000 * 40);
        // The emptied pool serves on, and forgets what it interned.
        EXPECT_STREQ("next", reader.Add("next", 4));
        EXPECT_NE(adopted.back(), reader.Intern("text/html"));
    }
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(std::string(40, (char)('a' + i % 26)), adopted[i]) << i;
    EXPECT_STREQ("text/html", adopted.back());
    EXPECT_STREQ("own", own);
    EXPECT_STREQ("more", keeper.Add("more", 4));
}

TEST(ByteScan, FindsTheFirstMatchAtEveryPlaceAndNeverReadsPastTheEnd) {
    // Every length and place against a byte loop, over bytes with the high
    // bit set and next to the ones searched for, from unaligned starts.
    const char targets[] = {'\0', '\n', ':', (char)0xff, (char)0x80, 0x1f, 0x20};
    std::vector<char> bytes(80);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = (char)(0x81 + i * 37 % 0x7d);
    for (char target : targets) {
        for (size_t start = 0; start < 9; ++start) {
            for (size_t length = 0; start + length <= 40; ++length) {
                for (size_t at = start; at <= start + length; ++at) {
                    std::vector<char> text(bytes.begin(), bytes.begin() + 48);
                    for (char& c : text)
                        if (c == target || c == '\n' || c == 0) c = 0x7e;
                    if (at < start + length) text[at] = target;
                    // A match just past the end is not looked at.
                    text[start + length] = target;
                    const char* begin = text.data() + start;
                    const char* end = begin + length;
                    const char* want = begin;
                    while (want < end && *want != target) ++want;
                    ASSERT_EQ(want, bytescan::Find(begin, end, target)) << (int)target << " " << start << " " << length;
                    const char* either = begin;
                    while (either < end && *either != target && *either != '\n') ++either;
                    ASSERT_EQ(either, bytescan::FindEither(begin, end, target, '\n'));
                    // Control bytes: the high ones sit just above, 0x7e far above.
                    bool none = true;
                    for (const char* p = begin; p < end; ++p) none &= (unsigned char)*p >= 0x20;
                    ASSERT_EQ(none, bytescan::NoneBelow(begin, end, 0x20))
                        << (int)target << " " << start << " " << length;
                }
            }
        }
    }
}

TEST(CompactText, CopiesMovesAndComparesLikeAString) {
    CompactText empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(0u, empty.size());
    EXPECT_STREQ("", empty.c_str());
    CompactText url = std::string("http://h/\x83\x5C.html");
    EXPECT_EQ(16u, url.size());
    CompactText copy = url;
    EXPECT_EQ(url.str(), copy.str());
    EXPECT_NE(url.c_str(), copy.c_str());
    CompactText moved = std::move(copy);
    EXPECT_TRUE(copy.empty());
    EXPECT_TRUE(moved == "http://h/\x83\x5C.html");
    moved = moved;
    EXPECT_EQ(std::string("http://h/\x83\x5C.html"), moved);
    moved = "";
    EXPECT_TRUE(moved.empty());
    moved = (const char*)nullptr;
    EXPECT_TRUE(moved.empty());
    EXPECT_EQ(sizeof(void*), sizeof(CompactText));
}

}  // namespace

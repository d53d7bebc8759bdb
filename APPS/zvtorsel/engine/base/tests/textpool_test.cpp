#include <gtest/gtest.h>

#include <string>
#include <vector>

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

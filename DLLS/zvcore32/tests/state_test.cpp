#include <gtest/gtest.h>

#include "zvcore32.h"

TEST(LeadByteTable, Cp932LeadBytesAndControlRange) {
    const BYTE* table = zvGetDBCSLeadTable();
    ASSERT_NE(table, nullptr);
    for (int b = 0; b < 32; ++b) EXPECT_EQ(table[b], 0) << b;
    EXPECT_EQ(table[0x5C], 0);
    EXPECT_EQ(table[0x80], 0);
    EXPECT_EQ(table[0x81], 1);
    EXPECT_EQ(table[0x83], 1);
    EXPECT_EQ(table[0x9F], 1);
    EXPECT_EQ(table[0xA0], 0);
    EXPECT_EQ(table[0xB1], 0);  // half-width katakana are single bytes
    EXPECT_EQ(table[0xE0], 1);
    EXPECT_EQ(table[0xFC], 1);
    EXPECT_EQ(table[0xFD], 0);
}

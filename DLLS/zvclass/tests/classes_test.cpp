#include <gtest/gtest.h>

#include <limits.h>
#include <string.h>

#include <string>

#include "zvclass.h"

namespace {

SYSTEMTIME Time(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s, WORD ms = 0, WORD dow = 0) {
    SYSTEMTIME t = {y, mo, dow, d, h, mi, s, ms};
    return t;
}

// The error-message switch is off for these tests: a bad index must fail
// quietly with the dummy byte, not stop the run with a box.
class QuietMessages : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = info_.GetCtrlErrMsg();
        info_.SetCtrlErrMsg(0);
    }
    void TearDown() override { info_.SetCtrlErrMsg(saved_); }
    zvCExDll info_;
    int saved_ = 1;
};

}  // namespace

TEST(Time2, LayoutIsASystemTime) {
    EXPECT_EQ(sizeof(zvCTime2), 16u);
    EXPECT_EQ(sizeof(zvCTime), 16u);
    zvCTime2 zero;
    EXPECT_EQ(zero.GetYear(), 0);
    EXPECT_STREQ(zero.Format(), "0000/00/00 00:00:00");
}

TEST(Time2, ComparesToTheSecondOnly) {
    zvCTime2 a(Time(1999, 3, 7, 12, 34, 58, 900, 1));
    zvCTime2 b(Time(1999, 3, 7, 12, 34, 58, 100, 5));
    EXPECT_TRUE(a == b) << "milliseconds and day of week take no part";
    EXPECT_FALSE(a != b);
    EXPECT_TRUE(a <= b && a >= b);

    zvCTime2 later(Time(1999, 3, 7, 12, 34, 59));
    EXPECT_TRUE(a < later);
    EXPECT_TRUE(later > a);
    EXPECT_FALSE(a > later);
    later.AdjustEvenSecond();
    EXPECT_EQ(later.GetSecond(), 58);
    EXPECT_TRUE(later == a);
    zvCTime2 even(Time(1999, 3, 7, 12, 34, 58, 500));
    even.AdjustEvenSecond();
    EXPECT_EQ(even.GetSecond(), 58);
    EXPECT_EQ(even.GetSystemTime().wMilliseconds, 500) << "milliseconds stay";

    // The first unequal field decides, in calendar order.
    EXPECT_TRUE(zvCTime2(Time(1999, 12, 31, 23, 59, 59)) < zvCTime2(Time(2000, 1, 1, 0, 0, 0)));
    EXPECT_TRUE(zvCTime2(Time(2000, 1, 31, 0, 0, 0)) < zvCTime2(Time(2000, 2, 1, 0, 0, 0)));
    EXPECT_TRUE(zvCTime2() < zvCTime2(Time(1601, 1, 1, 0, 0, 0)));

    zvCTime old(Time(2001, 1, 1, 0, 0, 0));
    zvCTime young(Time(2001, 1, 1, 0, 0, 1));
    EXPECT_TRUE(old < young);
    EXPECT_TRUE(old != young);
}

TEST(Time2, FormatsAndConvertsFileTimes) {
    zvCTime2 t(Time(1999, 3, 7, 9, 5, 4));
    EXPECT_STREQ(t.Format(), "1999/03/07 09:05:04");
    EXPECT_EQ(t.GetMonth(), 3);
    EXPECT_EQ(t.GetDay(), 7);
    EXPECT_EQ(t.GetHour(), 9);
    EXPECT_EQ(t.GetMinute(), 5);

    // Tests run in UTC: 1980-01-01 12:00:00 UTC.
    const unsigned long long ticks = 119600496000000000ULL;
    FILETIME ft = {(DWORD)ticks, (DWORD)(ticks >> 32)};
    zvCTime2 fromFile(ft);
    EXPECT_STREQ(fromFile.Format(), "1980/01/01 12:00:00");
    zvCTime2 assigned;
    assigned = ft;
    EXPECT_TRUE(assigned == fromFile);

    FILETIME bad = {0xFFFFFFFFu, 0xFFFFFFFFu};
    zvCTime2 invalid(t);
    invalid = bad;
    EXPECT_STREQ(invalid.Format(), "0000/00/00 00:00:00");
    EXPECT_TRUE(invalid < t);

    zvCTime2 now;
    now.SetCurrentTime();
    EXPECT_GE(now.GetYear(), 2020);
}

TEST(Hash, NumbersAreStableAndChainedPerBucket) {
    zvCHash hash;
    EXPECT_EQ(hash.GetHash(""), 38);
    EXPECT_EQ(hash.GetHash(""), 38);
    int abc = hash.GetHash("abc");
    EXPECT_NE(abc, hash.GetHash("ABC")) << "names compare case-sensitively";
    EXPECT_EQ(hash.GetHash("abc"), abc);

    // Find three names in one bucket: numbers b, b + 256, b + 512.
    zvCHash probe;
    std::string names[3];
    int found = 0;
    int bucket = -1;
    for (int i = 0; found < 3 && i < 100000; ++i) {
        std::string name = "n" + std::to_string(i);
        int number = probe.GetHash(name.c_str());
        if (number < 256 && bucket < 0) {
            bucket = number;
            names[found++] = name;
        } else if (bucket >= 0 && number % 256 == bucket && number / 256 == found) {
            names[found++] = name;
        }
    }
    ASSERT_EQ(found, 3);
    zvCHash fresh;
    EXPECT_EQ(fresh.GetHash(names[0].c_str()), bucket);
    EXPECT_EQ(fresh.GetHash(names[1].c_str()), bucket + 256);
    EXPECT_EQ(fresh.GetHash(names[2].c_str()), bucket + 512);
    EXPECT_EQ(fresh.GetHash(names[0].c_str()), bucket);

    zvCHash copy(fresh);
    EXPECT_EQ(copy.GetHash(names[2].c_str()), bucket + 512) << "a copy keeps every number";
    zvCHash assigned;
    assigned.GetHash("other");
    assigned = fresh;
    EXPECT_EQ(assigned.GetHash(names[1].c_str()), bucket + 256);
}

TEST(Hash, HighBytesAreSignExtended) {
    // ソ: rotr(0x1234) ^ 0xFF83 = 0xF699; rotr(0xF699) ^ 0x005C = 0xFB10; 0x10 ^ 0xFB = 0xEB.
    zvCHash hash;
    EXPECT_EQ(hash.GetHash("\x83\x5c"), 0xEB);
    EXPECT_EQ(hash.GetHash(nullptr), -1);
}

TEST_F(QuietMessages, ArrayGrowsShrinksAndGuardsIndexes) {
    zvCArray array(8);
    EXPECT_EQ(array.GetEntries(), 0);
    EXPECT_EQ(array.ExpandEntries(3), 3);
    for (int i = 0; i < 3; ++i) memset(&array[i], 0x11 * (i + 1), 8);
    EXPECT_EQ(array.ExpandEntries(5), 5);
    EXPECT_EQ((&array[2])[7], 0x33) << "old elements are kept";
    for (int i = 0; i < 8; ++i) EXPECT_EQ((&array[4])[i], 0) << "new elements are zero";
    EXPECT_EQ(array.ExpandEntries(2), 2);
    EXPECT_EQ(array[1], 0x22);

    BYTE& dummy = array[2];
    EXPECT_EQ(dummy, 0);
    EXPECT_EQ(&array[-1], &dummy) << "bad indexes share the dummy byte";
    dummy = 9;
    EXPECT_EQ(array[7], 0) << "the dummy reads zero again";

    zvCArray copy(array);
    EXPECT_EQ(copy.GetEntries(), 2);
    EXPECT_EQ((&copy[1])[7], 0x22);
    zvCArray assigned(8);
    assigned = array;
    EXPECT_EQ(assigned.GetEntries(), 2) << "assignment fills an empty array";
    EXPECT_EQ(assigned[0], 0x11);

    EXPECT_EQ(array.ExpandEntries(0), 0);
    EXPECT_EQ(array.ExpandEntries(1), 1) << "an emptied array stays usable";
    EXPECT_EQ(array.ExpandEntries(-1), 1);
    EXPECT_EQ(array.ExpandEntries(INT_MAX), 1) << "an impossible size keeps the array";

    zvCArray bytes;
    EXPECT_EQ(bytes.ExpandEntries(4), 4);
    bytes[3] = 7;
    EXPECT_EQ((&bytes[0])[3], 7) << "default element size is one byte";
    const zvCArray& constant = bytes;
    EXPECT_EQ(constant[3], 7);
}

TEST(Thousand, GroupsOfThreeWithCommas) {
    zvCThousand t;
    const struct {
        int value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1,000"},
        {1001, "1,001"},
        {999999, "999,999"},
        {1000000, "1,000,000"},
        {1234567, "1,234,567"},
        {-1000, "-1,000"},
        {-7, "-7"},
        {INT_MAX, "2,147,483,647"},
        {INT_MIN, "-2,147,483,648"},
    };
    for (const auto& c : cases) EXPECT_STREQ(t.MakeThousand(c.value), c.text) << c.value;
    zvCThousand copy(t);
    EXPECT_STREQ(copy.MakeThousand(5), "5");
    EXPECT_STREQ(t.MakeThousand(6), "6") << "each object has its own buffer";
}

TEST(ExDll, VersionAndSharedSwitch) {
    zvCExDll a, b;
    EXPECT_EQ(a.GetVersion(), 102);
    int saved = a.GetCtrlErrMsg();
    a.SetCtrlErrMsg(5);
    EXPECT_EQ(b.GetCtrlErrMsg(), 1);
    a.SetCtrlErrMsg(0);
    EXPECT_EQ(b.GetCtrlErrMsg(), 0);
    a.SetCtrlErrMsg(saved);

    zvCInternal none;
    EXPECT_EQ(none.IsInvalid(), 1);
    int x;
    zvCInternal some(&x);
    none = some;
    EXPECT_EQ(none.IsInvalid(), 0);
    EXPECT_EQ(none.GetInternal(), &x);
}

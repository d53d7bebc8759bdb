#include <gtest/gtest.h>

#include "zvcore32.h"

namespace {

const ULONGLONG kSecond = 10000000ULL;
const ULONGLONG kLower = 119600496000000000ULL;  // 1980-01-01 12:00:00
const ULONGLONG kUpper = 159992495980000000ULL;  // 2107-12-31 11:59:58

FILETIME Make(ULONGLONG v) { return FILETIME{(DWORD)v, (DWORD)(v >> 32)}; }
ULONGLONG Value(const FILETIME& t) { return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime; }

}  // namespace

TEST(FatTime, ClampsToBoundsTwelveHoursInside) {
    FILETIME t = Make(kLower - 24 * 3600 * kSecond - 12 * 3600 * kSecond);  // 1979-12-31 00:00
    EXPECT_EQ(zvControlFileTimeAtFat(&t), -1);
    EXPECT_EQ(Value(t), kLower);
    EXPECT_EQ(t.dwHighDateTime, 0x01A8E804u);
    EXPECT_EQ(t.dwLowDateTime, 0x770A6000u);
    EXPECT_EQ(zvControlFileTimeAtFat(&t), 0);

    t = Make(kUpper + kSecond);  // 11:59:59
    EXPECT_EQ(zvControlFileTimeAtFat(&t), 1);
    EXPECT_EQ(Value(t), kUpper);
    EXPECT_EQ(t.dwHighDateTime, 0x02386853u);
    EXPECT_EQ(t.dwLowDateTime, 0xD19DB300u);
    EXPECT_EQ(zvControlFileTimeAtFat(&t), 0);

    t = Make(0);
    EXPECT_EQ(zvControlFileTimeAtFat(&t), 0);
    EXPECT_EQ(Value(t), 0u);
}

TEST(FatTime, RoundsDownAndUpToTheTwoSecondGrid) {
    FILETIME t = Make(kLower + 15 * kSecond / 10);  // 12:00:01.5
    ASSERT_TRUE(zvRegulateFileTime(&t, 20000000));
    EXPECT_EQ(Value(t), kLower);

    t = Make(kLower + 15 * kSecond / 10);
    ASSERT_TRUE(zvAddTimeToFileTime(&t, 19999999));
    ASSERT_TRUE(zvRegulateFileTime(&t, 20000000));
    EXPECT_EQ(Value(t), kLower + 2 * kSecond);

    t = Make(kLower + 2 * kSecond);
    zvAddTimeToFileTime(&t, 19999999);
    zvRegulateFileTime(&t, 20000000);
    EXPECT_EQ(Value(t), kLower + 2 * kSecond) << "a time on the grid stays";

    t = Make(0x100000000ULL);
    ASSERT_TRUE(zvSubTimeToFileTime(&t, 1));
    EXPECT_EQ(Value(t), 0xFFFFFFFFULL) << "borrow crosses into the high half";
    ASSERT_TRUE(zvAddTimeToFileTime(&t, 1));
    EXPECT_EQ(Value(t), 0x100000000ULL);
}

TEST(FatTime, ZeroTimeAndZeroUnitAreRefused) {
    FILETIME zero = Make(0);
    EXPECT_EQ(zvRegulateFileTime(&zero, 20000000), 0);
    EXPECT_EQ(zvGetErrCode(), 0x7A760003u);
    EXPECT_EQ(zvAddTimeToFileTime(&zero, 1), 0);
    EXPECT_EQ(zvSubTimeToFileTime(&zero, 1), 0);
    EXPECT_EQ(Value(zero), 0u);
    FILETIME t = Make(kLower);
    EXPECT_EQ(zvRegulateFileTime(&t, 0), 0);
    EXPECT_EQ(Value(t), kLower);
}

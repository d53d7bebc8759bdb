#include <gtest/gtest.h>

#include "zvbrowsestart.h"

TEST(BrowseStartFolder, TidiesAndKeepsOnlyADriveRootSeparator) {
    char out[32];
    struct {
        const char* initial;
        const char* start;
    } cases[] = {
        {"C:", "C:\\"},
        {"c:\\\\temp\\\\", "c:\\temp"},
        {"c:\\temp", "c:\\temp"},
        {"d:\\\x83\x5C", "d:\\\x83\x5C"},  // a trail byte 0x5C stays
        {"", ""},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(zvBrowseStartFolder(c.initial, out, sizeof out)) << c.initial;
        EXPECT_STREQ(c.start, out) << c.initial;
    }
    EXPECT_FALSE(zvBrowseStartFolder("c:\\a very long folder name here", out, sizeof out));
}

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "jobs/tests/win32/diskkit.h"
#include "jobs/win32/win32files.h"

namespace {

std::string TestFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "zvfs_test\\";
}

int CountTemporaries(const std::string& folder) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "zvt*.tmp").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do ++n;
    while (FindNextFileA(h, &d));
    FindClose(h);
    return n;
}

}  // namespace

TEST(Win32FileSystem, CopyReplacesAnExistingFileWholeWithItsTime) {
    std::string folder = TestFolder();
    diskkit::RemoveTree(folder);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    // ソ: the folder lookup must not split at its 0x5C trail byte.
    std::string sub = folder + "\x83\x5c\\";
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    ASSERT_TRUE(diskkit::WriteAll(folder + "new.htm", "new contents"));
    ASSERT_TRUE(diskkit::WriteAll(sub + "old.htm", "old"));

    CWin32FileSystem fs;
    FILETIME time = {0x770A6000u, 0x01A8E804u};
    ASSERT_TRUE(fs.CopyFileWithTime((folder + "new.htm").c_str(), (sub + "old.htm").c_str(), time));
    EXPECT_EQ(diskkit::ReadAll(sub + "old.htm"), "new contents");
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA((sub + "old.htm").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &time), 0);
    EXPECT_EQ(CountTemporaries(sub), 0);

    EXPECT_FALSE(fs.CopyFileWithTime((folder + "missing.htm").c_str(), (sub + "old.htm").c_str(), time));
    EXPECT_EQ(diskkit::ReadAll(sub + "old.htm"), "new contents") << "a failed copy keeps the file";
    EXPECT_EQ(CountTemporaries(sub), 0);
    diskkit::RemoveTree(folder);
}

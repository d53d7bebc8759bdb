// The tree's file commands on a file whose path is longer than MAX_PATH, as
// the rebuild writes them: renaming with the time, and opening with the shell.
// The test's kind of file has a three-letter extension, which its short name keeps.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "base/win32/win32desktop.h"
#include "base/win32/widepath.h"
#include "jobs/execute.h"
#include "jobs/tests/win32/diskkit.h"

namespace {

class LongPathCommands : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "zvlongcmd_test\\";
        diskkit::RemoveTree(folder);
        // ソ in the deepest folder: its trail byte 0x5C is no separator.
        deep = folder + std::string(120, 'd') + "\\" + std::string(100, 'e') + "\\\x83\x5c" + std::string(40, 'f') +
               "\\";
        page = deep + "page.zvl";
        ASSERT_GT(page.size(), 300u);
        ASSERT_TRUE(files.MakeDirectories(page.c_str()));
        ASSERT_TRUE(WriteWholeFile(files, page.c_str(), "long", 4, &time));
    }
    void TearDown() override { diskkit::RemoveTree(folder); }

    CWin32Files files;
    std::string folder, deep, page;
    // 1999-12-05 13:04:09 in local time is what the new name shows.
    FILETIME time = LocalFileTime(1999, 12, 5, 13, 4, 9);

    static FILETIME LocalFileTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
        SYSTEMTIME st = {year, month, 0, day, hour, minute, second, 0};
        FILETIME local, utc;
        SystemTimeToFileTime(&st, &local);
        LocalFileTimeToFileTime(&local, &utc);
        return utc;
    }
};

TEST_F(LongPathCommands, RenameWithTimeFindsAFreeNameBeyondMaxPath) {
    diskkit::CSilentReport report;
    ASSERT_TRUE(WriteWholeFile(files, (deep + "page_99c05.zvl").c_str(), "taken", 5, nullptr));
    char unique[1024];
    ASSERT_TRUE(files.MakeUniquePath(page.c_str(), 0x12, unique, sizeof unique));
    EXPECT_EQ(deep + "page_99c05_130409.zvl", unique) << "the plain form, as the path was given";
    EXPECT_FALSE(files.MakeUniquePath(page.c_str(), 0x12, unique, (DWORD)page.size())) << "bounded by the caller";

    EXPECT_TRUE(RenameFileWithTime(files, report, page.c_str()));
    EXPECT_EQ("<missing>", diskkit::ReadAll(page));
    EXPECT_EQ("long", diskkit::ReadAll(deep + "page_99c05_130409.zvl"));
    EXPECT_EQ("taken", diskkit::ReadAll(deep + "page_99c05.zvl"));

    // A path in the plain form, 247 characters, that its suffixes take beyond MAX_PATH.
    std::string edge = folder + std::string(247 - folder.size() - 4, 'n') + ".zvl";
    ASSERT_TRUE(WriteWholeFile(files, edge.c_str(), "edge", 4, &time));
    ASSERT_TRUE(WriteWholeFile(files, (edge.substr(0, edge.size() - 4) + "_99c05.zvl").c_str(), "", 0, nullptr));
    ASSERT_TRUE(WriteWholeFile(files, (edge.substr(0, edge.size() - 4) + "_99c05_130409.zvl").c_str(), "", 0, nullptr));
    EXPECT_TRUE(RenameFileWithTime(files, report, edge.c_str()));
    EXPECT_EQ("edge", diskkit::ReadAll(edge.substr(0, edge.size() - 4) + "_99c05_130409(1).zvl"));
}

TEST_F(LongPathCommands, OpenStartsTheFileBeyondMaxPath) {
    char module[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(nullptr, module, sizeof module));
    std::string bin = module;
    bin.resize(bin.find_last_of('\\') + 1);
    std::string record = folder + "opened.txt";
    // The shell starts the recorder for the test's own kind of file.
    std::string command = "\"" + bin + "open_recorder.exe\" \"" + record + "\" \"%1\"";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueA(HKEY_CLASSES_ROOT, ".zvl", REG_SZ, "zvtest.longopen", 0));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueA(HKEY_CLASSES_ROOT, "zvtest.longopen\\shell\\open\\command", REG_SZ, command.c_str(), 0));

    CWin32Desktop desktop;
    // The recorder appends one line per file it was started for.
    auto open = [&](const std::string& dir, const std::string& file, size_t lines) {
        if (!desktop.ShellOpen(dir.c_str(), file.c_str())) return std::string("<not opened>");
        std::string recorded = diskkit::ReadAll(record);
        for (int i = 0; i < 200 && (size_t)std::count(recorded.begin(), recorded.end(), '\n') < lines; ++i) {
            Sleep(50);
            recorded = diskkit::ReadAll(record);
        }
        return recorded;
    };
    std::string nearby = folder + "near.zvl";
    ASSERT_TRUE(diskkit::WriteAll(nearby, "near"));
    std::string first = open(folder, nearby, 1);
    std::string second = open(deep, page, 2);
    bool missing = desktop.ShellOpen(deep.c_str(), (deep + "missing.zvl").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, ".zvl");
    for (const char* key : {"zvtest.longopen\\shell\\open\\command", "zvtest.longopen\\shell\\open",
                            "zvtest.longopen\\shell", "zvtest.longopen"})
        RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
    EXPECT_NE(std::string::npos, first.find("near.zvl")) << first;
    // The program started finds the file by the name it was given (its short one).
    std::string given = second.substr(first.size());
    given = given.substr(0, given.find_first_of("\r\n"));
    if (given.size() >= 2 && given.front() == '"') given = given.substr(1, given.size() - 2);
    EXPECT_EQ("long", diskkit::ReadAll(given)) << second;
    EXPECT_FALSE(missing);
}

}  // namespace

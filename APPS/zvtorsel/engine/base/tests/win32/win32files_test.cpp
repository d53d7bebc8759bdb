// The replacement rule of CWin32Files, which every engine's write goes
// through: a new content takes a file's place only complete, with its time;
// a refused or broken write, or a kill before the rename, leaves the old
// file whole. (A full disk is the fulldisk script's, on a small tmpfs.)
#include <gtest/gtest.h>
#include <windows.h>

#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "base/temporaryname.h"
#include "base/win32/win32files.h"
#include "jobs/tests/win32/diskkit.h"

namespace {

const char kKillEnvironment[] = "ZV_REPLACE_THEN_DIE";

// Names of the temporary files left in folder.
std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> names;
    std::vector<DirEntry> entries;
    CWin32Files files;
    files.ListFolder(folder.c_str(), entries);
    for (const DirEntry& e : entries)
        if (IsTemporaryName(e.name.c_str())) names.push_back(e.name);
    return names;
}

bool HasTime(const std::string& path, const FILETIME& time) {
    DirEntry e;
    return CWin32Files().GetFileInfo(path.c_str(), e) && CompareFileTime(&e.lastWrite, &time) == 0;
}

class Win32Files : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder = std::string(temp) + "zvfiles_test\\";
        diskkit::RemoveTree(folder);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        // ソ: the folder of the temporary must not be cut at its 0x5C trail byte.
        sub = folder + "\x83\x5c\\";
        ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
        target = sub + "\x95\x5c.htm";
        ASSERT_TRUE(diskkit::WriteAll(target, "old"));
    }
    void TearDown() override {
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        diskkit::RemoveTree(folder);
    }

    CWin32Files files;
    std::string folder, sub, target;
    const FILETIME time = {0x770A6000u, 0x01A8E804u};
};

TEST_F(Win32Files, ReplacesAFileWholeWithItsTime) {
    const std::string a = "<html>", b(70000, 'x');
    FilePiece pieces[] = {{a.data(), a.size()}, {nullptr, 0}, {b.data(), b.size()}};
    ASSERT_TRUE(WriteWholeFile(files, target.c_str(), pieces, 3, &time));
    EXPECT_EQ(a + b, diskkit::ReadAll(target));
    EXPECT_TRUE(HasTime(target, time));
    EXPECT_TRUE(Temporaries(sub).empty());

    ASSERT_TRUE(diskkit::WriteAll(folder + "new.htm", "new contents"));
    ASSERT_TRUE(files.CopyFileWithTime((folder + "new.htm").c_str(), target.c_str(), time));
    EXPECT_EQ("new contents", diskkit::ReadAll(target));
    EXPECT_TRUE(HasTime(target, time));
    EXPECT_TRUE(Temporaries(sub).empty());

    // Beyond MAX_PATH through the wide calls, read back whole and at an offset.
    std::string deep = folder + std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\page.htm";
    ASSERT_TRUE(files.MakeDirectories(deep.c_str()));
    ASSERT_TRUE(WriteWholeFile(files, deep.c_str(), b.data(), b.size(), nullptr));
    std::vector<BYTE> back;
    EXPECT_FALSE(ReadWholeFile(files, deep.c_str(), back, b.size() - 1)) << "larger than the cap";
    ASSERT_TRUE(ReadWholeFile(files, deep.c_str(), back, b.size()));
    EXPECT_EQ(b, std::string(back.begin(), back.end()));
    char tail[8];
    DWORD got = 1;
    ASSERT_TRUE(ReadFileAt(files, deep.c_str(), b.size() - 2, tail, sizeof tail, &got));
    EXPECT_EQ(2u, got);
    ASSERT_TRUE(ReadFileAt(files, deep.c_str(), b.size(), tail, sizeof tail, &got));
    EXPECT_EQ(0u, got);
}

TEST_F(Win32Files, AFailedWriteLeavesTheOldFileWhole) {
    // A read-only target is never replaced (a rename would pass over it).
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WriteWholeFile(files, target.c_str(), "new", 3, &time));
    ASSERT_TRUE(diskkit::WriteAll(folder + "new.htm", "new contents"));
    EXPECT_FALSE(files.CopyFileWithTime((folder + "new.htm").c_str(), target.c_str(), time));
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL));
    // A copy from a missing file, a folder as target, a missing folder.
    EXPECT_FALSE(files.CopyFileWithTime((folder + "missing.htm").c_str(), target.c_str(), time));
    EXPECT_FALSE(WriteWholeFile(files, sub.substr(0, sub.size() - 1).c_str(), "new", 3, nullptr));
    EXPECT_FALSE(WriteWholeFile(files, (sub + "none\\x.htm").c_str(), "new", 3, nullptr));
    // A write given up halfway, as when the disk is full.
    {
        std::unique_ptr<IReplacingFile> half = files.CreateReplacing(target.c_str());
        ASSERT_TRUE(half);
        ASSERT_TRUE(half->Write("ne", 2));
        EXPECT_EQ(1u, Temporaries(sub).size());
    }
    EXPECT_EQ("old", diskkit::ReadAll(target));
    EXPECT_TRUE(Temporaries(sub).empty());
}

struct Hold {
    std::string path;
    DWORD ms;
};

DWORD WINAPI HoldFile(LPVOID p) {
    const Hold* hold = (const Hold*)p;
    HANDLE h = CreateFileA(hold->path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 1;
    Sleep(hold->ms);
    CloseHandle(h);
    return 0;
}

// A reader that has the target open (share mode read and write, as the C
// library opens a file) holds off the rename: a short hold only delays the
// replacement, a hold past the retries fails it with the old file whole.
TEST_F(Win32Files, AReaderHoldingTheTargetDelaysOrFailsTheReplacement) {
    for (DWORD ms : {300u, 3000u}) {
        SCOPED_TRACE(ms);
        Hold hold{target, ms};
        HANDLE reader = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, reader);
        // The thread takes the hold over, so it is in place before the write.
        HANDLE thread = CreateThread(nullptr, 0, HoldFile, &hold, 0, nullptr);
        ASSERT_TRUE(thread);
        Sleep(50);
        CloseHandle(reader);
        bool written = WriteWholeFile(files, target.c_str(), "new", 3, &time);
        WaitForSingleObject(thread, INFINITE);
        DWORD held = 1;
        GetExitCodeThread(thread, &held);
        CloseHandle(thread);
        EXPECT_EQ(0u, held);
        if (ms < 1000) {
            EXPECT_TRUE(written);
            EXPECT_EQ("new", diskkit::ReadAll(target));
        } else {
            EXPECT_FALSE(written);
            EXPECT_EQ("old", diskkit::ReadAll(target));
        }
        EXPECT_TRUE(Temporaries(sub).empty());
        ASSERT_TRUE(diskkit::WriteAll(target, "old"));
    }
}

// Run by the next test in a process of its own, which dies between the
// write and the rename.
TEST_F(Win32Files, ReplaceThenDie) {
    const char* path = getenv(kKillEnvironment);
    if (!path) GTEST_SKIP() << "runs only as the child of KillBeforeTheRenameLeavesTheOldFile";
    std::unique_ptr<IReplacingFile> file = files.CreateReplacing(path);
    if (!file || !file->Write("new", 3)) ExitProcess(1);
    TerminateProcess(GetCurrentProcess(), 9);
}

TEST_F(Win32Files, KillBeforeTheRenameLeavesTheOldFile) {
    char self[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameA(nullptr, self, sizeof self));
    std::string command = std::string("\"") + self + "\" --gtest_filter=Win32Files.ReplaceThenDie";
    ASSERT_TRUE(SetEnvironmentVariableA(kKillEnvironment, target.c_str()));
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    PROCESS_INFORMATION child = {};
    BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &child);
    SetEnvironmentVariableA(kKillEnvironment, nullptr);
    ASSERT_TRUE(started);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.hProcess, 60000));
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    EXPECT_EQ(9u, code);
    EXPECT_EQ("old", diskkit::ReadAll(target));
    // Only a temporary is left, with the new bytes; a rebuild folder's
    // listing passes over its name.
    std::vector<std::string> left = Temporaries(sub);
    ASSERT_EQ(1u, left.size());
    EXPECT_EQ("new", diskkit::ReadAll(sub + left[0]));
}

}  // namespace

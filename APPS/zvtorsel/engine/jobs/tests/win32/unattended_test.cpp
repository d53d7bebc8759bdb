#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "jobs/tests/win32/diskkit.h"

namespace {

using diskkit::RunProgram;

TEST(UnattendedRebuild, ExitCodesForArgumentsARunningCopyAndAFinishedRun) {
    if (RunProgram("/rebuild /nonsense") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    EXPECT_EQ(2, RunProgram("/rebuild /nonsense"));
    EXPECT_EQ(2, RunProgram("/delete"));
    EXPECT_EQ(2, RunProgram("/rebuild \"/folder:C:\\unclosed"));

    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "zvt_unattended\\";
    std::string log = std::string(temp) + "zvt_unattended.log";
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    DeleteFileA(log.c_str());
    std::string arguments = "/rebuild \"/folder:" + folder + "\" \"/log:" + log + "\"";

    HANDLE mutex = CreateMutexA(nullptr, TRUE, "z.v Torsel Sitekeeper is executing.");
    ASSERT_NE(nullptr, mutex);
    EXPECT_EQ(2, RunProgram(arguments));
    CloseHandle(mutex);

    EXPECT_EQ(0, RunProgram(arguments));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(log.c_str()));
    DeleteFileA(log.c_str());
    RemoveDirectoryA(folder.substr(0, folder.size() - 1).c_str());
}

}  // namespace

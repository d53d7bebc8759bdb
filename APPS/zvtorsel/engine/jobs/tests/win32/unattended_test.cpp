#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "../app/resource.h"
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

// The line a refusal prints: the message with its %s filled, on one line.
std::string Refusal(UINT id, const std::string& argument) {
    std::string text = diskkit::ProgramString(id);
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, argument);
    return text + "\r\n";
}

TEST(CommandLine, EveryRefusalSaysWhyOnStandardErrorAndWritesNothing) {
    std::string error;
    if (RunProgram("/list /nonsense", &error) == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    EXPECT_EQ(Refusal(IDS_CMD_UNKNOWN, "/nonsense"), error);
    EXPECT_EQ(2, RunProgram("/download /threads:9", &error));
    EXPECT_EQ(Refusal(IDS_CMD_THREADS, "/threads:9"), error);
    EXPECT_EQ(2, RunProgram("/list /rebuild", &error));
    EXPECT_EQ(Refusal(IDS_CMD_TWO_JOBS, "/rebuild"), error);
    EXPECT_EQ(2, RunProgram("/list /delete", &error));
    EXPECT_EQ(Refusal(IDS_CMD_NOT_FOR_JOB, "/delete"), error);
    EXPECT_EQ(2, RunProgram("/folder:C:\\x", &error));
    EXPECT_EQ(Refusal(IDS_CMD_NO_JOB, "/folder:"), error);
    EXPECT_EQ(2, RunProgram("/search:a /search:b /search:c /search:d", &error));
    EXPECT_EQ(Refusal(IDS_CMD_KEYWORDS, "/search:d"), error);
    EXPECT_EQ(2, RunProgram("/pictures /in:C:\\a\\ /result:x.htm", &error));
    EXPECT_EQ(Refusal(IDS_CMD_IN_AND_RESULT, ""), error);
    EXPECT_EQ(2, RunProgram("/rebuild \"/folder:C:\\unclosed", &error));
    EXPECT_EQ(Refusal(IDS_CMD_QUOTES, ""), error);

    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "zvt_refusals\\";
    diskkit::RemoveTree(folder);
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    std::string missing = std::string(temp) + "zvt_no_such_folder\\";
    EXPECT_EQ(2, RunProgram("/pictures \"/in:" + missing + "\" \"/folder:" + folder + "\"", &error));
    EXPECT_EQ(Refusal(IDS_CMD_NO_FOLDER, missing), error);
    EXPECT_EQ(2, RunProgram("/cachelist \"/cache:" + missing + "\"", &error));
    EXPECT_EQ(Refusal(IDS_CMD_NO_FOLDER, missing), error);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
    int entries = 0;
    if (h != INVALID_HANDLE_VALUE) {
        do entries += found.cFileName[0] != '.';
        while (FindNextFileA(h, &found));
        FindClose(h);
    }
    EXPECT_EQ(0, entries) << "a refused job writes nothing";

    std::string log = missing + "job.log";
    EXPECT_EQ(2, RunProgram("/list \"/folder:" + folder + "\" \"/log:" + log + "\"", &error));
    EXPECT_EQ(Refusal(IDS_CMD_LOG_FAILED, log), error);

    HANDLE mutex = CreateMutexA(nullptr, TRUE, "z.v Torsel Sitekeeper is executing.");
    EXPECT_EQ(2, RunProgram("/list \"/folder:" + folder + "\"", &error));
    EXPECT_EQ(Refusal(IDS_CMD_RUNNING, ""), error);
    CloseHandle(mutex);
    diskkit::RemoveTree(folder);
}

}  // namespace

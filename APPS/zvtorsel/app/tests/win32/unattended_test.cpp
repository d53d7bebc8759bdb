#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "jobs/tests/win32/diskkit.h"
#include "resource.h"

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

// A copy that fails (its destination held open without sharing by another
// process) makes a finished run a partial one: exit code 3, the path and
// the reason on one line, the count last; the held file is untouched.
TEST(UnattendedRebuild, FailedEntriesMakeExitCodeThree) {
    if (RunProgram("/rebuild /nonsense") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "zvt_partial\\";
    std::string log = std::string(temp) + "zvt_partial.log";
    diskkit::RemoveTree(folder);
    diskkit::ClearCache();
    FILETIME t0 = {0x7db50500, 0x01c08d96};
    ASSERT_TRUE(diskkit::PutInCache("http://partial.zvtest/held.gif", "NEW", "gif", t0));
    ASSERT_TRUE(diskkit::PutInCache("http://partial.zvtest/free.gif", "FREE", "gif", t0));
    std::string site = folder + "http$\\partial.zvtest\\";
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    CreateDirectoryA((folder + "http$").c_str(), nullptr);
    CreateDirectoryA(site.substr(0, site.size() - 1).c_str(), nullptr);
    ASSERT_TRUE(diskkit::WriteAll(site + "held.gif", "OLD"));
    std::string arguments = "/rebuild \"/folder:" + folder + "\" \"/log:" + log + "\"";

    // Older than the cache entry, so the run copies it.
    HANDLE held = CreateFileA((site + "held.gif").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME old = {0, 0x01b00000};
    ASSERT_TRUE(SetFileTime(held, nullptr, nullptr, &old));
    CloseHandle(held);
    held = CreateFileA((site + "held.gif").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(3, RunProgram(arguments));
    CloseHandle(held);
    std::string output = diskkit::ReadAll(log);
    EXPECT_NE(std::string::npos, output.find(site + "held.gif")) << output;
    EXPECT_NE(std::string::npos, output.find("失敗した項目 : 1")) << output;
    EXPECT_EQ("OLD", diskkit::ReadAll(site + "held.gif"));
    EXPECT_EQ("FREE", diskkit::ReadAll(site + "free.gif"));

    // Nothing left to fail: a complete run.
    EXPECT_EQ(0, RunProgram(arguments));
    EXPECT_EQ("NEW", diskkit::ReadAll(site + "held.gif"));
    EXPECT_EQ(std::string::npos, diskkit::ReadAll(log).find("失敗した項目"));
    diskkit::ClearCache();
    diskkit::RemoveTree(folder);
    DeleteFileA(log.c_str());
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::string Filled(UINT id, const std::string& argument) {
    std::string text = diskkit::ProgramString(id);
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

// The output speaks as the program's windows do: a line of the message table
// per file with the URL as the cache keeps it, no hint meant for a window,
// no line in ASCII alone.
TEST(UnattendedRebuild, LinesComeFromTheMessageTable) {
    if (RunProgram("/rebuild /nonsense") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "zvt_lines\\";
    std::string log = std::string(temp) + "zvt_lines.log";
    diskkit::RemoveTree(folder);
    diskkit::ClearCache();
    FILETIME t0 = {0x7db50500, 0x01c08d96};
    ASSERT_TRUE(diskkit::PutInCache("http://lines.zvtest/search.cgi?q=sitekeeper", "<html>q</html>", "html", t0));
    ASSERT_TRUE(diskkit::PutInCache("http://lines.zvtest/", "<html>top</html>", "html", t0));
    ASSERT_TRUE(diskkit::PutInCache("http://lines.zvtest/logo.gif", "GIF89a", "gif", t0));
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    EXPECT_EQ(0, RunProgram("/rebuild \"/folder:" + folder + "\" \"/log:" + log + "\""));
    std::vector<std::string> lines = Lines(diskkit::ReadAll(log));
    auto has = [&](const std::string& line) {
        for (const std::string& l : lines)
            if (l == line) return true;
        return false;
    };
    EXPECT_TRUE(has(Filled(IDS_LINE_COPYING, "http://lines.zvtest/search.cgi?q=sitekeeper")));
    EXPECT_TRUE(has(Filled(IDS_LINE_COPYING, "http://lines.zvtest/")));
    EXPECT_TRUE(has(Filled(IDS_LINE_COPYING, "http://lines.zvtest/logo.gif")));
    EXPECT_FALSE(has(diskkit::ProgramString(IDS_READY)));
    EXPECT_TRUE(has(diskkit::ProgramString(IDS_BUILDING_CACHE)));
    for (const std::string& line : lines) {
        bool ascii = true;
        for (char c : line) ascii &= (unsigned char)c < 0x80;
        EXPECT_FALSE(ascii) << line;
    }
    diskkit::ClearCache();
    diskkit::RemoveTree(folder);
    DeleteFileA(log.c_str());
}

// A file of the rebuild folder where a host folder should go: the URLs of
// that host are failed entries, each with its line, and the run is partial.
TEST(UnattendedRebuild, AFileInTheWayOfAHostFolderMakesExitCodeThree) {
    if (RunProgram("/rebuild /nonsense") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "zvt_blocked\\";
    std::string log = std::string(temp) + "zvt_blocked.log";
    diskkit::RemoveTree(folder);
    diskkit::ClearCache();
    FILETIME t0 = {0x7db50500, 0x01c08d96};
    ASSERT_TRUE(diskkit::PutInCache("http://blocked.test/a.html", "<p>a</p>", "html", t0));
    ASSERT_TRUE(diskkit::PutInCache("http://open.test/b.gif", "B", "gif", t0));
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    CreateDirectoryA((folder + "http$").c_str(), nullptr);
    ASSERT_TRUE(diskkit::WriteAll(folder + "http$\\blocked.test", "FILE"));
    std::string arguments = "/rebuild \"/folder:" + folder + "\" \"/log:" + log + "\"";

    EXPECT_EQ(3, RunProgram(arguments));
    std::string output = diskkit::ReadAll(log);
    std::string reason = diskkit::ProgramString(IDS_FAILED_IN_THE_WAY);
    EXPECT_NE(std::string::npos, output.find("! http://blocked.test/a.html : " + reason)) << output;
    EXPECT_NE(std::string::npos, output.find("失敗した項目 : 1")) << output;
    EXPECT_EQ("FILE", diskkit::ReadAll(folder + "http$\\blocked.test"));
    EXPECT_EQ("B", diskkit::ReadAll(folder + "http$\\open.test\\b.gif"));

    // Still in the way on the next run: still partial.
    EXPECT_EQ(3, RunProgram(arguments));
    DeleteFileA((folder + "http$\\blocked.test").c_str());
    EXPECT_EQ(0, RunProgram(arguments));
    EXPECT_NE(std::string::npos, diskkit::ReadAll(folder + "http$\\blocked.test\\a.html").find("<p>a</p>"));
    diskkit::ClearCache();
    diskkit::RemoveTree(folder);
    DeleteFileA(log.c_str());
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
    EXPECT_EQ(Refusal(IDS_CMD_NO_JOB, "/folder:C:\\x"), error) << "named as typed";
    EXPECT_EQ(2, RunProgram("/links:relative", &error));
    EXPECT_EQ(Refusal(IDS_CMD_NO_JOB, "/links:relative"), error);
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
    // A folder without any cache: the reason is the refusal, not a line of
    // the output.
    std::string listLog = std::string(temp) + "zvt_refusals.log";
    EXPECT_EQ(2, RunProgram("/cachelist \"/cache:" + folder + "\" \"/log:" + listLog + "\"", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_NE(std::string::npos, error.find(folder)) << error;
    EXPECT_EQ("", diskkit::ReadAll(listLog));
    DeleteFileA(listLog.c_str());
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

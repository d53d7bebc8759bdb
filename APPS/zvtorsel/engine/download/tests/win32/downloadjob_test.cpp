#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "download/tests/win32/loopback.h"
#include "jobs/tests/win32/diskkit.h"

namespace {

using loopback::Base;

using diskkit::RunProgram;

TEST(DownloadJob, FetchesTheListAndPrintsOneLinePerUrl) {
    if (Base().empty()) GTEST_SKIP() << "no loopback server (run through run_with_server.sh)";
    if (RunProgram("/download /threads:9") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    EXPECT_EQ(2, RunProgram("/download /threads:9"));
    EXPECT_EQ(2, RunProgram("/download /delete"));

    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "zvt_dljob\\";
    std::string log = std::string(temp) + "zvt_dljob.log";
    diskkit::RemoveTree(folder);
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    std::string arguments = "/download \"/folder:" + folder + "\" \"/log:" + log + "\" /threads:3";

    // No list: nothing to do, said so.
    EXPECT_EQ(0, RunProgram(arguments));
    EXPECT_NE(std::string::npos, diskkit::ReadAll(log).find("ダウンロード"));

    std::string b = Base();
    ASSERT_TRUE(loopback::WriteList(folder, {b + "/pic/job1.gif", b + "/missing.htm", b + "/job/index.html"}));
    std::map<std::string, int> before = loopback::Hits();
    EXPECT_EQ(3, RunProgram(arguments)) << "a URL that could not be fetched is a failed entry";
    std::string out = diskkit::ReadAll(log);
    EXPECT_NE(std::string::npos, out.find("DL済 " + b + "/pic/job1.gif\r\n")) << out;
    EXPECT_NE(std::string::npos, out.find("なし " + b + "/missing.htm\r\n")) << out;
    EXPECT_NE(std::string::npos, out.find("DL済 " + b + "/job/index.html\r\n")) << out;
    for (int n = 0; n < 3; ++n) EXPECT_EQ("", loopback::ListKey(folder, n)) << n;
    EXPECT_EQ(1, loopback::NewHits(before, "/job/"));

    DeleteFileA(log.c_str());
    diskkit::RemoveTree(folder);
}

}  // namespace

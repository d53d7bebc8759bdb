#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "cache/win32/wininetcache.h"
#include "download/tests/win32/loopback.h"
#include "download/win32/dialup.h"
#include "download/win32/downloadworkers.h"
#include "jobs/tests/win32/diskkit.h"
#include "base/win32/win32desktop.h"

namespace {

using loopback::Base;
using loopback::ListKey;

class CSlotRecorder : public IDownloadView {
public:
    void RowState(int, DownloadState) override {}
    void ShowRow(int) override {}
    void SlotTexts(int slot, const char* status, const char*) override { status_[slot] = status; }
    void Refresh() override {}
    std::string status_[kMaxDownloadThreads];
};

class LoopbackDownload : public ::testing::Test {
protected:
    void SetUp() override {
        if (Base().empty()) GTEST_SKIP() << "no loopback server (run through run_with_server.sh)";
        diskkit::ClearCache();
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        folder = std::string(temp) + "zvt_download\\";
        diskkit::RemoveTree(folder);
        CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    }
    void TearDown() override {
        if (folder.empty()) return;
        diskkit::ClearCache();
        diskkit::RemoveTree(folder);
    }
    // Starts `threads` workers and waits (bounded) until all have ended.
    void Run(CDownloader& d, CDownloadWorkers& workers, int threads, int stopAfterMs = -1) {
        bool failed = false;
        ASSERT_EQ(threads, workers.Start(threads, failed));
        ASSERT_FALSE(failed);
        DWORD start = GetTickCount();
        while (workers.AnyRunning()) {
            DWORD elapsed = GetTickCount() - start;
            ASSERT_LT(elapsed, 60000u) << "workers did not end";
            if (stopAfterMs >= 0 && elapsed >= (DWORD)stopAfterMs) d.CancelAll();
            Sleep(20);
        }
        workers.Finish();
    }

    std::string folder;
    CWin32JobSystem files;
    CWinInetUrlCache cache;
    CSlotRecorder view;
};

TEST_F(LoopbackDownload, FetchesFolderQueryAndRedirectUrlsAndMarksFailuresAsNone) {
    std::string b = Base();
    // Both roads into the cache: URLs with an extension go through the moniker
    // download, those without (folders, "/closed") through WinINet.
    ASSERT_TRUE(loopback::WriteList(
        folder, {b + "/d/index.html", b + "/s.cgi?k=1.htm", b + "/missing.htm", b + "/closed", b + "/redirect.htm",
                 b + "/pic/a.gif", b + "/closed.htm", b + "/missing/", b + "/redirect"}));
    CDownloadWorkers workers;
    CDownloader d(folder, files, cache, workers, view);
    workers.Attach(d);
    d.SetEndTexts("end", "stopped");
    d.Load();
    ASSERT_EQ(9, d.RowCount());
    std::map<std::string, int> before = loopback::Hits();
    Run(d, workers, 5);

    EXPECT_EQ(1, loopback::NewHits(before, "/d/"));
    EXPECT_EQ(0, loopback::NewHits(before, "/d/index.html"));
    EXPECT_EQ(1, loopback::NewHits(before, "/s.cgi?k=1"));
    EXPECT_EQ(DOWNLOAD_FETCHED, d.RowState(0));
    EXPECT_EQ(DOWNLOAD_FETCHED, d.RowState(1));
    EXPECT_EQ(DOWNLOAD_FAILED, d.RowState(2));
    EXPECT_EQ(DOWNLOAD_FAILED, d.RowState(3));
    EXPECT_EQ(DOWNLOAD_FETCHED, d.RowState(4));
    EXPECT_EQ(DOWNLOAD_FETCHED, d.RowState(5));
    EXPECT_EQ(DOWNLOAD_FAILED, d.RowState(6));
    EXPECT_EQ(DOWNLOAD_FAILED, d.RowState(7));
    EXPECT_EQ(DOWNLOAD_FETCHED, d.RowState(8));
    EXPECT_EQ(std::string("GIF89a"), diskkit::ReadAll(loopback::CacheFile(b + "/redirect")).substr(0, 6));
    EXPECT_EQ("<html>folder /d/</html>", diskkit::ReadAll(loopback::CacheFile(b + "/d/")));
    EXPECT_EQ("<html>page /s.cgi?k=1</html>", diskkit::ReadAll(loopback::CacheFile(b + "/s.cgi?k=1")));
    EXPECT_EQ("", loopback::CacheFile(b + "/missing.htm"));
    EXPECT_EQ("", loopback::CacheFile(b + "/missing/"));
    EXPECT_EQ("", loopback::CacheFile(b + "/closed"));
    EXPECT_EQ("", loopback::CacheFile(b + "/closed.htm"));
    for (int n = 0; n < 9; ++n) EXPECT_EQ("", ListKey(folder, n)) << n;
    for (int slot = 0; slot < 5; ++slot) EXPECT_EQ("end", view.status_[slot]) << slot;
}

TEST_F(LoopbackDownload, SurplusThreadsEndAtOnce) {
    std::string b = Base();
    ASSERT_TRUE(loopback::WriteList(folder, {b + "/pic/only.gif"}));
    CDownloadWorkers workers;
    CDownloader d(folder, files, cache, workers, view);
    workers.Attach(d);
    d.SetEndTexts("end", "stopped");
    d.Load();
    std::map<std::string, int> before = loopback::Hits();
    Run(d, workers, 5);
    EXPECT_EQ(DOWNLOAD_FETCHED, d.RowState(0));
    for (int slot = 0; slot < 5; ++slot) EXPECT_EQ("end", view.status_[slot]) << slot;
    EXPECT_EQ(1, loopback::NewHits(before, "/pic/only.gif"));
}

TEST_F(LoopbackDownload, CancelDuringASlowDownloadKeepsTheRowAndItsKey) {
    for (const char* slow : {"/slow/one.bin", "/slow/two"}) {
        std::string b = Base();
        SCOPED_TRACE(slow);
        ASSERT_TRUE(loopback::WriteList(folder, {b + slow, b + "/pic/later.gif"}));
        CDownloadWorkers workers;
        CDownloader d(folder, files, cache, workers, view);
        workers.Attach(d);
        d.SetEndTexts("end", "stopped");
        d.Load();
        DWORD start = GetTickCount();
        Run(d, workers, 1, 700);
        EXPECT_LT(GetTickCount() - start, 10000u) << "the slow download was not aborted";
        EXPECT_EQ(DOWNLOAD_FETCHING, d.RowState(0));
        EXPECT_EQ(b + slow, ListKey(folder, 0));
        EXPECT_EQ("stopped", view.status_[0]);
        EXPECT_EQ("", loopback::CacheFile(b + slow));
        // A second run continues with the row not handed out yet.
        Run(d, workers, 1);
        EXPECT_EQ(DOWNLOAD_FETCHING, d.RowState(0));
        EXPECT_EQ(DOWNLOAD_FETCHED, d.RowState(1));
        EXPECT_EQ("", ListKey(folder, 1));
    }
}

TEST_F(LoopbackDownload, TwoRunsOfFiveThreadsHandOutEveryRowOnce) {
    std::string b = Base();
    for (int round = 0; round < 4; ++round) {
        diskkit::ClearCache();
        std::vector<std::string> urls;
        for (int i = 0; i < 40; ++i)
            urls.push_back(b + "/pic/r" + std::to_string(round) + "_" + std::to_string(i) + ".gif");
        ASSERT_TRUE(loopback::WriteList(folder, urls));
        CDownloadWorkers workers;
        CDownloader d(folder, files, cache, workers, view);
        workers.Attach(d);
        d.Load();
        std::map<std::string, int> before = loopback::Hits();
        Run(d, workers, 5, 60);
        Run(d, workers, 5);
        ASSERT_EQ(40, d.NextIndex());
        std::map<std::string, int> hits = loopback::Hits();
        for (int i = 0; i < 40; ++i) {
            std::string path = urls[i].substr(b.size());
            EXPECT_EQ(1, hits[path] - before[path]) << path;
            if (d.RowState(i) == DOWNLOAD_FETCHED)
                EXPECT_EQ("", ListKey(folder, i));
            else
                EXPECT_EQ(urls[i], ListKey(folder, i));
        }
    }
}

TEST(HangUp, MissingLibraryAndNoConnection) {
    EXPECT_EQ(HANGUP_NO_LIBRARY, HangUpDialUp("zv_no_such_ras.dll"));
    EXPECT_EQ(HANGUP_NOTHING, HangUpDialUp());
}

}  // namespace

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "cache/win32/wininetcache.h"
#include "download/tests/win32/loopback.h"
#include "download/win32/downloadworkers.h"
#include "jobs/rebuildjobs.h"
#include "jobs/tests/win32/diskkit.h"
#include "jobs/treecommands.h"
#include "base/win32/win32desktop.h"
#include "mapping/mapping_settings.h"
#include "mapping/win32/win32_file_clock.h"
#include "tree/tests/testkit.h"

namespace {

using loopback::Base;

class CQuietView : public IDownloadView {
public:
    void RowState(int, DownloadState) override {}
    void ShowRow(int) override {}
    void SlotTexts(int, const char*, const char*) override {}
    void Refresh() override {}
};

// The href= and src= values of the translated part of a page.
std::vector<std::string> LinksOf(const std::string& page) {
    std::vector<std::string> links;
    for (const char* attr : {"href=\"", "src=\""}) {
        for (size_t pos = page.find(attr); pos != std::string::npos; pos = page.find(attr, pos + 1)) {
            size_t start = pos + strlen(attr);
            links.push_back(page.substr(start, page.find('"', start) - start));
        }
    }
    return links;
}

// The file that a relative link of the page in `pageFolder` refers to.
std::string LocalTarget(std::string pageFolder, std::string link) {
    for (char& c : link)
        if (c == '/') c = '\\';
    while (link.compare(0, 3, "..\\") == 0) {
        pageFolder = pageFolder.substr(0, pageFolder.rfind('\\', pageFolder.size() - 2) + 1);
        link = link.substr(3);
    }
    return pageFolder + link;
}

class DownloadLoop : public ::testing::Test {
protected:
    void SetUp() override {
        if (Base().empty()) GTEST_SKIP() << "no loopback server (run through run_with_server.sh)";
        settings.mapping.clock = &Win32FileClock();
        diskkit::ClearCache();
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        folder = std::string(temp) + "zvt_dlloop\\";
        diskkit::RemoveTree(folder);
        CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
        settings.rebuildFolders[0] = folder;
        settings.xlatRebuild = 1;
    }
    void TearDown() override {
        if (folder.empty()) return;
        diskkit::ClearCache();
        diskkit::RemoveTree(folder);
    }

    std::string folder;
    RebuildSettings settings;
    CWin32JobSystem files;
    CWinInetUrlCache cache;
    CNullPaneView view;
    CRecordingReport report;
};

TEST_F(DownloadLoop, GhostLinksComeBackFromTheNetworkAndResolveOffline) {
    std::string site = Base() + "/site/";
    const std::string first =
        "<html><body><a href=\"sub/page2.htm\">two</a> <img src=\"pics/logo.gif\">"
        " <a href=\"deep/page3.htm\">three</a></body></html>";
    ASSERT_TRUE(diskkit::PutInCache(site, first, "html", MakeTime(Utc(2004, 1, 2, 3, 4, 6))));
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    const char* missing[] = {"sub/page2.htm", "pics/logo.gif", "deep/page3.htm"};
    {
        // Link analysis finds the ghosts; the user marks them L and executes.
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        ASSERT_EQ(1, AnalyzeLinks(jobs.rebuild, jobs.rebuild.root, -1));
        for (const char* name : missing) {
            int f = -1, i = -1, n = 0;
            ASSERT_TRUE(jobs.rebuild.FindByUrl((site + name).c_str(), &f, &i, &n)) << name;
            ASSERT_TRUE(jobs.model.Item(f, i)->IsGhost()) << name;
            jobs.rebuild.ToggleMarks(f, i, MARK_L, MARK_L, false);
        }
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }

    CDownloadWorkers workers;
    CQuietView quiet;
    CDownloader downloader(folder, files, cache, workers, quiet);
    workers.Attach(downloader);
    downloader.Load();
    ASSERT_EQ(3, downloader.RowCount());
    bool failed = false;
    ASSERT_EQ(3, workers.Start(3, failed));
    for (int tick = 0; workers.AnyRunning(); ++tick) {
        ASSERT_LT(tick, 600) << "workers did not end";
        Sleep(50);
    }
    workers.Finish();
    for (int row = 0; row < 3; ++row) EXPECT_EQ(DOWNLOAD_FETCHED, downloader.RowState(row)) << downloader.RowUrl(row);

    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        jobs.ReadDownloadList();
        ASSERT_EQ(1, jobs.BuildTrees());
        EXPECT_EQ(3u, jobs.cache.counters.c);
        ASSERT_EQ(1, jobs.ExecuteMarks());
    }
    // Every link of the first page now leads to a file of the rebuild folder.
    // The port stays with its host: one folder "127.0.0.1$3aPORT".
    std::string found = folder + "http$\\127.0.0.1$3a" + getenv("ZV_HTTP_PORT") + "\\site\\";
    std::string page = diskkit::ReadAll(found + "index.html");
    std::vector<std::string> links = LinksOf(page.substr(0, page.find("Original Block")));
    ASSERT_EQ(3u, links.size()) << page;
    for (const std::string& link : links) {
        std::string target = LocalTarget(found, link);
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(target.c_str())) << link << " -> " << target;
    }
    EXPECT_EQ("GIF89a", diskkit::ReadAll(found + "pics\\logo.gif").substr(0, 6));
}

}  // namespace

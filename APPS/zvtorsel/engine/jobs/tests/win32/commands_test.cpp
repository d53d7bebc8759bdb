#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "cache/memcache.h"
#include "jobs/rebuildjobs.h"
#include "jobs/tests/win32/diskkit.h"
#include "jobs/treecommands.h"
#include "base/win32/win32desktop.h"
#include "mapping/mapping_settings.h"
#include "mapping/win32/win32_file_clock.h"
#include "tree/tests/testkit.h"

namespace {

using diskkit::RemoveTree;
using diskkit::ReadAll;

// Writes a file, creating the folders above it.
void Write(const std::string& path, const std::string& data) {
    for (size_t p = path.find('\\', 3); p != std::string::npos; p = path.find('\\', p + 1))
        CreateDirectoryA(path.substr(0, p).c_str(), nullptr);
    diskkit::WriteAll(path, data);
}

class TreeCommands : public ::testing::Test {
protected:
    void SetUp() override {
        settings.mapping.clock = &Win32FileClock();
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        folder = std::string(temp) + "zvt_commands\\";
        RemoveTree(folder);
        CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
        settings.rebuildFolders[0] = folder;
    }
    void TearDown() override { RemoveTree(folder); }

    std::string folder;
    RebuildSettings settings;
    CWin32JobSystem files;
    CMemoryUrlCache cache;
    CNullPaneView view;
    CRecordingReport report;
};

TEST_F(TreeCommands, LinkAnalysisAddsOnlyTheMissingAddressesAsGhosts) {
    std::string site = folder + "http$\\la.zvtest\\";
    Write(site + "index.html",
          "<html><a href=\"http://la.zvtest/present.html\">p</a>\n"
          "<a href=\"/missing.html\">m</a> <img src=\"sub/pic.gif\">\n"
          "<base href=\"http://other.zvtest/base/\"><a href=\"/rooted.html\">r</a>\n"
          "<a href=\"here.html\">h</a></html>\n");
    Write(site + "present.html", "<html>present</html>\n");
    CRebuildJobs jobs(settings, files, cache, view, report, 0);
    ASSERT_EQ(1, jobs.BuildTrees());
    CRebuildPane& r = jobs.rebuild;
    ASSERT_EQ(1, AnalyzeLinks(r, r.root, -1));

    int f = -1, i = -1, n = 0;
    ASSERT_TRUE(r.FindByUrl("http://la.zvtest/present.html", &f, &i, &n));
    EXPECT_FALSE(r.model.Item(f, i)->IsGhost());
    const char* ghosts[] = {"http://la.zvtest/missing.html", "http://la.zvtest/sub/pic.gif",
                            "http://other.zvtest/base/rooted.html", "http://la.zvtest/here.html"};
    for (const char* url : ghosts) {
        ASSERT_TRUE(r.FindByUrl(url, &f, &i, &n)) << url;
        TreeItem* ghost = r.model.Item(f, i);
        EXPECT_TRUE(ghost->IsGhost()) << url;
        EXPECT_EQ(MARK_GHOST_ALLOWED, ghost->allowed[SIDE_REBUILD]) << url;
    }
    bool analysing = false;
    for (const std::string& s : report.statuses) analysing |= s == "Analizing http://la.zvtest/index.html";
    EXPECT_TRUE(analysing);

    // Only L can be set on a ghost, and a second analysis adds nothing.
    ASSERT_TRUE(r.FindByUrl("http://la.zvtest/missing.html", &f, &i, &n));
    r.ToggleMarks(f, i, MARK_M, MARK_M, false);
    EXPECT_EQ(0, r.model.Item(f, i)->marks[SIDE_REBUILD]);
    r.ToggleMarks(f, i, MARK_LC, MARK_LC, false);
    EXPECT_EQ(MARK_L, r.model.Item(f, i)->marks[SIDE_REBUILD]);
    DWORD total = r.counters.total;
    ASSERT_EQ(1, AnalyzeLinks(r, r.root, -1));
    EXPECT_EQ(total, r.counters.total);
}

TEST_F(TreeCommands, TranslationSkipsFilesWithoutOriginalAndRestoreSkipsUntranslated) {
    std::string site = folder + "http$\\tr.zvtest\\";
    const std::string page = "<html><a href=\"http://tr.zvtest/b.html\">b</a></html>\n";
    const std::string plain = "<html><a href=\"http://tr.zvtest/a.html\">a</a></html>\n";
    Write(site + "a.html", page);
    Write(site + "b.html", plain);
    settings.saveOrg = 0;
    {
        CRebuildJobs jobs(settings, files, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        int f = -1, i = -1, n = 0;
        ASSERT_TRUE(jobs.rebuild.FindByUrl("http://tr.zvtest/a.html", &f, &i, &n));
        ASSERT_EQ(1, TranslateAddresses(jobs.rebuild, f, i));
        TreeItem* a = jobs.model.Item(f, i);
        EXPECT_EQ(ITEM_TRANSLATED | ITEM_NO_ORIGINAL, a->flags & (ITEM_TRANSLATED | ITEM_NO_ORIGINAL));
    }
    std::string translated = ReadAll(site + "a.html");
    ASSERT_NE(page, translated);
    EXPECT_EQ(0u, translated.size() % 512);
    EXPECT_NE(std::string::npos, translated.find("file://" + folder + "http$\\tr.zvtest\\b.html"));

    // A fresh tree reads the flags from the file; both commands leave it alone.
    CRebuildJobs jobs(settings, files, cache, view, report, 0);
    ASSERT_EQ(1, jobs.BuildTrees());
    int f = -1, i = -1, n = 0;
    ASSERT_TRUE(jobs.rebuild.FindByUrl("http://tr.zvtest/a.html", &f, &i, &n));
    EXPECT_TRUE(jobs.model.Item(f, i)->flags & ITEM_NO_ORIGINAL);
    EXPECT_EQ(page.size(), jobs.model.Item(f, i)->size);
    ASSERT_EQ(1, TranslateAddresses(jobs.rebuild, jobs.rebuild.root, -1));
    ASSERT_EQ(1, RestoreOriginal(jobs.rebuild, jobs.rebuild.root, -1));
    EXPECT_EQ(translated, ReadAll(site + "a.html"));
    EXPECT_NE(plain, ReadAll(site + "b.html"));  // b was translated by the folder command
    ASSERT_TRUE(jobs.rebuild.FindByUrl("http://tr.zvtest/b.html", &f, &i, &n));
    EXPECT_TRUE(jobs.model.Item(f, i)->flags & ITEM_TRANSLATED);
}

}  // namespace

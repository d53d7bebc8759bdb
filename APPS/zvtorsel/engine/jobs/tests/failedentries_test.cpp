// Entries that a rebuild cannot give their files: each one is a counted
// failure row with its reason and carries the failed flag in the tree.
#include <gtest/gtest.h>

#include "base/messagenumbers.h"
#include "tree/tests/fixture.h"

namespace {

const ULONGLONG T0 = Utc(2001, 5, 6, 10, 0, 0);

class FailedEntries : public RebuildFixture {
protected:
    FailedEntries() { settings.checkCopyMark = 1; }
    bool Failed(const std::string& url, UINT id) const {
        for (const auto& f : report.failures)
            if (f.first == url && f.second == id) return true;
        return false;
    }
};

TEST_F(FailedEntries, AFileWhereTheHostFolderGoesFailsEveryUrlBelowIt) {
    fs.AddFile("C:\\rb\\http$\\blocked.test", "in the way", T0);
    Cache("http://blocked.test/a.html", "<p>a", T0);
    Cache("http://blocked.test/b/c.gif", "c", T0);
    Cache("http://free.test/x.gif", "x", T0);
    ASSERT_EQ(1, Build());

    EXPECT_EQ(2u, report.failures.size());
    EXPECT_TRUE(Failed("http://blocked.test/a.html", IDS_FAILED_IN_THE_WAY));
    EXPECT_TRUE(Failed("http://blocked.test/b/c.gif", IDS_FAILED_IN_THE_WAY));
    EXPECT_TRUE(report.Warned("http://blocked.test", IDS_WARN_NAME_CLASH));
    TreeItem* a = CacheItem("http://blocked.test/a.html");
    ASSERT_NE(nullptr, a);
    EXPECT_TRUE(a->IsFailed());
    EXPECT_EQ(0, a->allowed[SIDE_CACHE] & MARK_C);
    EXPECT_TRUE(CacheItem("http://blocked.test/b/c.gif")->IsFailed());
    int f = -1, i = -1;
    ASSERT_NE(nullptr, CacheItem("http://blocked.test/b/c.gif", &f, &i));
    EXPECT_TRUE(Jobs().model.Item(Jobs().model.Node(f)->parent, Jobs().model.Node(f)->itemInParent)->IsFailed())
        << "the folder below the clash is flagged too";
    EXPECT_FALSE(CacheItem("http://free.test/x.gif")->IsFailed());

    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_EQ(2, Jobs().FailedFiles()) << "counted in the job's result";
    EXPECT_EQ("in the way", fs.Data("C:\\rb\\http$\\blocked.test"));
    EXPECT_EQ("x", fs.Data("C:\\rb\\http$\\free.test\\x.gif"));
    EXPECT_TRUE(report.asked.empty()) << "nothing was tried that could fail";
}

TEST_F(FailedEntries, AFolderWhereAFileGoesFailsThatUrlAlone) {
    fs.AddFile("C:\\rb\\http$\\h.test\\page\\inner.gif", "i", T0);
    Cache("http://h.test/page", "p", T0);
    Cache("http://h.test/other.gif", "o", T0);
    ASSERT_EQ(1, Build());
    ASSERT_EQ(1u, report.failures.size());
    EXPECT_TRUE(Failed("http://h.test/page", IDS_FAILED_IN_THE_WAY));
    EXPECT_TRUE(CacheItem("http://h.test/page")->IsFailed());
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_EQ(1, Jobs().FailedFiles());
    EXPECT_TRUE(fs.IsFolder("C:\\rb\\http$\\h.test\\page"));
    EXPECT_EQ("o", fs.Data("C:\\rb\\http$\\h.test\\other.gif"));
}

TEST_F(FailedEntries, AUrlWithoutSchemeIsAFailureNotASilentSkip) {
    Cache("no-scheme-at-all.gif", "n", T0);
    Cache("http://h.test/ok.gif", "o", T0);
    ASSERT_EQ(1, Build());
    ASSERT_EQ(1u, report.failures.size());
    EXPECT_TRUE(Failed("no-scheme-at-all.gif", IDS_FAILED_UNMAPPED));
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_EQ(1, Jobs().FailedFiles());
}

TEST_F(FailedEntries, AFailedCopyIsFlaggedUntilARetrySucceeds) {
    settings.contRbldTree = 1;
    Cache("http://h.test/held.gif", "new", T0);
    fs.failCopyTo.push_back("C:\\rb\\http$\\h.test\\held.gif");
    ASSERT_EQ(1, Build());
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_EQ(1, Jobs().FailedFiles());
    int f = -1, i = -1;
    TreeItem* held = CacheItem("http://h.test/held.gif", &f, &i);
    ASSERT_NE(nullptr, held);
    EXPECT_TRUE(held->IsFailed());

    fs.failCopyTo.clear();
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_EQ(0, Jobs().FailedFiles());
    EXPECT_FALSE(held->IsFailed());
    TreeItem* copied = RebuildItem("http://h.test/held.gif");
    ASSERT_NE(nullptr, copied);
    EXPECT_FALSE(copied->IsFailed()) << "the rebuild entry does not inherit the flag";
}

// A rebuild-side entry whose URL does not fit the URL buffer is not written
// back in silence.
TEST_F(FailedEntries, AWriteBackWhoseUrlDoesNotFitFails) {
    std::string deep = "C:\\rb\\http$\\h.test\\";
    for (int n = 0; n < 4; ++n) {
        std::string name(220, (char)('a' + n));
        deep += name + "\\";
    }
    // The folder fits the buffers; its URL with this name does not.
    fs.AddFile(deep + std::string(200, 'f') + ".gif", "f", T0);
    ASSERT_EQ(1, Build());
    CRebuildPane& rebuild = Jobs().rebuild;
    // Down the tree by hand: the URL is too long for the lookups by URL.
    int folder = rebuild.root;
    for (int depth = 0; depth < 6; ++depth) {
        FolderNode* node = Jobs().model.Node(folder);
        if (node->state != FOLDER_READ) {
            ASSERT_EQ(1, rebuild.LoadFolder(folder));
        }
        node = Jobs().model.Node(folder);
        ASSERT_EQ(1u, node->items.size());
        folder = node->items[0]->Child();
    }
    ASSERT_EQ(1, rebuild.LoadFolder(folder));
    ASSERT_EQ(1u, Jobs().model.Node(folder)->items.size());
    rebuild.ToggleMarks(folder, 0, MARK_C, MARK_C, false);
    ASSERT_EQ(MARK_C, Jobs().model.Item(folder, 0)->marks[SIDE_REBUILD] & MARK_M);

    EXPECT_EQ(1, Jobs().ExecuteMarks());
    ASSERT_EQ(1u, report.failures.size());
    EXPECT_EQ((UINT)IDS_FAILED_URL_TOO_LONG, report.failures[0].second);
    EXPECT_TRUE(Jobs().model.Item(folder, 0)->IsFailed());
    EXPECT_EQ(1, Jobs().FailedFiles());
}

}  // namespace

#include "jobs/execute.h"

#include <gtest/gtest.h>

#include "base/messagenumbers.h"
#include "jobs/treecommands.h"
#include "cache/contenttype.h"
#include "tree/treelinktargets.h"
#include "tree/tests/fixture.h"

namespace {

const ULONGLONG T0 = Utc(2001, 5, 6, 10, 0, 0);

class Execute : public RebuildFixture {};

TEST_F(Execute, DeletingIsSkippedOnNoWhileMovesAndCopiesRun) {
    Cache("http://h/gone.gif", "x", T0, false);  // preset D
    Cache("http://h/new.gif", "new", T0);        // C
    Cache("http://h/tool.exe", "exe", T0);       // M
    fs.AddFile("C:\\rb\\http$\\h\\old.gif", "o", T0);
    ASSERT_EQ(1, Build());
    int f = -1, i = -1;
    ASSERT_NE(nullptr, RebuildItem("http://h/old.gif", &f, &i));
    Jobs().rebuild.ToggleMarks(f, i, MARK_D, MARK_D, false);
    report.answer = [](UINT id, const std::string&) { return id != IDS_ASK_DELETE; };

    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_TRUE(Jobs().EndsDialog());
    ASSERT_EQ(1u, report.asked.size());
    EXPECT_EQ((UINT)IDS_ASK_DELETE, report.asked[0]);
    EXPECT_TRUE(fs.Exists("C:\\rb\\http$\\h\\old.gif"));
    EXPECT_NE(nullptr, cache.Find("http://h/gone.gif"));
    EXPECT_EQ("new", fs.Data("C:\\rb\\http$\\h\\new.gif"));
    EXPECT_EQ(T0, fs.Time("C:\\rb\\http$\\h\\new.gif"));
    EXPECT_EQ("exe", fs.Data("C:\\rb\\http$\\h\\tool.exe"));
    EXPECT_EQ(nullptr, cache.Find("http://h/tool.exe"));
    EXPECT_NE(nullptr, cache.Find("http://h/new.gif"));
    // Copied entries appear on the rebuild side without C.
    TreeItem* copied = RebuildItem("http://h/new.gif");
    ASSERT_NE(nullptr, copied);
    EXPECT_EQ(MARK_NOT_C, copied->allowed[SIDE_REBUILD]);
    EXPECT_EQ("C:\\rb\\http$\\h\\new.gif", copied->localFile);
    EXPECT_EQ(0, CacheItem("http://h/new.gif")->allowed[SIDE_CACHE] & MARK_C);
    EXPECT_EQ(0u, Jobs().cache.counters.c);
    EXPECT_EQ(0u, Jobs().cache.counters.m);
    bool sawCopying = false, sawMoving = false;
    for (const std::string& s : report.statuses) {
        sawCopying |= s == "Copying http://h/new.gif";
        sawMoving |= s == "Moving http://h/tool.exe";
    }
    EXPECT_TRUE(sawCopying);
    EXPECT_TRUE(sawMoving);
}

TEST_F(Execute, DeletingOnYesRemovesEmptiedFoldersUpToTheRebuildFolder) {
    fs.AddFile("C:\\rb\\http$\\h\\a\\b\\last.gif", "l", T0);
    fs.AddFile("C:\\rb\\http$\\keep\\k.gif", "k", T0);
    ASSERT_EQ(1, Build());
    int f = -1, i = -1;
    ASSERT_NE(nullptr, RebuildItem("http://h/a/b/last.gif", &f, &i));
    Jobs().rebuild.ToggleMarks(f, i, MARK_D, MARK_D, false);
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_FALSE(fs.Exists("C:\\rb\\http$\\h\\a\\b\\last.gif"));
    EXPECT_FALSE(fs.Exists("C:\\rb\\http$\\h"));
    EXPECT_TRUE(fs.Exists("C:\\rb\\http$\\keep\\k.gif"));
    EXPECT_TRUE(fs.IsFolder("C:\\rb"));
    EXPECT_EQ(nullptr, RebuildItem("http://h/a/b/last.gif"));

    // With nothing else left, the scheme folder goes too, the rebuild folder never.
    ASSERT_NE(nullptr, RebuildItem("http://keep/k.gif", &f, &i));
    Jobs().rebuild.ToggleMarks(f, i, MARK_D, MARK_D, false);
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_FALSE(fs.Exists("C:\\rb\\http$"));
    EXPECT_TRUE(fs.IsFolder("C:\\rb"));
}

TEST_F(Execute, FailedCopyKeepsTheSourceOfAMove) {
    Cache("http://h/tool.exe", "exe", T0);
    fs.failCopyTo.push_back("C:\\rb\\http$\\h\\tool.exe");
    ASSERT_EQ(1, Build());
    ASSERT_EQ(MARK_M, CacheMarks("http://h/tool.exe"));
    // Going on after the failure must not delete the cache entry.
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_NE(nullptr, cache.Find("http://h/tool.exe"));
    EXPECT_EQ(MARK_M, CacheMarks("http://h/tool.exe"));
    EXPECT_FALSE(report.asked.empty());
}

TEST_F(Execute, FailedWriteBackKeepsTheRebuildFileOfAMove) {
    settings.hideWarning = 1;
    fs.AddFile("C:\\rb\\http$\\s\\keep.zip", "zip", T0);
    fs.failCopyTo.push_back("C:\\cache\\cache1.zip");
    cache.SetFileFolder("C:\\cache\\");
    fs.AddFolder("C:\\cache");
    ASSERT_EQ(1, Build());
    int f = -1, i = -1;
    ASSERT_NE(nullptr, RebuildItem("http://s/keep.zip", &f, &i));
    Jobs().rebuild.ToggleMarks(f, i, MARK_M, MARK_M, false);
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_TRUE(report.asked.empty() || report.asked == std::vector<UINT>{IDS_ASK_DELETE});
    EXPECT_TRUE(fs.Exists("C:\\rb\\http$\\s\\keep.zip"));
    EXPECT_EQ(nullptr, cache.Find("http://s/keep.zip"));
}

TEST_F(Execute, WriteBackOfIndexGivesUrlEndingInSlash) {
    fs.AddFolder("C:\\cache");
    cache.SetFileFolder("C:\\cache\\");
    fs.AddFile("C:\\rb\\http$\\w\\d\\index.html", "<html>", T0);
    fs.AddFile("C:\\rb\\http$\\w\\find.cgi$3fk=1.htm", "q", T0);
    ASSERT_EQ(1, Build());
    int f = -1, i = -1;
    ASSERT_NE(nullptr, RebuildItem("http://w/d/index.html", &f, &i));
    Jobs().rebuild.ToggleMarks(f, i, MARK_C, MARK_C, false);
    ASSERT_NE(nullptr, RebuildItem("http://w/find.cgi?k=1.htm", &f, &i));
    Jobs().rebuild.ToggleMarks(f, i, MARK_C, MARK_C, false);
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    const CMemoryUrlCache::Entry* index = cache.Find("http://w/d/");
    ASSERT_NE(nullptr, index);
    EXPECT_EQ("<html>", fs.Data(index->localFile));
    EXPECT_EQ(T0 + kWriteBackTimeOffset, TimeValue(index->lastModified));
    EXPECT_EQ(kCacheNeverExpires, TimeValue(cache.lastExpire));
    EXPECT_NE(nullptr, cache.Find("http://w/find.cgi?k=1"));
    TreeItem* back = CacheItem("http://w/d/index.html");
    ASSERT_NE(nullptr, back);
    EXPECT_EQ("http://w/d/", back->url);
    EXPECT_EQ(0, RebuildItem("http://w/d/index.html")->marks[SIDE_REBUILD]);

    char out[64];
    struct {
        const char* mapped;
        const char* url;
    } cases[] = {
        {"http://h/INDEX.HTM", "http://h/"},
        {"http://h/a/index.html", "http://h/a/"},
        {"http://h/s.cgi?q=1.htm", "http://h/s.cgi?q=1"},
        {"http://h/s.cgi_99c05_130409.htm", "http://h/s.cgi_99c05_130409.htm"},
        {"http://h/index.html.gz", "http://h/index.html.gz"},
    };
    for (const auto& c : cases) {
        WriteBackUrl(c.mapped, out, sizeof(out));
        EXPECT_STREQ(c.url, out) << c.mapped;
    }
}

TEST_F(Execute, SiteOfTheSecondRebuildFolderIsCopiedThere) {
    settings.rebuildFolders[1] = "C:\\second\\";
    fs.AddFile("C:\\second\\http$\\far\\old.gif", "o", T0);
    fs.AddFile("C:\\rb\\http$\\here\\old.gif", "o", T0);
    Cache("http://far/new.gif", "n", T0);
    Cache("http://near/new.gif", "m", T0);
    ASSERT_EQ(1, Build());
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_EQ("n", fs.Data("C:\\second\\http$\\far\\new.gif"));
    EXPECT_FALSE(fs.Exists("C:\\rb\\http$\\far\\new.gif"));
    EXPECT_EQ("m", fs.Data("C:\\rb\\http$\\near\\new.gif"));
}

TEST_F(Execute, StampedCacheNamesAreCopiedUnderTheirStampedNames) {
    Cache("http://h/q/", "new index", T0 + 40000000);
    Cache("http://h/q/index.html", "old index", T0);
    ASSERT_EQ(1, Build());
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_EQ("new index", fs.Data("C:\\rb\\http$\\h\\q\\index.html"));
    EXPECT_EQ("old index", fs.Data("C:\\rb\\http$\\h\\q\\index_01506_100000.html"));
    EXPECT_NE(nullptr, RebuildItem("http://h/q/index_01506_100000.html"));
    EXPECT_NE(nullptr, RebuildItem("http://h/q/index.html"));
}

TEST_F(Execute, NewerCacheFileReplacesOrRenamesTheOldOne) {
    fs.AddFile("C:\\rb\\http$\\h\\same.gif", "old", Utc(2001, 5, 6, 10, 0, 1));
    fs.AddFile("C:\\rb\\http$\\h\\page.gif", "old", T0);
    Cache("http://h/same.gif", "cache", T0);
    Cache("http://h/page.gif", "newer", T0 + 100000000);
    settings.renameOld = 1;
    ASSERT_EQ(1, Build());
    // Marked by hand: equal after rounding to even seconds, so nothing is copied.
    int f = -1, i = -1;
    CacheItem("http://h/same.gif", &f, &i);
    Jobs().cache.Allow(f, i, MARK_C);
    Jobs().cache.ToggleMarks(f, i, MARK_C, MARK_C, false);
    EXPECT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_EQ("old", fs.Data("C:\\rb\\http$\\h\\same.gif"));
    EXPECT_EQ("newer", fs.Data("C:\\rb\\http$\\h\\page.gif"));
    EXPECT_EQ("old", fs.Data("C:\\rb\\http$\\h\\page_old.gif"));
}

TEST_F(Execute, KeptOpenDialogGetsFreshCountersAndLoadListRoundTrips) {
    settings.contRbldTree = 1;
    Cache("http://h/a.gif", "a", T0);
    fs.AddFolder("C:\\rb");
    ASSERT_EQ(1, Build());
    CRebuildJobs& j = Jobs();
    ASSERT_NE(nullptr, j.cache.AddUrl("http://h/missing.html", nullptr, MARK_ALL, MARK_L, true));
    int f = -1, i = -1;
    CacheItem("http://h/a.gif", &f, &i);
    j.cache.ToggleMarks(f, i, MARK_L, MARK_L, false);
    EXPECT_EQ(1, j.ExecuteMarks());
    EXPECT_FALSE(j.EndsDialog());
    EXPECT_EQ(IDS_READY, (int)report.messages.back());
    EXPECT_EQ(" C:0, D:0, M:0, L:2 / 2", j.cache.status);
    char value[64];
    fs.ReadProfileString("C:\\rb\\download.lst", "download", "entry", value, sizeof(value));
    EXPECT_STREQ("2", value);
    fs.ReadProfileString("C:\\rb\\download.lst", "download", "url0", value, sizeof(value));
    EXPECT_STREQ("http://h/a.gif", value);

    // A new dialog reads the list back and marks its URLs L.
    CRebuildJobs again(settings, fs, cache, view, report, 0);
    again.ReadDownloadList();
    ASSERT_EQ(2u, again.loadList.size());
    // A damaged count reads the keys there are, without a loop to two billion.
    fs.WriteProfileString("C:\\rb\\download.lst", "download", "entry", "2147483647");
    CRebuildJobs damaged(settings, fs, cache, view, report, 0);
    damaged.ReadDownloadList();
    EXPECT_EQ(2u, damaged.loadList.size());
    ASSERT_EQ(1, again.BuildTrees());
    int n;
    ASSERT_TRUE(again.cache.FindByUrl("http://h/missing.html", &f, &i, &n));
    EXPECT_TRUE(again.model.Item(f, i)->IsGhost());
    EXPECT_EQ(MARK_L, again.model.Item(f, i)->marks[SIDE_CACHE]);

    // With no L marks left the list file goes away.
    again.cache.ToggleMarks(again.cache.root, -1, MARK_L, 0, false);
    EXPECT_EQ(1, again.ExecuteMarks());
    EXPECT_FALSE(fs.Exists("C:\\rb\\download.lst"));
}

TEST_F(Execute, StoppingAQuestionEndsTheJobWithZero) {
    Cache("http://h/a.gif", "a", T0);
    Cache("http://h/b.gif", "b", T0);
    fs.failMakeDirectories = true;
    fs.failCopyTo.push_back("C:\\rb\\http$\\h\\a.gif");
    fs.failCopyTo.push_back("C:\\rb\\http$\\h\\b.gif");
    ASSERT_EQ(1, Build());
    report.answer = [](UINT, const std::string&) { return false; };
    EXPECT_EQ(0, Jobs().ExecuteMarks());
    EXPECT_FALSE(Jobs().EndsDialog());
    ASSERT_EQ(1u, report.asked.size());
    EXPECT_EQ((UINT)IDS_ASK_MAKE_FOLDER, report.asked[0]);
}

class Commands : public RebuildFixture {};

TEST_F(Execute, TreesNameQueryFilesAndKeepContentTypes) {
    CMemoryUrlCache::Entry e;
    e.url = "http://h/cgi/find.cgi?cat=nabe&sort=new";
    e.localFile = "C:\\cache\\find[1].htm";
    fs.AddFile(e.localFile, "<p>", T0);
    cache.Put(e);
    e.url = "http://h/euc.html";
    e.localFile = "C:\\cache\\euc[1].htm";
    e.contentType = "text/html; charset=EUC-JP";
    fs.AddFile(e.localFile, "<p>", T0);
    cache.Put(e);
    fs.AddFile("C:\\rb\\http$\\h\\pic.cgi$3fn=2.png", "p", T0);
    ASSERT_EQ(1, Build());
    CTreeLinkTargets names(&Jobs().cache, &Jobs().rebuild);
    char ext[16];
    ASSERT_TRUE(names.QueryExtension("http://h/cgi/find.cgi?cat=nabe&sort=new", ext, sizeof ext));
    EXPECT_STREQ(".htm", ext);
    ASSERT_TRUE(names.QueryExtension("http://h/pic.cgi?n=2", ext, sizeof ext));
    EXPECT_STREQ(".png", ext);
    ASSERT_TRUE(names.QueryExtension("http://h/cgi/FIND.CGI?cat=nabe&sort=new", ext, sizeof ext));
    EXPECT_STREQ(".htm", ext) << "the last name is compared without case, as the folder lookup was";
    EXPECT_FALSE(names.QueryExtension("http://h/cgi/find.cgi?cat=nabe", ext, sizeof ext));
    EXPECT_FALSE(names.QueryExtension("http://h/other/find.cgi?cat=nabe&sort=new", ext, sizeof ext));
    EXPECT_FALSE(names.QueryExtension("http://h/cgi/find.cgi?cat=nabe&sort=new", ext, 4));
    EXPECT_NE(nullptr, CacheItem("http://h/cgi/find.cgi?cat=nabe&sort=new.htm"));
    TreeItem* item = CacheItem("http://h/euc.html");
    ASSERT_NE(nullptr, item);
    EXPECT_EQ("text/html; charset=EUC-JP", item->contentType);
}

TEST(ContentTypes, FoundInRawHeaders) {
    const char headers[] = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\ncontent-TYPE:  text/css; charset=EUC-JP \r\n\r\n";
    EXPECT_EQ("text/css; charset=EUC-JP", ContentTypeOfHeaders(headers, sizeof headers - 1));
    EXPECT_EQ("", ContentTypeOfHeaders(headers, 40));
    EXPECT_EQ("", ContentTypeOfHeaders(nullptr, 10));
}

TEST_F(Commands, RenameRefusesNamesDifferingOnlyInCase) {
    fs.AddFile("C:\\rb\\http$\\h\\Page.html", "p", T0);
    fs.AddFile("C:\\rb\\http$\\h\\other.html", "o", T0);
    ASSERT_EQ(1, Build());
    int f = -1, i = -1;
    ASSERT_NE(nullptr, RebuildItem("http://h/other.html", &f, &i));
    CRebuildPane& r = Jobs().rebuild;
    EXPECT_EQ(RENAME_UNCHANGED, RenameEntry(r, f, i, ""));
    EXPECT_EQ(RENAME_NAME_TAKEN, RenameEntry(r, f, i, "PAGE.HTML"));
    EXPECT_EQ((UINT)IDS_NAME_EXISTS, report.notified.back());
    EXPECT_EQ(RENAME_DONE, RenameEntry(r, f, i, "renamed.html"));
    EXPECT_TRUE(fs.Exists("C:\\rb\\http$\\h\\renamed.html"));
    EXPECT_NE(nullptr, RebuildItem("http://h/renamed.html"));
}

TEST_F(Commands, ChangeOfBaseFolderLeavesAColliddingFileAndMovesTheRest) {
    settings.rebuildFolders[1] = "C:\\two\\";
    fs.AddFile("C:\\rb\\http$\\site\\a.gif", "a", T0);
    fs.AddFile("C:\\rb\\http$\\site\\sub\\b.gif", "b", T0);
    fs.AddFile("C:\\rb\\http$\\site\\clash.gif", "mine", T0);
    fs.AddFile("C:\\two\\http$\\other\\x.gif", "x", T0);
    fs.AddFile("C:\\two\\http$\\site\\clash.gif", "theirs", T0);
    ASSERT_EQ(1, Build());
    int f = -1, i = -1;
    ASSERT_NE(nullptr, RebuildItem("http://site/a.gif", &f, &i));
    CRebuildPane& r = Jobs().rebuild;
    EXPECT_EQ(1, ChangeBaseFolder(r, f, 1));
    EXPECT_EQ("a", fs.Data("C:\\two\\http$\\site\\a.gif"));
    EXPECT_EQ("b", fs.Data("C:\\two\\http$\\site\\sub\\b.gif"));
    EXPECT_EQ("theirs", fs.Data("C:\\two\\http$\\site\\clash.gif"));
    EXPECT_EQ("mine", fs.Data("C:\\rb\\http$\\site\\clash.gif"));
    EXPECT_FALSE(fs.Exists("C:\\rb\\http$\\site\\a.gif"));
    EXPECT_FALSE(fs.Exists("C:\\rb\\http$\\site\\sub"));
    EXPECT_EQ((UINT)IDS_MOVE_TARGET_EXISTS, report.notified.back());
    EXPECT_EQ(1, r.model.Node(f)->rebuildNo);
}

TEST_F(Commands, OpenShowsFoldersAndStartsFiles) {
    fs.AddFile("C:\\rb\\http$\\h\\d\\page.html", "p", T0);
    ASSERT_EQ(1, Build());
    int f = -1, i = -1;
    ASSERT_NE(nullptr, RebuildItem("http://h/d/page.html", &f, &i));
    CRebuildPane& r = Jobs().rebuild;
    EXPECT_EQ(-1, OpenRow(r, f, ListRow{i}));
    ASSERT_EQ(1u, fs.opened.size());
    EXPECT_EQ("C:\\rb\\http$\\h\\d\\page.html", fs.opened[0]);
    int parent = r.model.Node(f)->parent;
    EXPECT_EQ(parent, OpenRow(r, f, ListRow{-1}));
    EXPECT_EQ(parent, r.shownFolder);
}

// A name too wide for file systems is copied into a chain of folders, which
// the rebuild side reads back as the one name: the next comparison finds
// each file where it was copied.
TEST_F(Execute, WideNamesAreCopiedIntoFolderChainsAndReadBack) {
    const std::string name = std::string(300, 'w');
    std::string wide;  // 130 characters with trail byte "\\", 260 bytes
    for (int k = 0; k < 130; ++k) wide += "\x95\x5C";
    Cache("http://h/" + name + "/a.gif", "A", T0);
    Cache("http://h/d/" + wide + ".gif", "W", T0);
    ASSERT_EQ(1, Build());
    ASSERT_EQ(1, Jobs().ExecuteMarks());
    EXPECT_TRUE(report.asked.empty());
    EXPECT_EQ("A", fs.Data("C:\\rb\\http$\\h\\" + name.substr(0, 200) + "$+\\" + name.substr(200) + "\\a.gif"));
    EXPECT_TRUE(fs.IsFolder("C:\\rb\\http$\\h\\d\\" + wide.substr(0, 132) + "$+"));

    CRebuildJobs again(settings, fs, cache, view, report, 0);
    ASSERT_EQ(1, again.BuildTrees());
    EXPECT_EQ(0u, again.cache.counters.c) << "both files are found in place";
    int f = -1, i = -1, n = 0;
    ASSERT_TRUE(again.rebuild.FindByUrl(("http://h/" + name + "/a.gif").c_str(), &f, &i, &n));
    ASSERT_TRUE(again.rebuild.FindByUrl(("http://h/d/" + wide + ".gif").c_str(), &f, &i, &n));
    char path[1024];
    ASSERT_TRUE(again.rebuild.EntryLocalPath(f, i, path));
    EXPECT_EQ("W", fs.Data(path));
}

}  // namespace

// Each job translates with its own link form: two in one process, one
// relative and one with file:/// URLs, write different links for one page.
TEST(JobSettings, TwoJobsInOneProcessWriteTheirOwnLinkForms) {
    std::string written[2];
    const int forms[2] = {1, 3};
    for (int n = 0; n < 2; ++n) {
        CMemorySystem fs;
        CMemoryUrlCache cache;
        CNullPaneView view;
        CRecordingReport report;
        RebuildSettings settings;
        settings.rebuildFolders[0] = "C:\\rb" + std::to_string(n) + "\\";
        settings.xlatRebuild = 1;
        settings.mapping.fileProtocolType = forms[n];
        CMemoryUrlCache::Entry e;
        e.url = "http://h/a/page.html";
        e.localFile = "C:\\cache\\page.html";
        e.lastModified = MakeTime(T0);
        const std::string page = "<html><a href=\"http://h/b/next.html\">next</a></html>";
        e.size = (DWORD)page.size();
        fs.AddFile(e.localFile, page, T0);
        cache.Put(e);
        CRebuildJobs jobs(settings, fs, cache, view, report, 0);
        ASSERT_EQ(1, jobs.BuildTrees());
        ASSERT_EQ(1, jobs.ExecuteMarks());
        written[n] = fs.Data(settings.rebuildFolders[0] + "http$\\h\\a\\page.html");
    }
    EXPECT_NE(std::string::npos, written[0].find("href=\"../b/next.html\"")) << written[0].substr(0, 300);
    EXPECT_NE(std::string::npos, written[1].find("href=\"file:///C:\\rb1\\http$\\h\\b\\next.html\""))
        << written[1].substr(0, 300);
}

namespace {

void BracketedCount(DWORD value, char* out, int cap) { snprintf(out, cap, "[%lu]", (unsigned long)value); }

}  // namespace

// The query cut and the count format belong to the job too: two jobs held
// at the same time, one cutting queries after 4 bytes and counting in its
// own format, map and count the same cache their own way.
TEST(JobSettings, TwoJobsInOneProcessCutQueriesAndCountTheirOwnWay) {
    CMemorySystem fs;
    CMemoryUrlCache cache;
    CNullPaneView view;
    CRecordingReport report;
    CMemoryUrlCache::Entry e;
    e.url = "http://h/find.cgi?word=long";
    e.localFile = "C:\\cache\\find.htm";
    e.lastModified = MakeTime(T0);
    e.size = 4;
    fs.AddFile(e.localFile, "page", T0);
    cache.Put(e);
    RebuildSettings cutting, keeping;
    cutting.rebuildFolders[0] = keeping.rebuildFolders[0] = "C:\\rb\\";
    cutting.mapping.cgiLimitLen = 4;
    cutting.formatCount = BracketedCount;
    CRebuildJobs cut(cutting, fs, cache, view, report, 0);
    CRebuildJobs kept(keeping, fs, cache, view, report, 0);
    ASSERT_EQ(1, cut.BuildTrees());
    ASSERT_EQ(1, kept.BuildTrees());
    int f = -1, i = -1, n = 0;
    EXPECT_TRUE(kept.cache.FindByUrl("http://h/find.cgi?word=long.htm", &f, &i, &n));
    EXPECT_FALSE(cut.cache.FindByUrl("http://h/find.cgi?word=long.htm", &f, &i, &n));
    EXPECT_NE(std::string::npos, cut.cache.status.find("/ [1]")) << cut.cache.status;
    EXPECT_NE(std::string::npos, kept.cache.status.find("/ 1")) << kept.cache.status;
    EXPECT_EQ(std::string::npos, kept.cache.status.find('[')) << kept.cache.status;
}

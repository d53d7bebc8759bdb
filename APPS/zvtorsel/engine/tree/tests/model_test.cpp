#include <gtest/gtest.h>

#include "base/messagenumbers.h"
#include "fixture.h"

namespace {

const ULONGLONG T0 = Utc(2001, 5, 6, 10, 0, 0);

TEST(TreeModel, SlotsAreReusedAndKindsFollowTheExtensionTable) {
    CFolderTree model;
    int a = model.NewFolder(-1, -1, 0, FOLDER_READ);
    int b = model.NewFolder(a, 0, 0, FOLDER_READ);
    int c = model.NewFolder(a, 1, 0, FOLDER_READ);
    model.RemoveFolder(b);
    EXPECT_EQ(2, model.Used());
    EXPECT_EQ(1, model.Emptied());
    EXPECT_EQ(b, model.NewFolder(a, 2, 0, FOLDER_READ));
    EXPECT_EQ(0, model.Emptied());
    EXPECT_EQ(c + 1, model.NewFolder(a, 3, 0, FOLDER_READ));

    struct {
        const char* name;
        int kind;
    } cases[] = {
        {"index.HTML", KIND_HTML}, {"a.asp", KIND_HTML},      {"p.Shtml", KIND_HTML},
        {"x.jfif", KIND_PICTURE},  {"x.xbm", KIND_PICTURE},   {"a.tar.gz", KIND_ARCHIVE},
        {"a.Z", KIND_ARCHIVE},     {"setup.EXE", KIND_EXECUTABLE}, {"c.com", KIND_EXECUTABLE},
        {"k.vxd", KIND_SYSTEM},    {"readme", KIND_OTHER},    {"a.zipx", KIND_OTHER},
        {"dir.htm/file", KIND_OTHER}, {"q.cgi?x=1.htm", KIND_HTML}, {"\x83\x5C.gif", KIND_PICTURE},
    };
    for (const auto& c : cases) EXPECT_EQ(c.kind, KindFromName(c.name)) << c.name;
}

TEST(TreeModel, TheNameIndexFollowsRemovalsAndRenamesOfSharedNames) {
    CFolderTree model;
    int f = model.NewFolder(-1, -1, 0, FOLDER_READ);
    auto add = [&](const char* name) {
        TreeItem* item = new TreeItem;
        item->name = name;
        return model.AddItem(f, item);
    };
    FolderNode* node = model.Node(f);
    int a1 = add("a.html"), b = add("b.html"), a2 = add("a.html"), a3 = add("a.html");
    EXPECT_EQ(a1, node->Find("a.html"));
    model.RemoveItem(f, a2);
    EXPECT_EQ(a1, node->Find("a.html")) << "a removal of a name the index does not point at";
    model.RemoveItem(f, a1);
    EXPECT_EQ(a3, node->Find("a.html")) << "the next entry of the name takes its place";
    model.RenameItem(f, a3, "c.html");
    EXPECT_EQ(-1, node->Find("a.html"));
    EXPECT_EQ(a3, node->Find("c.html"));
    model.RenameItem(f, b, "c.html");
    model.RemoveItem(f, a3);
    EXPECT_EQ(b, node->Find("c.html")) << "a name shared by a rename";
    // Names never shared: each removal leaves the others found.
    int g = model.NewFolder(f, 0, 0, FOLDER_READ);
    std::vector<int> items;
    for (int i = 0; i < 100; ++i) {
        TreeItem* item = new TreeItem;
        item->name = "p" + std::to_string(i) + ".gif";
        items.push_back(model.AddItem(g, item));
    }
    for (int i = 0; i < 100; i += 2) model.RemoveItem(g, items[i]);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(i % 2 ? items[i] : -1, model.Node(g)->Find("p" + std::to_string(i) + ".gif")) << i;
}

TEST(TreeModel, QueryEntriesAreFoundByTheirNameWithoutTheAppendedExtension) {
    CFolderTree model;
    int f = model.NewFolder(-1, -1, 0, FOLDER_READ);
    auto add = [&](const char* name, BYTE kind = KIND_OTHER) {
        TreeItem* item = new TreeItem;
        item->name = name;
        item->kind = kind;
        return model.AddItem(f, item);
    };
    FolderNode* node = model.Node(f);
    int folder = add("find.cgi?q=1", KIND_FOLDER);
    model.Item(f, folder)->size = (DWORD)model.NewFolder(f, folder, 0, FOLDER_READ);
    add("find.cgi?q=1.gif.txt");
    int html = add("Find.cgi?q=1.html");
    int jpeg = add("find.cgi?q=1.jpg");
    add("find.cgi?q=1.$7e");
    add("plain.gif");
    add("a.b?c=d.e.htm");
    // The first entry in the folder's order that fits, without case.
    EXPECT_EQ(html, node->FindQuery("FIND.CGI?Q=1", 16));
    EXPECT_EQ(jpeg, node->FindQuery("find.cgi?q=1", 5)) << "\".html\" does not fit 5 bytes";
    EXPECT_EQ(-1, node->FindQuery("find.cgi?q=1", 4));
    EXPECT_EQ(1, node->FindQuery("find.cgi?q=1.gif", 16)) << "the extension is what follows the last dot";
    EXPECT_EQ(-1, node->FindQuery("find.cgi?q", 16));
    EXPECT_EQ(-1, node->FindQuery("plain", 16)) << "no query";
    EXPECT_EQ(-1, node->FindQuery("a.b?c=d", 16));
    EXPECT_EQ(6, node->FindQuery("a.b?c=d.e", 16));
    // Removed and renamed entries are no longer found, a new name is.
    model.RemoveItem(f, html);
    EXPECT_EQ(jpeg, node->FindQuery("find.cgi?q=1", 16));
    model.RenameItem(f, jpeg, "find.cgi?q=2.png");
    EXPECT_EQ(-1, node->FindQuery("find.cgi?q=1", 16));
    EXPECT_EQ(jpeg, node->FindQuery("find.cgi?q=2", 16));
    model.ClearItems(f);
    EXPECT_EQ(-1, node->FindQuery("find.cgi?q=2", 16));
    EXPECT_EQ(0u, node->byQuery.size());
}

TEST(TreeModel, CaseFoldingLeavesDoubleByteCharactersWhole) {
    std::string up;
    UpperName("ab\x83\x61z", up);  // the trail byte 0x61 is no letter here
    EXPECT_EQ(std::string("AB\x83\x61Z"), up);
    EXPECT_EQ(0, CompareNoCase("Index.HTML", "index.html"));
    EXPECT_NE(0, CompareNoCase("\x83\x41", "\x83\x61"));
    EXPECT_GT(CompareNoCase("\x83\x5C", ""), 0);
    EXPECT_GT(CompareNoCase("a\x95\x5C", "a\x95"), 0);
    EXPECT_LT(CompareNoCase("\x83", "\x83\x5C"), 0);
}

class CacheInsertion : public RebuildFixture {};

TEST_F(CacheInsertion, NameConflictsStampTheOlderAndWarn) {
    Cache("http://h/a", "file a", T0);             // later needs a folder "a"
    Cache("http://h/a/b.html", "b", T0 + 10000000);
    Cache("http://h/d/x.html", "x", T0);           // folder "d" exists ...
    Cache("http://h/d", "file d", T0);             // ... when file "d" arrives
    Cache("http://h/p.html", "new", T0 + 20000000);
    Cache("http://h/P.html", "other case", T0);
    ASSERT_EQ(1, Build());

    EXPECT_TRUE(report.Warned("http://h/a", IDS_WARN_FILE_AT_FOLDER));
    EXPECT_NE(nullptr, CacheItem("http://h/a_01506_100000"));
    EXPECT_NE(nullptr, CacheItem("http://h/a/b.html"));
    EXPECT_TRUE(report.Warned("http://h/d", IDS_WARN_SAME_FOLDER));
    EXPECT_NE(nullptr, CacheItem("http://h/d_01506_100000"));
    EXPECT_NE(nullptr, CacheItem("http://h/d/x.html"));
    // Names that differ in case are different names in the cache tree.
    EXPECT_NE(nullptr, CacheItem("http://h/p.html"));
    EXPECT_NE(nullptr, CacheItem("http://h/P.html"));
}

TEST_F(CacheInsertion, SameNameTwiceStampsTheOlderOfTheTwo) {
    // Two URLs that map to the same name: the older one gets the stamp.
    Cache("http://h/q/", "new index", T0 + 40000000);
    Cache("http://h/q/index.html", "old index", T0);
    ASSERT_EQ(1, Build());
    EXPECT_TRUE(report.Warned("http://h/q/index.html", IDS_WARN_SAME_FILE));
    TreeItem* kept = CacheItem("http://h/q/index.html");
    ASSERT_NE(nullptr, kept);
    EXPECT_EQ("http://h/q/", kept->url);
    TreeItem* stamped = CacheItem("http://h/q/index_01506_100000.html");
    ASSERT_NE(nullptr, stamped);
    EXPECT_EQ("http://h/q/index.html", stamped->url);
}

TEST_F(CacheInsertion, HistoryUrlsBecomeIndexOfAFolderOrAreDropped) {
    History("http://h/dir/page.html", T0);
    History("http://h/dir", T0);   // names the folder: becomes its index.html
    History("http://h/dir/", T0);  // the same index again: dropped
    History("http://h/f.html", T0);
    History("http://h/f.html/x.html", T0);  // turns the history file into a folder
    ASSERT_EQ(1, Build());
    CCachePane& pane = Jobs().cache;
    ASSERT_GE(pane.historyRoot, 0);
    FolderNode* hist = pane.model.Node(pane.historyRoot);
    ASSERT_EQ(1u, hist->items.size());
    FolderNode* scheme = pane.model.Node(hist->items[0]->Child());
    ASSERT_NE(nullptr, scheme->ItemNamed("h"));
    FolderNode* host = pane.model.Node(scheme->ItemNamed("h")->Child());
    TreeItem* dir = host->ItemNamed("dir");
    ASSERT_TRUE(dir && dir->IsFolder());
    FolderNode* dirNode = pane.model.Node(dir->Child());
    EXPECT_EQ(2u, dirNode->items.size());
    ASSERT_NE(nullptr, dirNode->ItemNamed("index.html"));
    EXPECT_EQ(SIZE_NONE, dirNode->ItemNamed("index.html")->size);
    TreeItem* f = host->ItemNamed("f.html");
    ASSERT_TRUE(f && f->IsFolder());
    FolderNode* fNode = pane.model.Node(f->Child());
    ASSERT_NE(nullptr, fNode->ItemNamed("index.html"));
    EXPECT_NE(nullptr, fNode->ItemNamed("x.html"));
    EXPECT_EQ(MARK_HISTORY_ALLOWED, fNode->ItemNamed("index.html")->allowed[SIDE_CACHE]);
    EXPECT_EQ("http://h/f.html", fNode->ItemNamed("index.html")->url);
    EXPECT_EQ(0u, pane.model.Node(pane.root)->items.size());
}

TEST_F(CacheInsertion, VanishedFileCarriesDeleteAndClampedTimesWarn) {
    Cache("http://h/gone.gif", "x", T0, false);
    Cache("http://h/early.gif", "e", Utc(1970, 1, 1, 0, 0, 0));
    Cache("http://h/late.gif", "l", Utc(2200, 1, 1, 0, 0, 0));
    Cache("http://h/new.gif", "n", T0);
    ASSERT_EQ(1, Build());
    TreeItem* gone = CacheItem("http://h/gone.gif");
    ASSERT_NE(nullptr, gone);
    EXPECT_EQ(0, gone->allowed[SIDE_CACHE] & MARK_C);
    EXPECT_EQ(MARK_D, gone->marks[SIDE_CACHE]);
    EXPECT_EQ(MARK_C, CacheMarks("http://h/new.gif"));
    EXPECT_TRUE(report.Warned("http://h/early.gif", IDS_WARN_TIME_TOO_EARLY));
    EXPECT_TRUE(report.Warned("http://h/late.gif", IDS_WARN_TIME_TOO_LATE));
    EXPECT_EQ(Utc(1980, 1, 1, 12, 0, 0), TimeValue(CacheItem("http://h/early.gif")->time));
    EXPECT_EQ(Utc(2107, 12, 31, 11, 59, 58), TimeValue(CacheItem("http://h/late.gif")->time));
}

class Comparison : public RebuildFixture {};

TEST_F(Comparison, EvenSecondsCaseBlindNamesAndMovesByKind) {
    settings.rebuildFolders[0] = "C:\\rb\\";
    fs.AddFile("C:\\rb\\http$\\h\\odd.gif", "r", Utc(2001, 5, 6, 10, 0, 10));
    fs.AddFile("C:\\rb\\http$\\h\\even.gif", "r", Utc(2001, 5, 6, 10, 0, 10));
    fs.AddFile("C:\\rb\\http$\\h\\Case.GIF", "r", Utc(2001, 5, 6, 10, 0, 0));
    fs.AddFile("C:\\rb\\http$\\h\\clash", "r", T0);
    Cache("http://h/odd.gif", "c", Utc(2001, 5, 6, 10, 0, 11));
    Cache("http://h/even.gif", "c", Utc(2001, 5, 6, 10, 0, 12));
    Cache("http://h/case.gif", "c", Utc(2001, 5, 6, 10, 0, 30));
    Cache("http://h/clash/in.gif", "c", T0);
    Cache("http://h/tool.exe", "c", T0);
    Cache("http://h/pack.lzh", "c", T0);
    Cache("http://h/new/a.zip", "c", T0);
    ASSERT_EQ(1, Build());
    CRebuildJobs& j = Jobs();

    EXPECT_EQ(0, CacheMarks("http://h/odd.gif"));
    EXPECT_EQ(0, CacheItem("http://h/odd.gif")->allowed[SIDE_CACHE] & MARK_C);
    EXPECT_EQ(MARK_C, CacheMarks("http://h/even.gif"));
    EXPECT_EQ(0, RebuildItem("http://h/even.gif")->allowed[SIDE_REBUILD] & MARK_C);
    // 10:00:11 against 10:00:10 is equal after rounding: C stays allowed on disk.
    EXPECT_EQ(0, RebuildItem("http://h/odd.gif")->allowed[SIDE_REBUILD] & MARK_C);
    EXPECT_EQ(MARK_C, CacheMarks("http://h/case.gif"));
    EXPECT_TRUE(report.Warned("http://h/clash", IDS_WARN_NAME_CLASH));
    EXPECT_EQ(0, CacheMarks("http://h/clash/in.gif"));
    EXPECT_EQ(MARK_M, CacheMarks("http://h/tool.exe"));
    EXPECT_EQ(MARK_M, CacheMarks("http://h/pack.lzh"));
    EXPECT_EQ(MARK_M, CacheMarks("http://h/new/a.zip"));
    EXPECT_EQ(3u, j.cache.counters.m);
    EXPECT_EQ(2u, j.cache.counters.c);
}

TEST_F(Comparison, WithoutMoveSettingExecutablesAreOnlyCopied) {
    settings.moveCheckSP = 0;
    Cache("http://h/tool.exe", "c", T0);
    ASSERT_EQ(1, Build());
    EXPECT_EQ(MARK_C, CacheMarks("http://h/tool.exe"));
}

TEST_F(Comparison, WithoutTimesTheSizesDecide) {
    fs.AddFile("C:\\rb\\http$\\h\\same.gif", "1234", T0);
    fs.AddFile("C:\\rb\\http$\\h\\diff.gif", "12", T0);
    Cache("http://h/same.gif", "abcd", 0);
    Cache("http://h/diff.gif", "abcd", 0);
    ASSERT_EQ(1, Build());
    EXPECT_EQ(0, CacheMarks("http://h/same.gif"));
    EXPECT_EQ(MARK_C, CacheMarks("http://h/diff.gif"));
    EXPECT_EQ(0, RebuildItem("http://h/same.gif")->allowed[SIDE_REBUILD] & MARK_C);
    EXPECT_EQ(0, RebuildItem("http://h/diff.gif")->allowed[SIDE_REBUILD] & MARK_C);
}

TEST_F(Comparison, SiteInTwoRebuildFoldersIsShownOnceWithFirstNumber) {
    settings.rebuildFolders[1] = "(C:\\unused\\";
    settings.rebuildFolders[2] = "C:\\second\\";
    fs.AddFile("C:\\rb\\http$\\a\\x.gif", "x", T0);
    fs.AddFile("C:\\second\\http$\\a\\y\\z.gif", "z", T0);
    fs.AddFile("C:\\second\\http$\\b\\w.gif", "w", T0);
    fs.AddFile("C:\\unused\\http$\\c\\w.gif", "w", T0);
    ASSERT_EQ(1, Build());
    CRebuildPane& r = Jobs().rebuild;
    FolderNode* rootNode = r.model.Node(r.root);
    ASSERT_EQ(1u, rootNode->items.size());
    int http = rootNode->items[0]->Child();
    EXPECT_EQ(0, r.model.Node(http)->rebuildNo);
    int f = -1, i = -1, n = 0;
    EXPECT_TRUE(r.FindByUrl("http://a/x.gif", &f, &i, &n));
    EXPECT_EQ(0, n);
    EXPECT_TRUE(r.FindByUrl("http://a/y/z.gif", &f, &i, &n));
    EXPECT_EQ(2, n);
    EXPECT_TRUE(r.FindByUrl("http://b/w.gif", &f, &i, &n));
    EXPECT_EQ(2, n);
    EXPECT_FALSE(r.FindByUrl("http://c/w.gif", &f, &i, &n));
    EXPECT_FALSE(r.FindByUrl("http://a/x.gif/deeper", &f, &i, &n));
}

class Marks : public RebuildFixture {};

TEST_F(Marks, GroupsToggleWithinAllowedMarksAndFoldersSummarise) {
    Cache("http://h/d/a.gif", "a", T0);
    Cache("http://h/d/b.gif", "b", T0);
    Cache("http://h/d/gone.gif", "g", T0, false);
    settings.checkCopyMark = 0;
    ASSERT_EQ(1, Build());
    CCachePane& c = Jobs().cache;
    int f = -1, a = -1, b = -1, g = -1;
    CacheItem("http://h/d/a.gif", &f, &a);
    CacheItem("http://h/d/b.gif", &f, &b);
    CacheItem("http://h/d/gone.gif", &f, &g);
    TreeItem* folderItem = c.model.Item(c.model.Node(f)->parent, c.model.Node(f)->itemInParent);

    c.ToggleMarks(f, a, MARK_C, MARK_C, false);
    EXPECT_EQ(MARK_C, CacheMarks("http://h/d/a.gif"));
    EXPECT_EQ(MARK_C | MARK_D | MARK_MIXED_CD, folderItem->marks[SIDE_CACHE]);
    // M on a file without C allowed gives D only.
    c.ToggleMarks(f, g, MARK_M, MARK_M, false);
    EXPECT_EQ(MARK_D, CacheMarks("http://h/d/gone.gif"));
    c.ToggleMarks(f, b, MARK_M, MARK_M, false);
    EXPECT_EQ(MARK_M, CacheMarks("http://h/d/b.gif"));
    c.ToggleMarks(f, b, MARK_D, 0, false);
    EXPECT_EQ(MARK_C, CacheMarks("http://h/d/b.gif"));
    // L with C sets both; clearing L leaves C.
    c.ToggleMarks(f, -1, MARK_M, 0, false);
    c.ToggleMarks(f, a, MARK_LC, MARK_LC, false);
    EXPECT_EQ(MARK_L | MARK_C, CacheMarks("http://h/d/a.gif"));
    c.ToggleMarks(f, a, MARK_LC, 0, false);
    EXPECT_EQ(MARK_C, CacheMarks("http://h/d/a.gif"));
    EXPECT_EQ(MARK_C | MARK_MIXED_CD, folderItem->marks[SIDE_CACHE]);
    c.RefreshStatus();
    EXPECT_EQ(" C:1, D:0, M:0, L:0 / 3", c.status);

    // A ghost-only command leaves real entries alone.
    TreeItem* ghost = c.AddUrl("http://h/d/ghost.html", nullptr, MARK_ALL, 0, true);
    ASSERT_NE(nullptr, ghost);
    EXPECT_EQ(MARK_GHOST_ALLOWED, ghost->allowed[SIDE_CACHE]);
    c.ToggleMarks(f, -1, MARK_L, MARK_L, true);
    EXPECT_EQ(MARK_L, ghost->marks[SIDE_CACHE]);
    EXPECT_EQ(MARK_C, CacheMarks("http://h/d/a.gif"));
    c.ToggleMarks(f, -1, MARK_C, MARK_C, false);
    EXPECT_EQ(MARK_L, ghost->marks[SIDE_CACHE]);
    c.RefreshStatus();
    EXPECT_EQ(" C:2, D:0, M:0, L:1 / 4", c.status);
    EXPECT_EQ(MARK_C | MARK_L | MARK_MIXED_CD | MARK_MIXED_L, folderItem->marks[SIDE_CACHE]);
    EXPECT_FALSE(folderItem->IsGhost());
}

TEST_F(Marks, FolderOfGhostsIsAGhost) {
    ASSERT_EQ(1, Build());
    CCachePane& c = Jobs().cache;
    ASSERT_NE(nullptr, c.AddUrl("http://g/a.html", nullptr, MARK_ALL, MARK_L, true));
    ASSERT_NE(nullptr, c.AddUrl("http://g/b.html", nullptr, MARK_ALL, 0, true));
    int f = -1, i = -1;
    CacheItem("http://g/a.html", &f, &i);
    FolderNode* node = c.model.Node(f);
    TreeItem* host = c.model.Item(node->parent, node->itemInParent);
    EXPECT_TRUE(host->IsGhost());
    EXPECT_EQ(MARK_L | MARK_MIXED_L, host->marks[SIDE_CACHE]);
}

TEST(Sorting, KeysOrderRowsAndColumnClicksStepThroughKeys) {
    TreeItem special, folder, a, b;
    special.kind = KIND_SPECIAL;
    folder.kind = KIND_FOLDER;
    folder.name = "zz";
    a.name = "b.txt";
    a.size = 10;
    a.time = MakeTime(2);
    b.name = "A.gif";
    b.size = 5;
    b.time = MakeTime(1);
    EXPECT_LT(CompareEntries(special, folder, SORT_NAME | SORT_DESCENDING), 0);
    EXPECT_LT(CompareEntries(folder, a, SORT_NAME), 0);
    EXPECT_GT(CompareEntries(folder, a, SORT_NAME | SORT_DESCENDING), 0);
    EXPECT_GT(CompareEntries(a, b, SORT_NAME), 0);
    EXPECT_LT(CompareEntries(b, a, SORT_EXTENSION), 0);
    EXPECT_GT(CompareEntries(a, b, SORT_SIZE), 0);
    EXPECT_LT(CompareEntries(a, b, SORT_SIZE | SORT_DESCENDING), 0);
    EXPECT_GT(CompareEntries(a, b, SORT_TIME), 0);

    DWORD key = SORT_NAME;
    const DWORD nameCycle[] = {SORT_NAME | SORT_DESCENDING, SORT_EXTENSION,
                               SORT_EXTENSION | SORT_DESCENDING, SORT_NAME};
    for (DWORD expected : nameCycle) EXPECT_EQ(expected, key = NextSortKey(key, 0));
    EXPECT_EQ((DWORD)SORT_SIZE, NextSortKey(SORT_EXTENSION, 1));
    EXPECT_EQ(SORT_SIZE | SORT_DESCENDING, NextSortKey(SORT_SIZE, 1));
    EXPECT_EQ((DWORD)SORT_SIZE, NextSortKey(SORT_SIZE | SORT_DESCENDING, 1));
    EXPECT_EQ((DWORD)SORT_TIME, NextSortKey(SORT_SIZE, 2));
    EXPECT_EQ((DWORD)SORT_NAME, NextSortKey(SORT_TIME, 0));
}

TEST_F(Marks, ListRowsHideplaceholdersAndStartWithParent) {
    fs.AddFile("C:\\rb\\http$\\h\\#", "", T0);
    fs.AddFile("C:\\rb\\http$\\h\\b.gif", "bb", T0);
    fs.AddFile("C:\\rb\\http$\\h\\a.gif", "aaa", T0);
    fs.AddFolder("C:\\rb\\http$\\h\\sub");
    ASSERT_EQ(1, Build());
    CRebuildPane& r = Jobs().rebuild;
    int f = -1, i = -1, n = 0;
    ASSERT_TRUE(r.FindByUrl("http://h/a.gif", &f, &i, &n));
    std::vector<ListRow> rows;
    r.sortKey = SORT_SIZE | SORT_DESCENDING;
    r.ListRows(f, rows);
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ(-1, rows[0].item);
    EXPECT_EQ("a.gif", r.model.Item(f, rows[1].item)->name);
    EXPECT_EQ("b.gif", r.model.Item(f, rows[2].item)->name);
    EXPECT_EQ("sub", r.model.Item(f, rows[3].item)->name);
    RowText text;
    r.RowTexts(f, rows[1], "-", text);
    EXPECT_EQ("a.gif", text.name);
    EXPECT_EQ("3", text.size);
    EXPECT_EQ("2001/05/06 10:00:00", text.time);
    r.RowTexts(f, rows[3], "-", text);
    EXPECT_EQ("", text.size);
    EXPECT_EQ("-", text.time);
    r.RowTexts(f, rows[0], "-", text);
    EXPECT_EQ("..", text.name);
    r.RefreshStatus();
    EXPECT_EQ(" C:0, D:0, M:0, L:0 / 2", r.status);
    TreeItem* placeholder = r.model.Node(f)->ItemNamed("#");
    ASSERT_NE(nullptr, placeholder);
    EXPECT_EQ(0, placeholder->allowed[SIDE_REBUILD] & MARK_C);
}

}  // namespace

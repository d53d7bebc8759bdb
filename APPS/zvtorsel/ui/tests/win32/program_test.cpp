// Drives zvtorsel.exe as a user would: a prepared URL cache, rebuild folder
// and settings, then the main dialog and the Rebuild Tree window by their
// control identifiers and texts.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "windriver.h"
#include "jobs/tests/win32/diskkit.h"
#include "resource.h"
#include "windowlogic/markimages.h"

namespace {

using namespace windriver;

const char kSettingsKey[] = "Software\\z.v\\zvkestor";
const char kMainTitle[] = "z.v Torsel Sitekeeper";
const char kTreeTitle[] = "再構築ツリー";

std::string ProgramPath() {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string path = module;
    return path.substr(0, path.find_last_of('\\') + 1) + "zvtorsel.exe";
}

// A string of the program's own table, as the program shows it.
std::string ProgramString(UINT id) {
    static HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[1024] = "";
    if (program) LoadStringA(program, id, text, sizeof(text));
    return text;
}

void SetSetting(const char* section, const char* name, const std::string& text) {
    HKEY key;
    std::string path = std::string(kSettingsKey) + "\\" + section;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text.c_str(), (DWORD)text.size() + 1);
    RegCloseKey(key);
}

// -1 when the value is missing.
long long IntSetting(const char* section, const char* name) {
    HKEY key;
    std::string path = std::string(kSettingsKey) + "\\" + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
    DWORD value = 0, size = sizeof(value), type = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, (BYTE*)&value, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD ? (long long)value : -1;
}

void DeleteSection(const char* section) {
    std::string path = std::string(kSettingsKey) + "\\" + section;
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

FILETIME Time(int year) {
    SYSTEMTIME st = {(WORD)year, 5, 0, 10, 12, 0, 0, 0};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return ft;
}

// A greyed item leaves its menu open: one Escape closes it (a second would
// reach the dialog and close it).
void CloseOpenMenu() {
    Sleep(300);
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return;
    Key(VK_ESCAPE);
    for (int i = 0; i < 40 && IsWindow(menu) && IsWindowVisible(menu); ++i) Sleep(50);
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        folder_ = std::string(temp) + "zvwindow_test\\";
        diskkit::RemoveTree(folder_);
        CreateDirectoryA(folder_.c_str(), nullptr);
        diskkit::ClearCache();
        for (const char* section : {"Rebuild", "RebuildTree"}) DeleteSection(section);
        SetSetting("Rebuild", "RebuildFolder", folder_);
        HKEY key;
        RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kSettingsKey) + "\\Rebuild").c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
        DWORD one = 1;
        RegSetValueExA(key, "NoWarning129", 0, REG_DWORD, (const BYTE*)&one, sizeof(one));
        RegCloseKey(key);
    }

    void TearDown() override {
        if (program_.process) Stop(program_);
        diskkit::RemoveTree(folder_);
        diskkit::ClearCache();
    }

    void FillSite() {
        ASSERT_TRUE(diskkit::PutInCache("http://site.example/", "<html><a href=\"/missing.html\">x</a></html>",
                                        "html", Time(2001)));
        ASSERT_TRUE(diskkit::PutInCache("http://site.example/news/today.html", "<html>today</html>", "html",
                                        Time(2001)));
        ASSERT_TRUE(diskkit::PutInCache("http://site.example/img/logo.gif", "GIF89a", "gif", Time(2001)));
    }

    HWND StartProgram() {
        if (GetFileAttributesA(ProgramPath().c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
        if (!Start(ProgramPath(), program_)) return nullptr;
        return WaitForWindow(kMainTitle, 15000, program_.id);
    }

    // Opens the Rebuild Tree and waits until both sides are built.
    HWND OpenTree(HWND main, unsigned modifiers = NO_KEYS) {
        if (modifiers)
            ClickItem(main, IDC_MAIN_REBUILD_TREE, modifiers);
        else
            Press(main, IDC_MAIN_REBUILD_TREE);
        HWND tree = WaitForWindow(kTreeTitle, 15000, program_.id);
        if (!tree) return nullptr;
        std::string ready = ProgramString(IDS_READY);
        // Ready once the status says so and the busy picture is gone.
        auto built = [&] { return ItemText(tree, IDC_RT_STATUS) == ready && !IsVisible(tree, IDC_RT_BUSY); };
        for (int i = 0; i < 300 && !built(); ++i) Sleep(50);
        Settle(tree);
        return built() ? tree : nullptr;
    }

    std::string folder_;
    Program program_;
};

TEST_F(ProgramTest, MainDialogRefusesAnEmptyFolder) {
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    EXPECT_EQ("z.v Torsel Sitekeeper ver.1.29", ItemText(main, IDC_MAIN_VERSION));
    EXPECT_EQ(folder_, ItemText(main, IDC_MAIN_FOLDER));
    EXPECT_EQ(ProgramString(IDS_STATUS_SET_FOLDER), ItemText(main, IDC_MAIN_STATUS));
    EXPECT_FALSE(IsEnabled(main, IDC_MAIN_OPEN_KEYWORD));
    EXPECT_FALSE(IsEnabled(main, IDC_MAIN_OPEN_PICTURE));
    EXPECT_TRUE(SaveScreenshot(main, ScreenshotFolder() + "main_dialog.bmp"));
    EXPECT_EQ(50, IntSetting("Rebuild", "CgiLimitLen")) << "written on the first start";
    EXPECT_EQ(0, IntSetting("Rebuild", "CgiShortenLen"));

    SetItemText(main, IDC_MAIN_FOLDER, "");
    Press(main, IDC_MAIN_REBUILD_TREE);
    HWND box = WaitForOwnedWindow(main, kMainTitle);
    ASSERT_TRUE(box);
    EXPECT_EQ(ProgramString(IDS_NO_FOLDER), MessageText(box));
    Press(box, IDOK);
    EXPECT_TRUE(WaitForGone(box));
    EXPECT_FALSE(WaitForWindow(kTreeTitle, 500, program_.id)) << "nothing opens";
}

TEST_F(ProgramTest, SecondStartBringsTheFirstToTheFront) {
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    Program second;
    ASSERT_TRUE(Start(ProgramPath(), second));
    EXPECT_EQ(0, WaitForExit(second, 10000)) << "the second copy ends at once";
    EXPECT_EQ(main, GetForegroundWindow());
    EXPECT_TRUE(IsWindowVisible(main));
}

TEST_F(ProgramTest, RebuildThroughTheWindow) {
    FillSite();
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    HWND cacheTree = Item(tree, IDC_RT_CACHE_TREE);
    HTREEITEM root = TreeRoot(cacheTree);
    ASSERT_TRUE(root);
    EXPECT_EQ(ProgramString(IDS_ROOT_CACHE), TreeText(cacheTree, root));
    HTREEITEM scheme = TreeFind(cacheTree, root, "http:");
    ASSERT_TRUE(scheme);
    HTREEITEM site = TreeFind(cacheTree, scheme, "site.example");
    ASSERT_TRUE(site);
    EXPECT_EQ(INDEXTOSTATEIMAGEMASK(3), TreeState(cacheTree, site, TVIS_STATEIMAGEMASK)) << "new files get C";
    EXPECT_NE(std::string::npos, ItemText(tree, IDC_RT_CACHE_CAPTION).find("C:3,"));
    EXPECT_FALSE(IsVisible(tree, IDC_RT_WARNINGS)) << "no warning yet";

    // The site's list: its folders and the page, with the three columns.
    ASSERT_TRUE(TreeSelect(cacheTree, site));
    Settle(tree);
    HWND cacheList = Item(tree, IDC_RT_CACHE_LIST);
    std::vector<std::string> names = ListViewColumn(cacheList, 0);
    ASSERT_EQ(4u, names.size());
    EXPECT_EQ("..", names[0]);
    EXPECT_NE(std::string::npos, ListViewText(cacheList, 3, 2).find("2001"));
    EXPECT_TRUE(SaveScreenshot(tree, ScreenshotFolder() + "rebuild_tree.bmp"));

    Press(tree, IDOK);
    ASSERT_TRUE(WaitForGone(tree, 20000)) << "the window ends after carrying the marks out";
    EXPECT_EQ(ProgramString(IDS_REBUILD_DONE), ItemText(main, IDC_MAIN_STATUS));
    EXPECT_EQ("<html>today</html>", diskkit::ReadAll(folder_ + "http$\\site.example\\news\\today.html"));
    EXPECT_EQ("GIF89a", diskkit::ReadAll(folder_ + "http$\\site.example\\img\\logo.gif"));

    // Opened again, the rebuild side shows the copies and nothing is new.
    tree = OpenTree(main);
    ASSERT_TRUE(tree);
    HWND rebuildTree = Item(tree, IDC_RT_REBUILD_TREE);
    HTREEITEM rebuildScheme = TreeFind(rebuildTree, TreeRoot(rebuildTree), "http:");
    ASSERT_TRUE(rebuildScheme);
    EXPECT_TRUE(TreeFind(rebuildTree, rebuildScheme, "site.example"));
    EXPECT_NE(std::string::npos, ItemText(tree, IDC_RT_CACHE_CAPTION).find("C:0,"));
    EXPECT_TRUE(SaveScreenshot(tree, ScreenshotFolder() + "rebuild_tree_both_sides.bmp"));
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree));
}

TEST_F(ProgramTest, ShiftInvertsCopyMarksForOneTreeOnly) {
    FillSite();
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main, SHIFT);
    ASSERT_TRUE(tree);
    EXPECT_NE(std::string::npos, ItemText(tree, IDC_RT_CACHE_CAPTION).find("C:0,"));
    Press(tree, IDCANCEL);
    ASSERT_TRUE(WaitForGone(tree));
    EXPECT_EQ(-1, IntSetting("Rebuild", "CheckCopyMark")) << "the stored setting is untouched";
    tree = OpenTree(main);
    ASSERT_TRUE(tree);
    EXPECT_NE(std::string::npos, ItemText(tree, IDC_RT_CACHE_CAPTION).find("C:3,"));
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree));
}

TEST_F(ProgramTest, MouseTogglesAndMenuGreying) {
    FillSite();
    // A ghost from the download list: only L can be set on it.
    ASSERT_TRUE(diskkit::WriteAll(folder_ + "download.lst",
                                  "[download]\r\nentry=1\r\nurl0=http://site.example/missing.html\r\n"));
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    HWND cacheTree = Item(tree, IDC_RT_CACHE_TREE);
    HTREEITEM scheme = TreeFind(cacheTree, TreeRoot(cacheTree), "http:");
    HTREEITEM site = TreeFind(cacheTree, scheme, "site.example");
    ASSERT_TRUE(site);

    // A click on the check box of a folder summary clears C below it, a second sets it again.
    RECT label;
    ASSERT_TRUE(TreeItemRect(cacheTree, site, true, label));
    int checkX = label.left - 16 - 3 - 8, middleY = (label.top + label.bottom) / 2;
    Click(cacheTree, checkX, middleY);
    Settle(tree);
    EXPECT_EQ(INDEXTOSTATEIMAGEMASK(2), TreeState(cacheTree, site, TVIS_STATEIMAGEMASK));
    EXPECT_NE(std::string::npos, ItemText(tree, IDC_RT_CACHE_CAPTION).find("C:0,"));
    Click(cacheTree, checkX, middleY);
    Settle(tree);
    EXPECT_NE(INDEXTOSTATEIMAGEMASK(2), TreeState(cacheTree, site, TVIS_STATEIMAGEMASK));
    EXPECT_NE(std::string::npos, ItemText(tree, IDC_RT_CACHE_CAPTION).find("C:3,"));

    // The ghost's row: its menu offers the marks L only.
    ASSERT_TRUE(TreeSelect(cacheTree, site));
    Settle(tree);
    HWND cacheList = Item(tree, IDC_RT_CACHE_LIST);
    std::vector<std::string> names = ListViewColumn(cacheList, 0);
    int ghostRow = -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == "missing.html") ghostRow = (int)i;
    ASSERT_GE(ghostRow, 0);
    const int ghostWithL = IconIndex(ICON_HTML, OVERLAY_GHOST_L), ghostOnly = IconIndex(ICON_HTML, OVERLAY_GHOST);
    EXPECT_EQ(ghostWithL, ListViewImage(cacheList, ghostRow)) << "the download list marked it L";
    HMENU layout = LoadProgramMenu(ProgramPath().c_str(), IDR_MENU_CACHE);
    ASSERT_TRUE(layout);
    HMENU fileMenu = GetSubMenu(layout, 0);
    RECT rowLabel;
    ASSERT_TRUE(ListViewItemRect(cacheList, ghostRow, LVIR_LABEL, rowLabel));
    auto openMenu = [&] {
        Click(cacheList, rowLabel.left + 10, (rowLabel.top + rowLabel.bottom) / 2, NO_KEYS, true);
        return WaitForPopupMenu() != nullptr;
    };
    for (UINT greyed : {IDM_OPEN, IDM_MARK_C}) {
        ASSERT_TRUE(openMenu());
        EXPECT_TRUE(ChooseMenuItem(fileMenu, greyed));
        CloseOpenMenu();
        Settle(tree);
        EXPECT_FALSE(WaitForOwnedWindow(tree, kMainTitle, 300)) << "a greyed command does nothing: " << greyed;
        EXPECT_EQ(INDEXTOSTATEIMAGEMASK(1), (UINT)ListViewState(cacheList, ghostRow, LVIS_STATEIMAGEMASK));
    }
    ASSERT_TRUE(openMenu());
    EXPECT_TRUE(ChooseMenuItem(fileMenu, IDM_MARK_L));
    Settle(tree);
    EXPECT_EQ(ghostOnly, ListViewImage(cacheList, ghostRow)) << "L toggled off";
    DestroyMenu(layout);
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree));
}

TEST_F(ProgramTest, WarningsListAppearsWithTheFirstWarning) {
    // A page and a folder of the same name, twice: two warnings.
    ASSERT_TRUE(diskkit::PutInCache("http://w.example/a", "<html>a</html>", "html", Time(2001)));
    ASSERT_TRUE(diskkit::PutInCache("http://w.example/a/x.html", "<html>x</html>", "html", Time(2001)));
    ASSERT_TRUE(diskkit::PutInCache("http://w.example/b", "<html>b</html>", "html", Time(2001)));
    ASSERT_TRUE(diskkit::PutInCache("http://w.example/b/y.html", "<html>y</html>", "html", Time(2001)));
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    ASSERT_TRUE(IsVisible(tree, IDC_RT_WARNINGS));
    EXPECT_TRUE(IsVisible(tree, IDC_RT_WARNING_HSPLIT));
    HWND warnings = Item(tree, IDC_RT_WARNINGS);
    ASSERT_EQ(2, ListViewCount(warnings));
    std::vector<std::string> paths = ListViewColumn(warnings, 0);
    EXPECT_NE(paths[0], paths[1]);
    EXPECT_FALSE(ListViewText(warnings, 0, 1).empty());
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree));
}

TEST_F(ProgramTest, LayoutSurvivesCloseAndReopen) {
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    EXPECT_FALSE(IsChecked(tree, IDC_RT_ARRANGE));
    SetCheck(tree, IDC_RT_ARRANGE, true);
    EXPECT_TRUE(IsVisible(tree, IDC_RT_SIDES_HSPLIT));
    EXPECT_FALSE(IsVisible(tree, IDC_RT_SIDES_VSPLIT));
    MoveWindow(tree, 20, 30, 700, 500, TRUE);
    Settle(tree);
    Press(tree, IDCANCEL);
    ASSERT_TRUE(WaitForGone(tree));
    EXPECT_EQ(1, IntSetting("RebuildTree", "TreeArrangement"));
    EXPECT_EQ(700, IntSetting("RebuildTree", "SizeX"));
    EXPECT_EQ(500, IntSetting("RebuildTree", "SizeY"));
    EXPECT_GT(IntSetting("RebuildTree", "HSplit"), 0);

    tree = OpenTree(main);
    ASSERT_TRUE(tree);
    EXPECT_TRUE(IsChecked(tree, IDC_RT_ARRANGE));
    RECT r;
    GetWindowRect(tree, &r);
    EXPECT_EQ(700, r.right - r.left);
    EXPECT_EQ(20, r.left);
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree));
}

TEST_F(ProgramTest, CancelStopsALongTreeBuild) {
    for (int i = 0; i < 3000; ++i) {
        char url[128];
        snprintf(url, sizeof(url), "http://host%d.example/dir%d/page%d.html", i % 40, i % 97, i);
        ASSERT_TRUE(diskkit::PutInCache(url, "<html></html>", "html", Time(2001))) << i;
    }
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    Press(main, IDC_MAIN_REBUILD_TREE);
    HWND tree = WaitForWindow(kTreeTitle, 15000, program_.id);
    ASSERT_TRUE(tree);
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree, 20000)) << "the build stops and the window ends";
    EXPECT_NE(ProgramString(IDS_REBUILD_DONE), ItemText(main, IDC_MAIN_STATUS));
}

}  // namespace

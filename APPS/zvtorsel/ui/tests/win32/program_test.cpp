// Drives zvtorsel.exe as a user would: a prepared URL cache, rebuild folder
// and settings, then the main dialog and the Rebuild Tree window by their
// control identifiers and texts.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "archive/tests/warcreader.h"
#include "cache/tests/indexdat_writer.h"
#include "windriver.h"
#include "jobs/tests/win32/diskkit.h"
#include "jobs/tests/win32/fixturetree.h"
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

std::string TextSetting(const char* section, const char* name) {
    HKEY key;
    std::string path = std::string(kSettingsKey) + "\\" + section;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    char text[1024] = "";
    DWORD size = sizeof(text) - 1, type = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, (BYTE*)text, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? text : "";
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

struct BoxQuery {
    DWORD processId;
    HWND main, found;
};

BOOL CALLBACK MatchProgramBox(HWND window, LPARAM param) {
    BoxQuery* q = (BoxQuery*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof(title));
    if (pid != q->processId || window == q->main || !IsWindowVisible(window) || strcmp(title, kMainTitle) != 0)
        return TRUE;
    q->found = window;
    return FALSE;
}

// A message box of the program other than its main window (whichever of
// its windows owns it).
HWND WaitForProgramBox(DWORD processId, HWND main, int timeoutMs = 10000) {
    BoxQuery query = {processId, main, nullptr};
    for (int waited = 0; waited < timeoutMs && !query.found; waited += 50) {
        EnumWindows(MatchProgramBox, (LPARAM)&query);
        if (!query.found) Sleep(50);
    }
    return query.found;
}

// A cache folder as taken from an old disk: index.dat and its files.
void WriteCacheFolder(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& pages) {
    CIndexDatWriter writer;
    std::vector<IndexDatWriterEntry> entries;
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    for (const std::string& sub : writer.folders) CreateDirectoryA((folder + sub).c_str(), nullptr);
    int n = 0;
    for (const auto& page : pages) {
        IndexDatWriterEntry e;
        e.url = page.first;
        e.file = "f" + std::to_string(n++) + ".htm";
        e.size = (DWORD)page.second.size();
        e.modified = e.accessed = 0x01C0000000000000ULL;
        ASSERT_TRUE(diskkit::WriteAll(folder + writer.folders[0] + "\\" + e.file, page.second));
        entries.push_back(e);
    }
    std::vector<BYTE> index = writer.Build(entries);
    ASSERT_TRUE(diskkit::WriteAll(folder + "index.dat", std::string(index.begin(), index.end())));
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
        for (const char* section : {"Rebuild", "RebuildTree", "CreateList"}) DeleteSection(section);
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
        // The prefix's other suites start the program too: a cache folder
        // left set here would be theirs.
        for (const char* section : {"Rebuild", "RebuildTree", "CreateList"}) DeleteSection(section);
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

TEST_F(ProgramTest, TypedFolderSurvivesTheOptions) {
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    // Typed without the closing separator, as users do.
    std::string typed = folder_ + "old";
    SetItemText(main, IDC_MAIN_FOLDER, typed.c_str());
    Press(main, IDC_MAIN_OPTIONS);
    HWND options = WaitForWindow("オプション設定", 10000, program_.id);
    ASSERT_TRUE(options);
    std::vector<std::string> folders = ListBoxItems(options, IDC_OPT_FOLDERS);
    ASSERT_FALSE(folders.empty());
    EXPECT_EQ(typed + "\\", folders[0]) << "the options show the typed folder as the current one";
    Press(options, IDOK);
    ASSERT_TRUE(WaitForGone(options));
    EXPECT_EQ(typed + "\\", ItemText(main, IDC_MAIN_FOLDER));
    EXPECT_EQ(typed + "\\", TextSetting("Rebuild", "RebuildFolder"));

    // Cancelled options keep it too.
    std::string other = folder_ + "other\\";
    SetItemText(main, IDC_MAIN_FOLDER, other.c_str());
    Press(main, IDC_MAIN_OPTIONS);
    options = WaitForWindow("オプション設定", 10000, program_.id);
    ASSERT_TRUE(options);
    Press(options, IDCANCEL);
    ASSERT_TRUE(WaitForGone(options));
    EXPECT_EQ(other, ItemText(main, IDC_MAIN_FOLDER));
    EXPECT_EQ(other, TextSetting("Rebuild", "RebuildFolder"));
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
    // Folders that hold only files lose their button once opened.
    HTREEITEM rebuildSite = TreeFind(rebuildTree, rebuildScheme, "site.example");
    ASSERT_TRUE(TreeExpand(rebuildTree, rebuildSite));
    Settle(tree);
    HTREEITEM news = TreeFind(rebuildTree, rebuildSite, "news");
    ASSERT_TRUE(news);
    TreeExpand(rebuildTree, news);
    Settle(tree);
    EXPECT_FALSE(TreeHasButton(rebuildTree, news)) << "a leaf folder offers nothing to open";
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

TEST_F(ProgramTest, RebuildTreeReadsTheCacheFolderSettingAndNeverFallsBackSilently) {
    FillSite();  // the live cache, which the window must not show
    std::string old = folder_ + "old cache\\";
    WriteCacheFolder(old, {{"http://old.example/a.html", "<html>a</html>"},
                           {"http://old.example/sub/b.html", "<html>b</html>"}});
    SetSetting("Rebuild", "CacheFolder", old);
    SetSetting("Rebuild", "RebuildFolder", folder_ + "rb\\");
    CreateDirectoryA((folder_ + "rb").c_str(), nullptr);
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    HWND cacheTree = Item(tree, IDC_RT_CACHE_TREE);
    HTREEITEM root = TreeRoot(cacheTree);
    std::string caption = ProgramString(IDS_CACHE_FOLDER_CAPTION);
    caption.replace(caption.find("%s"), 2, old);
    EXPECT_EQ(caption, TreeText(cacheTree, root));
    HTREEITEM scheme = TreeFind(cacheTree, root, "http:");
    ASSERT_TRUE(scheme);
    EXPECT_TRUE(TreeFind(cacheTree, scheme, "old.example"));
    EXPECT_FALSE(TreeFind(cacheTree, scheme, "site.example")) << "the live cache is not read";
    EXPECT_TRUE(SaveScreenshot(tree, ScreenshotFolder() + "rebuild_tree_cache_folder.bmp"));
    Press(tree, IDCANCEL);
    ASSERT_TRUE(WaitForGone(tree));

    // A folder without any cache: said so, without blaming index.dat, and no window.
    std::string empty = folder_ + "no index\\";
    CreateDirectoryA(empty.substr(0, empty.size() - 1).c_str(), nullptr);
    SetSetting("Rebuild", "CacheFolder", empty);
    Stop(program_);
    main = StartProgram();
    ASSERT_TRUE(main);
    Press(main, IDC_MAIN_REBUILD_TREE);
    HWND box = WaitForProgramBox(program_.id, main);
    ASSERT_TRUE(box);
    std::string text = MessageText(box);
    EXPECT_NE(std::string::npos, text.find(ProgramString(IDS_CACHE_NONE_FOUND))) << text;
    EXPECT_EQ(std::string::npos, text.find("index.dat")) << text;
    Press(box, IDOK);
    EXPECT_TRUE(WaitForGone(box));
    EXPECT_FALSE(WaitForWindow(kTreeTitle, 500, program_.id)) << "no fallback to the live cache";
}

TEST_F(ProgramTest, AWholeDiskShowsOneRootPerCacheCaptionedWithWhoseItIs) {
    std::string disk = folder_ + "disk\\";
    struct {
        const char* folder;
        const char* url;
    } caches[] = {
        {"Users\\taro\\AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files\\Content.IE5\\", "http://taro.example/a.html"},
        {"Documents and Settings\\hanako\\Local Settings\\Temporary Internet Files\\Content.IE5\\",
         "http://hanako.example/b.html"},
    };
    for (const auto& c : caches) {
        std::string path = disk + c.folder;
        for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
            CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
        WriteCacheFolder(path, {{c.url, "<html>page</html>"}});
    }
    SetSetting("Rebuild", "CacheFolder", disk);
    SetSetting("Rebuild", "RebuildFolder", folder_ + "rb\\");
    CreateDirectoryA((folder_ + "rb").c_str(), nullptr);
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    HWND cacheTree = Item(tree, IDC_RT_CACHE_TREE);
    std::map<std::string, HTREEITEM> roots;
    for (HTREEITEM root : TreeChildren(cacheTree, nullptr))
        if (TreeText(cacheTree, root) != ProgramString(IDS_ROOT_HISTORY)) roots[TreeText(cacheTree, root)] = root;
    ASSERT_EQ(2u, roots.size());
    ASSERT_TRUE(roots.count("IE (taro)"));
    ASSERT_TRUE(roots.count("IE (hanako)"));
    // Each root holds its own person's site only.
    for (const auto& own : {std::make_pair("IE (taro)", "taro.example"), std::make_pair("IE (hanako)", "hanako.example")}) {
        HTREEITEM scheme = TreeFind(cacheTree, roots[own.first], "http:");
        ASSERT_TRUE(scheme) << own.first;
        std::vector<HTREEITEM> hosts = TreeChildren(cacheTree, scheme);
        ASSERT_EQ(1u, hosts.size()) << own.first;
        EXPECT_EQ(own.second, TreeText(cacheTree, hosts[0]));
    }
    EXPECT_NE(std::string::npos, ItemText(tree, IDC_RT_CACHE_CAPTION).find("C:2,"));
    EXPECT_TRUE(SaveScreenshot(tree, ScreenshotFolder() + "rebuild_tree_whole_disk.bmp"));
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree));
}

// The real fixtures of every kind read, in two people's profile folders of
// an XP and a Vista disk: one root per cache, each named after its browser
// and whose profile it is, each holding entries.
TEST_F(ProgramTest, AnOldDiskOfRealCachesShowsEveryCacheAsARootNamedAfterWhoseItIs) {
    using fixturetree::CopyTree;
    using fixturetree::Fixtures;
    using fixturetree::MakeFolders;
    FILETIME old = {0x68CDC000u, 0x01CE01A1u};  // 2013-02-03 00:00 UTC
    std::string disk = folder_ + "disk\\";
    std::string taro = disk + "Users\\taro\\AppData\\", hanako = disk + "Documents and Settings\\hanako\\";
    std::string chrome = taro + "Local\\Google\\Chrome\\User Data\\";
    CopyTree(Fixtures() + "chromium-simple\\", chrome + "Default\\Cache\\Cache_Data\\", old);
    CopyTree(Fixtures() + "chrome-blockfile\\", chrome + "Profile 1\\Cache\\", old);
    CopyTree(Fixtures() + "firefox-cache2\\", taro + "Local\\Mozilla\\Firefox\\Profiles\\x9y8z7.default\\cache2\\", old);
    CopyTree(Fixtures() + "firefox3-cache\\",
             hanako + "Local Settings\\Application Data\\Mozilla\\Firefox\\Profiles\\ab12cd34.default\\Cache\\", old);
    CopyTree(Fixtures() + "firefox-cache1\\",
             hanako + "Application Data\\Mozilla\\SeaMonkey\\Profiles\\sm.default\\q7w8e9.slt\\Cache\\", old);
    for (const auto& ie : {std::make_pair(taro + "Local\\Microsoft\\Windows\\Temporary Internet Files\\Content.IE5\\",
                                          "http://taro.example/a.html"),
                           std::make_pair(hanako + "Local Settings\\Temporary Internet Files\\Content.IE5\\",
                                          "http://hanako.example/b.html")}) {
        MakeFolders(ie.first);
        WriteCacheFolder(ie.first, {{ie.second, "<html>page</html>"}});
    }
    SetSetting("Rebuild", "CacheFolder", disk);
    SetSetting("Rebuild", "RebuildFolder", folder_ + "rb\\");
    CreateDirectoryA((folder_ + "rb").c_str(), nullptr);
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    HWND cacheTree = Item(tree, IDC_RT_CACHE_TREE);
    std::vector<std::string> captions;
    size_t ofTheTestSite = 0;
    RECT client;
    GetClientRect(cacheTree, &client);
    for (HTREEITEM root : TreeChildren(cacheTree, nullptr)) {
        std::string caption = TreeText(cacheTree, root);
        if (caption == ProgramString(IDS_ROOT_HISTORY)) continue;
        captions.push_back(caption);
        RECT text = {};
        TreeItemRect(cacheTree, root, true, text);
        EXPECT_LE(text.right, client.right) << caption << ": whose cache it is must show whole";
        bool holds = !TreeChildren(cacheTree, root).empty();
        // The Chromium and cache2 fixtures hold the same URLs of one test
        // server: the newest response of each shows, under its own cache.
        if (caption.compare(0, 7, "Chrome ") == 0 || caption.find("x9y8z7") != std::string::npos)
            ofTheTestSite += holds;
        else
            EXPECT_TRUE(holds) << caption;
    }
    EXPECT_GE(ofTheTestSite, 1u);
    std::sort(captions.begin(), captions.end());
    const std::string more = "\\\x81\x63\\";  // the Shift_JIS ellipsis between two folders
    std::vector<std::string> expected = {
        "Chrome (taro" + more + "Default)",          "Chrome (taro" + more + "Profile 1)",
        "Firefox (hanako" + more + "ab12cd34.default)", "Firefox (taro" + more + "x9y8z7.default)",
        "IE (hanako)",                               "IE (taro)",
        "SeaMonkey (hanako" + more + "sm.default)",
    };
    EXPECT_EQ(expected, captions);
    EXPECT_TRUE(SaveScreenshot(tree, ScreenshotFolder() + "rebuild_tree_old_disk.bmp"));
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree));
}

// What a tree item shows: picture, check box and button, and where its text
// begins (further right when the tree has scrolled them out of sight).
struct ItemLook {
    int image;
    UINT box;
    bool button;
    LONG textLeft;
    bool operator==(const ItemLook& o) const {
        return image == o.image && box == o.box && button == o.button && textLeft == o.textLeft;
    }
};

std::ostream& operator<<(std::ostream& out, const ItemLook& look) {
    return out << "image " << look.image << " box " << (look.box >> 12) << (look.button ? " button" : "")
               << " text at " << look.textLeft;
}

ItemLook LookOf(HWND tree, HTREEITEM item) {
    RECT text = {};
    TreeItemRect(tree, item, true, text);
    return {TreeImage(tree, item), TreeState(tree, item, TVIS_STATEIMAGEMASK), TreeHasButton(tree, item), text.left};
}

// The cache side looks the same whether it shows the live cache or a cache
// folder: the roots' pictures, and the scheme folder's button and box.
TEST_F(ProgramTest, ACacheFolderTreeLooksLikeTheLiveOne) {
    std::vector<std::vector<ItemLook>> looks;
    for (int folderCache = 0; folderCache < 2; ++folderCache) {
        if (folderCache) {
            std::string old = folder_ + "old cache\\";
            WriteCacheFolder(old, {{"http://site.example/news/today.html", "<html>today</html>"},
                                   {"http://site.example/img/logo.gif", "GIF89a"}});
            SetSetting("Rebuild", "CacheFolder", old);
        } else {
            FillSite();
        }
        HWND main = StartProgram();
        if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
        HWND tree = OpenTree(main);
        ASSERT_TRUE(tree);
        HWND cacheTree = Item(tree, IDC_RT_CACHE_TREE);
        std::vector<ItemLook> side;
        std::vector<HTREEITEM> roots = TreeChildren(cacheTree, TVI_ROOT);
        for (HTREEITEM root : roots) side.push_back(LookOf(cacheTree, root));
        HTREEITEM scheme = roots.empty() ? nullptr : TreeFind(cacheTree, roots[0], "http:");
        ASSERT_TRUE(scheme);
        side.push_back(LookOf(cacheTree, scheme));
        looks.push_back(side);
        EXPECT_TRUE(SaveScreenshot(tree, ScreenshotFolder() + (folderCache ? "cache_folder_tree.bmp" : "live_cache_tree.bmp")));
        Press(tree, IDCANCEL);
        ASSERT_TRUE(WaitForGone(tree));
        Stop(program_);
        program_ = Program();
    }
    ASSERT_EQ(looks[0].size(), looks[1].size()) << "both show the cache and the history root and http:";
    for (size_t i = 0; i < looks[0].size(); ++i) EXPECT_EQ(looks[0][i], looks[1][i]) << "item " << i;
}

TEST_F(ProgramTest, StatusCountsTheFilesThatCouldNotBeWritten) {
    FillSite();
    // An older copy that another program holds open without sharing: the
    // newer cache file is marked C and its copy fails.
    std::string page = folder_ + "http$\\site.example\\news\\today.html";
    for (const char* sub : {"http$", "http$\\site.example", "http$\\site.example\\news"})
        CreateDirectoryA((folder_ + sub).c_str(), nullptr);
    ASSERT_TRUE(diskkit::WriteAll(page, "<html>old</html>"));
    HANDLE held = CreateFileA(page.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    FILETIME older = Time(1999);
    SetFileTime(held, nullptr, nullptr, &older);

    HWND main = StartProgram();
    if (!main) {
        CloseHandle(held);
        GTEST_SKIP() << "zvtorsel.exe does not start";
    }
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    Press(tree, IDOK);
    HWND question = WaitForProgramBox(program_.id, main, 20000);
    ASSERT_TRUE(question);
    EXPECT_NE(std::string::npos, MessageText(question).find("today.html"));
    Press(question, IDYES);
    ASSERT_TRUE(WaitForGone(tree, 20000));
    std::string expected = ProgramString(IDS_REBUILD_DONE_FAILED);
    expected.replace(expected.find("%s"), 2, "1");
    EXPECT_EQ(expected, ItemText(main, IDC_MAIN_STATUS));
    CloseHandle(held);
    EXPECT_EQ("<html>old</html>", diskkit::ReadAll(page)) << "the old copy stays";
}

TEST_F(ProgramTest, ListButtonOpensTheListOfTheRebuildFolder) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string bin = module;
    bin.resize(bin.find_last_of('\\') + 1);
    std::string record = folder_ + "opened.txt";
    // Pages open with the recorder while the test runs.
    HKEY htm;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, ".htm", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &htm,
                                             nullptr));
    char previous[256] = "";
    DWORD size = sizeof(previous) - 1, type = 0;
    bool hadPrevious = RegQueryValueExA(htm, nullptr, nullptr, &type, (BYTE*)previous, &size) == ERROR_SUCCESS &&
                       type == REG_SZ && previous[0];
    RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, "zvtest.recorded", 0);
    std::string command = "\"" + bin + "open_recorder.exe\" \"" + record + "\" \"%1\"";
    RegSetValueA(HKEY_CLASSES_ROOT, "zvtest.recorded\\shell\\open\\command", REG_SZ, command.c_str(), 0);
    RegCloseKey(htm);

    ASSERT_TRUE(diskkit::WriteAll(folder_ + "locallst.htm", "<html>list</html>"));
    HWND main = StartProgram();
    if (main) {
        EXPECT_TRUE(Press(main, IDC_MAIN_OPEN_LIST));
        std::string opened = diskkit::ReadAll(record);
        for (int i = 0; i < 200 && opened.find('\n') == std::string::npos; ++i) {
            Sleep(50);
            opened = diskkit::ReadAll(record);
        }
        EXPECT_NE(std::string::npos, opened.find(folder_ + "locallst.htm")) << opened;
        EXPECT_EQ(std::string::npos, opened.find(bin)) << "the help page of the same name: " << opened;
        EXPECT_FALSE(WaitForProgramBox(program_.id, main, 300)) << MessageText(WaitForProgramBox(program_.id, main, 0));
    }
    if (hadPrevious)
        RegSetValueA(HKEY_CLASSES_ROOT, ".htm", REG_SZ, previous, 0);
    else
        RegDeleteKeyA(HKEY_CLASSES_ROOT, ".htm");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "zvtest.recorded\\shell\\open\\command");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "zvtest.recorded\\shell\\open");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "zvtest.recorded\\shell");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "zvtest.recorded");
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
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

// A file of the rebuild folder where a host folder goes: the host's folder
// and its page carry the cross of entries that are not rebuilt, and the
// warnings list names the page.
TEST_F(ProgramTest, EntriesThatCannotBeRebuiltShowTheirCross) {
    ASSERT_TRUE(diskkit::PutInCache("http://blocked.example/a.html", "<html>a</html>", "html", Time(2001)));
    CreateDirectoryA((folder_ + "http$").c_str(), nullptr);
    ASSERT_TRUE(diskkit::WriteAll(folder_ + "http$\\blocked.example", "FILE"));
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    HWND cacheTree = Item(tree, IDC_RT_CACHE_TREE);
    HTREEITEM site = TreeFind(cacheTree, TreeFind(cacheTree, TreeRoot(cacheTree), "http:"), "blocked.example");
    ASSERT_TRUE(site);
    EXPECT_EQ(IconIndex(ICON_FOLDER, OVERLAY_FAILED), TreeImage(cacheTree, site));
    ASSERT_TRUE(TreeSelect(cacheTree, site));
    Settle(tree);
    HWND cacheList = Item(tree, IDC_RT_CACHE_LIST);
    std::vector<std::string> names = ListViewColumn(cacheList, 0);
    int row = -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == "a.html") row = (int)i;
    ASSERT_GE(row, 0);
    EXPECT_EQ(IconIndex(ICON_HTML, OVERLAY_FAILED), ListViewImage(cacheList, row));
    HWND warnings = Item(tree, IDC_RT_WARNINGS);
    std::vector<std::string> paths = ListViewColumn(warnings, 0);
    EXPECT_NE(paths.end(), std::find(paths.begin(), paths.end(), "http://blocked.example/a.html"));
    EXPECT_TRUE(SaveScreenshot(tree, ScreenshotFolder() + "rebuild_tree_failed_entry.bmp"));
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree));
}

TEST_F(ProgramTest, LayoutSurvivesCloseAndReopen) {
    FillSite();
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
    EXPECT_TRUE(SaveScreenshot(tree, ScreenshotFolder() + "rebuild_tree_stacked.bmp"));
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

namespace {

std::string Filled(UINT id, const std::string& arg) {
    std::string text = ProgramString(id);
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, arg);
    return text;
}

// The file name box of the common save dialog: an edit of its own in the
// old layout, a combo box's edit in the explorer one.
HWND SaveDialogNameBox(HWND dialog) {
    for (int id : {0x480, 0x47c})
        if (HWND box = Item(dialog, id)) return box;
    return nullptr;
}

// The URLs of an archive's response records, and how many records it has.
std::set<std::string> ArchivedUrls(const std::string& path, bool gzip, size_t* records, std::string* body = nullptr,
                                   const char* bodyOf = nullptr) {
    std::vector<warctest::Record> read;
    std::string why, bytes = diskkit::ReadAll(path);
    std::set<std::string> urls;
    *records = 0;
    if (!warctest::ReadArchive(std::vector<BYTE>(bytes.begin(), bytes.end()), gzip, read, why)) {
        ADD_FAILURE() << path << ": " << why;
        return urls;
    }
    *records = read.size();
    for (const warctest::Record& r : read) {
        std::string type = r.Field("WARC-Type"), url = r.Field("WARC-Target-URI");
        if (type == "warcinfo") continue;
        urls.insert(url);
        if (body && bodyOf && url == bodyOf) {
            std::string head;
            std::vector<BYTE> payload;
            if (r.SplitHttp(head, payload))
                body->assign(payload.begin(), payload.end());
            else
                body->assign(r.block.begin(), r.block.end());
        }
    }
    return urls;
}

}  // namespace

// The cache side's menu writes a folder, then the whole cache, as a web
// archive: a save dialog with a suggested name, the job in the window's
// worker, a closing message with the count, and only the chosen entries in
// the file.
TEST_F(ProgramTest, CacheSideSavedAsWarcThroughTheSaveDialog) {
    FillSite();
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    HWND cacheTree = Item(tree, IDC_RT_CACHE_TREE);
    HTREEITEM root = TreeRoot(cacheTree);
    HTREEITEM site = TreeFind(cacheTree, TreeFind(cacheTree, root, "http:"), "site.example");
    ASSERT_TRUE(site);
    ASSERT_TRUE(TreeExpand(cacheTree, site));
    Settle(tree);
    HTREEITEM news = TreeFind(cacheTree, site, "news");
    ASSERT_TRUE(news);
    HMENU layout = LoadProgramMenu(ProgramPath().c_str(), IDR_MENU_CACHE);
    ASSERT_TRUE(layout);
    HMENU folderMenu = GetSubMenu(layout, 1);

    struct Run {
        HTREEITEM item;
        const char* suggested;
        std::string typed, written;
        bool gzip;
        size_t records;
    };
    const Run runs[] = {
        {news, "news.warc.gz", folder_ + "news archive", folder_ + "news archive.warc.gz", true, 2},
        {root, "cache.warc.gz", folder_ + "all.warc", folder_ + "all.warc", false, 4},
    };
    for (const Run& run : runs) {
        RECT label;
        ASSERT_TRUE(TreeItemRect(cacheTree, run.item, true, label));
        Click(cacheTree, (label.left + label.right) / 2, (label.top + label.bottom) / 2, NO_KEYS, true);
        ASSERT_TRUE(WaitForPopupMenu());
        Settle(tree);  // the menu's own loop runs: the keys reach it
        ASSERT_TRUE(ChooseMenuItem(folderMenu, IDM_SAVE_WARC));
        // The first save dialog of a new prefix builds the shell's folders first.
        HWND dialog = WaitForOwnedWindow(tree, ProgramString(IDS_WARC_SAVE_TITLE).c_str(), 30000);
        if (!dialog) SaveScreenshot(tree, ScreenshotFolder() + "warc_no_save_dialog.bmp");
        ASSERT_TRUE(dialog) << "the save dialog opens";
        HWND nameBox = SaveDialogNameBox(dialog);
        ASSERT_TRUE(nameBox);
        EXPECT_EQ(run.suggested, Text(nameBox));
        EXPECT_TRUE(SaveScreenshot(dialog, ScreenshotFolder() + "warc_save_dialog.bmp"));
        SendMessageA(nameBox, WM_SETTEXT, 0, (LPARAM)run.typed.c_str());
        Press(dialog, IDOK);
        ASSERT_TRUE(WaitForGone(dialog));
        HWND box = WaitForProgramBox(program_.id, main, 20000);
        ASSERT_TRUE(box) << "the job ends with a message";
        EXPECT_EQ(Filled(IDS_WARC_SAVED, run.written) + "\n" + Filled(IDS_WARC_DONE, std::to_string(run.records)),
                  MessageText(box));
        EXPECT_TRUE(SaveScreenshot(box, ScreenshotFolder() + "warc_saved_message.bmp"));
        Press(box, IDOK);
        ASSERT_TRUE(WaitForGone(box));
        Settle(tree);
        EXPECT_EQ(ProgramString(IDS_READY), ItemText(tree, IDC_RT_STATUS));
        EXPECT_TRUE(IsEnabled(tree, IDOK)) << "the window is free again";
    }
    DestroyMenu(layout);
    EXPECT_TRUE(SaveScreenshot(tree, ScreenshotFolder() + "warc_saved_tree.bmp"));
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree));

    size_t records = 0;
    std::string body;
    EXPECT_EQ(std::set<std::string>({"http://site.example/news/today.html"}),
              ArchivedUrls(runs[0].written, true, &records, &body, "http://site.example/news/today.html"));
    EXPECT_EQ(runs[0].records, records);
    EXPECT_EQ("<html>today</html>", body) << "the body as the cache keeps it";
    EXPECT_EQ(std::set<std::string>({"http://site.example/", "http://site.example/news/today.html",
                                     "http://site.example/img/logo.gif"}),
              ArchivedUrls(runs[1].written, false, &records));
    EXPECT_EQ(runs[1].records, records);
}

// A style sheet of the rebuild side: its menu offers the address translation
// and the way back, and both act on the file.
TEST_F(ProgramTest, StyleSheetMenuTranslatesAndRestoresTheSheet) {
    const std::string sheet = "body { background: url(/img/logo.gif) }\r\n";
    ASSERT_TRUE(diskkit::PutInCache("http://site.example/index.html", "<html><link rel=stylesheet href=css/site.css></html>",
                                    "html", Time(2001)));
    ASSERT_TRUE(diskkit::PutInCache("http://site.example/css/site.css", sheet, "css", Time(2001)));
    ASSERT_TRUE(diskkit::PutInCache("http://site.example/img/logo.gif", "GIF89a", "gif", Time(2001)));
    HWND main = StartProgram();
    if (!main) GTEST_SKIP() << "zvtorsel.exe does not start";
    HWND tree = OpenTree(main);
    ASSERT_TRUE(tree);
    Press(tree, IDOK);
    ASSERT_TRUE(WaitForGone(tree, 20000));
    const std::string path = folder_ + "http$\\site.example\\css\\site.css";
    ASSERT_EQ(sheet, diskkit::ReadAll(path)) << "copied as it was";

    tree = OpenTree(main);
    ASSERT_TRUE(tree);
    HWND rebuildTree = Item(tree, IDC_RT_REBUILD_TREE);
    HTREEITEM site = TreeFind(rebuildTree, TreeFind(rebuildTree, TreeRoot(rebuildTree), "http:"), "site.example");
    ASSERT_TRUE(site);
    ASSERT_TRUE(TreeExpand(rebuildTree, site));
    Settle(tree);
    HTREEITEM css = TreeFind(rebuildTree, site, "css");
    ASSERT_TRUE(css);
    ASSERT_TRUE(TreeSelect(rebuildTree, css));
    Settle(tree);
    HWND list = Item(tree, IDC_RT_REBUILD_LIST);
    std::vector<std::string> names = ListViewColumn(list, 0);
    auto found = std::find(names.begin(), names.end(), "site.css");
    ASSERT_NE(names.end(), found);
    RECT row;
    ASSERT_TRUE(ListViewItemRect(list, (int)(found - names.begin()), LVIR_LABEL, row));
    HMENU layout = LoadProgramMenu(ProgramPath().c_str(), IDR_MENU_REBUILD);
    ASSERT_TRUE(layout);
    HMENU fileMenu = GetSubMenu(layout, 0);
    auto choose = [&](UINT command) {
        Click(list, row.left + 10, (row.top + row.bottom) / 2, NO_KEYS, true);
        ASSERT_TRUE(WaitForPopupMenu());
        EXPECT_TRUE(ChooseMenuItem(fileMenu, command));
        CloseOpenMenu();
        Settle(tree);
    };
    // The menu's Enter reaches the window through the input queue, after Settle.
    auto fileOnceItChanges = [&](const std::string& from) {
        std::string now = diskkit::ReadAll(path);
        for (int i = 0; i < 100 && now == from; ++i, Sleep(50)) now = diskkit::ReadAll(path);
        return now;
    };
    choose(IDM_TRANSLATE_ADDRESSES);
    std::string translated = fileOnceItChanges(sheet);
    // The link form of the default options: file:// with the folder's own backslashes escaped.
    EXPECT_EQ(0u, translated.find("body { background: url(\"file://")) << translated;
    EXPECT_NE(std::string::npos, translated.find("\\\\site.example\\\\img\\\\logo.gif\") }\r\n")) << translated;
    EXPECT_TRUE(SaveScreenshot(tree, ScreenshotFolder() + "style_sheet_translated.bmp"));
    choose(IDM_RESTORE_ORIGINAL);
    EXPECT_EQ(sheet, fileOnceItChanges(translated)) << "the original bytes come back";
    DestroyMenu(layout);
    Press(tree, IDCANCEL);
    EXPECT_TRUE(WaitForGone(tree));
}

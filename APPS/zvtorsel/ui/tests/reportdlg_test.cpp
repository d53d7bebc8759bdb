// The address list and keyword search dialogs, hosted in this program and
// driven through the window driver as a user would; and the entry order of
// the report engine against a real sorted list box.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "createlistdlg.h"
#include "jobs/tests/win32/diskkit.h"
#include "keywordsearchdlg.h"
#include "resource.h"
#include "mapping/mapping_settings.h"
#include "windriver/windriver.h"
#include "zvcore32.h"

namespace {

const char kListDialog[] = "\x83\x8d\x81\x5b\x83\x4a\x83\x8b\x83\x41\x83\x68\x83\x8c\x83\x58\x88\xea\x97\x97"
                           "\x95\x5c\x8d\xec\x90\xac";  // ローカルアドレス一覧表作成
const char kAddDialog[] = "\x83\x8a\x83\x58\x83\x67\x82\xb3\x82\xb9\x82\xbd\x82\xa2\x83\x74\x83\x40\x83\x43"
                          "\x83\x8b\x82\xcc\x92\xc7\x89\xc1";  // リストさせたいファイルの追加
const char kSearchDialog[] = "\x83\x4c\x81\x5b\x83\x8f\x81\x5b\x83\x68\x8c\x9f\x8d\xf5";  // キーワード検索
const char kNihongo[] = "\x93\xfa\x96\x7b\x8c\xea";

std::mutex g_boxLock;
std::vector<std::string> g_boxes;

int RecordBox(const char* text, const char*, UINT) {
    std::lock_guard<std::mutex> hold(g_boxLock);
    g_boxes.push_back(text);
    return IDOK;
}

std::vector<std::string> Boxes() {
    std::lock_guard<std::mutex> hold(g_boxLock);
    return g_boxes;
}

std::string String(UINT id) {
    char text[512];
    return AfxLoadString(id, text, sizeof text) ? text : "";
}

using diskkit::ReadAll;
using diskkit::WriteAll;

// Runs dialog.DoModal() in a thread of its own, hands its window to drive,
// and closes it if drive left it open (also after a failed assertion).
INT_PTR RunModal(CDialog& dialog, const char* title, const std::function<void(HWND)>& drive) {
    INT_PTR result = 0;
    std::thread modal([&] { result = dialog.DoModal(); });
    HWND w = windriver::WaitForWindow(title, 10000, GetCurrentProcessId());
    EXPECT_NE(nullptr, w) << title;
    if (w) drive(w);
    while (w && IsWindow(w)) {
        PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
        windriver::WaitForGone(w, 1000);
    }
    modal.join();
    return result;
}

void Shot(HWND window, const char* name) {
    EXPECT_TRUE(windriver::SaveScreenshot(window, windriver::ScreenshotFolder() + name)) << name;
}

class ReportDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        AfxSetMessageBoxHandler(RecordBox);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        first = std::string(temp) + "zvt_dlg1\\";
        second = std::string(temp) + "zvt_dlg2\\";
        for (const std::string& f : {first, second}) {
            zvMakeDirectoriesA((f + "http$\\d.test\\x\\").c_str());
            WriteAll(f + "http$\\d.test\\index.html", std::string("<title>Top</title>") + kNihongo);
            WriteAll(f + "http$\\d.test\\x\\default.htm", "<title>Sub</title>");
        }
        folders.rebuildFolders[0] = first;
        folders.rebuildFolders[1] = "(" + first;
        folders.rebuildFolders[5] = second;
    }
    void TearDown() override {
        AfxSetMessageBoxHandler(nullptr);
        diskkit::RemoveTree(first);
        diskkit::RemoveTree(second);
    }

    RebuildSettings folders;
    CMemoryProfileStore store;
    std::string first, second;
};

TEST_F(ReportDialogs, AddressListDialogEditsNamesAndWritesThePage) {
    for (int i = 0; i < kMaxListedFiles; ++i)
        store.values["CreateList/ListedFile" + std::to_string(i)] = i == 0 ? "index" : "n" + std::to_string(i);
    store.values["CreateList/BaseFolderNo"] = "5";
    CCreateListDlg dialog(nullptr, folders, store);
    INT_PTR result = RunModal(dialog, kListDialog, [&](HWND w) {
        EXPECT_EQ((std::vector<std::string>{first, second}), windriver::ComboItems(w, IDC_REBUILD_FOLDER));
        EXPECT_EQ(second, windriver::ItemText(w, IDC_REBUILD_FOLDER));
        EXPECT_EQ(String(IDS_LIST_READY), windriver::ItemText(w, IDC_STATUS_TEXT));
        EXPECT_EQ(32u, windriver::ListBoxItems(w, IDC_LISTED_FILES).size());
        // A row keeps a pixel below the font's cell, where the underscore of
        // "index_j" is drawn by some fonts.
        HWND list = GetDlgItem(w, IDC_LISTED_FILES);
        HDC dc = GetDC(list);
        HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(list, WM_GETFONT, 0, 0));
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        SelectObject(dc, old);
        ReleaseDC(list, dc);
        EXPECT_GT(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), metrics.tmHeight + metrics.tmExternalLeading);

        windriver::Press(w, IDC_ADD_LISTED_FILE);  // the 33rd name is refused
        windriver::Settle(w);
        ASSERT_FALSE(Boxes().empty());
        EXPECT_NE(std::string::npos, Boxes().back().find("32"));

        windriver::Press(w, IDC_REMOVE_LISTED_FILE);  // the first row, "index", goes
        windriver::Settle(w);
        for (int i = 0; i < 3; ++i) {
            windriver::Press(w, IDC_REMOVE_LISTED_FILE);
            windriver::Settle(w);
        }
        EXPECT_EQ(28u, windriver::ListBoxItems(w, IDC_LISTED_FILES).size());
        windriver::Press(w, IDC_ADD_LISTED_FILE);
        HWND add = windriver::WaitForOwnedWindow(w, kAddDialog);
        ASSERT_NE(nullptr, add);
        Shot(add, "addlistedfile.bmp");
        windriver::SetItemText(add, IDC_LISTED_FILE_NAME, " Default ");
        windriver::Press(add, IDOK);
        EXPECT_TRUE(windriver::WaitForGone(add));
        windriver::Settle(w);
        std::vector<std::string> names = windriver::ListBoxItems(w, IDC_LISTED_FILES);
        EXPECT_EQ(29u, names.size());
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "Default"));
        windriver::Press(w, IDC_ADD_LISTED_FILE);
        add = windriver::WaitForOwnedWindow(w, kAddDialog);
        ASSERT_NE(nullptr, add);
        windriver::SetItemText(add, IDC_LISTED_FILE_NAME, "index");
        windriver::Press(add, IDOK);
        EXPECT_TRUE(windriver::WaitForGone(add));

        windriver::SelectCombo(w, IDC_REBUILD_FOLDER, 0);
        Shot(w, "createlist.bmp");
        windriver::Press(w, IDOK);
        EXPECT_TRUE(windriver::WaitForGone(w, 20000));
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_FALSE(dialog.result.stopped);
    EXPECT_EQ(2u, dialog.result.found);
    EXPECT_EQ(0, dialog.result.folderNumber);
    std::string page = ReadAll(first + "locallst.htm");
    EXPECT_NE(std::string::npos, page.find("http://d.test/</A> : Top<BR>"));
    EXPECT_NE(std::string::npos, page.find("http://d.test/x/Default.htm</A> : Sub<BR>"));
    EXPECT_EQ("0", store.values["CreateList/BaseFolderNo"]);
    EXPECT_EQ("Default", store.values["CreateList/ListedFile0"]);
    EXPECT_EQ("index", store.values["CreateList/ListedFile1"]);
    EXPECT_EQ(1u, store.values.count("CreateList/ListedFile29"));
    EXPECT_EQ(0u, store.values.count("CreateList/ListedFile30"));
}

TEST_F(ReportDialogs, KeywordSearchDialogKeepsHistoryAndWritesThePage) {
    store.values["SearchKeyWord/KeyWord00"] = "old";
    CKeywordSearchDlg dialog(nullptr, folders, store);
    INT_PTR result = RunModal(dialog, kSearchDialog, [&](HWND w) {
        EXPECT_EQ(std::vector<std::string>{"old"}, windriver::ComboItems(w, IDC_KEYWORD1));
        EXPECT_EQ("", windriver::ItemText(w, IDC_KEYWORD1));
        EXPECT_EQ(first, windriver::ItemText(w, IDC_SEARCH_FOLDER));
        windriver::SelectCombo(w, IDC_REBUILD_FOLDER, 1);
        windriver::Settle(w);
        EXPECT_EQ(second, windriver::ItemText(w, IDC_SEARCH_FOLDER));
        windriver::SelectCombo(w, IDC_REBUILD_FOLDER, 0);
        windriver::Settle(w);
        EXPECT_TRUE(windriver::IsChecked(w, IDC_OPERATION_AND));

        size_t boxes = Boxes().size();
        windriver::Press(w, IDOK);  // no keyword yet
        windriver::Settle(w);
        ASSERT_EQ(boxes + 1, Boxes().size());
        EXPECT_EQ(String(IDS_NO_KEYWORD), Boxes().back());

        windriver::SetItemText(w, IDC_KEYWORD1, kNihongo);
        windriver::SetItemText(w, IDC_KEYWORD3, "ignored");
        windriver::SetCheck(w, IDC_OPERATION_OR, true);
        Shot(w, "keywordsearch.bmp");
        windriver::Press(w, IDOK);
        EXPECT_TRUE(windriver::WaitForGone(w, 20000));
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(1u, dialog.result.found);
    EXPECT_EQ(2u, dialog.result.searched);
    EXPECT_EQ(0, dialog.result.folderNumber);
    EXPECT_EQ(std::string(kNihongo) + ".htm", dialog.result.resultFile);
    EXPECT_NE(std::string::npos, ReadAll(first + kNihongo + ".htm").find(" : 1 / 2<BR>"));
    EXPECT_EQ(kNihongo, store.values["SearchKeyWord/KeyWord00"]);
    EXPECT_EQ("old", store.values["SearchKeyWord/KeyWord01"]);
    EXPECT_EQ("ignored", store.values["SearchKeyWord/KeyWord20"]);
    EXPECT_EQ("1", store.values["SearchKeyWord/Operation"]);
}

// A message of the job waits in a box owned by the dialog: the dialog is
// held while the worker waits, so a click on its cancel button is lost.
TEST_F(ReportDialogs, JobMessageIsOwnedByTheDialogAndHoldsIt) {
    AfxSetMessageBoxHandler(nullptr);
    CreateDirectoryA((first + "locallst.htm").c_str(), nullptr);  // the page cannot be written
    store.values["CreateList/BaseFolderNo"] = "0";
    CCreateListDlg dialog(nullptr, folders, store);
    INT_PTR result = RunModal(dialog, kListDialog, [&](HWND w) {
        windriver::Press(w, IDOK);
        HWND box = windriver::WaitForMessageBox(String(IDS_LIST_FAILED).c_str(), 20000, GetCurrentProcessId());
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(w, GetWindow(box, GW_OWNER));
        EXPECT_FALSE(IsWindowEnabled(w));
        // Keep the box clear of the button, so the click lands on the dialog.
        RECT button;
        GetWindowRect(windriver::Item(w, IDCANCEL), &button);
        SetWindowPos(box, nullptr, button.right + 40, button.bottom + 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        windriver::ClickItem(w, IDCANCEL);
        windriver::Settle(w);
        EXPECT_TRUE(IsWindow(box));
        EXPECT_FALSE(dialog.CancelRequested());
        Shot(box, "reportmessage.bmp");
        windriver::Press(box, IDOK);
        EXPECT_TRUE(windriver::WaitForGone(w, 20000));
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(dialog.result.failed);
    EXPECT_FALSE(dialog.result.stopped);
    RemoveDirectoryA((first + "locallst.htm").c_str());
}

// The engine sorts as the list box that the dialogs once used to sort.
TEST(ReportOrderOnWindows, MatchesASortedListBox) {
    // URLs and titles as the pages' entries begin, with the characters
    // where plain byte order and the list box differ.
    std::vector<std::string> keys = {
        "http://b.test/\n", "http://a.test/\nZeta", "http://a.test/\n", "HTTP://A.TEST/x/\n",
        "http://a-b.test/\n", "http://a_b.test/\n", "http://a1.test/\n", "http://a.test/~u/\n",
        "http://x.test/index.htm", "http://x.test/index.html", "http://x.test/index-j.html",
        "http://x.test/index_j.html", "http://x.test/indexa.html", "\nhttp://z.test/",
        "Alpha       \nhttp://q.test/", "alpha beta       \nhttp://p.test/", "2000       \nhttp://n.test/",
        "[News]       \nhttp://m.test/", "a'b", "ab", "a b", "a!b", "a#b", "a.b", "a/b", "a~b", "a$b", "a&b",
        "a\tb", "A", "a", "B", "0", "1", "\x82\x4f", "\x82\x60", "\x83\x9f", "\x84\x40",
        std::string(kNihongo) + "       \nhttp://j.test/", "\x83\x41       \nhttp://k.test/",
        "\xb1\xb2       \nhttp://h.test/", "\x82\x9f\x82\xa0", "\xb1\xb1", "\x83\x41\x83\x41",
        "\x82\xa0\x82\xa0", "\x82\xa0\x82\xa2", "\xb6", "\x83\x4a", "\x82\xa9", "\x83\x4b", "\x82\xaa",
        "\x82\xab", "\x83\x8d\x81\x5b\x83\x4a\x83\x8b", "\x83\x8d\x83\x62\x83\x4e", "\x88\xea",
        "\x8a\xbf", "\x93\xfa", "\x96\x7b", "ab-", "-a", "'a"};
    HWND box = CreateWindowA("LISTBOX", "", LBS_SORT | LBS_HASSTRINGS, 0, 0, 100, 100, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, box);
    std::vector<ReportEntry> entries;
    for (const std::string& k : keys) {
        SendMessageA(box, LB_ADDSTRING, 0, (LPARAM)k.c_str());
        ReportEntry e;
        e.key = k;
        entries.push_back(e);
    }
    SortEntries(entries, MappingSettings());
    for (size_t i = 0; i < keys.size(); ++i) {
        char text[256];
        SendMessageA(box, LB_GETTEXT, i, (LPARAM)text);
        EXPECT_EQ(std::string(text), entries[i].key) << "row " << i;
    }
    DestroyWindow(box);
}

}  // namespace

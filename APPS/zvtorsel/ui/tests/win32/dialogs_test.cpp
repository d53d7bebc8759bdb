#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Japanese literals compile to Shift_JIS, as the program's own texts.
#include "afxwin.h"
#include "changefolderdlg.h"
#include "helppage.h"
#include "htmlformatdlg.h"
#include "noticedlg.h"
#include "optionsdlg.h"
#include "resource.h"
#include "settings.h"
#include "windriver.h"

namespace {

CWinApp g_app("zvkestor_dialogs_test");

std::mutex g_boxLock;
std::vector<std::string> g_boxes;

int RecordBox(const char* text, const char*, UINT) {
    std::lock_guard<std::mutex> lock(g_boxLock);
    g_boxes.push_back(text);
    return IDOK;
}

std::vector<std::string> Boxes() {
    std::lock_guard<std::mutex> lock(g_boxLock);
    return g_boxes;
}

// Runs a dialog modally on its own thread, as the main dialog's thread
// would, while the test drives it.
class ModalRun {
public:
    ModalRun(CDialog& dialog, const char* title) {
        thread_ = std::thread([this, &dialog] { result = dialog.DoModal(); });
        window = windriver::WaitForWindow(title, 10000, GetCurrentProcessId());
    }
    ~ModalRun() {
        if (window && IsWindow(window)) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        thread_.join();
    }
    // Presses a button that ends the dialog and waits for the end.
    INT_PTR Close(int id) {
        windriver::Press(window, id);
        EXPECT_TRUE(windriver::WaitForGone(window));
        thread_.join();
        thread_ = std::thread([] {});
        window = nullptr;
        return result;
    }
    void Shot(const char* name) {
        windriver::Settle(window);
        EXPECT_TRUE(windriver::SaveScreenshot(window, windriver::ScreenshotFolder() + name));
    }

    HWND window = nullptr;
    INT_PTR result = -1;

private:
    std::thread thread_;
};

void ClickListRow(HWND dialog, int id, int row, bool twice = false) {
    HWND list = windriver::Item(dialog, id);
    RECT rect;
    ASSERT_NE(SendMessageA(list, LB_GETITEMRECT, row, (LPARAM)&rect), LB_ERR);
    windriver::Click(list, rect.left + 10, (rect.top + rect.bottom) / 2, windriver::NO_KEYS, false, twice);
    windriver::Settle(dialog);
}

struct OwnedSearch {
    HWND owner, found;
};

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM data) {
    OwnedSearch* search = (OwnedSearch*)data;
    char name[16];
    GetClassNameA(window, name, sizeof(name));
    if (window != search->owner && GetWindow(window, GW_OWNER) == search->owner && IsWindowVisible(window) &&
        lstrcmpA(name, "#32770") == 0)
        search->found = window;
    return search->found == nullptr;
}

// The system's own dialog that `owner` opened; its title depends on the
// system's language, so it is found by owner and class.
HWND OwnedDialog(HWND owner) {
    OwnedSearch search = {owner, nullptr};
    DWORD thread = GetWindowThreadProcessId(owner, nullptr);
    for (int waited = 0; waited < 10000 && !search.found; waited += 50) {
        EnumThreadWindows(thread, FindOwnedDialog, (LPARAM)&search);
        if (!search.found) Sleep(50);
    }
    return search.found;
}

int ListSelection(HWND dialog, int id) { return (int)SendMessageA(windriver::Item(dialog, id), LB_GETCURSEL, 0, 0); }

std::string StoredText(const char* key) { return g_app.GetProfileString("Rebuild", key, "<none>").c_str(); }

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        g_app.SetRegistryKey("z.v");
        AfxSetMessageBoxHandler(RecordBox);
        std::lock_guard<std::mutex> lock(g_boxLock);
        g_boxes.clear();
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        emptyFolder_ = std::string(temp) + "zv_no_help\\";
        CreateDirectoryA(emptyFolder_.c_str(), nullptr);
        SetHelpFolder(emptyFolder_.c_str());
    }
    void TearDown() override {
        AfxSetMessageBoxHandler(nullptr);
        RemoveDirectoryA(emptyFolder_.c_str());
    }

    RebuildOptions FourFolders() {
        RebuildOptions options;
        options.settings.rebuildFolders[0] = "C:\\first\\";
        options.settings.rebuildFolders[1] = "D:\\second\\";
        options.settings.rebuildFolders[3] = "(E:\\off\\)";
        options.settings.rebuildFolders[7] = "F:\\表\\";
        return options;
    }

    std::string emptyFolder_;
};

}  // namespace

TEST_F(Dialogs, OptionsEditFoldersAndSwitchesAndOkStoresEveryKey) {
    g_app.WriteProfileString("Rebuild", "RebuildFolder9", "X:\\stale\\");
    g_app.WriteProfileInt("Rebuild", "SaveOrg", 0);
    RebuildOptions options = FourFolders();
    COptionsDlg dialog(nullptr, options);
    ModalRun run(dialog, "オプション設定");
    ASSERT_TRUE(run.window);
    HWND w = run.window;
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_OPT_FOLDERS),
              (std::vector<std::string>{"C:\\first\\", "D:\\second\\", "(E:\\off\\)", "F:\\表\\"}));
    EXPECT_EQ(ListSelection(w, IDC_OPT_FOLDERS), 0);
    EXPECT_FALSE(windriver::IsEnabled(w, IDC_OPT_UP));
    run.Shot("options.bmp");

    // The second folder moved up becomes the current one.
    ClickListRow(w, IDC_OPT_FOLDERS, 1);
    windriver::Press(w, IDC_OPT_UP);
    windriver::Settle(w);
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_OPT_FOLDERS)[0], "D:\\second\\");
    EXPECT_EQ(ListSelection(w, IDC_OPT_FOLDERS), 0);
    // The current folder cannot be bracketed; a double click brackets another,
    // the space key takes the brackets off again.
    ClickListRow(w, IDC_OPT_FOLDERS, 0, true);
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_OPT_FOLDERS)[0], "D:\\second\\");
    ClickListRow(w, IDC_OPT_FOLDERS, 3, true);
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_OPT_FOLDERS)[3], "(F:\\表\\)");
    // A switched-off second folder can neither move to the top nor be left
    // there by moving or removing the first one.
    ClickListRow(w, IDC_OPT_FOLDERS, 1, true);
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_OPT_FOLDERS)[1], "(C:\\first\\)");
    EXPECT_FALSE(windriver::IsEnabled(w, IDC_OPT_UP));
    ClickListRow(w, IDC_OPT_FOLDERS, 0);
    EXPECT_FALSE(windriver::IsEnabled(w, IDC_OPT_DOWN));
    EXPECT_FALSE(windriver::IsEnabled(w, IDC_OPT_REMOVE));
    ClickListRow(w, IDC_OPT_FOLDERS, 1, true);
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_OPT_FOLDERS)[1], "C:\\first\\");
    EXPECT_TRUE(windriver::IsEnabled(w, IDC_OPT_UP));
    ClickListRow(w, IDC_OPT_FOLDERS, 2);
    windriver::Key(VK_SPACE);
    windriver::Settle(w);
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_OPT_FOLDERS)[2], "E:\\off\\");
    EXPECT_EQ(ListSelection(w, IDC_OPT_FOLDERS), 2);  // still selected: a second space brackets again
    windriver::Key(VK_SPACE);
    windriver::Settle(w);
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_OPT_FOLDERS)[2], "(E:\\off\\)");

    // Unchecking the copy check disables the move check and keeps its value.
    EXPECT_TRUE(windriver::IsEnabled(w, IDC_OPT_MOVE_CHECK_SP));
    EXPECT_TRUE(windriver::IsChecked(w, IDC_OPT_MOVE_CHECK_SP));
    windriver::SetCheck(w, IDC_OPT_CHECK_COPY_MARK, false);
    windriver::Settle(w);
    EXPECT_FALSE(windriver::IsEnabled(w, IDC_OPT_MOVE_CHECK_SP));
    EXPECT_TRUE(windriver::IsChecked(w, IDC_OPT_MOVE_CHECK_SP));
    windriver::SetCheck(w, IDC_OPT_XLAT_REBUILD, true);
    EXPECT_TRUE(windriver::IsChecked(w, IDC_OPT_FILE_PROTOCOL_2));
    EXPECT_FALSE(windriver::IsChecked(w, IDC_OPT_FILE_PROTOCOL_1));
    windriver::SetCheck(w, IDC_OPT_FILE_PROTOCOL_3, true);
    windriver::SetItemText(w, IDC_OPT_CACHE_FOLDER, "  G:\\old\\\\cache ");
    run.Shot("options_edited.bmp");
    ASSERT_EQ(run.Close(IDOK), IDOK);

    EXPECT_EQ(StoredText("RebuildFolder"), "D:\\second\\");
    EXPECT_EQ(StoredText("RebuildFolder1"), "C:\\first\\");
    EXPECT_EQ(StoredText("RebuildFolder2"), "(E:\\off\\)");
    EXPECT_EQ(StoredText("RebuildFolder3"), "(F:\\表\\)");
    EXPECT_EQ(StoredText("RebuildFolder9"), "<none>");
    EXPECT_EQ(StoredText("CacheFolder"), "G:\\old\\cache\\");
    EXPECT_EQ(g_app.GetProfileInt("Rebuild", "CheckCopyMark", -1), 0u);
    EXPECT_EQ(g_app.GetProfileInt("Rebuild", "szMoveCheckSP", -1), 1u);
    EXPECT_EQ(g_app.GetProfileInt("Rebuild", "XlatRebuild", -1), 1u);
    EXPECT_EQ(g_app.GetProfileInt("Rebuild", "FileProtocolType", -1), 3u);
    EXPECT_EQ(g_app.GetProfileInt("Rebuild", "SaveOrg", -1), 0u);
    EXPECT_EQ(options.fileProtocolType, 3);

    // What was stored comes back on the next start; bracketed folders are not in use.
    RebuildSettings reread;
    ReadRebuildSettings(g_app, reread);
    EXPECT_EQ(reread.rebuildFolders[0], "D:\\second\\");
    EXPECT_TRUE(reread.FolderInUse(1));
    EXPECT_FALSE(reread.FolderInUse(2));
    EXPECT_FALSE(reread.FolderInUse(3));
    EXPECT_EQ(reread.checkCopyMark, 0);
    EXPECT_EQ(reread.cacheFolder, "G:\\old\\cache\\");
}

// The third link form: relative links, one radio group with the two file URL forms.
TEST_F(Dialogs, OptionsRelativeLinksAreTheThirdFormOfOneGroup) {
    RebuildOptions options = FourFolders();
    options.fileProtocolType = 1;
    COptionsDlg dialog(nullptr, options);
    ModalRun run(dialog, "オプション設定");
    ASSERT_TRUE(run.window);
    HWND w = run.window;
    EXPECT_EQ(windriver::ItemText(w, IDC_OPT_FILE_PROTOCOL_1), "相対パス (&1)");
    EXPECT_TRUE(windriver::IsChecked(w, IDC_OPT_FILE_PROTOCOL_1));
    EXPECT_FALSE(windriver::IsChecked(w, IDC_OPT_FILE_PROTOCOL_2));
    EXPECT_FALSE(windriver::IsChecked(w, IDC_OPT_FILE_PROTOCOL_3));
    run.Shot("options_relative.bmp");
    windriver::SetCheck(w, IDC_OPT_FILE_PROTOCOL_2, true);
    EXPECT_FALSE(windriver::IsChecked(w, IDC_OPT_FILE_PROTOCOL_1));
    windriver::SetCheck(w, IDC_OPT_FILE_PROTOCOL_1, true);
    EXPECT_FALSE(windriver::IsChecked(w, IDC_OPT_FILE_PROTOCOL_2));
    ASSERT_EQ(run.Close(IDOK), IDOK);
    EXPECT_EQ(g_app.GetProfileInt("Rebuild", "FileProtocolType", -1), 1u);
    EXPECT_EQ(options.fileProtocolType, 1);
}

TEST_F(Dialogs, OptionsAddThroughFolderDialogUpTo64AndMissingHelp) {
    RebuildOptions options;
    for (int i = 0; i < 63; ++i) options.settings.rebuildFolders[i] = "C:\\f" + std::to_string(i) + "\\";
    COptionsDlg dialog(nullptr, options);
    ModalRun run(dialog, "オプション設定");
    ASSERT_TRUE(run.window);
    HWND w = run.window;

    windriver::Press(w, IDC_OPT_ADD);
    HWND add = windriver::WaitForOwnedWindow(w, "再構築フォルダーの追加");
    ASSERT_TRUE(add);
    windriver::SetItemText(add, IDC_ADD_FOLDER_EDIT, "D:\\\\new");
    EXPECT_TRUE(windriver::SaveScreenshot(add, windriver::ScreenshotFolder() + "add_folder.bmp"));
    windriver::Press(add, IDOK);
    ASSERT_TRUE(windriver::WaitForGone(add));
    windriver::Settle(w);
    std::vector<std::string> items = windriver::ListBoxItems(w, IDC_OPT_FOLDERS);
    ASSERT_EQ(items.size(), 64u);
    EXPECT_EQ(items[63], "D:\\new\\");
    EXPECT_EQ(ListSelection(w, IDC_OPT_FOLDERS), 63);

    // A 65th is refused with the limit message; no dialog opens.
    windriver::Press(w, IDC_OPT_ADD);
    windriver::Settle(w);
    char format[256];
    AfxLoadString(IDS_TOO_MANY_FOLDERS, format, sizeof(format));
    char expected[256];
    snprintf(expected, sizeof(expected), format, 64);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{expected}));
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_OPT_FOLDERS).size(), 64u);

    windriver::Press(w, IDHELP);
    windriver::Settle(w);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[1], "options.htm が見つかりません。");

    // Removing the last entry selects the new last one.
    windriver::Press(w, IDC_OPT_REMOVE);
    windriver::Settle(w);
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_OPT_FOLDERS).size(), 63u);
    EXPECT_EQ(ListSelection(w, IDC_OPT_FOLDERS), 62);
    EXPECT_EQ(run.Close(IDCANCEL), IDCANCEL);
    EXPECT_EQ(options.settings.rebuildFolders[63], "");  // cancel hands nothing back
}

TEST_F(Dialogs, FormatDialogShowsSliderBackwardsAndSortFollowsTitle) {
    PageFormat format;
    format.fontSize = 3;
    format.title = false;
    format.textColor = 0x123456;
    format.backColor = 0xFFEECC;
    CHtmlFormatDlg dialog(nullptr, format, true);
    ModalRun run(dialog, "生成 HTML 書式設定");
    ASSERT_TRUE(run.window);
    HWND w = run.window;
    HWND slider = windriver::Item(w, IDC_FMT_FONT_SIZE);
    EXPECT_EQ(SendMessageA(slider, TBM_GETPOS, 0, 0), 5);
    EXPECT_FALSE(windriver::IsEnabled(w, IDC_FMT_SORT_URL));
    EXPECT_FALSE(windriver::IsEnabled(w, IDC_FMT_SORT_TITLE));
    windriver::SetCheck(w, IDC_FMT_TITLE, true);
    windriver::Settle(w);
    EXPECT_TRUE(windriver::IsEnabled(w, IDC_FMT_SORT_TITLE));
    windriver::SetCheck(w, IDC_FMT_SORT_TITLE, true);
    windriver::SetCheck(w, IDC_FMT_UNORDERED_LIST, true);
    SendMessageA(slider, TBM_SETPOS, TRUE, 1);
    run.Shot("html_format.bmp");

    // The swatch shows the stored 0xRRGGBB colour in the system's byte order.
    RECT swatch;
    HWND text = windriver::Item(w, IDC_FMT_TEXT_SWATCH);
    GetClientRect(text, &swatch);
    HDC dc = GetDC(text);
    COLORREF shown = GetPixel(dc, swatch.right / 2, swatch.bottom / 2);
    ReleaseDC(text, dc);
    EXPECT_EQ(shown, RGB(0x12, 0x34, 0x56));

    // The chooser starts at the stored colour; taking it unchanged keeps 0xRRGGBB.
    windriver::Press(w, IDC_FMT_BACK_COLOR);
    HWND chooser = OwnedDialog(w);
    ASSERT_TRUE(chooser);
    windriver::Press(chooser, IDOK);
    ASSERT_TRUE(windriver::WaitForGone(chooser));

    ASSERT_EQ(run.Close(IDOK), IDOK);
    EXPECT_EQ(format.fontSize, 7);
    EXPECT_TRUE(format.title);
    EXPECT_EQ(format.sortType, 1);
    EXPECT_TRUE(format.unorderedList);
    EXPECT_EQ(format.textColor, 0x123456u);
    EXPECT_EQ(format.backColor, 0xFFEECCu);
}

TEST_F(Dialogs, FormatDialogForPicturesHidesTitleControls) {
    PageFormat format;
    format.title = true;
    format.sortType = 1;
    CHtmlFormatDlg dialog(nullptr, format, false);
    ModalRun run(dialog, "生成 HTML 書式設定");
    ASSERT_TRUE(run.window);
    for (int id : {IDC_FMT_TITLE, IDC_FMT_SORT_URL, IDC_FMT_SORT_TITLE})
        EXPECT_FALSE(windriver::IsVisible(run.window, id));
    EXPECT_TRUE(windriver::IsVisible(run.window, IDC_FMT_LINE_SPACE));
    run.Shot("html_format_pictures.bmp");
    windriver::Press(run.window, IDHELP);
    windriver::Settle(run.window);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"htmlfmt.htm が見つかりません。"}));
    ASSERT_EQ(run.Close(IDOK), IDOK);
    EXPECT_TRUE(format.title);
    EXPECT_EQ(format.sortType, 1);
}

TEST_F(Dialogs, ChangeFolderOffersOnlyFoldersInUse) {
    RebuildOptions options = FourFolders();
    CChangeFolderDlg dialog(nullptr, options.settings, 7);
    ModalRun run(dialog, "再構築フォルダーの変更");
    ASSERT_TRUE(run.window);
    HWND w = run.window;
    EXPECT_EQ(windriver::ListBoxItems(w, IDC_CHANGE_FOLDER_LIST),
              (std::vector<std::string>{"C:\\first\\", "D:\\second\\", "F:\\表\\"}));
    EXPECT_EQ(ListSelection(w, IDC_CHANGE_FOLDER_LIST), 2);
    run.Shot("change_folder.bmp");
    ClickListRow(w, IDC_CHANGE_FOLDER_LIST, 1);
    ASSERT_EQ(run.Close(IDOK), IDOK);
    EXPECT_EQ(dialog.chosen, 1);
}

TEST_F(Dialogs, NoticeStoresItsCheckBoxAsNoWarning129) {
    g_app.WriteProfileInt("Rebuild", "NoWarning129", 0);
    CNoticeDlg dialog(nullptr);
    ModalRun run(dialog, "ご注意");
    ASSERT_TRUE(run.window);
    run.Shot("notice.bmp");
    windriver::Press(run.window, IDHELP);
    windriver::Settle(run.window);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"diffver.htm が見つかりません。"}));
    windriver::SetCheck(run.window, IDC_NOTICE_NO_MORE, true);
    ASSERT_EQ(run.Close(IDOK), IDOK);
    EXPECT_TRUE(dialog.hideFromNowOn);
    EXPECT_EQ(g_app.GetProfileInt("Rebuild", "NoWarning129", -1), 1u);
}

#include "downloaddlg.h"
#include "download/win32/downloadworkers.h"
#include "helppage.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "afxwin.h"
#include "download/tests/win32/loopback.h"
#include "jobs/tests/win32/diskkit.h"
#include "resource.h"
#include "windriver.h"

namespace {

using loopback::Base;

std::string lastMessage;
int RecordMessage(const char* text, const char*, UINT) {
    lastMessage = text;
    return IDOK;
}

TEST(DownloadDialog, RunsTheListWithFiveThreadsAndEndsWithTheCount) {
    if (Base().empty()) GTEST_SKIP() << "no loopback server (run through run_with_server.sh)";
    CWinApp app("zvkestor");
    app.SetRegistryKey("z.v");
    app.WriteProfileInt("DownLoad", "ThreadEntry", 9);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    diskkit::ClearCache();

    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "zvt_dldlg\\";
    diskkit::RemoveTree(folder);
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    std::string b = Base();
    ASSERT_TRUE(loopback::WriteList(folder, {b + "/slow/a.bin", b + "/pic/b.gif", b + "/missing.htm",
                                             b + "/dlg/index.html", b + "/slow/e.bin", b + "/pic/f.gif"}));

    CDownloadWorkers workers;
    CDownloadDlg dialog(nullptr, folder.c_str(), workers);
    INT_PTR result = 0;
    std::thread ui([&] { result = dialog.DoModal(); });
    // A first start of the prefix and the display can be slow.
    HWND window = windriver::WaitForWindow("ダウンロード", 30000);
    if (!window) {
        ui.detach();  // ends with the process
        FAIL() << "the dialog did not open";
    }
    HWND list = windriver::Item(window, IDC_DL_LIST);
    EXPECT_EQ(6, windriver::ListViewCount(list));
    EXPECT_EQ(b + "/pic/b.gif", windriver::ListViewText(list, 1, 1));
    EXPECT_TRUE(windriver::IsChecked(window, IDC_DL_THREADS1 + 4));  // 9 reads as 5
    EXPECT_TRUE(windriver::IsEnabled(window, IDOK));
    EXPECT_EQ("", windriver::ItemText(window, IDC_DL_STATUS1 + 4));
    windriver::SetCheck(window, IDC_DL_THREADS1 + 1, true);
    EXPECT_EQ("", windriver::ItemText(window, IDC_DL_STATUS1 + 1));
    EXPECT_EQ("---", windriver::ItemText(window, IDC_DL_STATUS1 + 2));
    windriver::SetCheck(window, IDC_DL_THREADS1 + 4, true);

    // No help page in the help folder: the message names it.
    SetHelpFolder(folder.c_str());
    AfxMessageBoxHandler previous = AfxSetMessageBoxHandler(RecordMessage);
    windriver::Press(window, IDHELP);
    windriver::Settle(window);
    AfxSetMessageBoxHandler(previous);
    EXPECT_EQ(0u, lastMessage.find("download.htm ")) << lastMessage;

    windriver::Press(window, IDOK);
    // The quick rows end while the two slow ones are still being fetched.
    const std::string fetching = "DL中...", fetched = "DL済", failed = "なし";
    for (int tick = 0; tick < 400; ++tick) {
        if (windriver::ListViewText(list, 1, 0) == fetched && windriver::ListViewText(list, 2, 0) == failed &&
            windriver::ListViewText(list, 3, 0) == fetched && windriver::ListViewText(list, 5, 0) == fetched)
            break;
        Sleep(50);
    }
    windriver::Settle(window);
    EXPECT_EQ(fetching, windriver::ListViewText(list, 0, 0));
    EXPECT_EQ(fetched, windriver::ListViewText(list, 1, 0));
    EXPECT_EQ(failed, windriver::ListViewText(list, 2, 0));
    EXPECT_EQ(fetching, windriver::ListViewText(list, 4, 0));
    EXPECT_EQ("DL中止", windriver::ItemText(window, IDCANCEL));
    EXPECT_FALSE(windriver::IsEnabled(window, IDOK));
    EXPECT_TRUE(windriver::SaveScreenshot(window, windriver::ScreenshotFolder() + "download_running.bmp"));

    // Stopping leaves the slow rows "DL中..." with their keys; the others are gone from the list file.
    windriver::Press(window, IDCANCEL);
    for (int tick = 0; tick < 400 && windriver::ItemText(window, IDCANCEL) != "やめる"; ++tick)
        Sleep(50);
    EXPECT_EQ("やめる", windriver::ItemText(window, IDCANCEL));
    EXPECT_EQ(fetching, windriver::ListViewText(list, 0, 0));
    EXPECT_EQ(b + "/slow/a.bin", loopback::ListKey(folder, 0));
    EXPECT_EQ(b + "/slow/e.bin", loopback::ListKey(folder, 4));
    EXPECT_EQ("", loopback::ListKey(folder, 1));
    EXPECT_EQ("", loopback::ListKey(folder, 2));
    // Which workers took the two slow rows is the scheduler's choice: two slots stopped.
    int stoppedSlots = 0;
    for (int slot = 0; slot < 5; ++slot) stoppedSlots += windriver::ItemText(window, IDC_DL_STATUS1 + slot) == "DL中止";
    EXPECT_EQ(2, stoppedSlots);
    EXPECT_FALSE(windriver::IsEnabled(window, IDOK));  // every row was handed out

    windriver::Press(window, IDCANCEL);
    EXPECT_TRUE(windriver::WaitForGone(window));
    ui.join();
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(6, dialog.GetFoundCount());
    EXPECT_EQ(5u, app.GetProfileInt("DownLoad", "ThreadEntry", 0));
    diskkit::ClearCache();
    diskkit::RemoveTree(folder);
}

}  // namespace

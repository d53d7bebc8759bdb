// The picture scan dialog, the viewers and the plug-in list driven as a user
// would, each dialog running modally in a thread of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "afxwin.h"
#include "pictures/tests/picturekit.h"
#include "pictures/win32/win32captions.h"
#include "base/win32/win32files.h"
#include "picturescandlg.h"
#include "picturesettings.h"
#include "pictureviewdlg.h"
#include "resource.h"
#include "settings.h"
#include "sourceviewdlg.h"
#include "spidlg.h"
#include "windriver.h"

namespace {

CWinApp g_app("zvkestor");

std::vector<std::string> g_boxes;
int RecordBox(const char* text, const char*, UINT) {
    g_boxes.push_back(text);
    return IDOK;
}

std::string TempFolder(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + name + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string TestFolder() {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string path = module;
    return path.substr(0, path.find_last_of('\\') + 1);
}

void WriteFile(const std::string& path, const std::string& text) {
    CWin32Files files;
    ASSERT_TRUE(WriteWholeFile(files, path.c_str(), text.data(), text.size(), nullptr));
}

void WriteFile(const std::string& path, const std::vector<BYTE>& data) {
    CWin32Files files;
    ASSERT_TRUE(WriteWholeFile(files, path.c_str(), data.data(), data.size(), nullptr));
}

// Runs dialog.DoModal() in a thread; the result lands in *result.
std::thread RunModal(CDialog& dialog, INT_PTR* result) {
    return std::thread([&dialog, result] { *result = dialog.DoModal(); });
}

// The dialog's window, or null after its thread ended (a dialog that never
// showed has returned from DoModal, so the thread can be joined).
HWND WaitForDialog(const char* title, std::thread& modal) {
    HWND window = windriver::WaitForWindow(title);
    if (!window) modal.join();
    return window;
}

void Shoot(HWND window, const char* name) {
    EXPECT_TRUE(windriver::SaveScreenshot(window, windriver::ScreenshotFolder() + name));
}

class PictureDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_app.SetRegistryKey("z.v");
        AfxSetAppName("z.v Torsel Sitekeeper");
    }
    void SetUp() override {
        g_boxes.clear();
        AfxSetMessageBoxHandler(RecordBox);
        ResetSpiTable({});
    }
    void TearDown() override {
        AfxSetMessageBoxHandler(nullptr);
        ResetSpiTable({});
    }
};

TEST_F(PictureDialogs, SourceViewerShowsTheTextWithCrLfLines) {
    std::string folder = TempFolder("zvt_view");
    std::string path = folder + "page.html";
    // "表示" in Shift_JIS (a trail byte 0x5C), lines ended by LF.
    WriteFile(path, "<HTML>\n<BODY>\x95\\\x8e\xa6 test\n</BODY>\n</HTML>\n");
    CViewSrcDlg dialog("http://example.jp/page.html", path.c_str());
    INT_PTR result = 0;
    std::thread modal = RunModal(dialog, &result);
    HWND window = WaitForDialog("http://example.jp/page.html", modal);
    ASSERT_TRUE(window) << (g_boxes.empty() ? "" : g_boxes[0]);
    windriver::Settle(window);
    EXPECT_EQ("<HTML>\r\n<BODY>\x95\\\x8e\xa6 test\r\n</BODY>\r\n</HTML>\r\n",
              windriver::ItemText(window, IDC_SOURCE_TEXT));
    Shoot(window, "source_view.bmp");
    windriver::CloseByFrame(window);
    modal.join();
    EXPECT_TRUE(windriver::WaitForGone(window));
    EXPECT_NE(0u, g_app.GetProfileInt("ViewSrc", "SizeX", 0));

    CViewSrcDlg missing("missing", (folder + "none.html").c_str());
    missing.DoModal();
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_NE(std::string::npos, g_boxes[0].find("none.html"));
    DeleteFileA(path.c_str());
}

TEST_F(PictureDialogs, PictureViewerSizesItselfToThePictureAndScrollsLargeOnes) {
    std::string folder = TempFolder("zvt_view");
    std::string small = folder + "small.bmp", large = folder + "large.bmp", text = folder + "text.gif";
    WriteFile(small, SolidBmp(240, 160, 0x3366CC));
    WriteFile(large, SolidBmp(3000, 2000, 0xCC6633));
    WriteFile(text, "not a picture");
    g_app.WriteProfileInt("ViewPic", "PosX", -50);
    g_app.WriteProfileInt("ViewPic", "PosY", 20);

    CViewPicDlg dialog("small.bmp", small.c_str());
    INT_PTR result = 0;
    std::thread modal = RunModal(dialog, &result);
    HWND window = WaitForDialog("small.bmp", modal);
    ASSERT_TRUE(window) << (g_boxes.empty() ? "" : g_boxes[0]);
    windriver::Settle(window);
    RECT client, frame;
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    EXPECT_EQ(240, client.right);
    EXPECT_EQ(160, client.bottom);
    EXPECT_GE(frame.left, 0);  // moved into the work area
    LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_FALSE(style & (WS_HSCROLL | WS_VSCROLL));
    Shoot(window, "picture_view.bmp");
    windriver::CloseByFrame(window);
    modal.join();
    EXPECT_EQ(0u, g_app.GetProfileInt("ViewPic", "PosX", 99));

    CViewPicDlg big("large.bmp", large.c_str());
    modal = RunModal(big, &result);
    window = WaitForDialog("large.bmp", modal);
    ASSERT_TRUE(window) << (g_boxes.empty() ? "" : g_boxes[0]);
    windriver::Settle(window);
    style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_TRUE(style & WS_VSCROLL);
    SendMessageA(window, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_GT(GetScrollPos(window, SB_VERT), 1000);
    Shoot(window, "picture_view_scrolled.bmp");
    windriver::CloseByFrame(window);
    modal.join();

    CViewPicDlg none("text.gif", text.c_str());
    EXPECT_EQ(IDCANCEL, none.DoModal());
    ASSERT_EQ(1u, g_boxes.size());
    for (const std::string& f : {small, large, text}) DeleteFileA(f.c_str());
}

TEST_F(PictureDialogs, PngPicturesShowThroughTheRegisteredPlugin) {
    std::string plugin = TestFolder() + "zvpng.spi";
    if (GetFileAttributesA(plugin.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no zvpng.spi";
    std::string path = TempFolder("zvt_view") + "tiny.png";
    std::vector<BYTE> png = PngHeader(1, 1);
    // A complete 1 x 1 RGB picture: IHDR CRC, IDAT of one red pixel, IEND.
    const BYTE rest[] = {0x90, 0x77, 0x53, 0xDE, 0,    0,    0,    12,   'I',  'D',  'A',  'T',  0x08, 0xD7,
                         0x63, 0xF8, 0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18, 0xDD, 0x8D, 0xB0,
                         0,    0,    0,    0,    'I',  'E',  'N',  'D',  0xAE, 0x42, 0x60, 0x82};
    png.insert(png.end(), rest, rest + sizeof(rest));
    WriteFile(path, png);
    CViewPicDlg without("tiny.png", path.c_str());
    EXPECT_EQ(IDCANCEL, without.DoModal());  // the library itself reads no PNG
    EXPECT_EQ(1u, g_boxes.size());

    ResetSpiTable({SpiListEntry{"png", plugin}});
    CViewPicDlg dialog("tiny.png", path.c_str());
    INT_PTR result = 0;
    std::thread modal = RunModal(dialog, &result);
    HWND window = WaitForDialog("tiny.png", modal);
    ASSERT_TRUE(window) << (g_boxes.empty() ? "" : g_boxes[0]);
    EXPECT_EQ(1, dialog.PictureWidth());
    Shoot(window, "picture_view_png.bmp");
    windriver::CloseByFrame(window);
    modal.join();
    EXPECT_EQ(1u, g_boxes.size());
    DeleteFileA(path.c_str());
}

TEST_F(PictureDialogs, PluginListAddsStoresAndRefusesAThirtyThirdRow) {
    CSpiSettingsDlg dialog;
    INT_PTR result = 0;
    std::thread modal = RunModal(dialog, &result);
    HWND window = WaitForDialog("Susie Plug-in \x90\xdd\x92\xe8", modal);
    ASSERT_TRUE(window) << (g_boxes.empty() ? "" : g_boxes[0]);
    windriver::Press(window, IDC_SPI_ADD);
    HWND add = windriver::WaitForOwnedWindow(window, "SPI \x82\xcc\x92\xc7\x89\xc1");
    ASSERT_TRUE(add);
    Shoot(add, "spi_add.bmp");
    windriver::SetItemText(add, IDC_SPI_EXTENSION, "png");
    windriver::SetItemText(add, IDC_SPI_PATH, "C:\\plugins\\zvpng.spi");
    windriver::Press(add, IDOK);
    ASSERT_TRUE(windriver::WaitForGone(add));
    windriver::Settle(window);
    HWND list = windriver::Item(window, IDC_SPI_LIST);
    ASSERT_EQ(1, windriver::ListViewCount(list));
    EXPECT_EQ("C:\\plugins\\zvpng.spi", windriver::ListViewText(list, 0, 1));
    Shoot(window, "spi_settings.bmp");
    windriver::Press(window, IDOK);
    modal.join();
    EXPECT_EQ(IDOK, result);

    g_app.m_appName = "zvdesk32";
    EXPECT_EQ(std::string("png,C:\\plugins\\zvpng.spi"), g_app.GetProfileString("SPI", "SPI1", "x").c_str());
    EXPECT_EQ(std::string(""), g_app.GetProfileString("SPI", "SPI2", "x").c_str());
    g_app.m_appName = "zvkestor";
    ASSERT_EQ(1u, SpiTable().size());

    std::vector<SpiListEntry> full(32, SpiListEntry{"x", "C:\\x.spi"});
    ResetSpiTable(full);
    CSpiSettingsDlg crowded;
    modal = RunModal(crowded, &result);
    window = WaitForDialog("Susie Plug-in \x90\xdd\x92\xe8", modal);
    ASSERT_TRUE(window) << (g_boxes.empty() ? "" : g_boxes[0]);
    SendMessageA(window, WM_COMMAND, IDC_SPI_ADD, 0);
    ASSERT_EQ(1u, g_boxes.size());
    EXPECT_NE(std::string::npos, g_boxes[0].find("32"));
    windriver::Press(window, IDCANCEL);
    modal.join();
    WriteSpiList(g_app, {});
}

TEST_F(PictureDialogs, PluginListIsReadFromScatteredKeysUnderTheSiblingName) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\z.v\\zvdesk32\\SPI", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    for (const char* pair : {"SPI2=mag,C:\\p\\ifmag.spi", "SPI7=C:\\nocomma.spi", "SPI9=png,C:\\p\\zvpng.spi"}) {
        std::string text = pair;
        std::string name = text.substr(0, text.find('=')), value = text.substr(text.find('=') + 1);
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
    }
    RegCloseKey(key);
    std::vector<SpiListEntry> rows = ReadSpiList(g_app);
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("mag", rows[0].extension);
    EXPECT_EQ("C:\\p\\zvpng.spi", rows[1].path);
    EXPECT_STREQ("zvkestor", g_app.m_appName.c_str());
    WriteSpiList(g_app, {});
    EXPECT_TRUE(ReadSpiList(g_app).empty());
}

TEST_F(PictureDialogs, PictureScanDialogRunsAndReportsItsPage) {
    std::string folder = TempFolder("zvt_scan");
    CreateDirectoryA((folder + "http$").c_str(), nullptr);
    CreateDirectoryA((folder + "http$\\host").c_str(), nullptr);
    WriteFile(folder + "http$\\host\\a.bmp", SolidBmp(80, 60, 0xFF0000));
    WriteFile(folder + "http$\\host\\b.gif", TinyGif(1, 1, 1, 1));
    WriteFile(folder + "a$2fb&c.htm", "<BASE HREF=\"file://" + folder + "base.html\">\n");
    RebuildSettings folders;
    folders.rebuildFolders[0] = folder;
    g_app.WriteProfileInt("ScanPicture", "Thumbnail", 1);
    g_app.WriteProfileInt("ScanPicture", "Separation", 0);

    CPictureScanDlg dialog(folders);
    INT_PTR result = 0;
    std::thread modal = RunModal(dialog, &result);
    HWND window = WaitForDialog("\x89\xe6\x91\x9c\x83\x66\x81\x5b\x83\x5e\x8c\x9f\x8d\xf5", modal);
    ASSERT_TRUE(window) << (g_boxes.empty() ? "" : g_boxes[0]);
    windriver::Settle(window);
    std::vector<std::string> conditions = windriver::ComboItems(window, IDC_SCAN_CONDITION);
    ASSERT_EQ(2u, conditions.size());
    EXPECT_EQ("'a/b' & 'c'", conditions[1]);
    EXPECT_TRUE(windriver::IsEnabled(window, IDC_SCAN_LIMIT));
    windriver::SetCheck(window, IDC_SEPARATION, true);
    EXPECT_FALSE(windriver::IsEnabled(window, IDC_SCAN_LIMIT));
    windriver::SetCheck(window, IDC_SEPARATION, false);
    EXPECT_TRUE(windriver::IsEnabled(window, IDC_THUMB_WIDTH));
    windriver::SetCheck(window, IDC_THUMBNAIL, false);
    EXPECT_FALSE(windriver::IsEnabled(window, IDC_THUMB_WIDTH));
    EXPECT_FALSE(windriver::IsEnabled(window, IDC_THUMB_FONT));
    windriver::SetCheck(window, IDC_THUMBNAIL, true);
    EXPECT_EQ("64 \x81\x7e 8 = 512", windriver::ItemText(window, IDC_THUMB_SIZES));
    windriver::SelectCombo(window, IDC_SCAN_CONDITION, 1);
    EXPECT_FALSE(windriver::IsEnabled(window, IDC_SCAN_FOLDER));
    windriver::SelectCombo(window, IDC_SCAN_CONDITION, 0);
    Shoot(window, "picture_scan.bmp");
    windriver::Press(window, IDOK);
    modal.join();
    EXPECT_EQ(1, result);
    const PictureScanOutcome& outcome = dialog.Outcome();
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(2, outcome.pictures);
    EXPECT_EQ(0, outcome.folderNo);
    EXPECT_EQ("@zvt_scan.htm", outcome.pageName);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "@zvt_scan.bmp").c_str()));
    EXPECT_TRUE(g_boxes.empty());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\z.v\\zvkestor\\ScanPicture");
}

}  // namespace

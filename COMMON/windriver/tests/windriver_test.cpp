// The driver against a window of another process (windriver_target.exe):
// every read and click crosses the process boundary, as in the program's tests.
#include <gtest/gtest.h>

#include "windriver.h"

using namespace windriver;

namespace {

const char kTitle[] = "ドライバ試験";

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Start("windriver_target.exe", program_));
        window_ = WaitForWindow(kTitle, 15000, program_.id);
        ASSERT_TRUE(window_ != nullptr);
        SetForegroundWindow(window_);
        Settle(window_);
    }
    void TearDown() override { Stop(program_); }

    Program program_;
    HWND window_ = nullptr;
};

TEST_F(DriverTest, ReadsAndWritesControlsAcrossProcesses) {
    EXPECT_EQ("押す", ItemText(window_, 1));
    EXPECT_TRUE(SetItemText(window_, 2, "ソース"));
    EXPECT_EQ("ソース", ItemText(window_, 2));

    EXPECT_TRUE(Press(window_, 1));
    EXPECT_EQ("pressed 1", ItemText(window_, 2));
    EXPECT_FALSE(IsEnabled(window_, 8));
    EXPECT_FALSE(Press(window_, 8)) << "a disabled button cannot be pressed";
    EXPECT_EQ("pressed 1", ItemText(window_, 2));

    EXPECT_FALSE(IsChecked(window_, 3));
    EXPECT_TRUE(SetCheck(window_, 3, true));
    EXPECT_TRUE(IsChecked(window_, 3));
    EXPECT_TRUE(SetCheck(window_, 3, true)) << "setting a set check keeps it";
    EXPECT_TRUE(IsChecked(window_, 3));

    EXPECT_EQ((std::vector<std::string>{"表示", "能力"}), ListBoxItems(window_, 4));
    EXPECT_EQ((std::vector<std::string>{"一", "二"}), ComboItems(window_, 5));
    EXPECT_TRUE(Item(window_, 99) == nullptr);
    EXPECT_EQ("", ItemText(window_, 99));
}

TEST_F(DriverTest, ReadsListAndTreeViewsAcrossProcesses) {
    HWND list = Item(window_, 6);
    ASSERT_EQ(3, ListViewCount(list));
    EXPECT_EQ((std::vector<std::string>{"..", "ソース.htm", "index.html"}), ListViewColumn(list, 0));
    EXPECT_EQ("2000", ListViewText(list, 2, 1));
    EXPECT_EQ(11, ListViewImage(list, 1));
    RECT row;
    ASSERT_TRUE(ListViewItemRect(list, 1, LVIR_LABEL, row));
    EXPECT_GT(row.right, row.left);

    HWND tree = Item(window_, 7);
    HTREEITEM root = TreeRoot(tree);
    ASSERT_TRUE(root != nullptr);
    EXPECT_EQ("再構築フォルダ", TreeText(tree, root));
    EXPECT_EQ(2u, TreeChildren(tree, root).size());
    HTREEITEM table = TreeFind(tree, root, "表");
    ASSERT_TRUE(table != nullptr);
    EXPECT_EQ(5, TreeImage(tree, table));
    EXPECT_TRUE(TreeExpand(tree, root));
    EXPECT_TRUE(TreeSelect(tree, table));
    EXPECT_EQ((UINT)TVIS_SELECTED, TreeState(tree, table, TVIS_SELECTED));
    RECT label;
    EXPECT_TRUE(TreeItemRect(tree, table, true, label));
    EXPECT_GT(label.right, label.left);
}

TEST_F(DriverTest, ClicksWithModifierKeys) {
    HWND list = Item(window_, 6);
    RECT row;
    ASSERT_TRUE(ListViewItemRect(list, 2, LVIR_LABEL, row));
    Click(list, row.left + 4, (row.top + row.bottom) / 2, SHIFT);
    EXPECT_EQ("left 2 shift", ItemText(window_, 2));
    Click(list, row.left + 4, (row.top + row.bottom) / 2, CONTROL, true);
    EXPECT_EQ("right 2 ctrl", ItemText(window_, 2));
}

TEST_F(DriverTest, ChoosesPopupMenuCommandsByTheProgramsMenuLayout) {
    char path[MAX_PATH];
    GetFullPathNameA("windriver_target.exe", sizeof(path), path, nullptr);
    HMENU layout = LoadProgramMenu(path, 120);
    ASSERT_TRUE(layout != nullptr);
    HMENU file = GetSubMenu(layout, 0);
    EXPECT_EQ(MF_GRAYED, MenuItemState(file, 202) & MF_GRAYED);
    EXPECT_EQ(-1, MenuItemState(file, 299));

    PostMessageA(window_, WM_CONTEXTMENU, (WPARAM)window_, MAKELPARAM(200, 200));
    ASSERT_TRUE(ChooseMenuItem(file, 204)) << "through the separator and into the submenu";
    Settle(window_);
    EXPECT_EQ("menu 204", ItemText(window_, 2));

    SetItemText(window_, 2, "");
    PostMessageA(window_, WM_CONTEXTMENU, (WPARAM)window_, MAKELPARAM(200, 200));
    ASSERT_TRUE(ChooseMenuItem(file, 202));
    CloseMenu();
    Settle(window_);
    EXPECT_EQ("", ItemText(window_, 2)) << "a greyed item does nothing";
    EXPECT_FALSE(ChooseMenuItem(file, 299));
    DestroyMenu(layout);
}

TEST_F(DriverTest, ScreenshotOfAWindowIsNotBlankAndClosingEndsTheProgram) {
    std::string path = ScreenshotFolder() + "windriver_target.bmp";
    EXPECT_TRUE(SaveScreenshot(window_, path));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 1000u);

    PostMessageA(window_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForGone(window_));
    EXPECT_EQ(7, WaitForExit(program_, 5000));
}

}  // namespace

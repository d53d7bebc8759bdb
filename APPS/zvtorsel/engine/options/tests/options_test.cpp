#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "options/folderlist.h"
#include "options/rebuildoptions.h"
#include "options/reportformat.h"

namespace {

CRebuildFolderList ListOf(const std::vector<std::string>& texts) {
    std::string slots[kRebuildFolderCount];
    for (size_t i = 0; i < texts.size(); ++i) slots[i] = texts[i];
    CRebuildFolderList list;
    list.Assign(slots);
    return list;
}

std::vector<std::string> Texts(const CRebuildFolderList& list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list.Count(); ++i) texts.push_back(list.At(i));
    return texts;
}

}  // namespace

TEST(RebuildFolderList, AssignSkipsEmptySlotsAndExportCompacts) {
    std::string slots[kRebuildFolderCount];
    slots[0] = "C:\\a\\";
    slots[5] = "D:\\b";
    slots[63] = "(E:\\off)";
    CRebuildFolderList list;
    list.Assign(slots);
    ASSERT_EQ(list.Count(), 3);

    std::string out[kRebuildFolderCount];
    out[10] = "stale";
    list.Export(out);
    EXPECT_EQ(out[0], "C:\\a\\");
    EXPECT_EQ(out[1], "D:\\b\\");
    EXPECT_EQ(out[2], "(E:\\off)");  // bracketed texts are kept as they are
    for (int i = 3; i < kRebuildFolderCount; ++i) EXPECT_TRUE(out[i].empty()) << i;
}

TEST(RebuildFolderList, NormalisingKeepsDoubleByteTrailBackslash) {
    // 表 is 0x95 0x5C: its trail byte must not be taken for a separator run.
    EXPECT_EQ(NormaliseFolder("C:\\\x95\x5c"), "C:\\\x95\x5c\\");
    EXPECT_EQ(NormaliseFolder("C:\\\\x//y\\"), "C:\\x/y\\");
    EXPECT_EQ(NormaliseFolder("\\\\server\\share"), "\\\\server\\share\\");
    // A lone lead byte at the end would swallow the separator, and grow one more at each save.
    EXPECT_EQ(NormaliseFolder("C:\\x\x83"), "C:\\x\\");
    EXPECT_EQ(NormaliseFolder(NormaliseFolder("C:\\x\x83")), "C:\\x\\");
    // The root of the drive stays one; a doubled separator at the end goes.
    EXPECT_EQ(NormaliseFolder("\\"), "\\");
    EXPECT_EQ(NormaliseFolder("C:\\a\\\\"), "C:\\a\\");
}

TEST(RebuildFolderList, MovesKeepAUsableCurrentFolder) {
    CRebuildFolderList list = ListOf({"A\\", "B\\", "(C\\)", "D\\"});
    EXPECT_FALSE(list.MoveUp(0));
    EXPECT_FALSE(list.MoveDown(3));
    EXPECT_TRUE(list.MoveUp(1));  // the second becomes the current folder
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"B\\", "A\\", "(C\\)", "D\\"}));
    EXPECT_TRUE(list.MoveUp(2));
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"B\\", "(C\\)", "A\\", "D\\"}));
    // A switched-off folder never becomes the current one, by either button.
    EXPECT_FALSE(list.MoveUp(1));
    EXPECT_FALSE(list.MoveDown(0));
    EXPECT_TRUE(list.MoveDown(1));
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"B\\", "A\\", "(C\\)", "D\\"}));
    EXPECT_FALSE(list.MoveUp(7));
    EXPECT_FALSE(list.MoveDown(-1));
}

TEST(RebuildFolderList, BracketsToggleExceptOnTheCurrentFolder) {
    CRebuildFolderList list = ListOf({"A\\", "B\\", "(C\\)", "(", "()"});
    EXPECT_FALSE(list.ToggleBrackets(0));
    EXPECT_TRUE(list.ToggleBrackets(1));
    EXPECT_EQ(list.At(1), "(B\\)");
    EXPECT_TRUE(list.ToggleBrackets(1));
    EXPECT_EQ(list.At(1), "B\\");
    EXPECT_TRUE(list.ToggleBrackets(2));
    EXPECT_EQ(list.At(2), "C\\");
    // Nothing is left inside: the entry stays as it is rather than becoming empty.
    EXPECT_FALSE(list.ToggleBrackets(3));
    EXPECT_FALSE(list.ToggleBrackets(4));
    EXPECT_EQ(list.At(4), "()");
}

TEST(RebuildFolderList, AddStopsAt64AndRemoveSelectsTheFollower) {
    CRebuildFolderList list;
    EXPECT_EQ(list.Add(""), -1);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(list.Add("F" + std::to_string(i)), i);
    EXPECT_TRUE(list.IsFull());
    EXPECT_EQ(list.Add("G"), -1);
    EXPECT_EQ(list.Count(), 64);
    EXPECT_EQ(list.At(63), "F63\\");

    EXPECT_EQ(list.Remove(10), 10);
    EXPECT_EQ(list.At(10), "F11\\");
    EXPECT_EQ(list.Remove(62), 61);  // the last: the new last is selected
    EXPECT_EQ(list.Count(), 62);
    EXPECT_EQ(list.Add("G"), 62);
}

TEST(RebuildFolderList, RemovingTheCurrentFolderNeverPromotesASwitchedOffOne) {
    CRebuildFolderList list = ListOf({"A\\", "(B\\)", "C\\"});
    EXPECT_FALSE(list.CanRemove(0));
    EXPECT_EQ(list.Remove(0), 0);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Remove(1), 1);
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"A\\", "C\\"}));
    EXPECT_EQ(list.Remove(0), 0);
    EXPECT_EQ(list.Remove(0), -1);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Remove(0), -1);
}

TEST(ReportFormat, ColoursSwapForTheChooserAndSliderRunsBackwards) {
    EXPECT_EQ(SwapRedBlue(0x123456), 0x563412u);
    EXPECT_EQ(SwapRedBlue(SwapRedBlue(0xA1B2C3)), 0xA1B2C3u);
    EXPECT_EQ(SwapRedBlue(0xFF123456), 0x563412u);  // no stray high byte reaches the page
    EXPECT_EQ(FontSizeToSlider(3), 5);
    EXPECT_EQ(FontSizeToSlider(7), 1);
    EXPECT_EQ(FontSizeToSlider(1), 7);
    EXPECT_EQ(SliderToFontSize(5), 3);
    for (int size = 1; size <= 7; ++size) EXPECT_EQ(SliderToFontSize(FontSizeToSlider(size)), size);
    // A damaged stored size still gives a slider position and a valid size.
    EXPECT_EQ(FontSizeToSlider(0), 7);
    EXPECT_EQ(FontSizeToSlider(99), 1);
    EXPECT_EQ(SliderToFontSize(-4), 7);
}

#include <gtest/gtest.h>

#include <algorithm>

#include "tree/treemodel.h"
#include "windowlogic/markimages.h"
#include "windowlogic/menurules.h"
#include "windowlogic/messagewrap.h"
#include "windowlogic/treelayout.h"

namespace {

MenuTarget File(int side, int kind, WORD flags = 0, BYTE allowed = MARK_ALL) {
    return MenuTarget{side, false, (flags & ITEM_GHOST) != 0, allowed, kind, flags};
}

TEST(MenuRules, MarkCommandsFollowTheAllowedMarks) {
    MenuTarget t = File(SIDE_CACHE, KIND_HTML, 0, MARK_NOT_C);
    EXPECT_FALSE(CommandEnabled(CMD_MARK_C, t));
    EXPECT_TRUE(CommandEnabled(CMD_MARK_D, t));
    EXPECT_FALSE(CommandEnabled(CMD_MARK_M, t)) << "M needs both C and D";
    EXPECT_TRUE(CommandEnabled(CMD_MARK_L, t));
    EXPECT_FALSE(CommandEnabled(CMD_MARK_L_GHOSTS, t)) << "not a ghost, not a folder";

    t.folder = true;
    EXPECT_TRUE(CommandEnabled(CMD_MARK_L_GHOSTS, t));
    t.allowed = MARK_C | MARK_D;
    EXPECT_FALSE(CommandEnabled(CMD_MARK_L_GHOSTS, t)) << "L itself is not allowed";
}

TEST(MenuRules, GhostsOfferOnlyMarks) {
    MenuTarget ghost = File(SIDE_CACHE, KIND_HTML, ITEM_GHOST, MARK_GHOST_ALLOWED);
    for (UINT c : {CMD_ANALYZE_LINKS, CMD_OPEN, CMD_VIEW_SOURCE, CMD_VIEW_PICTURE})
        EXPECT_FALSE(CommandEnabled(c, ghost)) << c;
    EXPECT_TRUE(CommandEnabled(CMD_MARK_L, ghost));
    EXPECT_TRUE(CommandEnabled(CMD_MARK_L_GHOSTS, ghost));
    EXPECT_FALSE(CommandEnabled(CMD_MARK_C, ghost));
    ghost.side = SIDE_REBUILD;
    EXPECT_FALSE(CommandEnabled(CMD_RENAME, ghost));
}

TEST(MenuRules, HtmlCommandsOnTheRebuildSide) {
    MenuTarget page = File(SIDE_REBUILD, KIND_HTML);
    EXPECT_TRUE(CommandEnabled(CMD_CONVERT_CODE, page));
    EXPECT_TRUE(CommandEnabled(CMD_TRANSLATE_ADDRESSES, page));
    EXPECT_FALSE(CommandEnabled(CMD_RESTORE_ORIGINAL, page)) << "not translated";

    MenuTarget translated = File(SIDE_REBUILD, KIND_HTML, ITEM_TRANSLATED);
    EXPECT_TRUE(CommandEnabled(CMD_RESTORE_ORIGINAL, translated));
    MenuTarget lost = File(SIDE_REBUILD, KIND_HTML, ITEM_TRANSLATED | ITEM_NO_ORIGINAL);
    EXPECT_FALSE(CommandEnabled(CMD_RESTORE_ORIGINAL, lost));
    EXPECT_FALSE(CommandEnabled(CMD_CONVERT_CODE, lost));
    EXPECT_FALSE(CommandEnabled(CMD_TRANSLATE_ADDRESSES, lost));

    // A style sheet is an "other" file to the tree, a page to the translation.
    MenuTarget sheet = File(SIDE_REBUILD, KIND_OTHER);
    EXPECT_FALSE(CommandEnabled(CMD_TRANSLATE_ADDRESSES, sheet));
    sheet.styleSheet = true;
    EXPECT_TRUE(CommandEnabled(CMD_TRANSLATE_ADDRESSES, sheet));
    EXPECT_TRUE(CommandEnabled(CMD_CONVERT_CODE, sheet));
    EXPECT_FALSE(CommandEnabled(CMD_RESTORE_ORIGINAL, sheet)) << "not translated";
    sheet.flags = ITEM_TRANSLATED;
    EXPECT_TRUE(CommandEnabled(CMD_RESTORE_ORIGINAL, sheet));
    sheet.flags = ITEM_TRANSLATED | ITEM_NO_ORIGINAL;
    EXPECT_FALSE(CommandEnabled(CMD_TRANSLATE_ADDRESSES, sheet)) << "its original is gone";
    sheet.flags = 0;
    sheet.side = SIDE_CACHE;
    EXPECT_TRUE(CommandEnabled(CMD_ANALYZE_LINKS, sheet));

    MenuTarget picture = File(SIDE_REBUILD, KIND_PICTURE);
    EXPECT_FALSE(CommandEnabled(CMD_CONVERT_CODE, picture));
    EXPECT_TRUE(CommandEnabled(CMD_VIEW_PICTURE, picture));

    MenuTarget folder = File(SIDE_REBUILD, KIND_FOLDER);
    folder.folder = true;
    for (UINT c : {CMD_CONVERT_CODE, CMD_TRANSLATE_ADDRESSES, CMD_RESTORE_ORIGINAL})
        EXPECT_TRUE(CommandEnabled(c, folder)) << "folders act on the pages below: " << c;
}

TEST(MarkImages, StateAndIconFollowMarksAndSummaries) {
    EXPECT_EQ(STATE_EMPTY, StateImageFor(MARK_ALL, 0, false));
    EXPECT_EQ(STATE_NO_BOX, StateImageFor(MARK_GHOST_ALLOWED, MARK_L, false));
    EXPECT_EQ(STATE_C, StateImageFor(MARK_ALL, MARK_C | MARK_L, false));
    EXPECT_EQ(STATE_D, StateImageFor(MARK_ALL, MARK_D, false));
    EXPECT_EQ(STATE_M, StateImageFor(MARK_ALL, MARK_M, false));
    EXPECT_EQ(STATE_MIXED, StateImageFor(MARK_ALL, MARK_C | MARK_MIXED_CD, true));
    EXPECT_EQ(STATE_C, StateImageFor(MARK_ALL, MARK_C, true)) << "every entry below has C";

    EXPECT_EQ(IconIndex(ICON_HTML, OVERLAY_NONE), IconImageFor(IconBaseOfKind(KIND_HTML), 0, false, false, false));
    EXPECT_EQ(IconIndex(ICON_HTML, OVERLAY_L), IconImageFor(ICON_HTML, MARK_L, false, false, false));
    EXPECT_EQ(IconIndex(ICON_FOLDER, OVERLAY_L_MIXED),
              IconImageFor(ICON_FOLDER, MARK_L | MARK_MIXED_L, false, true, false));
    EXPECT_EQ(IconIndex(ICON_OTHER, OVERLAY_GHOST_L), IconImageFor(ICON_OTHER, MARK_L, true, false, false));
    EXPECT_EQ(IconIndex(ICON_FOLDER, OVERLAY_FAILED), IconImageFor(ICON_FOLDER, MARK_L, false, true, true))
        << "an entry that is not rebuilt shows that before its load mark";
    EXPECT_EQ(ICON_OTHER, IconBaseOfKind(0)) << "unknown kinds look like other files";
}

TEST(TreeLayout, SidesFillTheAreaWithoutOverlap) {
    TreeMetrics m;
    Box area{10, 10, 810, 510};
    for (int arrangement : {ARRANGE_SIDE_BY_SIDE, ARRANGE_STACKED}) {
        TreeDividers d;
        d.arrangement = arrangement;
        d.warningsShown = true;
        DefaultDividers(d, area, m);
        ClampDividers(d, area, m);
        TreeBoxes b = LayOutTree(d, area, m);
        EXPECT_EQ(area.left, b.rebuildTree.left);
        EXPECT_EQ(area.right, b.cacheList.right);
        EXPECT_EQ(area.bottom, b.warnings.bottom);
        EXPECT_EQ(d.warningHSplit, b.warnings.Height());
        EXPECT_EQ(b.rebuildTree.right + m.splitter, b.rebuildList.left);
        EXPECT_EQ(b.cacheTree.right + m.splitter, b.cacheList.left);
        if (arrangement == ARRANGE_SIDE_BY_SIDE) {
            EXPECT_EQ(b.rebuildList.right + m.splitter, b.cacheTree.left);
            EXPECT_EQ(b.rebuildTree.bottom, b.warningSplit.top);
        } else {
            EXPECT_EQ(b.rebuildTree.bottom + m.splitter, b.cacheCaption.top);
            EXPECT_EQ(b.cacheList.bottom, b.warningSplit.top);
        }
    }
}

TEST(TreeLayout, AWindowWithoutASavedPlacementOpensAtFourFifthsOfTheScreenCentred) {
    Box dialog{0, 0, 728, 515};
    Box screen{0, 0, 1280, 1024};
    Box b = FirstOpeningBox(dialog, screen);
    EXPECT_EQ(1024, b.Width());
    EXPECT_EQ(816, b.Height());
    EXPECT_EQ(128, b.left);
    EXPECT_EQ(104, b.top);

    Box beside{1280, 40, 2880, 940};  // a second screen, below a taskbar
    b = FirstOpeningBox(dialog, beside);
    EXPECT_EQ(1280 + 160, b.left);
    EXPECT_EQ(40 + 90, b.top);

    Box small{0, 0, 800, 600};  // four fifths would be narrower than the dialog
    b = FirstOpeningBox(dialog, small);
    EXPECT_EQ(728, b.Width());
    EXPECT_EQ(36, b.left);

    Box tiny{0, 0, 640, 480};  // the dialog itself does not fit: the screen is the limit
    b = FirstOpeningBox(dialog, tiny);
    EXPECT_EQ(0, b.left);
    EXPECT_EQ(0, b.top);
    EXPECT_EQ(640, b.Width());
    EXPECT_EQ(480, b.Height());
}

TEST(TreeLayout, DraggingAndShrinkingKeepMinimumSizes) {
    TreeMetrics m;
    Box area{0, 0, 600, 400};
    TreeDividers d;
    d.warningsShown = true;
    DefaultDividers(d, area, m);
    DragDivider(d, DIVIDER_WARNINGS, 10000, area, m);
    EXPECT_EQ(m.minWarnings, d.warningHSplit) << "the warnings list keeps 5 pixels";
    DragDivider(d, DIVIDER_SIDES, -10000, area, m);
    EXPECT_EQ(m.minPane, d.vSplit);
    int before = d.cacheVSplit;
    DragDivider(d, DIVIDER_CACHE, 20 + m.splitter / 2, area, m);
    EXPECT_EQ(before + 20, d.cacheVSplit);

    // Growing the window gives the panes the difference; shrinking it clamps.
    TreeDividers grown = d;
    GrowDividers(grown, 200, 100);
    EXPECT_EQ(d.vSplit + 100, grown.vSplit);
    EXPECT_EQ(d.rebuildVSplit + 50, grown.rebuildVSplit);
    Box small{0, 0, 120, 100};
    ClampDividers(grown, small, m);
    TreeBoxes b = LayOutTree(grown, small, m);
    EXPECT_GE(b.cacheList.Width(), 0);
    EXPECT_LE(b.cacheList.right, small.right);
}

TEST(MessageWrap, LongPathsBreakAtSeparatorsAndNeverInsideACharacter) {
    BYTE lead[256] = {};
    for (int b = 0x81; b <= 0x9F; ++b) lead[b] = 1;
    EXPECT_EQ("short\nline", WrapLongLines("short\nline", 20, lead));
    EXPECT_EQ("C:\\aaaa\\\nbbbb\\cc", WrapLongLines("C:\\aaaa\\bbbb\\cc", 10, lead));
    EXPECT_EQ("abcdefghij\nklm", WrapLongLines("abcdefghijklm", 10, lead)) << "no separator: at the width";
    // "\x83\x5C" is one character whose trail byte is "\": neither a break point nor split.
    std::string wrapped = WrapLongLines("abcdefghi\x83\x5Cxyz", 10, lead);
    EXPECT_EQ("abcdefghi\n\x83\x5Cxyz", wrapped);
    std::string longPath(3000, 'x');
    for (size_t i = 40; i < longPath.size(); i += 41) longPath[i] = '\\';
    std::string out = WrapLongLines(longPath.c_str(), 80, lead);
    size_t start = 0;
    for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) EXPECT_LE(end - start, 80u);
    std::string joined = out;
    joined.erase(std::remove(joined.begin(), joined.end(), '\n'), joined.end());
    EXPECT_EQ(longPath, joined);
}

}  // namespace

#include "treelayout.h"

namespace {

// With too little room for both minimums, the room is split evenly.
int Clamp(int value, int low, int high) {
    if (high < low) {
        int middle = (low + high) / 2;
        return middle > 0 ? middle : 0;
    }
    return value < low ? low : value > high ? high : value;
}

// The part of the area above the warnings.
Box SidesArea(const TreeDividers& d, const Box& area, const TreeMetrics& m) {
    Box sides = area;
    if (d.warningsShown) sides.bottom -= d.warningHSplit + m.splitter;
    return sides;
}

// Width of a side (side by side: its own; stacked: the whole width).
int SideWidth(const TreeDividers& d, const Box& sides, const TreeMetrics& m, bool rebuild) {
    if (d.arrangement == ARRANGE_STACKED) return sides.Width();
    return rebuild ? d.vSplit : sides.Width() - d.vSplit - m.splitter;
}

void LayOutSide(const Box& side, int treeWidth, const TreeMetrics& m, Box& caption, Box& tree, Box& split,
                Box& list) {
    caption = side;
    caption.bottom = side.top + m.caption;
    tree = side;
    tree.top = caption.bottom;
    tree.right = side.left + treeWidth;
    split = tree;
    split.left = tree.right;
    split.right = split.left + m.splitter;
    list = tree;
    list.left = split.right;
    list.right = side.right;
}

}  // namespace

void DefaultDividers(TreeDividers& d, const Box& area, const TreeMetrics& m) {
    if (d.vSplit <= 0) d.vSplit = (area.Width() - m.splitter) / 2;
    if (d.hSplit <= 0) d.hSplit = (area.Height() - m.splitter) / 2;
    int sideWidth = d.arrangement == ARRANGE_STACKED ? area.Width() : d.vSplit;
    if (d.rebuildVSplit <= 0) d.rebuildVSplit = (sideWidth - m.splitter) * 2 / 3;
    if (d.cacheVSplit <= 0) d.cacheVSplit = (sideWidth - m.splitter) * 2 / 3;
    if (d.warningHSplit < m.minWarnings) d.warningHSplit = m.minWarnings;
}

Box FirstOpeningBox(const Box& window, const Box& workArea) {
    auto length = [](int own, int room) {
        int wanted = room / 5 * 4;
        if (wanted < own) wanted = own;
        return wanted < room ? wanted : room;
    };
    int width = length(window.Width(), workArea.Width()), height = length(window.Height(), workArea.Height());
    Box b;
    b.left = workArea.left + (workArea.Width() - width) / 2;
    b.top = workArea.top + (workArea.Height() - height) / 2;
    b.right = b.left + width;
    b.bottom = b.top + height;
    return b;
}

void ClampDividers(TreeDividers& d, const Box& area, const TreeMetrics& m) {
    if (d.warningsShown) {
        int most = area.Height() - m.splitter - m.caption - m.minPane;
        d.warningHSplit = Clamp(d.warningHSplit, m.minWarnings, most);
    }
    Box sides = SidesArea(d, area, m);
    d.vSplit = Clamp(d.vSplit, m.minPane, sides.Width() - m.splitter - m.minPane);
    d.hSplit = Clamp(d.hSplit, m.caption + m.minPane, sides.Height() - m.splitter - m.caption - m.minPane);
    int rebuildWidth = SideWidth(d, sides, m, true);
    int cacheWidth = SideWidth(d, sides, m, false);
    d.rebuildVSplit = Clamp(d.rebuildVSplit, m.minPane, rebuildWidth - m.splitter - m.minPane);
    d.cacheVSplit = Clamp(d.cacheVSplit, m.minPane, cacheWidth - m.splitter - m.minPane);
}

void GrowDividers(TreeDividers& d, int dWidth, int dHeight) {
    d.vSplit += dWidth / 2;
    d.hSplit += dHeight / 2;
    int sideGrowth = d.arrangement == ARRANGE_STACKED ? dWidth : dWidth / 2;
    d.rebuildVSplit += sideGrowth / 2;
    d.cacheVSplit += sideGrowth / 2;
}

TreeBoxes LayOutTree(const TreeDividers& d, const Box& area, const TreeMetrics& m) {
    TreeBoxes b;
    Box sides = SidesArea(d, area, m);
    Box rebuild = sides, cache = sides;
    if (d.arrangement == ARRANGE_STACKED) {
        rebuild.bottom = sides.top + d.hSplit;
        b.sidesHSplit = sides;
        b.sidesHSplit.top = rebuild.bottom;
        b.sidesHSplit.bottom = rebuild.bottom + m.splitter;
        cache.top = b.sidesHSplit.bottom;
    } else {
        rebuild.right = sides.left + d.vSplit;
        b.sidesVSplit = sides;
        b.sidesVSplit.left = rebuild.right;
        b.sidesVSplit.right = rebuild.right + m.splitter;
        cache.left = b.sidesVSplit.right;
    }
    LayOutSide(rebuild, d.rebuildVSplit, m, b.rebuildCaption, b.rebuildTree, b.rebuildSplit, b.rebuildList);
    LayOutSide(cache, d.cacheVSplit, m, b.cacheCaption, b.cacheTree, b.cacheSplit, b.cacheList);
    if (d.warningsShown) {
        b.warningSplit = area;
        b.warningSplit.top = sides.bottom;
        b.warningSplit.bottom = sides.bottom + m.splitter;
        b.warnings = area;
        b.warnings.top = b.warningSplit.bottom;
    }
    return b;
}

void DragDivider(TreeDividers& d, Divider which, int position, const Box& area, const TreeMetrics& m) {
    // position is relative to the bar's own edge; the bar is held at its middle.
    position -= m.splitter / 2;
    switch (which) {
    case DIVIDER_SIDES:
        if (d.arrangement == ARRANGE_STACKED)
            d.hSplit += position;
        else
            d.vSplit += position;
        break;
    case DIVIDER_REBUILD: d.rebuildVSplit += position; break;
    case DIVIDER_CACHE: d.cacheVSplit += position; break;
    case DIVIDER_WARNINGS: d.warningHSplit -= position; break;
    }
    ClampDividers(d, area, m);
}

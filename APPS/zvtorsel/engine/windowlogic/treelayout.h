// Layout arithmetic of the rebuild tree window: where the two sides, their
// trees and lists, the splitters and the warnings list go in the pane area.
#pragma once

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

enum { ARRANGE_SIDE_BY_SIDE = 0, ARRANGE_STACKED = 1 };

// The divider positions the user drags; stored in the settings.
struct TreeDividers {
    int arrangement = ARRANGE_SIDE_BY_SIDE;
    int vSplit = 0;         // width of the rebuild side (side by side)
    int hSplit = 0;         // height of the rebuild side (stacked)
    int rebuildVSplit = 0;  // width of the rebuild tree
    int cacheVSplit = 0;    // width of the cache tree
    int warningHSplit = 60; // height of the warnings list
    bool warningsShown = false;
};

struct TreeMetrics {
    int splitter = 4;     // thickness of a splitter bar
    int caption = 16;     // height of a side's caption line
    int minPane = 24;     // smallest width or height of a tree, list or side
    int minWarnings = 5;  // smallest height of the warnings list
};

struct TreeBoxes {
    Box rebuildCaption, rebuildTree, rebuildSplit, rebuildList;
    Box sidesVSplit, sidesHSplit;  // only the one of the arrangement is used
    Box cacheCaption, cacheTree, cacheSplit, cacheList;
    Box warningSplit, warnings;
};

// Dividers that are 0 get their default: the sides split the area evenly,
// and within a side the tree takes two thirds, since its captions (a
// cache root names its browser and profile) are longer than a list's names.
void DefaultDividers(TreeDividers& d, const Box& area, const TreeMetrics& m);
// Where a window of no saved placement first opens: four fifths of the
// work area each way, never smaller than its template's `window` box nor
// larger than the work area, centred on the work area.
Box FirstOpeningBox(const Box& window, const Box& workArea);
// Keeps every pane at least at its minimum within the area.
void ClampDividers(TreeDividers& d, const Box& area, const TreeMetrics& m);
// A change of the area's size goes to the panes: each side takes half of it,
// and within a side the tree and the list half again.
void GrowDividers(TreeDividers& d, int dWidth, int dHeight);
TreeBoxes LayOutTree(const TreeDividers& d, const Box& area, const TreeMetrics& m);

enum Divider { DIVIDER_SIDES, DIVIDER_REBUILD, DIVIDER_CACHE, DIVIDER_WARNINGS };
// Moves a divider to `position`, a coordinate of the dragged splitter's own
// client area (x for vertical bars, y for horizontal ones), then clamps.
void DragDivider(TreeDividers& d, Divider which, int position, const Box& area, const TreeMetrics& m);

// The pictures of the rebuild tree's items: a check-box image (state image)
// for the C/D/M marks and an icon for the kind with the L mark.
#pragma once
#include "zvtypes.h"

struct TreeItem;

enum StateImage {
    STATE_NO_BOX = 1,  // neither C nor D can be set
    STATE_EMPTY = 2,
    STATE_C = 3,
    STATE_D = 4,
    STATE_M = 5,
    STATE_MIXED = 6,  // folder summary: the marks below differ
    STATE_IMAGE_COUNT = 6,
};

enum IconBase {
    ICON_UP = 0,  // ".."
    ICON_ROOT = 1,
    ICON_FOLDER = 2,
    ICON_OTHER = 3,
    ICON_EXECUTABLE = 4,
    ICON_SYSTEM = 5,
    ICON_ARCHIVE = 6,
    ICON_PICTURE = 7,
    ICON_HTML = 8,
    ICON_BASE_COUNT = 9,
};

enum IconOverlay {
    OVERLAY_NONE = 0,
    OVERLAY_L = 1,
    OVERLAY_L_MIXED = 2,
    OVERLAY_GHOST = 3,
    OVERLAY_GHOST_L = 4,
    OVERLAY_FAILED = 5,  // not rebuilt
    OVERLAY_COUNT = 6,
};

// 1-based state image index for the marks of a side.
int StateImageFor(BYTE allowed, BYTE marks, bool folder);
// Index into the icon list: base + ICON_BASE_COUNT * overlay.
int IconImageFor(int base, BYTE marks, bool ghost, bool folder, bool failed);
int IconBaseOfKind(int kind);
inline int IconIndex(int base, int overlay) { return base + ICON_BASE_COUNT * overlay; }

#include "markimages.h"

#include "tree/treemodel.h"

int StateImageFor(BYTE allowed, BYTE marks, bool folder) {
    if (folder && (marks & MARK_MIXED_CD)) return STATE_MIXED;
    switch (marks & MARK_M) {
    case MARK_C: return STATE_C;
    case MARK_D: return STATE_D;
    case MARK_M: return STATE_M;
    default: break;
    }
    return (allowed & MARK_M) ? STATE_EMPTY : STATE_NO_BOX;
}

int IconBaseOfKind(int kind) {
    switch (kind) {
    case KIND_SPECIAL: return ICON_UP;
    case KIND_FOLDER: return ICON_FOLDER;
    case KIND_EXECUTABLE: return ICON_EXECUTABLE;
    case KIND_SYSTEM: return ICON_SYSTEM;
    case KIND_ARCHIVE: return ICON_ARCHIVE;
    case KIND_PICTURE: return ICON_PICTURE;
    case KIND_HTML: return ICON_HTML;
    default: return ICON_OTHER;
    }
}

int IconImageFor(int base, BYTE marks, bool ghost, bool folder, bool failed) {
    int overlay = OVERLAY_NONE;
    if (failed) {
        overlay = OVERLAY_FAILED;
    } else if (ghost) {
        overlay = (marks & MARK_L) ? OVERLAY_GHOST_L : OVERLAY_GHOST;
    } else if (folder && (marks & MARK_MIXED_L)) {
        overlay = OVERLAY_L_MIXED;
    } else if (marks & MARK_L) {
        overlay = OVERLAY_L;
    }
    return IconIndex(base, overlay);
}

#include "menurules.h"

#include "tree/treemodel.h"

bool IsMarkCommand(UINT command) { return command >= CMD_MARK_L && command <= CMD_MARK_M; }

BYTE MarkGroupOf(UINT command) {
    switch (command) {
    case CMD_MARK_L:
    case CMD_MARK_L_GHOSTS: return MARK_L;
    case CMD_MARK_C: return MARK_C;
    case CMD_MARK_D: return MARK_D;
    case CMD_MARK_M: return MARK_M;
    default: return 0;
    }
}

bool CommandEnabled(UINT command, const MenuTarget& t) {
    switch (command) {
    case CMD_MARK_C: return (t.allowed & MARK_C) != 0;
    case CMD_MARK_D: return (t.allowed & MARK_D) != 0;
    case CMD_MARK_M: return (t.allowed & MARK_M) == MARK_M;
    case CMD_MARK_L: return (t.allowed & MARK_L) != 0;
    case CMD_MARK_L_GHOSTS: return (t.allowed & MARK_L) && (t.ghost || t.folder);
    default: break;
    }
    // A ghost is only an address: nothing but marks can act on it.
    if (t.ghost) return false;
    if (t.folder || t.side != SIDE_REBUILD) return true;
    bool keepsOriginal = !(t.flags & ITEM_NO_ORIGINAL);
    switch (command) {
    case CMD_CONVERT_CODE:
    case CMD_TRANSLATE_ADDRESSES: return (t.kind == KIND_HTML || t.styleSheet) && keepsOriginal;
    case CMD_RESTORE_ORIGINAL: return (t.flags & ITEM_TRANSLATED) && keepsOriginal;
    default: return true;
    }
}

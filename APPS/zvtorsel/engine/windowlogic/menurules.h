// Which commands of the rebuild tree's context menus are offered for an item.
#pragma once
#include "zvtypes.h"

enum TreeCommand : UINT {
    CMD_ANALYZE_LINKS = 0x8000,
    CMD_OPEN = 32769,
    CMD_CONVERT_CODE = 32770,
    CMD_TRANSLATE_ADDRESSES = 32771,
    CMD_RESTORE_ORIGINAL = 32772,
    CMD_MARK_L = 32773,
    CMD_MARK_L_GHOSTS = 32774,
    CMD_MARK_C = 32775,
    CMD_MARK_D = 32776,
    CMD_MARK_M = 32777,
    CMD_VIEW_SOURCE = 32778,
    CMD_VIEW_PICTURE = 32779,
    CMD_RENAME = 32780,
    CMD_CHANGE_BASE_FOLDER = 32781,
    CMD_SAVE_WARC = 1350,  // its status help shares the number: a string of the program's range
};

// What the greying rules look at: the item a menu was opened on.
struct MenuTarget {
    int side;      // SIDE_REBUILD or SIDE_CACHE
    bool folder;   // a folder (tree item or folder row)
    bool ghost;
    BYTE allowed;  // allowed marks of the side
    int kind;
    WORD flags;
    bool styleSheet = false;  // a file the translation treats as a style sheet, whatever its kind
};

bool IsMarkCommand(UINT command);
// False when the command is greyed for the target.
bool CommandEnabled(UINT command, const MenuTarget& target);
// The mark group a mark command toggles (MARK_C, MARK_D, MARK_M, MARK_L), 0 for others.
BYTE MarkGroupOf(UINT command);

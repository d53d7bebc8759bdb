// Every private window message of the program. Numbers marked "fixed" keep
// the values the dialogs are documented with; the program's own lie in the
// WM_APP range, below the framework's (afxworkerdlg.h).
#pragma once
#include <windows.h>

#include "afxworkerdlg.h"

// Report, picture scan and download dialogs, sent by their workers: the
// stored progress texts changed. Fixed.
const UINT WM_REPORT_REFRESH = WM_USER + 1;

// Rebuild Tree dialog.
// Posted to itself once the tree-building worker has started: apply the
// saved placement and dividers. Fixed.
const UINT WM_TREE_APPLY_LAYOUT = 0x0500;
// Sent by the worker: the status texts changed. Fixed.
const UINT WM_TREE_STATUS = 0x0501;
// Sent by the worker: add a warning row (wParam the path, lParam the text). Fixed.
const UINT WM_TREE_WARNING = 0x0502;
// Posted when tree changes of the worker wait to be shown.
const UINT WM_TREE_DRAIN = WM_APP + 0;
// Posted after a refused rename: open the rebuild side's label editor again
// (wParam 1 for the list with lParam the row, 0 for the tree with the item).
const UINT WM_TREE_EDIT_AGAIN = WM_APP + 1;
// Posted after a rename: refill the list of side wParam.
const UINT WM_TREE_REFILL = WM_APP + 2;

static_assert(WM_TREE_REFILL < kAfxFirstPrivateMessage, "the program's messages lie below the framework's");

// File operation engine: moves, copies, deletes and renames files one entry at
// a time while a progress window runs in a thread of its own.
#pragma once
#include "zvtypes.h"

// Operations of zvOperateFileOpA; each is also the number of its caption
// string. A value of 65536 or more is a pointer to a caption text: the entry
// touches no file and only counts.
enum : int {
    ZV_FO_MOVE = 1,
    ZV_FO_COPY = 2,
    ZV_FO_DELETE = 3,
    ZV_FO_RENAME = 4,
    ZV_FO_CAPTION_FLUSHING = 5,
    ZV_FO_FIRST_CAPTION_TEXT = 65536,
};

// Creation flags.
enum : int {
    ZV_FOC_NO_ABORT = 0x01,  // no Abort button
    ZV_FOC_COMPACT = 0x02,   // the small window: caption and names only
};

// Entry flags. Bits 16-31 are passed to zvMakeUniqPathA for unique names.
enum : int {
    ZV_FOE_POLICY_MASK = 0x07,
    ZV_FOE_BACKWARDS = 0x08,  // subtract the entry from the done counts
    ZV_FOE_NO_COUNT = 0x10,
    ZV_FOE_NO_SOURCE = 0x20,  // caption-only entries: do not look at the source
};

// What to do when the target of a move or copy exists (entry flags bits 0-2).
enum : int {
    ZV_FO_EXISTS_FAIL = 0,
    ZV_FO_EXISTS_OVERWRITE = 1,
    ZV_FO_EXISTS_RENAME_INCOMING = 2,
    ZV_FO_EXISTS_RENAME_EXISTING = 3,
    ZV_FO_EXISTS_RENAME_OLDER = 4,
    ZV_FO_EXISTS_RENAME_NEWER = 5,
};

// Messages of the progress window; lParam is the operation handle.
enum : unsigned {
    ZV_FOM_STARTED = 0x2300,
    ZV_FOM_CLOSE = 0x2301,
    ZV_FOM_TOTALS = 0x2302,
    ZV_FOM_COUNTS = 0x2303,
    ZV_FOM_ENTRY = 0x2304,
    ZV_FOM_FILE_SIZE = 0x2305,
    ZV_FOM_FILE_PROGRESS = 0x2306,
    ZV_FOM_CAPTION = 0x2307,  // wParam: caption string number
};

// Dialog templates and controls of the progress window.
enum : int {
    ZV_IDD_FILEOP = 101,
    ZV_IDD_FILEOP_COMPACT = 102,
    ZV_IDC_FO_CAPTION = 1003,
    ZV_IDC_FO_SOURCE = 1004,
    ZV_IDC_FO_ARROW = 1005,
    ZV_IDC_FO_TARGET = 1006,
    ZV_IDC_FO_FILE_TEXT = 1007,
    ZV_IDC_FO_FILE_PERCENT = 1008,
    ZV_IDC_FO_FILE_BAR = 1009,
    ZV_IDC_FO_COUNT_TEXT = 1010,
    ZV_IDC_FO_COUNT_PERCENT = 1011,
    ZV_IDC_FO_COUNT_BAR = 1012,
    ZV_IDC_FO_TOTAL_TEXT = 1013,
    ZV_IDC_FO_TOTAL_PERCENT = 1014,
    ZV_IDC_FO_TOTAL_BAR = 1015,
};

// Which file gets a unique name when the target exists.
enum FileOpCollision {
    ZV_FO_COLLISION_INVALID = -1,
    ZV_FO_COLLISION_FAIL,
    ZV_FO_COLLISION_OVERWRITE,
    ZV_FO_COLLISION_RENAME_INCOMING,
    ZV_FO_COLLISION_RENAME_EXISTING,
};

// Library-internal arithmetic of the engine, shared with its tests.
FileOpCollision zvFileOpCollision(int policy, ULONGLONG sourceWriteTime, ULONGLONG targetWriteTime);
// Divisor that keeps a progress bar's range below 65536.
ULONGLONG zvFileOpScale(ULONGLONG total);
// done * 100 / total without overflow; 0 for a total of 0.
int zvFileOpPercent(ULONGLONG done, ULONGLONG total);

#ifdef _WIN32
typedef struct zvFileOpRecord* HZVFILEOP;

ZV_EXPORT(HZVFILEOP) zvCreateFileOpA(HWND owner, int flags);
ZV_EXPORT(HZVFILEOP) zvCreateFileOpW(HWND owner, int flags);
ZV_EXPORT(BOOL) zvSetFileOpEntry(HZVFILEOP handle, int totalFiles, int filesDone, DWORD totalBytesLow,
                                 DWORD totalBytesHigh, DWORD bytesDoneLow, DWORD bytesDoneHigh);
// operation is pointer-sized because it may carry a caption text.
ZV_EXPORT(BOOL) zvOperateFileOpA(HZVFILEOP handle, INT_PTR operation, const char* source, const char* target,
                                 int flags);
ZV_EXPORT(BOOL) zvOperateFileOpW(HZVFILEOP handle, INT_PTR operation, const WCHAR* source, const WCHAR* target,
                                 int flags);
ZV_EXPORT(BOOL) zvCloseFileOp(HZVFILEOP handle);
#endif

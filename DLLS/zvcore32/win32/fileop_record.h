// The record behind a file operation handle, shared by the engine (caller's
// thread) and its progress window (dialog thread).
#pragma once
#include <string>

#include "zvcore32_win32.h"
#include "zvfileop.h"

enum : DWORD { ZV_FILEOP_TAG = 'z' | ('v' << 8) | ('F' << 16) | ('O' << 24) };

// Kind bits of the current entry.
enum : int {
    ZV_FOK_CAPTION_TEXT = 0x01,
    ZV_FOK_ENTRY = 0x02,
    ZV_FOK_HAS_TARGET = 0x04,
    ZV_FOK_DELETE = 0x08,
    ZV_FOK_MOVE = 0x10,
    ZV_FOK_COPY = 0x20,
};

enum : ULONGLONG { ZV_FO_UNKNOWN_BYTES = ~0ull };

struct zvFileOpRecord {
    DWORD tag = ZV_FILEOP_TAG;
    HWND owner = nullptr;
    int createFlags = 0;
    // Written by the dialog thread, polled by the caller's.
    HWND volatile window = nullptr;
    LONG volatile busy = 1;
    LONG volatile abort = 1;
    HANDLE thread = nullptr;
    DWORD threadId = 0;

    int kind = 0;
    INT_PTR operation = 0;
    std::wstring captionText;  // of a caption-only entry
    std::wstring source, target;

    int totalFiles = -1;
    int filesDone = 0;
    ULONGLONG totalBytes = ZV_FO_UNKNOWN_BYTES;
    ULONGLONG bytesDone = 0;
    ULONGLONG fileSize = 0;
    ULONGLONG fileDone = 0;

    // Dialog thread only. `view` is copied from the fields above while the
    // caller waits in SendMessage; the window is drawn from it later, at most
    // once per refresh interval, so drawing never races the caller.
    struct View {
        INT_PTR caption = 0;  // string number, or ZV_FO_FIRST_CAPTION_TEXT for captionText
        std::wstring captionText, source, target;
        bool hasTarget = false;
        bool fileSizeKnown = false;
        ULONGLONG fileSize = 0, fileDone = 0;
        int totalFiles = -1, filesDone = 0;
        ULONGLONG totalBytes = ~0ull, bytesDone = 0;
    } view;
    // What the window shows now, so that unchanged texts are not drawn again.
    View shown;
    bool shownOnce = false;
    char sizeText[128] = "";
    std::string shownTexts[16];  // by control id - ZV_IDC_FO_CAPTION
    ULONGLONG barRanges[3] = {~0ull, ~0ull, ~0ull};
    int barPositions[3] = {-1, -1, -1};
    DWORD shownAt = 0;
    bool refreshPending = false;

    // The copy buffer, allocated once with the record: blocks this large
    // copy at the disk's speed.
    char block[256 * 1024];
    DWORD progressAt = 0;  // tick of the last progress report of the current file
};

// The progress window's thread: runs the modal dialog until ZV_FOM_CLOSE.
unsigned __stdcall zvFileOpDialogThread(void* record);

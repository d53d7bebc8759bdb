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
    int fileScale = 1;
    ULONGLONG totalBytes = ZV_FO_UNKNOWN_BYTES;
    ULONGLONG bytesDone = 0;
    ULONGLONG byteScale = 1;
    ULONGLONG fileSize = 0;
    ULONGLONG fileDone = 0;
    ULONGLONG fileScaleBytes = 1;

    // Dialog thread only: what the window shows, so unchanged texts are not redrawn.
    INT_PTR shownCaption = 0;
    std::wstring shownCaptionText;
    char sizeText[128] = "";
    std::string shownTexts[16];  // by control id - ZV_IDC_FO_CAPTION
    int shownBarPositions[3] = {-1, -1, -1};
    DWORD fileShownAt = 0;  // tick count of the last progress shown within the file

    char block[1024];  // the copy buffer, allocated once with the record
};

// The progress window's thread: runs the modal dialog until ZV_FOM_CLOSE.
unsigned __stdcall zvFileOpDialogThread(void* record);

// The progress window of the file operation engine. It runs in a thread of
// its own, only paints what the caller's thread reports and sets the abort
// flag; texts and bars are touched only when what they show has changed.
#include <stdio.h>

#include "fileop_record.h"
// After windows.h, which the record header brings.
#include <commctrl.h>
#include "zvlibrary.h"

namespace {

const DWORD kRefreshInterval = 50;  // milliseconds

zvFileOpRecord* RecordOf(HWND dialog) { return (zvFileOpRecord*)GetWindowLongPtrW(dialog, GWLP_USERDATA); }

void ShowText(zvFileOpRecord* op, HWND dialog, int id, const std::string& text) {
    std::string& shown = op->shownTexts[id - ZV_IDC_FO_CAPTION];
    if (shown == text) return;
    shown = text;
    SetDlgItemTextA(dialog, id, text.c_str());
}

void ShowWide(zvFileOpRecord* op, HWND dialog, int id, const std::wstring& text) {
    // Names are compared as UTF-16; the ANSI cache is only kept empty-or-not.
    std::string& shown = op->shownTexts[id - ZV_IDC_FO_CAPTION];
    shown = text.empty() ? std::string() : std::string(1, '\x01');
    SetDlgItemTextW(dialog, id, text.c_str());
}

void SetBarRange(zvFileOpRecord* op, HWND dialog, int id, ULONGLONG total, ULONGLONG scale, bool known) {
    HWND bar = GetDlgItem(dialog, id);
    if (!bar) return;
    EnableWindow(bar, known);
    SendMessageW(bar, PBM_SETRANGE32, 0, known ? (LPARAM)(total / scale) : 0);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
    op->shownBarPositions[(id - ZV_IDC_FO_FILE_BAR) / 3] = 0;
}

void SetBarPosition(zvFileOpRecord* op, HWND dialog, int id, ULONGLONG done, ULONGLONG total, ULONGLONG scale) {
    ULONGLONG capped = done > total ? total : done;
    int position = (int)(capped / scale);
    int& shown = op->shownBarPositions[(id - ZV_IDC_FO_FILE_BAR) / 3];
    if (shown == position) return;
    shown = position;
    SendDlgItemMessageW(dialog, id, PBM_SETPOS, (WPARAM)position, 0);
}

std::string Figure(ULONGLONG value) {
    char text[64];
    if (!zvFigureSepInt64A((DWORD)value, (DWORD)(value >> 32), text, sizeof text, 0)) {
        snprintf(text, sizeof text, "%llu", value);
    }
    return text;
}

std::string Percent(ULONGLONG done, ULONGLONG total) {
    char text[16];
    snprintf(text, sizeof text, "%d %%", zvFileOpPercent(done, total));
    return text;
}

// One row of numbers: "done / total", the percentage and the bar; only the
// done number when the total is unknown.
void ShowRow(zvFileOpRecord* op, HWND dialog, int textId, ULONGLONG done, ULONGLONG total, bool known,
             ULONGLONG scale, const char* totalText = nullptr) {
    if (!GetDlgItem(dialog, textId)) return;
    if (!known) {
        ShowText(op, dialog, textId, Figure(done));
        ShowText(op, dialog, textId + 1, std::string());
        return;
    }
    ShowText(op, dialog, textId, Figure(done) + " / " + (totalText ? std::string(totalText) : Figure(total)));
    ShowText(op, dialog, textId + 1, Percent(done, total));
    SetBarPosition(op, dialog, textId + 2, done, total, scale);
}

void ShowTotals(zvFileOpRecord* op, HWND dialog) {
    bool filesKnown = op->totalFiles >= 0;
    op->fileScale = filesKnown ? (int)zvFileOpScale((ULONGLONG)op->totalFiles) : 1;
    SetBarRange(op, dialog, ZV_IDC_FO_COUNT_BAR, filesKnown ? (ULONGLONG)op->totalFiles : 0, (ULONGLONG)op->fileScale,
                filesKnown);
    bool bytesKnown = op->totalBytes != ZV_FO_UNKNOWN_BYTES;
    op->byteScale = bytesKnown ? zvFileOpScale(op->totalBytes) : 1;
    SetBarRange(op, dialog, ZV_IDC_FO_TOTAL_BAR, bytesKnown ? op->totalBytes : 0, op->byteScale, bytesKnown);
}

void ShowCounts(zvFileOpRecord* op, HWND dialog) {
    bool filesKnown = op->totalFiles >= 0;
    // A count run backwards below zero shows as 0.
    ULONGLONG filesDone = (ULONGLONG)(op->filesDone < 0 ? 0 : op->filesDone);
    ShowRow(op, dialog, ZV_IDC_FO_COUNT_TEXT, filesDone, filesKnown ? (ULONGLONG)op->totalFiles : 0, filesKnown,
            (ULONGLONG)op->fileScale);
    ShowRow(op, dialog, ZV_IDC_FO_TOTAL_TEXT, op->bytesDone, op->totalBytes, op->totalBytes != ZV_FO_UNKNOWN_BYTES,
            op->byteScale);
}

void ShowCaption(zvFileOpRecord* op, HWND dialog, INT_PTR caption) {
    if (caption >= ZV_FO_FIRST_CAPTION_TEXT) {
        if (op->shownCaption == ZV_FO_FIRST_CAPTION_TEXT && op->shownCaptionText == op->captionText) return;
        op->shownCaption = ZV_FO_FIRST_CAPTION_TEXT;
        op->shownCaptionText = op->captionText;
        ShowWide(op, dialog, ZV_IDC_FO_CAPTION, op->captionText);
        return;
    }
    if (op->shownCaption == caption) return;
    op->shownCaption = caption;
    WCHAR text[128] = L"";
    LoadStringW(g_zvInstance, (UINT)caption, text, 128);
    ShowWide(op, dialog, ZV_IDC_FO_CAPTION, text);
}

void ShowEntry(zvFileOpRecord* op, HWND dialog) {
    ShowCaption(op, dialog, (op->kind & ZV_FOK_CAPTION_TEXT) ? (INT_PTR)ZV_FO_FIRST_CAPTION_TEXT : op->operation);
    ShowWide(op, dialog, ZV_IDC_FO_SOURCE, op->source);
    ShowText(op, dialog, ZV_IDC_FO_ARROW, (op->kind & ZV_FOK_HAS_TARGET) ? "->" : "");
    ShowWide(op, dialog, ZV_IDC_FO_TARGET, op->target);
    op->sizeText[0] = 0;
    op->fileScaleBytes = 1;
    if (GetDlgItem(dialog, ZV_IDC_FO_FILE_TEXT)) {
        ShowText(op, dialog, ZV_IDC_FO_FILE_TEXT, std::string());
        ShowText(op, dialog, ZV_IDC_FO_FILE_PERCENT, std::string());
        SetBarRange(op, dialog, ZV_IDC_FO_FILE_BAR, 0, 1, true);
    }
}

void ShowFileSize(zvFileOpRecord* op, HWND dialog) {
    snprintf(op->sizeText, sizeof op->sizeText, "%s", Figure(op->fileSize).c_str());
    op->fileScaleBytes = zvFileOpScale(op->fileSize);
    SetBarRange(op, dialog, ZV_IDC_FO_FILE_BAR, op->fileSize, op->fileScaleBytes, true);
    ShowRow(op, dialog, ZV_IDC_FO_FILE_TEXT, op->fileDone, op->fileSize, true, op->fileScaleBytes, op->sizeText);
}

INT_PTR CALLBACK FileOpDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        zvFileOpRecord* op = (zvFileOpRecord*)lParam;
        SetWindowLongPtrW(dialog, GWLP_USERDATA, (LONG_PTR)op);
        if (op->createFlags & ZV_FOC_NO_ABORT) {
            EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
            ShowWindow(GetDlgItem(dialog, IDCANCEL), SW_HIDE);
        }
        op->window = dialog;
        return TRUE;
    }
    zvFileOpRecord* op = RecordOf(dialog);
    if (!op) return FALSE;
    switch (message) {
    case ZV_FOM_STARTED:
        op->abort = 0;
        op->busy = 0;
        return TRUE;
    case ZV_FOM_CLOSE:
        op->abort = 1;
        op->window = nullptr;
        EndDialog(dialog, 0);
        // A sent message does not wake the modal loop; a posted one does.
        PostMessageW(dialog, WM_NULL, 0, 0);
        return TRUE;
    case ZV_FOM_TOTALS:
        ShowTotals(op, dialog);
        return TRUE;
    case ZV_FOM_COUNTS:
        ShowCounts(op, dialog);
        return TRUE;
    case ZV_FOM_ENTRY:
        ShowEntry(op, dialog);
        return TRUE;
    case ZV_FOM_FILE_SIZE:
        if (GetDlgItem(dialog, ZV_IDC_FO_FILE_TEXT)) ShowFileSize(op, dialog);
        return TRUE;
    case ZV_FOM_FILE_PROGRESS: {
        // Every block is reported; drawing each one would cost more than the
        // copy, so within a file the texts follow at most every refresh interval.
        DWORD now = GetTickCount();
        if (op->fileDone < op->fileSize && now - op->fileShownAt < kRefreshInterval) return TRUE;
        op->fileShownAt = now;
        ShowRow(op, dialog, ZV_IDC_FO_FILE_TEXT, op->fileDone, op->fileSize, true, op->fileScaleBytes, op->sizeText);
        return TRUE;
    }
    case ZV_FOM_CAPTION:
        ShowCaption(op, dialog, (INT_PTR)wParam);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL && !(op->createFlags & ZV_FOC_NO_ABORT)) {
            op->abort = 1;
            EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
        }
        return TRUE;
    }
    return FALSE;
}

}  // namespace

unsigned __stdcall zvFileOpDialogThread(void* record) {
    zvFileOpRecord* op = (zvFileOpRecord*)record;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    int id = (op->createFlags & ZV_FOC_COMPACT) ? ZV_IDD_FILEOP_COMPACT : ZV_IDD_FILEOP;
    DialogBoxParamW(g_zvInstance, MAKEINTRESOURCEW(id), op->owner, FileOpDialogProc, (LPARAM)op);
    return 0;
}

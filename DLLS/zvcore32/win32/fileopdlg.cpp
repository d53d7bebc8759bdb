// The progress window of the file operation engine. It runs in a thread of
// its own and sets the abort flag; what the caller's thread reports is noted
// at once but drawn at most once per refresh interval (drawing on every
// report would cost more than the copy),
// and only the texts and bars whose content changed are touched.
#include <stdio.h>

#include "fileop_record.h"
// After windows.h, which the record header brings.
#include <commctrl.h>
#include "zvlibrary.h"

namespace {

const DWORD kRefreshInterval = 100;  // milliseconds
const UINT_PTR kRefreshTimer = 1;

zvFileOpRecord* RecordOf(HWND dialog) { return (zvFileOpRecord*)GetWindowLongPtrW(dialog, GWLP_USERDATA); }

void ShowText(zvFileOpRecord* op, HWND dialog, int id, const std::string& text) {
    std::string& shown = op->shownTexts[id - ZV_IDC_FO_CAPTION];
    if (op->shownOnce && shown == text) return;
    shown = text;
    SetDlgItemTextA(dialog, id, text.c_str());
}

void ShowWide(HWND dialog, int id, const std::wstring& text, std::wstring& shown, bool force) {
    if (!force && shown == text) return;
    shown = text;
    SetDlgItemTextW(dialog, id, text.c_str());
}

// A bar of `total` units in steps of total / 65536 + 1; disabled when the total is unknown.
void ShowBar(zvFileOpRecord* op, HWND dialog, int id, ULONGLONG done, ULONGLONG total, bool known) {
    HWND bar = GetDlgItem(dialog, id);
    if (!bar) return;
    int slot = (id - ZV_IDC_FO_FILE_BAR) / 3;
    ULONGLONG range = known ? total : ~0ull - 1;
    ULONGLONG scale = known ? zvFileOpScale(total) : 1;
    if (op->barRanges[slot] != range) {
        op->barRanges[slot] = range;
        EnableWindow(bar, known);
        SendMessageW(bar, PBM_SETRANGE32, 0, known ? (LPARAM)(total / scale) : 0);
        op->barPositions[slot] = -1;
    }
    int position = known ? (int)((done > total ? total : done) / scale) : 0;
    if (op->barPositions[slot] == position) return;
    op->barPositions[slot] = position;
    SendMessageW(bar, PBM_SETPOS, (WPARAM)position, 0);
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

// One row: "done / total", the percentage and the bar; only the done number
// when the total is unknown.
void ShowRow(zvFileOpRecord* op, HWND dialog, int textId, ULONGLONG done, ULONGLONG total, bool known,
             const std::string& totalText) {
    if (!GetDlgItem(dialog, textId)) return;
    ShowText(op, dialog, textId, known ? Figure(done) + " / " + totalText : Figure(done));
    ShowText(op, dialog, textId + 1, known ? Percent(done, total) : std::string());
    ShowBar(op, dialog, textId + 2, done, total, known);
}

void ShowCaption(zvFileOpRecord* op, HWND dialog, bool force) {
    const zvFileOpRecord::View& view = op->view;
    zvFileOpRecord::View& shown = op->shown;
    if (view.caption >= ZV_FO_FIRST_CAPTION_TEXT) {
        ShowWide(dialog, ZV_IDC_FO_CAPTION, view.captionText, shown.captionText, force);
    } else if (force || view.caption != shown.caption) {
        // Loaded from the string table only when the caption changes.
        WCHAR text[128] = L"";
        if (view.caption > 0) LoadStringW(g_zvInstance, (UINT)view.caption, text, 128);
        ShowWide(dialog, ZV_IDC_FO_CAPTION, text, shown.captionText, true);
    }
    shown.caption = view.caption;
}

void Refresh(zvFileOpRecord* op, HWND dialog) {
    const zvFileOpRecord::View& view = op->view;
    zvFileOpRecord::View& shown = op->shown;
    bool force = !op->shownOnce;
    ShowCaption(op, dialog, force);
    ShowWide(dialog, ZV_IDC_FO_SOURCE, view.source, shown.source, force);
    ShowText(op, dialog, ZV_IDC_FO_ARROW, view.hasTarget ? "->" : "");
    ShowWide(dialog, ZV_IDC_FO_TARGET, view.target, shown.target, force);
    if (GetDlgItem(dialog, ZV_IDC_FO_FILE_TEXT)) {
        if (view.fileSizeKnown) {
            if (force || !shown.fileSizeKnown || shown.fileSize != view.fileSize) {
                snprintf(op->sizeText, sizeof op->sizeText, "%s", Figure(view.fileSize).c_str());
            }
            ShowRow(op, dialog, ZV_IDC_FO_FILE_TEXT, view.fileDone, view.fileSize, true, op->sizeText);
        } else {
            ShowText(op, dialog, ZV_IDC_FO_FILE_TEXT, std::string());
            ShowText(op, dialog, ZV_IDC_FO_FILE_PERCENT, std::string());
            ShowBar(op, dialog, ZV_IDC_FO_FILE_BAR, 0, 0, true);
        }
        shown.fileSizeKnown = view.fileSizeKnown;
        shown.fileSize = view.fileSize;
        bool filesKnown = view.totalFiles >= 0;
        // A count run backwards below zero shows as 0.
        ULONGLONG filesDone = (ULONGLONG)(view.filesDone < 0 ? 0 : view.filesDone);
        ULONGLONG totalFiles = filesKnown ? (ULONGLONG)view.totalFiles : 0;
        ShowRow(op, dialog, ZV_IDC_FO_COUNT_TEXT, filesDone, totalFiles, filesKnown, Figure(totalFiles));
        bool bytesKnown = view.totalBytes != ZV_FO_UNKNOWN_BYTES;
        ShowRow(op, dialog, ZV_IDC_FO_TOTAL_TEXT, view.bytesDone, view.totalBytes, bytesKnown,
                bytesKnown ? Figure(view.totalBytes) : std::string());
    }
    op->shownOnce = true;
    op->shownAt = GetTickCount();
}

// Draws now when the last drawing is long enough ago, else once the interval is over.
void RequestRefresh(zvFileOpRecord* op, HWND dialog) {
    if (op->refreshPending) return;
    DWORD elapsed = GetTickCount() - op->shownAt;
    if (!op->shownOnce || elapsed >= kRefreshInterval) {
        Refresh(op, dialog);
        return;
    }
    op->refreshPending = SetTimer(dialog, kRefreshTimer, kRefreshInterval - elapsed, nullptr) != 0;
    if (!op->refreshPending) Refresh(op, dialog);
}

// Notes what a message reports; the caller's thread waits meanwhile.
void TakeReport(zvFileOpRecord* op, UINT message, WPARAM wParam) {
    zvFileOpRecord::View& view = op->view;
    switch (message) {
    case ZV_FOM_TOTALS:
    case ZV_FOM_COUNTS:
        view.totalFiles = op->totalFiles;
        view.filesDone = op->filesDone;
        view.totalBytes = op->totalBytes;
        view.bytesDone = op->bytesDone;
        break;
    case ZV_FOM_ENTRY:
        view.caption = (op->kind & ZV_FOK_CAPTION_TEXT) ? (INT_PTR)ZV_FO_FIRST_CAPTION_TEXT : op->operation;
        view.captionText = op->captionText;
        view.source = op->source;
        view.target = op->target;
        view.hasTarget = (op->kind & ZV_FOK_HAS_TARGET) != 0;
        view.fileSizeKnown = false;
        view.fileSize = 0;
        view.fileDone = 0;
        break;
    case ZV_FOM_FILE_SIZE:
        view.fileSizeKnown = true;
        view.fileSize = op->fileSize;
        view.fileDone = op->fileDone;
        break;
    case ZV_FOM_FILE_PROGRESS:
        view.fileDone = op->fileDone;
        break;
    case ZV_FOM_CAPTION:
        view.caption = (INT_PTR)wParam;
        break;
    }
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
        KillTimer(dialog, kRefreshTimer);
        EndDialog(dialog, 0);
        // A sent message does not wake the modal loop; a posted one does.
        PostMessageW(dialog, WM_NULL, 0, 0);
        return TRUE;
    case ZV_FOM_TOTALS:
    case ZV_FOM_COUNTS:
    case ZV_FOM_ENTRY:
    case ZV_FOM_FILE_SIZE:
    case ZV_FOM_FILE_PROGRESS:
    case ZV_FOM_CAPTION:
        TakeReport(op, message, wParam);
        RequestRefresh(op, dialog);
        return TRUE;
    case WM_TIMER:
        if (wParam == kRefreshTimer) {
            KillTimer(dialog, kRefreshTimer);
            op->refreshPending = false;
            Refresh(op, dialog);
        }
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

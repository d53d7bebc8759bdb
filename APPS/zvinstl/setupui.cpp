#include "setupui.h"

#include <commctrl.h>
#include <process.h>
#include <shlobj.h>

#include "resource.h"

namespace {

enum : UINT {
    WM_COPY_FILE_STARTED = WM_USER + 256,
    WM_COPY_BYTES = WM_USER + 257,
    WM_COPY_COUNTERS = WM_USER + 258,
    WM_COPY_FINISHED = WM_USER + 259,
};

// A sent message that ends a dialog does not wake its modal loop; a posted one does.
void EndDialogNow(HWND dialog, INT_PTR result) {
    EndDialog(dialog, result);
    PostMessageA(dialog, WM_NULL, 0, 0);
}

// ---- Copy dialog -----------------------------------------------------------------

struct FileStart {
    const std::string* source;
    const std::string* destination;
    ULONGLONG size;
};

class CCopyDialog : public ICopyProgress {
public:
    CCopyDialog(CDialogUi& ui, CopyJob& job) : ui_(ui), job_(job) {}

    int Run() {
        HWND previousOwner = ui_.owner;
        INT_PTR result = DialogBoxParamA(ui_.Instance(), MAKEINTRESOURCEA(IDD_COPY), ui_.owner, Procedure,
                                         (LPARAM)this);
        ui_.owner = previousOwner;
        if (worker_) {
            WaitForSingleObject(worker_, INFINITE);
            CloseHandle(worker_);
        }
        return (int)result;
    }

    // Worker side: the reports are noted, and sent to the dialog at most once
    // per paint interval (each send waits for the dialog's thread, and the
    // eye sees no more), the file that is being copied first.
    void FileStarted(const std::string& source, const std::string& destination, ULONGLONG size) override {
        source_ = source;
        destination_ = destination;
        size_ = size;
        done_ = 0;
        fileShown_ = false;
        PaintWhenDue();
    }
    void BytesCopied(ULONGLONG done) override {
        done_ = done;
        PaintWhenDue();
    }
    void CountersChanged(const CopyCounters& counters) override {
        counters_ = counters;
        PaintWhenDue();
    }
    bool StopRequested() override {
        while (pause_) Sleep(50);
        return stop_ != 0;
    }

private:
    static const DWORD kPaintInterval = 50;  // milliseconds

    void PaintWhenDue() {
        DWORD now = GetTickCount();
        if (painted_ && now - paintedAt_ < kPaintInterval) return;
        painted_ = true;
        paintedAt_ = now;
        if (!fileShown_) {
            FileStart start = {&source_, &destination_, size_};
            SendMessageA(window_, WM_COPY_FILE_STARTED, 0, (LPARAM)&start);
            fileShown_ = true;
        }
        SendMessageA(window_, WM_COPY_BYTES, 0, (LPARAM)&done_);
        SendMessageA(window_, WM_COPY_COUNTERS, 0, (LPARAM)&counters_);
    }

    // Below the main dialog, else above it, else beside it: the panel covers
    // none of its controls while the user waits.
    static void PlaceBeside(HWND window, HWND owner) {
        RECT own, panel, work;
        if (!owner || !GetWindowRect(owner, &own) || !GetWindowRect(window, &panel)) return;
        if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) return;
        const int gap = 8, width = panel.right - panel.left, height = panel.bottom - panel.top;
        int x = own.left + ((own.right - own.left) - width) / 2;
        if (x < work.left) x = work.left;
        if (x + width > work.right) x = work.right - width;
        int y;
        if (own.bottom + gap + height <= work.bottom) {
            y = own.bottom + gap;
        } else if (own.top - gap - height >= work.top) {
            y = own.top - gap - height;
        } else if (own.right + gap + width <= work.right) {
            x = own.right + gap;
            y = own.top;
        } else if (own.left - gap - width >= work.left) {
            x = own.left - gap - width;
            y = own.top;
        } else {
            return;
        }
        SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    static unsigned __stdcall Worker(void* self) {
        CCopyDialog* dialog = (CCopyDialog*)self;
        bool done = dialog->job_.Run(*dialog);
        SendMessageA(dialog->window_, WM_COPY_FINISHED, done ? 1 : 0, 0);
        return 0;
    }

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
        CCopyDialog* self = (CCopyDialog*)GetWindowLongPtrA(window, GWLP_USERDATA);
        return self ? self->Handle(window, message, wParam, lParam) : FALSE;
    }

    INT_PTR Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG: {
            window_ = window;
            PlaceBeside(window, ui_.owner);
            ui_.owner = window;
            SendDlgItemMessageA(window, IDC_COPY_ALL_BAR, PBM_SETRANGE32, 0, job_.Counters().total);
            unsigned id;
            worker_ = (HANDLE)_beginthreadex(nullptr, 0, Worker, this, 0, &id);
            if (!worker_) EndDialogNow(window, -1);
            return TRUE;
        }
        case WM_COPY_FILE_STARTED: {
            const FileStart& start = *(const FileStart*)lParam;
            std::string line = ui_.Text(IDS_COPY_NAME);
            const std::string& source = *start.source;
            std::string name = source.substr(FileNameOffset(source, IsLeadByte));
            size_t at = line.find("%s");
            if (at != std::string::npos) line.replace(at, 2, name);
            at = line.find("%s", at == std::string::npos ? 0 : at + name.size());
            if (at != std::string::npos) line.replace(at, 2, *start.destination);
            SetDlgItemTextA(window, IDC_COPY_NAME, line.c_str());
            // Progress bars hold 32-bit positions: large files are shown in coarser steps.
            shift_ = 0;
            while ((start.size >> shift_) > 0x7FFFFFFF) ++shift_;
            SendDlgItemMessageA(window, IDC_COPY_FILE_BAR, PBM_SETRANGE32, 0, (LPARAM)(start.size >> shift_));
            SendDlgItemMessageA(window, IDC_COPY_FILE_BAR, PBM_SETPOS, 0, 0);
            return TRUE;
        }
        case WM_COPY_BYTES:
            SendDlgItemMessageA(window, IDC_COPY_FILE_BAR, PBM_SETPOS,
                                (WPARAM)(*(const ULONGLONG*)lParam >> shift_), 0);
            return TRUE;
        case WM_COPY_COUNTERS: {
            const CopyCounters& c = *(const CopyCounters*)lParam;
            char line[256];
            wsprintfA(line, ui_.Text(IDS_COPY_COUNTERS).c_str(), c.processed, c.installed, c.skipped, c.total);
            SetDlgItemTextA(window, IDC_COPY_COUNTERS, line);
            SendDlgItemMessageA(window, IDC_COPY_ALL_BAR, PBM_SETPOS, (WPARAM)c.processed, 0);
            return TRUE;
        }
        case WM_COPY_FINISHED:
            EndDialogNow(window, (INT_PTR)wParam);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL && !pause_ && !stop_) {
                // The worker waits between blocks while the question is open.
                pause_ = 1;
                if (ui_.Ask(MSG_ASK_STOP_COPY)) stop_ = 1;
                pause_ = 0;
            }
            return TRUE;
        }
        return FALSE;
    }

    CDialogUi& ui_;
    CopyJob& job_;
    HWND window_ = nullptr;
    HANDLE worker_ = nullptr;
    volatile LONG pause_ = 0;
    volatile LONG stop_ = 0;
    int shift_ = 0;
    // The worker's latest reports, sent when a paint is due.
    std::string source_, destination_;
    ULONGLONG size_ = 0, done_ = 0;
    CopyCounters counters_;
    bool fileShown_ = true, painted_ = false;
    DWORD paintedAt_ = 0;
};

// ---- Main dialog -----------------------------------------------------------------

class CSetupDialog {
public:
    CSetupDialog(CDialogUi& ui, Setup& setup, SetupDefinition& definition)
        : ui_(ui), setup_(setup), definition_(definition) {}

    void Run() {
        DialogBoxParamA(ui_.Instance(), MAKEINTRESOURCEA(IDD_SETUP), nullptr, Procedure, (LPARAM)this);
    }

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) SetWindowLongPtrA(window, GWLP_USERDATA, lParam);
        CSetupDialog* self = (CSetupDialog*)GetWindowLongPtrA(window, GWLP_USERDATA);
        return self ? self->Handle(window, message, wParam) : FALSE;
    }

    void ShowApp() {
        const SetupApp& app = definition_.apps[current_];
        SetDlgItemTextA(window_, IDC_OUTLINE, app.outline.c_str());
        SetDlgItemTextA(window_, IDC_FOLDER, app.folder.c_str());
    }

    void StoreFolder() {
        char folder[1024];
        GetDlgItemTextA(window_, IDC_FOLDER, folder, sizeof folder);
        definition_.apps[current_].folder = folder;
    }

    void Browse() {
        std::string title = ui_.Text(MSG_BROWSE_TITLE);
        char chosen[MAX_PATH] = "";
        BROWSEINFOA info = {};
        info.hwndOwner = window_;
        info.pszDisplayName = chosen;
        info.lpszTitle = title.c_str();
        info.ulFlags = BIF_RETURNONLYFSDIRS;
        LPITEMIDLIST list = SHBrowseForFolderA(&info);
        if (!list) return;
        if (SHGetPathFromIDListA(list, chosen)) SetDlgItemTextA(window_, IDC_FOLDER, chosen);
        CoTaskMemFree(list);
    }

    INT_PTR Handle(HWND window, UINT message, WPARAM wParam) {
        switch (message) {
        case WM_INITDIALOG: {
            window_ = window;
            ui_.owner = window;
            SetDlgItemTextA(window, IDC_TITLE, definition_.title.c_str());
            for (const SetupApp& app : definition_.apps) {
                SendDlgItemMessageA(window, IDC_APPS, CB_ADDSTRING, 0, (LPARAM)app.name.c_str());
            }
            SendDlgItemMessageA(window, IDC_APPS, CB_SETCURSEL, 0, 0);
            ShowApp();
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDC_APPS:
                if (HIWORD(wParam) == CBN_SELCHANGE) {
                    StoreFolder();
                    LRESULT row = SendDlgItemMessageA(window, IDC_APPS, CB_GETCURSEL, 0, 0);
                    if (row >= 0 && (size_t)row < definition_.apps.size()) current_ = (size_t)row;
                    ShowApp();
                }
                return TRUE;
            case IDC_BROWSE:
                Browse();
                return TRUE;
            case IDC_INSTALL:
                StoreFolder();
                setup_.Install(current_);
                ShowApp();
                return TRUE;
            case IDC_UNINSTALL:
                StoreFolder();
                setup_.Uninstall(current_);
                ShowApp();
                return TRUE;
            case IDCANCEL:
                EndDialog(window, 0);
                return TRUE;
            }
            return FALSE;
        }
        return FALSE;
    }

    CDialogUi& ui_;
    Setup& setup_;
    SetupDefinition& definition_;
    HWND window_ = nullptr;
    size_t current_ = 0;
};

}  // namespace

std::string CDialogUi::Text(int id) {
    char text[1024] = "";
    LoadStringA(instance_, (UINT)id, text, sizeof text);
    return text;
}

std::string CDialogUi::Format(int id, const std::string& arg) {
    std::string text = Text(id);
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, arg);
    return text;
}

void CDialogUi::Show(int id, const std::string& arg) {
    bool error = IsErrorMessage(id);
    std::string caption = Text(error ? IDS_CAPTION_ERROR : IDS_CAPTION_NOTICE);
    MessageBoxA(owner, Format(id, arg).c_str(), caption.c_str(), MB_OK | (error ? MB_ICONSTOP : MB_ICONINFORMATION));
}

bool CDialogUi::Ask(int id, const std::string& arg) {
    std::string caption = Text(IDS_CAPTION_NOTICE);
    return MessageBoxA(owner, Format(id, arg).c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

int CDialogUi::RunCopy(CopyJob& job) {
    CCopyDialog dialog(*this, job);
    return dialog.Run();
}

void RunSetupDialog(CDialogUi& ui, Setup& setup, SetupDefinition& definition) {
    CSetupDialog dialog(ui, setup, definition);
    dialog.Run();
}

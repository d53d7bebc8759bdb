#include "downloaddlg.h"

#include <commctrl.h>
#include <shellapi.h>
#include <wininet.h>

#include "download/win32/dialup.h"
#include "helppage.h"
#include "jobs/execute.h"
#include "profilestore.h"
#include "resource.h"
#include "windowmessages.h"

namespace {

const UINT_PTR kPollTimer = 1;
const char kUnusedSlot[] = "---";

}  // namespace

CDownloadDlg::CDownloadDlg(CWnd* parent, const char* rebuildFolder, IDownloadWorkers& workers)
    : CWorkerDialog(IDD_DOWNLOAD, parent, WM_REPORT_REFRESH),
      workers_(workers),
      downloader_(rebuildFolder, files_, cache_, workers_, *this) {
    workers_.Attach(downloader_);
    downloader_.SetEndTexts(AfxLoadText(IDS_DL_FINISHED).c_str(), AfxLoadText(IDS_DL_STOP).c_str());
}

BOOL CDownloadDlg::OnInitDialog() {
    list_ = GetDlgItem(IDC_DL_LIST);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
    std::string state = AfxLoadText(IDS_COLUMN_STATE).c_str(), url = AfxLoadText(IDS_COLUMN_URL).c_str();
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    // Wider than 48 pixels, so that "DL中..." is not cut to "DL..." in the
    // fonts of every system.
    column.cx = 64;
    column.pszText = &state[0];
    ::SendMessageA(list_, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    column.cx = 384;
    column.pszText = &url[0];
    ::SendMessageA(list_, LVM_INSERTCOLUMNA, 1, (LPARAM)&column);

    downloader_.Load();
    for (int row = 0; row < downloader_.RowCount(); ++row) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = const_cast<char*>("");
        item.lParam = downloader_.RowKey(row);
        ::SendMessageA(list_, LVM_INSERTITEMA, 0, (LPARAM)&item);
        item.mask = LVIF_TEXT;
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(downloader_.RowUrl(row).c_str());
        ::SendMessageA(list_, LVM_SETITEMTEXTA, row, (LPARAM)&item);
    }

    CAppProfileStore store(*AfxGetApp());
    ReadDownloadSettings(store, settings_);
    CheckRadioButton(m_hWnd, IDC_DL_THREADS1, IDC_DL_THREADS1 + kMaxDownloadThreads - 1,
                     IDC_DL_THREADS1 + settings_.threads - 1);
    CheckDlgButton(IDC_DL_DISCONNECT, settings_.disconnect ? BST_CHECKED : BST_UNCHECKED);
    bool rows = downloader_.RowCount() > 0;
    SetDlgItemText(IDC_DL_STATUS1, AfxLoadText(rows ? IDS_DL_READY : IDS_DL_NO_URL).c_str());
    ::EnableWindow(GetDlgItem(IDOK), rows);
    ShowIdleSlotTexts();
    return TRUE;
}

int CDownloadDlg::CheckedThreads() const {
    for (int i = 0; i < kMaxDownloadThreads; ++i)
        if (IsDlgButtonChecked(IDC_DL_THREADS1 + i)) return i + 1;
    return 1;
}

// Slots below the chosen count are blank and wait for work; the others read "---".
void CDownloadDlg::ShowIdleSlotTexts() {
    int threads = CheckedThreads();
    for (int slot = 1; slot < kMaxDownloadThreads; ++slot) {
        SetDlgItemText(IDC_DL_STATUS1 + slot, slot < threads ? "" : kUnusedSlot);
        SetDlgItemText(IDC_DL_PROGRESS1 + slot, "");
    }
}

void CDownloadDlg::OnOK() {
    if (running_ || !downloader_.RowsLeft()) return;
    settings_.threads = CheckedThreads();
    settings_.disconnect = IsDlgButtonChecked(IDC_DL_DISCONNECT) == BST_CHECKED;
    CAppProfileStore store(*AfxGetApp());
    WriteDownloadSettings(store, settings_);
    running_ = true;
    bool failed = false;
    int started = workers_.Start(settings_.threads, failed);
    if (failed) AfxMessageBox(IDS_NO_THREAD);
    if (started == 0) {
        running_ = false;
        return;
    }
    started_ = true;
    ::EnableWindow(GetDlgItem(IDOK), FALSE);
    SetDlgItemText(IDCANCEL, AfxLoadText(IDS_DL_STOP).c_str());
    SetTimer(kPollTimer, 500);
}

void CDownloadDlg::OnCancel() {
    if (running_) {
        downloader_.CancelAll();
        return;
    }
    EndDialog(started_ ? IDOK : IDCANCEL);
}

BOOL CDownloadDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    int id = LOWORD(wParam);
    if (id >= IDC_DL_THREADS1 && id < IDC_DL_THREADS1 + kMaxDownloadThreads && HIWORD(wParam) == BN_CLICKED) {
        if (!running_) ShowIdleSlotTexts();
        return TRUE;
    }
    if (id == IDHELP) {
        OpenHelpPage(m_hWnd, HELP_DOWNLOAD);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CDownloadDlg::OnTimer(UINT_PTR id) {
    if (id != kPollTimer || workers_.AnyRunning()) return;
    KillTimer(kPollTimer);
    workers_.Finish();
    PaintWorkerTexts();
    if (settings_.disconnect && HangUpDialUp() == HANGUP_NO_LIBRARY) AfxMessageBox(IDS_NO_RASAPI);
    running_ = false;
    ::EnableWindow(GetDlgItem(IDOK), downloader_.RowsLeft());
    SetDlgItemText(IDCANCEL, AfxLoadText(IDS_DL_QUIT).c_str());
}

BOOL CDownloadDlg::OnNotify(WPARAM, LPARAM lParam, LRESULT*) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->idFrom != IDC_DL_LIST || header->code != NM_DBLCLK) return FALSE;
    int row = reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem;
    if (row >= 0 && row < downloader_.RowCount()) OpenRowFile(row);
    return TRUE;
}

// The cache holds a row under the URL it was fetched from (a folder page
// under its "/" URL), so that is the URL looked up.
void CDownloadDlg::OpenRowFile(int row) {
    char url[kDownloadUrlSize];
    WriteBackUrl(downloader_.RowUrl(row).c_str(), url, sizeof(url));
    char buffer[4096];
    DWORD size = sizeof(buffer);
    INTERNET_CACHE_ENTRY_INFOA* info = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOA*>(buffer);
    bool opened = GetUrlCacheEntryInfoA(url, info, &size) && info->lpszLocalFileName &&
                  (INT_PTR)ShellExecuteA(m_hWnd, "open", info->lpszLocalFileName, nullptr, nullptr, SW_SHOWNORMAL) > 32;
    if (!opened) AfxMessageBox(IDS_OPEN_FAILED);
}

void CDownloadDlg::OnWorkerRefresh() {
    PaintWorkerTexts();
    UpdateWindow(m_hWnd);
}

void CDownloadDlg::RowState(int row, DownloadState state) {
    CallOnDialogThread([&] {
        CString text = AfxLoadText(DownloadStateText(state)).c_str();
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = const_cast<char*>(text.c_str());
        return ::SendMessageA(list_, LVM_SETITEMTEXTA, row, (LPARAM)&item);
    });
}

void CDownloadDlg::ShowRow(int row) {
    CallOnDialogThread([&] { return (LRESULT)ListView_EnsureVisible(list_, row, FALSE); });
}

void CDownloadDlg::SlotTexts(int slot, const char* status, const char* progress) {
    SetWorkerText(IDC_DL_STATUS1 + slot, status);
    SetWorkerText(IDC_DL_PROGRESS1 + slot, progress);
}

void CDownloadDlg::Refresh() { RefreshFromWorker(false); }

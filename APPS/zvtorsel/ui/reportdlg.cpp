#include "reportdlg.h"

#include "htmlformatdlg.h"

#include <shellapi.h>
#include <stdio.h>

#include "reportjob.h"
#include "resource.h"

namespace {

const DWORD kRefreshIntervalMs = 50;

std::string LoadText(UINT id) {
    char text[1024];
    return AfxLoadString(id, text, sizeof text) ? std::string(text) : std::string();
}

}  // namespace

CReportDialog::CReportDialog(UINT templateId, CWnd* parent, const RebuildSettings& folders,
                             IProfileStore& store)
    : CDialog(templateId, parent),
      m_folders(folders),
      m_store(store),
      m_translator(nullptr, this),
      m_texts(LoadPageTexts()) {
    InitializeCriticalSection(&m_lock);
}

CReportDialog::~CReportDialog() { DeleteCriticalSection(&m_lock); }

void CReportDialog::FillFolderCombo(int folderNo) {
    HWND combo = GetDlgItem(IDC_REBUILD_FOLDER);
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    int select = 0;
    for (int n = 0; n < kRebuildFolderCount; ++n) {
        if (!m_folders.FolderInUse(n)) continue;
        LRESULT row = ::SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)m_folders.rebuildFolders[n].c_str());
        if (row < 0) continue;
        ::SendMessageA(combo, CB_SETITEMDATA, (WPARAM)row, (LPARAM)n);
        if (n == folderNo) select = (int)row;
    }
    ::SendMessageA(combo, CB_SETCURSEL, (WPARAM)select, 0);
}

int CReportDialog::SelectedFolderNo() const {
    HWND combo = ::GetDlgItem(m_hWnd, IDC_REBUILD_FOLDER);
    LRESULT row = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (row < 0) return -1;
    return (int)::SendMessageA(combo, CB_GETITEMDATA, (WPARAM)row, 0);
}

std::string CReportDialog::FolderPath(int folderNo) const {
    if (!m_folders.FolderInUse(folderNo)) return std::string();
    std::string folder = m_folders.rebuildFolders[folderNo];
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

bool CReportDialog::StartWorker(const int* controlsToDisable) {
    for (const int* id = controlsToDisable; *id; ++id) ::EnableWindow(GetDlgItem(*id), FALSE);
    InterlockedExchange(&m_busy, 1);
    if (AfxBeginThread(&CReportDialog::WorkerEntry, this)) return true;
    InterlockedExchange(&m_busy, 0);
    ShowMessage(IDS_NO_THREAD, nullptr);
    EndDialog(IDCANCEL);
    return false;
}

UINT __cdecl CReportDialog::WorkerEntry(LPVOID param) {
    CReportDialog* self = static_cast<CReportDialog*>(param);
    ReportJobResult r;
    try {
        r = self->RunJob();
    } catch (...) {
        r.failed = true;
    }
    self->result.stopped = r.stopped;
    self->result.failed = r.failed;
    self->result.found = r.found;
    self->result.searched = r.searched;
    self->result.folderNumber = r.folderNo;
    self->result.resultFile = r.resultFile;
    self->RequestRefresh(true);
    ::PostMessageA(self->m_hWnd, WM_REPORT_DONE, 0, 0);
    return 0;
}

void CReportDialog::OnCancel() {
    if (m_busy)
        Job().RequestCancel();
    else
        EndDialog(IDCANCEL);
}

BOOL CReportDialog::OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) {
    if (msg == WM_REPORT_REFRESH) {
        std::string status, counts;
        EnterCriticalSection(&m_lock);
        status = m_status;
        counts = m_counts;
        LeaveCriticalSection(&m_lock);
        SetDlgItemText(IDC_STATUS_TEXT, status.c_str());
        SetDlgItemText(IDC_PROGRESS_TEXT, counts.c_str());
        *result = 0;
        return TRUE;
    }
    if (msg == WM_REPORT_DONE) {
        InterlockedExchange(&m_busy, 0);
        EndDialog(IDOK);
        *result = 0;
        return TRUE;
    }
    return FALSE;
}

void CReportDialog::RequestRefresh(bool force) {
    DWORD now = GetTickCount();
    if (!force && now - m_lastRefresh < kRefreshIntervalMs) return;
    m_lastRefresh = now;
    ::SendMessageA(m_hWnd, WM_REPORT_REFRESH, 0, 0);
}

void CReportDialog::Status(const char* text) {
    EnterCriticalSection(&m_lock);
    m_status = text;
    LeaveCriticalSection(&m_lock);
    RequestRefresh(false);
}

void CReportDialog::Counts(DWORD found, DWORD seen) {
    char a[32], b[32];
    m_texts.formatCount(found, a, sizeof a);
    m_texts.formatCount(seen, b, sizeof b);
    EnterCriticalSection(&m_lock);
    m_counts = std::string(a) + " / " + b;
    LeaveCriticalSection(&m_lock);
    RequestRefresh(false);
}

void CReportDialog::Message(UINT id, const char* arg) { ShowMessage(id, arg); }

int CReportDialog::ShowResourceMessage(UINT id, const char* arg) { return ShowMessage(id, arg); }

int CReportDialog::ShowMessage(UINT id, const char* arg, UINT type) {
    std::string text = LoadText(id);
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, arg ? arg : "");
    return AfxMessageBox(text.c_str(), type);
}

void CReportDialog::ShowFormatDialog(PageFormat& format) {
    ReportFormat edited;
    edited.textColor = format.textColor;
    edited.linkColor = format.linkColor;
    edited.backColor = format.backColor;
    edited.fontSize = format.fontSize;
    edited.title = format.title;
    edited.sortType = format.sortType;
    edited.lineSpace = format.lineSpace;
    edited.unorderedList = format.unorderedList;
    CHtmlFormatDlg dialog(this, edited, true);
    if (dialog.DoModal() != IDOK) return;
    format.textColor = edited.textColor;
    format.linkColor = edited.linkColor;
    format.backColor = edited.backColor;
    format.fontSize = edited.fontSize;
    format.title = edited.title != 0;
    format.sortType = edited.sortType;
    format.lineSpace = edited.lineSpace != 0;
    format.unorderedList = edited.unorderedList != 0;
}

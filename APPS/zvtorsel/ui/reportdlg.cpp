#include "reportdlg.h"

#include <shellapi.h>
#include <stdio.h>

#include "htmlformatdlg.h"
#include "reportjob.h"
#include "resource.h"
#include "windowmessages.h"

CReportDialog::CReportDialog(UINT templateId, CWnd* parent, const RebuildSettings& folders, IProfileStore& store)
    : CWorkerDialog(templateId, parent, WM_REPORT_REFRESH),
      m_folders(folders),
      m_store(store),
      m_translator(m_files, this, folders.mapping),
      m_texts(LoadPageTexts()) {}

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

bool CReportDialog::StartJob(const int* controlsToDisable) {
    for (const int* id = controlsToDisable; *id; ++id) ::EnableWindow(GetDlgItem(*id), FALSE);
    if (StartWorker()) return true;
    ShowMessage(IDS_NO_THREAD, nullptr);
    EndDialog(IDCANCEL);
    return false;
}

int CReportDialog::RunWorker() {
    ReportJobResult r;
    try {
        r = RunJob();
    } catch (...) {
        r.failed = true;
    }
    result.stopped = r.stopped;
    result.failed = r.failed;
    result.found = r.found;
    result.searched = r.searched;
    result.folderNumber = r.folderNo;
    result.resultFile = r.resultFile;
    return 1;
}

void CReportDialog::OnWorkerEnd(int) { EndDialog(IDOK); }

void CReportDialog::OnCancel() {
    if (Busy())
        RequestCancel();
    else
        EndDialog(IDCANCEL);
}

void CReportDialog::Status(const char* text) { SetWorkerText(IDC_STATUS_TEXT, text); }

void CReportDialog::Counts(DWORD found, DWORD seen) {
    char a[32], b[32];
    m_texts.formatCount(found, a, sizeof a);
    m_texts.formatCount(seen, b, sizeof b);
    SetWorkerText(IDC_PROGRESS_TEXT, (std::string(a) + " / " + b).c_str());
}

void CReportDialog::Message(UINT id, const char* arg) { ShowMessage(id, arg); }

int CReportDialog::ShowResourceMessage(UINT id, const char* arg) { return ShowMessage(id, arg); }

int CReportDialog::ShowMessage(UINT id, const char* arg, UINT type) {
    return WorkerMessageBox(AfxLoadText(id, arg), type);
}

void CReportDialog::ShowFormatDialog(PageFormat& format) {
    CHtmlFormatDlg dialog(this, format, true);
    dialog.DoModal();
}

#include "createlistdlg.h"
#include "helppage.h"
#include "listboxwidth.h"

#include <stdio.h>

#include "resource.h"

CCreateListDlg::CCreateListDlg(CWnd* parent, const RebuildSettings& folders, IProfileStore& store)
    : CReportDialog(IDD_CREATE_LIST, parent, folders, store),
      m_job(m_files, m_translator, *this, m_texts, folders.mapping) {
    ReadListSettings(m_store, m_settings);
}

BOOL CCreateListDlg::OnInitDialog() {
    FillFolderCombo(m_settings.baseFolderNo);
    FitListBoxRowHeight(GetDlgItem(IDC_LISTED_FILES));
    for (const std::string& name : m_settings.listedFiles)
        SendDlgItemMessage(IDC_LISTED_FILES, LB_ADDSTRING, 0, (LPARAM)name.c_str());
    SendDlgItemMessage(IDC_LISTED_FILES, LB_SETCURSEL, 0, 0);
    char ready[256];
    if (AfxLoadString(IDS_LIST_READY, ready, sizeof ready)) SetDlgItemText(IDC_STATUS_TEXT, ready);
    return TRUE;
}

BOOL CCreateListDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) != BN_CLICKED) return CDialog::OnCommand(wParam, lParam);
    switch (LOWORD(wParam)) {
    case IDC_ADD_LISTED_FILE:
        if (!Busy()) AddListedFile();
        return TRUE;
    case IDC_REMOVE_LISTED_FILE:
        if (!Busy()) RemoveListedFile();
        return TRUE;
    case IDC_FORMAT_BUTTON:
        if (!Busy()) ShowFormatDialog(m_settings.format);
        return TRUE;
    case IDHELP:
        OpenHelpPage(m_hWnd, HELP_LOCAL_LIST);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CCreateListDlg::AddListedFile() {
    LRESULT count = SendDlgItemMessage(IDC_LISTED_FILES, LB_GETCOUNT);
    if (count >= kMaxListedFiles) {
        CString format = AfxLoadText(IDS_TOO_MANY_LISTED);
        if (!format.IsEmpty())
            MessageBox(AfxFillText(format, std::to_string(kMaxListedFiles).c_str(), "%d"), nullptr,
                       MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CAddListedFileDlg add(this);
    if (add.DoModal() != IDOK || add.name.empty()) return;
    LRESULT row = SendDlgItemMessage(IDC_LISTED_FILES, LB_ADDSTRING, 0, (LPARAM)add.name.c_str());
    if (row >= 0) SendDlgItemMessage(IDC_LISTED_FILES, LB_SETCURSEL, (WPARAM)row);
}

void CCreateListDlg::RemoveListedFile() {
    LRESULT row = SendDlgItemMessage(IDC_LISTED_FILES, LB_GETCURSEL);
    if (row < 0) return;
    LRESULT left = SendDlgItemMessage(IDC_LISTED_FILES, LB_DELETESTRING, (WPARAM)row);
    if (left <= 0) return;
    SendDlgItemMessage(IDC_LISTED_FILES, LB_SETCURSEL, (WPARAM)(row < left ? row : left - 1));
}

void CCreateListDlg::OnOK() {
    if (Busy()) return;
    int folderNo = SelectedFolderNo();
    if (folderNo < 0) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    m_settings.baseFolderNo = folderNo;
    m_settings.listedFiles.clear();
    LRESULT count = SendDlgItemMessage(IDC_LISTED_FILES, LB_GETCOUNT);
    for (LRESULT i = 0; i < count && i < kMaxListedFiles; ++i) {
        char name[MAX_PATH];
        LRESULT length = SendDlgItemMessage(IDC_LISTED_FILES, LB_GETTEXTLEN, (WPARAM)i);
        if (length <= 0 || length >= (LRESULT)sizeof name) continue;
        SendDlgItemMessage(IDC_LISTED_FILES, LB_GETTEXT, (WPARAM)i, (LPARAM)name);
        m_settings.listedFiles.push_back(name);
    }
    WriteListSettings(m_store, m_settings);
    m_folder = FolderPath(folderNo);
    static const int kDisabled[] = {IDC_REBUILD_FOLDER, IDC_FORMAT_BUTTON, IDOK, IDC_ADD_LISTED_FILE,
                                    IDC_REMOVE_LISTED_FILE, 0};
    StartJob(kDisabled);
}

ReportJobResult CCreateListDlg::RunJob() { return m_job.Run(m_folder, m_settings.baseFolderNo, m_settings); }

CAddListedFileDlg::CAddListedFileDlg(CWnd* parent) : CDialog(IDD_ADD_LISTED_FILE, parent) {}

void CAddListedFileDlg::OnOK() {
    CString text = GetDlgItemText(IDC_LISTED_FILE_NAME);
    text.TrimLeft();
    text.TrimRight();
    name = text.c_str();
    EndDialog(IDOK);
}

#include "addfolderdlg.h"

#include "folderpicker.h"
#include "resource.h"
#include "zvcore32.h"

CAddFolderDlg::CAddFolderDlg(CWnd* parent) : CDialog(IDD_ADD_FOLDER, parent) {}

BOOL CAddFolderDlg::OnInitDialog() {
    SetDlgItemText(IDC_ADD_FOLDER_EDIT, folder);
    SendDlgItemMessage(IDC_ADD_FOLDER_EDIT, EM_LIMITTEXT, MAX_PATH - 2);
    return TRUE;
}

BOOL CAddFolderDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) != IDC_ADD_FOLDER_BROWSE) return CDialog::OnCommand(wParam, lParam);
    CString title;
    title.LoadString(IDS_CHOOSE_REBUILD_FOLDER);
    std::string chosen = GetDlgItemText(IDC_ADD_FOLDER_EDIT).c_str();
    if (BrowseForFolder(m_hWnd, title, chosen)) SetDlgItemText(IDC_ADD_FOLDER_EDIT, chosen.c_str());
    return TRUE;
}

void CAddFolderDlg::OnOK() {
    folder = GetDlgItemText(IDC_ADD_FOLDER_EDIT);
    CDialog::OnOK();
}

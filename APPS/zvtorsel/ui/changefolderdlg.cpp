#include "changefolderdlg.h"

#include "listboxwidth.h"
#include "resource.h"

CChangeFolderDlg::CChangeFolderDlg(CWnd* parent, const RebuildSettings& settings, int current)
    : CDialog(IDD_CHANGE_FOLDER, parent), chosen(current), settings_(settings) {}

BOOL CChangeFolderDlg::OnInitDialog() {
    int select = -1;
    for (int n = 0; n < kRebuildFolderCount; ++n) {
        if (!settings_.FolderInUse(n)) continue;
        LRESULT row =
            SendDlgItemMessage(IDC_CHANGE_FOLDER_LIST, LB_ADDSTRING, 0, (LPARAM)settings_.rebuildFolders[n].c_str());
        if (row < 0) continue;
        SendDlgItemMessage(IDC_CHANGE_FOLDER_LIST, LB_SETITEMDATA, (WPARAM)row, n);
        if (n == chosen || select < 0) select = (int)row;
    }
    if (select >= 0) SendDlgItemMessage(IDC_CHANGE_FOLDER_LIST, LB_SETCURSEL, (WPARAM)select);
    FitListBoxScrollWidth(GetDlgItem(IDC_CHANGE_FOLDER_LIST));
    FitListBoxRowHeight(GetDlgItem(IDC_CHANGE_FOLDER_LIST));
    ::EnableWindow(GetDlgItem(IDOK), select >= 0);
    return TRUE;
}

BOOL CChangeFolderDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDC_CHANGE_FOLDER_LIST && HIWORD(wParam) == LBN_DBLCLK) {
        OnOK();
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CChangeFolderDlg::OnOK() {
    LRESULT row = SendDlgItemMessage(IDC_CHANGE_FOLDER_LIST, LB_GETCURSEL);
    if (row == LB_ERR) return;
    chosen = (int)SendDlgItemMessage(IDC_CHANGE_FOLDER_LIST, LB_GETITEMDATA, (WPARAM)row);
    CDialog::OnOK();
}

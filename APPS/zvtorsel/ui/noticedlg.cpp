#include "noticedlg.h"

#include "helppage.h"
#include "profilestore.h"
#include "resource.h"

CNoticeDlg::CNoticeDlg(CWnd* parent) : CDialog(IDD_NOTICE, parent) {}

BOOL CNoticeDlg::OnInitDialog() {
    CheckDlgButton(IDC_NOTICE_NO_MORE, hideFromNowOn ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

BOOL CNoticeDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDHELP) {
        OpenHelpPage(m_hWnd, HELP_NOTICE);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CNoticeDlg::StoreChoice() {
    hideFromNowOn = IsDlgButtonChecked(IDC_NOTICE_NO_MORE) == BST_CHECKED;
    if (CWinApp* app = AfxGetApp()) {
        CAppProfileStore store(*app);
        WriteNoWarning129(store, hideFromNowOn);
    }
}

void CNoticeDlg::OnOK() {
    StoreChoice();
    CDialog::OnOK();
}

// Closing the window keeps the box's state too: the user saw the notice either way.
void CNoticeDlg::OnCancel() {
    StoreChoice();
    CDialog::OnCancel();
}

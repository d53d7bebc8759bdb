#include "addfolderdlg.h"

#include <shlobj.h>

#include <vector>

#include "resource.h"
#include "zvcore32.h"

namespace {

// The picker selects the initial folder once it is up; "C:" alone and a
// folder with trailing separators are tidied as the shell wants them.
int CALLBACK SelectInitialFolder(HWND picker, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data) SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

// Runs of separators shortened, the trailing one dropped except at a root.
std::string TidyInitialFolder(const std::string& folder) {
    std::vector<char> buffer(folder.begin(), folder.end());
    buffer.push_back('\0');
    zvControlRightPathA(buffer.data());
    std::string tidy = buffer.data();
    if (tidy.size() == 2 && tidy[1] == ':') return tidy + '\\';
    if (tidy.size() <= 3) return tidy;
    // The last byte is a separator only when it does not end a double-byte character.
    const BYTE* lead = zvGetDBCSLeadTable();
    size_t i = 0, last = 0;
    while (i < tidy.size()) {
        last = i;
        i += lead && lead[(BYTE)tidy[i]] && i + 1 < tidy.size() ? 2 : 1;
    }
    if (last == tidy.size() - 1 && (tidy.back() == '\\' || tidy.back() == '/')) tidy.pop_back();
    return tidy;
}

}  // namespace

bool BrowseForFolder(HWND owner, const char* title, std::string& folder) {
    std::string initial = TidyInitialFolder(folder);
    char display[MAX_PATH] = "";
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = SelectInitialFolder;
    info.lParam = initial.empty() ? 0 : (LPARAM)initial.c_str();
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (!chosen) return false;
    char path[MAX_PATH] = "";
    bool found = SHGetPathFromIDListA(chosen, path) != FALSE;
    CoTaskMemFree(chosen);
    if (found) folder = path;
    return found;
}

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

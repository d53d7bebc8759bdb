#include "optionsdlg.h"

#include <string>

#include "addfolderdlg.h"
#include "folderpicker.h"
#include "helppage.h"
#include "listboxwidth.h"
#include "mapping/mapping_settings.h"
#include "resource.h"
#include "settings.h"
#include "spidlg.h"

namespace {

// The ten check boxes and the setting each holds.
struct SwitchBox {
    int id;
    int RebuildSettings::*value;
};
const SwitchBox kSwitches[] = {
    {IDC_OPT_VIEW_HIST_TREE, &RebuildSettings::viewHistTree},
    {IDC_OPT_HIDE_WARNING, &RebuildSettings::hideWarning},
    {IDC_OPT_CNVT_PERCENT, &RebuildSettings::cnvtPercent},
    {IDC_OPT_CHECK_COPY_MARK, &RebuildSettings::checkCopyMark},
    {IDC_OPT_MOVE_CHECK_SP, &RebuildSettings::moveCheckSP},
    {IDC_OPT_CACHE_BACK_DL, &RebuildSettings::cacheBackDL},
    {IDC_OPT_XLAT_REBUILD, &RebuildSettings::xlatRebuild},
    {IDC_OPT_USE_NOFRAME_TAG, &RebuildSettings::useNoframeTag},
    {IDC_OPT_RENAME_OLD, &RebuildSettings::renameOld},
    {IDC_OPT_CONT_RBLD_TREE, &RebuildSettings::contRbldTree},
};

// Posted by the folder list when the space key is pressed on it.
const UINT kToggleBracketsCommand = IDC_OPT_FOLDERS;
const WORD kSpaceNotification = 0x7001;

}  // namespace

COptionsDlg::COptionsDlg(CWnd* parent, RebuildOptions& options) : CDialog(IDD_OPTIONS, parent), options_(options) {}

BOOL COptionsDlg::OnInitDialog() {
    folders_.Assign(options_.settings.rebuildFolders);
    FillFolderList(0);
    // The space key brackets like a double click; the list's own window
    // procedure is wrapped so that the key never reaches its selection logic.
    HWND list = GetDlgItem(IDC_OPT_FOLDERS);
    SetWindowLongPtrA(list, GWLP_USERDATA, (LONG_PTR)this);
    listProc_ = (WNDPROC)SetWindowLongPtrA(list, GWLP_WNDPROC, (LONG_PTR)&COptionsDlg::FolderListProc);

    for (const SwitchBox& box : kSwitches)
        CheckDlgButton(box.id, options_.settings.*box.value ? BST_CHECKED : BST_UNCHECKED);
    FollowCopyCheck();
    int form = MappingSettings::ValidFileProtocolType(options_.fileProtocolType);
    CheckDlgButton(form == 1 ? IDC_OPT_FILE_PROTOCOL_1 : form == 3 ? IDC_OPT_FILE_PROTOCOL_3 : IDC_OPT_FILE_PROTOCOL_2,
                   BST_CHECKED);
    SendDlgItemMessage(IDC_OPT_CACHE_FOLDER, EM_LIMITTEXT, MAX_PATH - 2);
    SetDlgItemText(IDC_OPT_CACHE_FOLDER, options_.settings.cacheFolder.c_str());
    return TRUE;
}

void COptionsDlg::OnDestroy() {
    HWND list = GetDlgItem(IDC_OPT_FOLDERS);
    if (list && listProc_) SetWindowLongPtrA(list, GWLP_WNDPROC, (LONG_PTR)listProc_);
    listProc_ = nullptr;
}

LRESULT CALLBACK COptionsDlg::FolderListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    COptionsDlg* self = (COptionsDlg*)GetWindowLongPtrA(list, GWLP_USERDATA);
    if (message == WM_KEYDOWN && wParam == VK_SPACE) {
        ::PostMessageA(::GetParent(list), WM_COMMAND, MAKEWPARAM(kToggleBracketsCommand, kSpaceNotification),
                       (LPARAM)list);
        return 0;
    }
    if (message == WM_CHAR && wParam == ' ') return 0;
    return CallWindowProcA(self->listProc_, list, message, wParam, lParam);
}

BOOL COptionsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    WORD code = HIWORD(wParam);
    switch (LOWORD(wParam)) {
        case IDC_OPT_FOLDERS:
            if (code == LBN_DBLCLK || code == kSpaceNotification) ToggleSelectedBrackets();
            if (code == LBN_SELCHANGE) UpdateFolderButtons();
            return TRUE;
        case IDC_OPT_UP:
            MoveSelected(true);
            return TRUE;
        case IDC_OPT_DOWN:
            MoveSelected(false);
            return TRUE;
        case IDC_OPT_ADD:
            AddFolder();
            return TRUE;
        case IDC_OPT_REMOVE:
            RemoveSelected();
            return TRUE;
        case IDC_OPT_CHECK_COPY_MARK:
            if (code == BN_CLICKED) FollowCopyCheck();
            return TRUE;
        case IDC_OPT_CACHE_BROWSE:
            BrowseCacheFolder();
            return TRUE;
        case IDC_OPT_SUSIE:
            ShowSusiePlugins();
            return TRUE;
        case IDHELP:
            OpenHelpPage(m_hWnd, HELP_OPTIONS);
            return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void COptionsDlg::FillFolderList(int select) {
    SendDlgItemMessage(IDC_OPT_FOLDERS, LB_RESETCONTENT);
    for (int i = 0; i < folders_.Count(); ++i)
        SendDlgItemMessage(IDC_OPT_FOLDERS, LB_ADDSTRING, 0, (LPARAM)folders_.At(i).c_str());
    if (select >= 0 && select < folders_.Count()) SendDlgItemMessage(IDC_OPT_FOLDERS, LB_SETCURSEL, select);
    FitListBoxScrollWidth(GetDlgItem(IDC_OPT_FOLDERS));
    FitListBoxRowHeight(GetDlgItem(IDC_OPT_FOLDERS));
    UpdateFolderButtons();
}

// Steps that would leave the list without a usable current folder are greyed.
void COptionsDlg::UpdateFolderButtons() {
    int index = SelectedFolder();
    ::EnableWindow(GetDlgItem(IDC_OPT_UP), folders_.CanMoveUp(index));
    ::EnableWindow(GetDlgItem(IDC_OPT_DOWN), folders_.CanMoveDown(index));
    ::EnableWindow(GetDlgItem(IDC_OPT_REMOVE), folders_.CanRemove(index));
}

int COptionsDlg::SelectedFolder() {
    LRESULT index = SendDlgItemMessage(IDC_OPT_FOLDERS, LB_GETCURSEL);
    return index == LB_ERR ? -1 : (int)index;
}

void COptionsDlg::MoveSelected(bool up) {
    int index = SelectedFolder();
    if (!(up ? folders_.MoveUp(index) : folders_.MoveDown(index))) {
        if (index >= 0) MessageBeep(MB_OK);
        return;
    }
    FillFolderList(up ? index - 1 : index + 1);
}

void COptionsDlg::ToggleSelectedBrackets() {
    int index = SelectedFolder();
    if (!folders_.ToggleBrackets(index)) {
        if (index >= 0) MessageBeep(MB_OK);
        return;
    }
    FillFolderList(index);
}

void COptionsDlg::AddFolder() {
    if (folders_.IsFull()) {
        CString text;
        text.Format(IDS_TOO_MANY_FOLDERS, (int)CRebuildFolderList::kMaxFolders);
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CAddFolderDlg dialog(this);
    if (dialog.DoModal() != IDOK) return;
    int added = folders_.Add(dialog.folder.c_str());
    if (added >= 0) FillFolderList(added);
}

void COptionsDlg::RemoveSelected() {
    int index = SelectedFolder();
    if (!folders_.CanRemove(index)) {
        if (index >= 0) MessageBeep(MB_OK);
        return;
    }
    FillFolderList(folders_.Remove(index));
}

void COptionsDlg::BrowseCacheFolder() {
    CString title;
    title.LoadString(IDS_CHOOSE_CACHE_FOLDER);
    std::string folder = GetDlgItemText(IDC_OPT_CACHE_FOLDER).c_str();
    if (BrowseForFolder(m_hWnd, title, folder)) SetDlgItemText(IDC_OPT_CACHE_FOLDER, folder.c_str());
}

// The plug-in list dialog is a separate piece of work; until it is linked
// in, the button says so instead of doing nothing.
void COptionsDlg::ShowSusiePlugins() {
    CSpiSettingsDlg dialog(this);
    dialog.DoModal();
}

void COptionsDlg::FollowCopyCheck() {
    ::EnableWindow(GetDlgItem(IDC_OPT_MOVE_CHECK_SP), IsDlgButtonChecked(IDC_OPT_CHECK_COPY_MARK) == BST_CHECKED);
}

void COptionsDlg::OnOK() {
    RebuildOptions edited = options_;
    folders_.Export(edited.settings.rebuildFolders);
    for (const SwitchBox& box : kSwitches)
        edited.settings.*box.value = IsDlgButtonChecked(box.id) == BST_CHECKED ? 1 : 0;
    edited.fileProtocolType = IsDlgButtonChecked(IDC_OPT_FILE_PROTOCOL_1) == BST_CHECKED   ? 1
                              : IsDlgButtonChecked(IDC_OPT_FILE_PROTOCOL_3) == BST_CHECKED ? 3
                                                                                           : 2;
    CString typed = GetDlgItemText(IDC_OPT_CACHE_FOLDER);
    typed.TrimLeft();
    typed.TrimRight();
    std::string cache = typed.c_str();
    edited.settings.cacheFolder = cache.empty() ? cache : NormaliseFolder(cache);
    if (CWinApp* app = AfxGetApp()) WriteRebuildSettings(*app, edited);
    options_ = edited;
    CDialog::OnOK();
}

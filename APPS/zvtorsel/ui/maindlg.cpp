#include "maindlg.h"

#include <shellapi.h>
#include <stdio.h>

#include "appstate.h"
#include "createlistdlg.h"
#include "downloaddlg.h"
#include "download/win32/downloadworkers.h"
#include "folderpicker.h"
#include "helppage.h"
#include "htmlformatdlg.h"
#include "keywordsearchdlg.h"
#include "mapping/mapping_settings.h"
#include "messages.h"
#include "noticedlg.h"
#include "options/rebuildoptions.h"
#include "optionsdlg.h"
#include "picturescandlg.h"
#include "rebuildtreedlg.h"
#include "reportjob.h"
#include "resource.h"
#include "settings.h"
#include "zvcore32.h"

namespace {

const char kBrowserKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE";

bool IsLink(int id) { return id == IDC_MAIN_MAIL || id == IDC_MAIN_WEB; }

}  // namespace

CMainDlg::CMainDlg(CWinApp& app) : CDialog(IDD_MAIN), app_(app) {
    icon_ = LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_PROGRAM));
    ReadRebuildSettings(app_, settings_);
}

BOOL CMainDlg::OnInitDialog() {
    SendMessage(WM_SETICON, ICON_BIG, (LPARAM)icon_);
    SendMessage(WM_SETICON, ICON_SMALL, (LPARAM)icon_);

    CAppProfileStore store(app_);
    RebuildSection rebuild;
    ReadRebuildSection(store, DefaultRebuildFolder().c_str(), rebuild);
    if (!rebuild.noWarning129) {
        bool noMoreNotice = false;
        if (RunNoticeDialog(noMoreNotice)) WriteNoWarning129(store, noMoreNotice);
    }
    ListSettings list;
    ReadListSettings(store, list);
    baseFolderNo_ = list.baseFolderNo;
    if (baseFolderNo_ < 0 || baseFolderNo_ >= kRebuildFolderCount) baseFolderNo_ = 0;
    listFolder_ = baseFolderNo_;

    HFONT dialogFont = (HFONT)SendMessage(WM_GETFONT);
    LOGFONTA font;
    if (dialogFont && GetObjectA(dialogFont, sizeof(font), &font)) {
        font.lfUnderline = TRUE;
        linkFont_ = CreateFontIndirectA(&font);
    }
    SetDlgItemText(IDC_MAIN_MAIL, AfxLoadText(IDS_MAKER_MAIL).c_str());
    SetDlgItemText(IDC_MAIN_WEB, AfxLoadText(IDS_MAKER_WEB).c_str());
    if (linkFont_) {
        SendDlgItemMessage(IDC_MAIN_MAIL, WM_SETFONT, (WPARAM)linkFont_, FALSE);
        SendDlgItemMessage(IDC_MAIN_WEB, WM_SETFONT, (WPARAM)linkFont_, FALSE);
    }
    SendDlgItemMessage(IDC_MAIN_FOLDER, EM_LIMITTEXT, kPathBufferSize - 2);
    SetDlgItemText(IDC_MAIN_FOLDER, settings_.rebuildFolders[0].c_str());
    SetStatus(IDS_STATUS_SET_FOLDER);
    ::EnableWindow(GetDlgItem(IDC_MAIN_OPEN_KEYWORD), FALSE);
    ::EnableWindow(GetDlgItem(IDC_MAIN_OPEN_PICTURE), FALSE);
    return TRUE;
}

BOOL CMainDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    int id = LOWORD(wParam);
    if (IsLink(id)) {
        if (HIWORD(wParam) == STN_CLICKED) OpenMakerLink(id);
        return TRUE;
    }
    if (HIWORD(wParam) != BN_CLICKED) return CDialog::OnCommand(wParam, lParam);
    switch (id) {
    case IDC_MAIN_BROWSE: OnBrowse(); return TRUE;
    case IDC_MAIN_REBUILD_TREE: OnRebuildTree(); return TRUE;
    case IDC_MAIN_START_IE: OnStartBrowser(); return TRUE;
    case IDC_MAIN_CREATE_LIST: OnCreateList(); return TRUE;
    case IDC_MAIN_OPEN_LIST: OnOpenList(); return TRUE;
    case IDC_MAIN_KEYWORD: OnKeywordSearch(); return TRUE;
    case IDC_MAIN_OPEN_KEYWORD: OnOpenKeywordResult(); return TRUE;
    case IDC_MAIN_PICTURE: OnPictureScan(); return TRUE;
    case IDC_MAIN_OPEN_PICTURE: OnOpenPictureResult(); return TRUE;
    case IDC_MAIN_DOWNLOAD: OnDownload(); return TRUE;
    case IDC_MAIN_OPTIONS: OnOptions(); return TRUE;
    case IDC_MAIN_HELP: OnHelp(); return TRUE;
    case IDC_MAIN_EXIT: OnExit(); return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CMainDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (msg) {
    case WM_PAINT:
        if (!IsIconic(m_hWnd)) return FALSE;
        {
            // A minimised dialog shows the program's icon in the middle.
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(m_hWnd, &paint);
            SendMessage(WM_ICONERASEBKGND, (WPARAM)dc);
            RECT client;
            GetClientRect(m_hWnd, &client);
            int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
            int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
            DrawIcon(dc, x, y, icon_);
            EndPaint(m_hWnd, &paint);
        }
        *result = 0;
        return TRUE;
    case WM_QUERYDRAGICON:
        *result = (LRESULT)icon_;
        return TRUE;
    case WM_CTLCOLORSTATIC:
        if (!IsLink(GetDlgCtrlID((HWND)lParam))) return FALSE;
        SetTextColor((HDC)wParam, RGB(0, 0, 255));
        SetBkMode((HDC)wParam, TRANSPARENT);
        *result = (LRESULT)GetSysColorBrush(COLOR_BTNFACE);
        return TRUE;
    case WM_SETCURSOR:
        if (!IsLink(GetDlgCtrlID((HWND)wParam))) return FALSE;
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        *result = TRUE;
        return TRUE;
    case WM_DESTROY:
        if (linkFont_) DeleteObject(linkFont_);
        linkFont_ = nullptr;
        return FALSE;
    }
    return FALSE;
}

void CMainDlg::OpenMakerLink(int id) {
    std::string target = AfxLoadText(id == IDC_MAIN_MAIL ? IDS_MAKER_MAIL : IDS_MAKER_WEB).c_str();
    if (id == IDC_MAIN_MAIL) target = "mailto:" + target;
    ShellExecuteA(m_hWnd, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

const std::string& CMainDlg::FolderPath(int number) const {
    static const std::string none;
    return number >= 0 && number < kRebuildFolderCount ? settings_.rebuildFolders[number] : none;
}

void CMainDlg::SetStatus(const char* text) { SetDlgItemText(IDC_MAIN_STATUS, text); }

void CMainDlg::SetStatus(UINT id) { SetStatus(AfxLoadText(id).c_str()); }

void CMainDlg::SetCountStatus(UINT labelId, DWORD count) {
    char text[256];
    snprintf(text, sizeof(text), "%s : %s", AfxLoadText(labelId).c_str(), AfxFormatCount(count).c_str());
    SetStatus(text);
}

void CMainDlg::SaveFolder() {
    char folder[kPathBufferSize];
    ::GetDlgItemTextA(m_hWnd, IDC_MAIN_FOLDER, folder, sizeof(folder) - 1);
    if (folder[0] && folder[0] != '(') {
        size_t n = strlen(folder);
        folder[n] = '\\';
        folder[n + 1] = '\0';
        zvControlRightPathA(folder);
    }
    settings_.rebuildFolders[0] = folder;
    CAppProfileStore store(app_);
    WriteRebuildFolder(store, folder);
    SetDlgItemText(IDC_MAIN_FOLDER, folder);
}

void CMainDlg::OnBrowse() {
    std::string folder = GetDlgItemText(IDC_MAIN_FOLDER).c_str();
    if (BrowseForFolder(m_hWnd, AfxLoadText(IDS_BROWSE_FOLDER_TITLE), folder))
        SetDlgItemText(IDC_MAIN_FOLDER, folder.c_str());
}

void CMainDlg::OnRebuildTree() {
    SaveFolder();
    bool anyFolder = false;
    for (int n = 0; n < kRebuildFolderCount && !anyFolder; ++n) anyFolder = settings_.FolderInUse(n);
    if (!anyFolder) {
        ShowResourceMessage(IDS_NO_FOLDER);
        return;
    }
    // Shift inverts the automatic copy marks for this tree only.
    RebuildSettings settings = settings_;
    if (GetKeyState(VK_SHIFT) < 0) settings.checkCopyMark = !settings.checkCopyMark;
    CRebuildTreeDlg tree(app_, settings, App().historyPrefixLength, this);
    if (tree.DoModal() != 1) return;
    int failed = tree.FailedFiles();
    if (failed == 0) {
        SetStatus(IDS_REBUILD_DONE);
        return;
    }
    SetStatus(AfxLoadText(IDS_REBUILD_DONE_FAILED, AfxFormatCount((DWORD)failed)).c_str());
}

void CMainDlg::OnStartBrowser() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBrowserKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        ShowResourceMessage(IDS_NO_BROWSER);
        return;
    }
    char path[1024];
    DWORD size = sizeof(path) - 1;
    DWORD type = 0;
    LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, (BYTE*)path, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        ShowResourceMessage(IDS_NO_BROWSER);
        return;
    }
    if (type != REG_SZ) return;
    path[size < sizeof(path) ? size : sizeof(path) - 1] = '\0';
    std::string commandLine = std::string("\"") + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(path, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void CMainDlg::OnCreateList() {
    SaveFolder();
    ReportResult result;
    result.folderNumber = baseFolderNo_;
    if (!RunAddressListDialog(result)) return;
    if (result.stopped) {
        SetStatus(IDS_CANCELLED);
        return;
    }
    SetCountStatus(IDS_LIST_COUNT, result.found);
    listFolder_ = result.folderNumber;
}

void CMainDlg::OnOpenList() { OpenPage(FolderPath(listFolder_), "locallst.htm", IDS_NO_ADDRESS_LIST); }

void CMainDlg::OnKeywordSearch() {
    SaveFolder();
    ReportResult result;
    if (!RunKeywordSearchDialog(result)) return;
    if (result.stopped) {
        SetStatus(IDS_CANCELLED);
        ::EnableWindow(GetDlgItem(IDC_MAIN_OPEN_KEYWORD), FALSE);
        return;
    }
    std::string text = std::string(AfxLoadText(IDS_FOUND_COUNT).c_str()) + " : " +
                       AfxFormatCount(result.found).c_str() + " / " + AfxFormatCount(result.searched).c_str();
    SetStatus(text.c_str());
    keywordFolder_ = result.folderNumber;
    keywordResult_ = result.resultFile;
    ::EnableWindow(GetDlgItem(IDC_MAIN_OPEN_KEYWORD), TRUE);
}

void CMainDlg::OnOpenKeywordResult() {
    if (keywordResult_.empty()) {
        ShowResourceMessage(IDS_NOT_SEARCHED);
        return;
    }
    OpenPage(FolderPath(keywordFolder_), keywordResult_.c_str(), IDS_NO_KEYWORD_RESULT);
}

void CMainDlg::OnPictureScan() {
    SaveFolder();
    ReportResult result;
    if (!RunPictureScanDialog(result)) return;
    if (result.stopped) {
        SetStatus(IDS_CANCELLED);
        ::EnableWindow(GetDlgItem(IDC_MAIN_OPEN_PICTURE), FALSE);
        return;
    }
    SetCountStatus(IDS_FOUND_COUNT, result.found);
    pictureFolder_ = result.folderNumber;
    pictureResult_ = result.resultFile;
    ::EnableWindow(GetDlgItem(IDC_MAIN_OPEN_PICTURE), TRUE);
}

void CMainDlg::OnOpenPictureResult() {
    if (pictureResult_.empty()) {
        ShowResourceMessage(IDS_NOT_SEARCHED);
        return;
    }
    OpenPage(FolderPath(pictureFolder_), pictureResult_.c_str(), IDS_NO_PICTURE_RESULT);
}

void CMainDlg::OnDownload() {
    SaveFolder();
    ReportResult result;
    if (!RunDownloadDialog(result)) return;
    SetCountStatus(IDS_FOUND_COUNT, result.found);
}

void CMainDlg::OnOptions() {
    // The typed folder is the current one: the options show it and keep it.
    SaveFolder();
    RebuildSettings settings = settings_;
    if (RunOptionsDialog(settings)) {
        settings_ = settings;
        SetDlgItemText(IDC_MAIN_FOLDER, settings_.rebuildFolders[0].c_str());
    }
}

void CMainDlg::OnHelp() { OpenHelpPage(m_hWnd, HELP_MAIN); }

void CMainDlg::OnExit() {
    SaveFolder();
    EndDialog(IDOK);
}

void CMainDlg::OpenPage(const std::string& folder, const char* file, UINT failId) {
    // By its full path: a bare name would find the help page of the same
    // name in the program's folder first.
    std::string page = folder + file;
    HINSTANCE done = ShellExecuteA(m_hWnd, "open", page.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
    if ((INT_PTR)done <= 32) ShowResourceMessage(failId);
}

// ---- Dialogs provided by other parts of the program ---------------------------

bool CMainDlg::RunNoticeDialog(bool& noMoreNotice) {
    CNoticeDlg notice(this);
    notice.DoModal();
    noMoreNotice = notice.hideFromNowOn;
    return true;
}

// A report dialog that wrote no page has said why; its result is not taken.
bool CMainDlg::RunAddressListDialog(ReportResult& result) {
    CAppProfileStore store(app_);
    CCreateListDlg dialog(this, settings_, store);
    if (dialog.DoModal() != IDOK || dialog.result.failed) return false;
    result = dialog.result;
    return true;
}

bool CMainDlg::RunKeywordSearchDialog(ReportResult& result) {
    CAppProfileStore store(app_);
    CKeywordSearchDlg dialog(this, settings_, store);
    if (dialog.DoModal() != IDOK || dialog.result.failed) return false;
    result = dialog.result;
    return true;
}

bool CMainDlg::RunPictureScanDialog(ReportResult& result) {
    CPictureScanDlg dialog(settings_, this);
    dialog.editFormat = [this](PictureScanSettings& scan) {
        CHtmlFormatDlg format(this, scan.format, false);
        return format.DoModal() == IDOK;
    };
    if (dialog.DoModal() != 1) return false;
    const PictureScanOutcome& outcome = dialog.Outcome();
    result.stopped = outcome.stopped;
    result.found = (DWORD)outcome.pictures;
    result.folderNumber = outcome.folderNo;
    result.resultFile = outcome.pageName;
    return true;
}

bool CMainDlg::RunDownloadDialog(ReportResult& result) {
    CDownloadWorkers workers;
    CDownloadDlg dialog(this, settings_.rebuildFolders[0].c_str(), workers);
    if (dialog.DoModal() != IDOK) return false;
    result.found = (DWORD)dialog.GetFoundCount();
    return true;
}

bool CMainDlg::RunOptionsDialog(RebuildSettings& settings) {
    RebuildOptions options;
    options.settings = settings;
    options.fileProtocolType = settings.mapping.fileProtocolType;
    COptionsDlg dialog(this, options);
    if (dialog.DoModal() != IDOK) return false;
    settings = options.settings;
    settings.mapping.fileProtocolType = MappingSettings::ValidFileProtocolType(options.fileProtocolType);
    return true;
}

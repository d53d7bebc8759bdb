#include "picturescandlg.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>
#include <stdio.h>

#include "dlgmessage.h"
#include "folderpicker.h"
#include "helppage.h"
#include "pictures/win32/win32captions.h"
#include "base/win32/win32files.h"
#include "picturesettings.h"
#include "profilestore.h"
#include "resource.h"
#include "windowmessages.h"
#include "zvlibrary.h"

namespace {

const int kTypeControls[6] = {IDC_TYPE_BMP, IDC_TYPE_GIF, IDC_TYPE_JPG, IDC_TYPE_PNG, IDC_TYPE_PJPG, IDC_TYPE_XBM};
// Every input control, disabled while the worker runs.
const int kInputControls[] = {IDC_REBUILD_FOLDER,
                              IDC_SCAN_CONDITION,
                              IDC_SCAN_FOLDER,
                              IDC_SCAN_BROWSE,
                              IDC_SCAN_LIMIT,
                              IDC_TYPE_BMP,
                              IDC_TYPE_GIF,
                              IDC_TYPE_JPG,
                              IDC_TYPE_PNG,
                              IDC_TYPE_PJPG,
                              IDC_TYPE_XBM,
                              IDC_CLASS_RES_FILE,
                              IDC_ADD_OTHER,
                              IDC_SIZE_MIN_X,
                              IDC_SIZE_MIN_Y,
                              IDC_SIZE_MAX_X,
                              IDC_SIZE_MAX_Y,
                              IDC_THUMBNAIL,
                              IDC_THUMB_NAMING,
                              IDC_THUMB_FONT,
                              IDC_THUMB_WIDTH,
                              IDC_THUMB_COUNT,
                              IDC_BORDER,
                              IDC_SEPARATION,
                              IDC_FORMAT_BUTTON,
                              IDOK,
                              IDHELP,
                              IDC_THUMB_WIDTH_LABEL,
                              IDC_THUMB_COUNT_LABEL};

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

}  // namespace

CPictureScanDlg::CPictureScanDlg(const RebuildSettings& folders, CWnd* parent)
    : CWorkerDialog(IDD_PICTURE_SCAN, parent, WM_REPORT_REFRESH), folders_(folders) {
    if (CWinApp* app = AfxGetApp()) {
        CAppProfileStore store(*app);
        ReadPictureScanSettings(store, AfxLoadText(IDS_DEFAULT_THUMB_FONT).c_str(), settings_);
    }
}

int CPictureScanDlg::ChosenFolder() const {
    HWND combo = GetDlgItem(IDC_REBUILD_FOLDER);
    int row = (int)::SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return row < 0 ? 0 : (int)::SendMessageA(combo, CB_GETITEMDATA, row, 0);
}

void CPictureScanDlg::FillFolders() {
    HWND combo = GetDlgItem(IDC_REBUILD_FOLDER);
    int select = -1;
    for (int n = 0; n < kRebuildFolderCount; ++n) {
        if (!folders_.FolderInUse(n)) continue;
        int row = (int)::SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)folders_.rebuildFolders[n].c_str());
        ::SendMessageA(combo, CB_SETITEMDATA, row, n);
        if (n == settings_.baseFolderNo || select < 0) select = row;
    }
    ::SendMessageA(combo, CB_SETCURSEL, select < 0 ? 0 : select, 0);
}

// The first choice searches the folder; then every keyword result page of
// the chosen rebuild folder, shown by its expression.
void CPictureScanDlg::FillConditions() {
    HWND combo = GetDlgItem(IDC_SCAN_CONDITION);
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    ::SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)AfxLoadText(IDS_SEARCH_ALL_FOLDERS).c_str());
    resultPages_.clear();
    std::vector<DirEntry> entries;
    CWin32Files files;
    files.ListFolder(folders_.rebuildFolders[ChosenFolder()].c_str(), entries);
    for (const DirEntry& e : entries) {
        if ((e.attributes & FILE_ATTRIBUTE_DIRECTORY) || !IsKeywordResultPage(e.name.c_str())) continue;
        resultPages_.push_back(e.name);
        ::SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)ResultPageExpression(e.name.c_str()).c_str());
    }
    ::SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

BOOL CPictureScanDlg::OnInitDialog() {
    LoadedSpiTable();
    FillFolders();
    searchFolder_ = folders_.rebuildFolders[ChosenFolder()];
    SetDlgItemText(IDC_SCAN_FOLDER, searchFolder_.c_str());
    FillConditions();
    SetDlgItemText(IDC_STATUS_TEXT, AfxLoadText(IDS_PICTURE_SCAN_READY).c_str());
    SetDlgItemInt(IDC_SCAN_LIMIT, settings_.scanLimit);
    for (int t = 0; t < 6; ++t) CheckDlgButton(kTypeControls[t], settings_.types[t]);
    CheckDlgButton(IDC_CLASS_RES_FILE, settings_.classResFile);
    CheckDlgButton(IDC_ADD_OTHER, settings_.addOther);
    SetDlgItemInt(IDC_SIZE_MIN_X, settings_.sizeMinX);
    SetDlgItemInt(IDC_SIZE_MIN_Y, settings_.sizeMinY);
    SetDlgItemInt(IDC_SIZE_MAX_X, settings_.sizeMaxX);
    SetDlgItemInt(IDC_SIZE_MAX_Y, settings_.sizeMaxY);
    CheckDlgButton(IDC_THUMBNAIL, settings_.thumbnail);
    CheckDlgButton(IDC_THUMB_NAMING, settings_.thumbNaming);
    CheckDlgButton(IDC_BORDER, settings_.border);
    CheckDlgButton(IDC_SEPARATION, settings_.separation);
    for (int id : {IDC_THUMB_WIDTH, IDC_THUMB_COUNT}) SendDlgItemMessage(id, TBM_SETRANGE, TRUE, MAKELPARAM(1, 32));
    SendDlgItemMessage(IDC_THUMB_WIDTH, TBM_SETPOS, TRUE, settings_.thumbWidth / 8);
    SendDlgItemMessage(IDC_THUMB_COUNT, TBM_SETPOS, TRUE, settings_.thumbHCount);
    for (int id : {IDC_SCAN_LIMIT, IDC_SIZE_MIN_X, IDC_SIZE_MIN_Y, IDC_SIZE_MAX_X, IDC_SIZE_MAX_Y})
        SendDlgItemMessage(id, EM_LIMITTEXT, id == IDC_SCAN_LIMIT ? 5 : 4);
    UpdateThumbSizes();
    UpdateEnabling();
    return TRUE;
}

void CPictureScanDlg::UpdateThumbSizes() {
    int width = (int)SendDlgItemMessage(IDC_THUMB_WIDTH, TBM_GETPOS) * 8;
    int count = (int)SendDlgItemMessage(IDC_THUMB_COUNT, TBM_GETPOS);
    char text[64];
    snprintf(text, sizeof(text), "%d \x81\x7e %d = %d", width, count, width * count);
    SetDlgItemText(IDC_THUMB_SIZES, text);
}

void CPictureScanDlg::UpdateEnabling() {
    if (WorkerBusy()) return;
    bool thumbnail = IsDlgButtonChecked(IDC_THUMBNAIL) != 0;
    bool naming = IsDlgButtonChecked(IDC_THUMB_NAMING) != 0;
    ::EnableWindow(GetDlgItem(IDC_SCAN_LIMIT), !IsDlgButtonChecked(IDC_SEPARATION));
    for (int id : {IDC_THUMB_NAMING, IDC_THUMB_WIDTH, IDC_THUMB_COUNT, IDC_THUMB_SIZES, IDC_THUMB_WIDTH_LABEL,
                   IDC_THUMB_COUNT_LABEL})
        ::EnableWindow(GetDlgItem(id), thumbnail);
    ::EnableWindow(GetDlgItem(IDC_THUMB_FONT), thumbnail && naming);
    bool searchFolder = SendDlgItemMessage(IDC_SCAN_CONDITION, CB_GETCURSEL) <= 0;
    ::EnableWindow(GetDlgItem(IDC_SCAN_FOLDER), searchFolder);
    ::EnableWindow(GetDlgItem(IDC_SCAN_BROWSE), searchFolder);
    ::EnableWindow(GetDlgItem(IDC_FORMAT_BUTTON), editFormat != nullptr);
}

void CPictureScanDlg::PickNameFont() {
    LOGFONTA font = ThumbnailLogFont(settings_);
    CHOOSEFONTA choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = m_hWnd;
    choose.lpLogFont = &font;
    choose.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
    choose.rgbColors = settings_.fontColor;
    if (!ChooseFontA(&choose)) return;
    settings_.fontHeight = font.lfHeight;
    settings_.fontWidth = font.lfWidth;
    settings_.fontEscapement = font.lfEscapement;
    settings_.fontOrientation = font.lfOrientation;
    settings_.fontWeight = font.lfWeight;
    settings_.fontItalic = font.lfItalic;
    settings_.fontUnderline = font.lfUnderline;
    settings_.fontStrikeOut = font.lfStrikeOut;
    settings_.fontCharSet = font.lfCharSet;
    settings_.fontOutPrecision = font.lfOutPrecision;
    settings_.fontClipPrecision = font.lfClipPrecision;
    settings_.fontQuality = font.lfQuality;
    settings_.fontPitchFamily = font.lfPitchAndFamily;
    settings_.fontName = font.lfFaceName;
    settings_.fontColor = choose.rgbColors;
}

void CPictureScanDlg::BrowseFolder() {
    std::string folder = GetDlgItemText(IDC_SCAN_FOLDER).c_str();
    if (BrowseForFolder(m_hWnd, AfxLoadText(IDS_CHOOSE_SEARCH_FOLDER), folder))
        SetDlgItemText(IDC_SCAN_FOLDER, folder.c_str());
}

BOOL CPictureScanDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    switch (id) {
        case IDC_REBUILD_FOLDER:
            if (code == CBN_SELCHANGE) {
                SetDlgItemText(IDC_SCAN_FOLDER, folders_.rebuildFolders[ChosenFolder()].c_str());
                FillConditions();
                UpdateEnabling();
            }
            return TRUE;
        case IDC_SCAN_CONDITION:
            if (code == CBN_SELCHANGE) UpdateEnabling();
            return TRUE;
        case IDC_THUMBNAIL:
        case IDC_THUMB_NAMING:
        case IDC_SEPARATION:
            UpdateEnabling();
            return TRUE;
        case IDC_THUMB_FONT:
            PickNameFont();
            return TRUE;
        case IDC_SCAN_BROWSE:
            BrowseFolder();
            return TRUE;
        case IDC_FORMAT_BUTTON:
            if (editFormat) editFormat(settings_);
            return TRUE;
        case IDHELP:
            OpenHelpPage(m_hWnd, HELP_LOCAL_PICTURE);
            return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

BOOL CPictureScanDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg != WM_HSCROLL) return CWorkerDialog::OnMessage(msg, wParam, lParam, result);
    UpdateThumbSizes();
    *result = 0;
    return TRUE;
}

void CPictureScanDlg::ReadControls() {
    settings_.baseFolderNo = ChosenFolder();
    settings_.scanLimit = Clamp((int)GetDlgItemInt(IDC_SCAN_LIMIT, nullptr, FALSE), 1, 99999);
    for (int t = 0; t < 6; ++t) settings_.types[t] = IsDlgButtonChecked(kTypeControls[t]) != 0;
    settings_.classResFile = IsDlgButtonChecked(IDC_CLASS_RES_FILE) != 0;
    settings_.addOther = IsDlgButtonChecked(IDC_ADD_OTHER) != 0;
    settings_.sizeMinX = Clamp((int)GetDlgItemInt(IDC_SIZE_MIN_X, nullptr, FALSE), 1, 9999);
    settings_.sizeMinY = Clamp((int)GetDlgItemInt(IDC_SIZE_MIN_Y, nullptr, FALSE), 1, 9999);
    settings_.sizeMaxX = Clamp((int)GetDlgItemInt(IDC_SIZE_MAX_X, nullptr, FALSE), 1, 9999);
    settings_.sizeMaxY = Clamp((int)GetDlgItemInt(IDC_SIZE_MAX_Y, nullptr, FALSE), 1, 9999);
    settings_.thumbnail = IsDlgButtonChecked(IDC_THUMBNAIL) != 0;
    settings_.thumbNaming = IsDlgButtonChecked(IDC_THUMB_NAMING) != 0;
    settings_.thumbWidth = (int)SendDlgItemMessage(IDC_THUMB_WIDTH, TBM_GETPOS) * 8;
    settings_.thumbHCount = (int)SendDlgItemMessage(IDC_THUMB_COUNT, TBM_GETPOS);
    settings_.border = IsDlgButtonChecked(IDC_BORDER) != 0;
    settings_.separation = IsDlgButtonChecked(IDC_SEPARATION) != 0;
    searchFolder_ = GetDlgItemText(IDC_SCAN_FOLDER).c_str();
    condition_ = (int)SendDlgItemMessage(IDC_SCAN_CONDITION, CB_GETCURSEL);
}

void CPictureScanDlg::OnOK() {
    if (WorkerBusy()) return;
    ReadControls();
    if (CWinApp* app = AfxGetApp()) {
        CAppProfileStore store(*app);
        WritePictureScanSettings(store, settings_);
    }
    for (int id : kInputControls) ::EnableWindow(GetDlgItem(id), FALSE);
    outcome_.folderNo = settings_.baseFolderNo;
    if (!StartWorker()) {
        ShowPictureMessage(IDS_NO_THREAD);
        EndDialog(IDCANCEL);
    }
}

void CPictureScanDlg::OnCancel() {
    if (WorkerBusy()) {
        RequestCancel();
        return;
    }
    EndDialog(IDCANCEL);
}

void CPictureScanDlg::Status(const char* text) { SetWorkerText(IDC_STATUS_TEXT, text, true); }

void CPictureScanDlg::Progress(const char* text) { SetWorkerText(IDC_PROGRESS_TEXT, text, true); }

void CPictureScanDlg::Message(UINT id, const char* arg) {
    WorkerMessageBox(AfxLoadText(id, arg).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

int CPictureScanDlg::RunWorker() {
    PictureScanJob job;
    job.settings = settings_;
    job.rebuildFolder = folders_.rebuildFolders[settings_.baseFolderNo];
    job.mapping = folders_.mapping;
    if (condition_ > 0 && condition_ <= (int)resultPages_.size())
        job.resultPage = job.rebuildFolder + resultPages_[condition_ - 1];
    job.searchFolder = searchFolder_;
    std::string title = AfxLoadText(IDS_PICTURE_PAGE_TITLE).c_str(), format = AfxLoadText(IDS_SEARCH_RESULT_OF).c_str();
    if (!title.empty()) job.pageTitle = title;
    if (!format.empty()) job.resultFormat = format;

    CWin32Files files;
    CSpiPlugins plugins(LoadedSpiTable());
    CFontCaptionMaker captions(settings_);
    PictureScanServices services(files, *this);
    services.plugins = &plugins;
    services.captions = &captions;
    services.formatCount = AfxFormatCount;
    services.cancel = CancelFlag();
    PictureScanResult result;
    bool ok = RunPictureScan(job, services, result);
    outcome_.stopped = CancelRequested() || !ok;
    outcome_.pictures = result.pictures;
    if (ok || result.pictures > 0) outcome_.pageName = result.pageName;
    return 1;
}

void CPictureScanDlg::OnWorkerEnd(int) { EndDialog(1); }

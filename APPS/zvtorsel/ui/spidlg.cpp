#include "spidlg.h"
#include "helppage.h"

#include <commctrl.h>
#include <commdlg.h>

#include "dlgmessage.h"
#include "pictures/win32/spihost.h"
#include "picturesettings.h"
#include "resource.h"

CSpiAddDlg::CSpiAddDlg(CWnd* parent) : CDialog(IDD_SPI_ADD, parent) {}

BOOL CSpiAddDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) != IDC_SPI_BROWSE) return CDialog::OnCommand(wParam, lParam);
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = "SPI (*.spi)\0*.spi\0All Files (*.*)\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetOpenFileNameA(&ofn)) return TRUE;
    SetDlgItemText(IDC_SPI_PATH, file);
    // The plug-in says which pictures it reads; the user may still change it.
    if (GetDlgItemText(IDC_SPI_EXTENSION).IsEmpty()) {
        SetDlgItemText(IDC_SPI_EXTENSION, PluginExtension(file).c_str());
    }
    return TRUE;
}

void CSpiAddDlg::OnOK() {
    extension = GetDlgItemText(IDC_SPI_EXTENSION).c_str();
    path = GetDlgItemText(IDC_SPI_PATH).c_str();
    if (extension.empty() && !path.empty()) extension = PluginExtension(path.c_str());
    if (extension.empty() || path.empty()) {
        ShowPictureMessage(IDS_SPI_FIELDS_EMPTY);
        ::SetFocus(GetDlgItem(path.empty() ? IDC_SPI_PATH : IDC_SPI_EXTENSION));
        return;
    }
    EndDialog(IDOK);
}

CSpiSettingsDlg::CSpiSettingsDlg(CWnd* parent) : CDialog(IDD_SPI_SETTINGS, parent) {
    for (const SpiPlugin& plugin : SpiTable()) rows_.push_back(SpiListEntry{plugin.extension, plugin.path});
}

void CSpiSettingsDlg::FillList() {
    HWND list = GetDlgItem(IDC_SPI_LIST);
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < rows_.size(); ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = (int)i;
        item.pszText = const_cast<char*>(rows_[i].extension.c_str());
        ::SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(rows_[i].path.c_str());
        ::SendMessageA(list, LVM_SETITEMTEXTA, i, (LPARAM)&item);
    }
}

BOOL CSpiSettingsDlg::OnInitDialog() {
    HWND list = GetDlgItem(IDC_SPI_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const UINT titles[2] = {IDS_SPI_COLUMN_EXTENSION, IDS_SPI_COLUMN_PATH};
    const int widths[2] = {64, 256};
    for (int c = 0; c < 2; ++c) {
        char title[64];
        AfxLoadString(titles[c], title, sizeof(title));
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = widths[c];
        column.pszText = title;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, c, (LPARAM)&column);
    }
    FillList();
    return TRUE;
}

void CSpiSettingsDlg::AddRow() {
    if (rows_.size() >= kMaxSpiPlugins) {
        ShowPictureMessageNumber(IDS_SPI_LIMIT, kMaxSpiPlugins);
        return;
    }
    CSpiAddDlg add(this);
    if (add.DoModal() != IDOK || add.extension.empty() || add.path.empty()) return;
    rows_.push_back(SpiListEntry{add.extension, add.path});
    FillList();
}

// The row last clicked is the selected one.
void CSpiSettingsDlg::DeleteRow() {
    int row = ListView_GetNextItem(GetDlgItem(IDC_SPI_LIST), -1, LVNI_SELECTED);
    if (row < 0 || row >= (int)rows_.size()) return;
    rows_.erase(rows_.begin() + row);
    FillList();
}

BOOL CSpiSettingsDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
        case IDC_SPI_ADD:
            AddRow();
            return TRUE;
        case IDC_SPI_DELETE:
            DeleteRow();
            return TRUE;
        case IDHELP:
            OpenHelpPage(m_hWnd, HELP_SET_SPI);
            return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CSpiSettingsDlg::OnOK() {
    ResetSpiTable(rows_);  // unloads the plug-ins first
    if (CWinApp* app = AfxGetApp()) WriteSpiList(*app, rows_);
    EndDialog(IDOK);
}

#include "keywordsearchdlg.h"

#include "folderpicker.h"
#include "helppage.h"
#include "resource.h"

namespace {

const int kKeywordCombos[kKeywordFields] = {IDC_KEYWORD1, IDC_KEYWORD2, IDC_KEYWORD3};

}  // namespace

CKeywordSearchDlg::CKeywordSearchDlg(CWnd* parent, const RebuildSettings& folders, IProfileStore& store)
    : CReportDialog(IDD_KEYWORD_SEARCH, parent, folders, store),
      m_job(m_files, m_translator, *this, m_texts, folders.mapping) {
    ReadSearchSettings(m_store, m_settings);
}

BOOL CKeywordSearchDlg::OnInitDialog() {
    FillFolderCombo(m_settings.baseFolderNo);
    SetDlgItemText(IDC_SEARCH_FOLDER, FolderPath(SelectedFolderNo()).c_str());
    for (int field = 0; field < kKeywordFields; ++field) {
        FillHistory(field);
        SendDlgItemMessage(kKeywordCombos[field], CB_LIMITTEXT, 255);
    }
    CheckDlgButton(m_settings.orOperation ? IDC_OPERATION_OR : IDC_OPERATION_AND, BST_CHECKED);
    CheckDlgButton(IDC_MATCH_CASE, m_settings.matchCase ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_PATTERNS, m_settings.patterns ? BST_CHECKED : BST_UNCHECKED);
    char ready[256];
    if (AfxLoadString(IDS_SEARCH_READY, ready, sizeof ready)) SetDlgItemText(IDC_STATUS_TEXT, ready);
    ::SetFocus(GetDlgItem(IDC_KEYWORD1));
    return FALSE;
}

void CKeywordSearchDlg::FillHistory(int field) {
    int id = kKeywordCombos[field];
    CString text = GetDlgItemText(id);
    SendDlgItemMessage(id, CB_RESETCONTENT);
    for (const std::string& word : m_settings.history[field])
        SendDlgItemMessage(id, CB_ADDSTRING, 0, (LPARAM)word.c_str());
    SetDlgItemText(id, text);
}

BOOL CKeywordSearchDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    int id = LOWORD(wParam);
    if (id == IDC_REBUILD_FOLDER && HIWORD(wParam) == CBN_SELCHANGE) {
        SetDlgItemText(IDC_SEARCH_FOLDER, FolderPath(SelectedFolderNo()).c_str());
        return TRUE;
    }
    if (HIWORD(wParam) != BN_CLICKED) return CDialog::OnCommand(wParam, lParam);
    switch (id) {
    case IDC_BROWSE_SEARCH_FOLDER:
        if (!Busy()) BrowseSearchFolder();
        return TRUE;
    case IDC_FORMAT_BUTTON:
        if (!Busy()) ShowFormatDialog(m_settings.format);
        return TRUE;
    case IDHELP:
        OpenHelpPage(m_hWnd, HELP_LOCAL_KEYWORD);
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

void CKeywordSearchDlg::BrowseSearchFolder() {
    std::string folder = GetDlgItemText(IDC_SEARCH_FOLDER).c_str();
    if (BrowseForFolder(m_hWnd, AfxLoadText(IDS_CHOOSE_SEARCH_FOLDER), folder))
        SetDlgItemText(IDC_SEARCH_FOLDER, folder.c_str());
}

void CKeywordSearchDlg::OnOK() {
    if (Busy()) return;
    std::vector<std::string> keywords(kKeywordFields);
    for (int field = 0; field < kKeywordFields; ++field)
        keywords[field] = GetDlgItemText(kKeywordCombos[field]).c_str();
    if (keywords[0].empty()) {
        ShowMessage(IDS_NO_KEYWORD, nullptr);
        ::SetFocus(GetDlgItem(IDC_KEYWORD1));
        return;
    }
    int folderNo = SelectedFolderNo();
    CString searchFolder = GetDlgItemText(IDC_SEARCH_FOLDER);
    if (folderNo < 0 || searchFolder.IsEmpty()) {
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    m_settings.baseFolderNo = folderNo;
    for (int field = 0; field < kKeywordFields; ++field) {
        AddToHistory(m_settings.history[field], keywords[field]);
        FillHistory(field);
    }
    m_settings.orOperation = IsDlgButtonChecked(IDC_OPERATION_OR) == BST_CHECKED;
    m_settings.matchCase = IsDlgButtonChecked(IDC_MATCH_CASE) == BST_CHECKED;
    m_settings.patterns = IsDlgButtonChecked(IDC_PATTERNS) == BST_CHECKED;
    WriteSearchSettings(m_store, m_settings);

    m_request.rebuildFolder = FolderPath(folderNo);
    m_request.folderNo = folderNo;
    m_request.searchFolder = searchFolder.c_str();
    m_request.keywords = keywords;
    m_request.orOperation = m_settings.orOperation;
    m_request.matchCase = m_settings.matchCase;
    m_request.patterns = m_settings.patterns;
    m_request.format = m_settings.format;
    static const int kDisabled[] = {IDC_REBUILD_FOLDER, IDC_SEARCH_FOLDER, IDC_BROWSE_SEARCH_FOLDER,
                                    IDC_KEYWORD1, IDC_KEYWORD2, IDC_KEYWORD3, IDC_OPERATION_AND,
                                    IDC_OPERATION_OR, IDC_MATCH_CASE, IDC_PATTERNS, IDC_FORMAT_BUTTON,
                                    IDOK, 0};
    StartJob(kDisabled);
}

ReportJobResult CKeywordSearchDlg::RunJob() { return m_job.Run(m_request); }

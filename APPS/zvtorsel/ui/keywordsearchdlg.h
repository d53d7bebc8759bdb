// "キーワード検索" (dialog 106): searches the pages below a folder for up to
// three keywords and writes the result page into the chosen rebuild folder.
// The main dialog opens it with its folder list and the settings store and
// reads `result` (counts, folder number, result file name) after IDOK.
#pragma once
#include "reportdlg.h"

class CKeywordSearchDlg : public CReportDialog {
public:
    CKeywordSearchDlg(CWnd* parent, const RebuildSettings& folders, IProfileStore& store);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    ReportJobResult RunJob() override;
    CReportJob& Job() override { return m_job; }

private:
    void FillHistory(int field);
    void BrowseSearchFolder();

    SearchSettings m_settings;
    KeywordRequest m_request;
    CKeywordSearchJob m_job;
};

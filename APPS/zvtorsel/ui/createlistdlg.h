// "ローカルアドレス一覧表作成" (dialog 104): writes "locallst.htm" into the
// chosen rebuild folder. The main dialog opens it with its folder list and
// the settings store, and reads `result` after DoModal returned IDOK.
#pragma once
#include "reportdlg.h"

class CCreateListDlg : public CReportDialog {
public:
    CCreateListDlg(CWnd* parent, const RebuildSettings& folders, IProfileStore& store);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    ReportJobResult RunJob() override;
    CReportJob& Job() override { return m_job; }

private:
    void AddListedFile();
    void RemoveListedFile();

    ListSettings m_settings;
    std::string m_folder;
    CAddressListJob m_job;
};

// "リストさせたいファイルの追加" (dialog 105): one name; `name` after IDOK.
class CAddListedFileDlg : public CDialog {
public:
    explicit CAddListedFileDlg(CWnd* parent);
    std::string name;

protected:
    void OnOK() override;
};

// Dialog 111 "再構築フォルダーの追加": one folder, typed or picked.
#pragma once
#include <string>

#include "afxwin.h"

class CAddFolderDlg : public CDialog {
public:
    explicit CAddFolderDlg(CWnd* parent);

    // The text typed or picked, as entered; read after IDOK.
    CString folder;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
};

// Dialog 114 "再構築フォルダーの変更": picks the base rebuild folder among
// the folders in use (neither empty nor bracketed).
#pragma once
#include <string>

#include "afxwin.h"
#include "tree/treepane.h"

class CChangeFolderDlg : public CDialog {
public:
    // `current` is preselected when it is in use, else the first folder in use.
    CChangeFolderDlg(CWnd* parent, const RebuildSettings& settings, int current);

    // The number (0 to 63) of the folder chosen; read after IDOK.
    int chosen;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;

private:
    const RebuildSettings& settings_;
};

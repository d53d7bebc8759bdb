// Dialog 110 "オプション設定": the rebuild folder list, the switches of
// section Rebuild, the file protocol form and the cache folder.
#pragma once
#include "afxwin.h"
#include "options/folderlist.h"
#include "options/rebuildoptions.h"

// The caller fills `options` (ReadRebuildSettings and the process's file
// protocol form); on IDOK the dialog has stored them in section Rebuild and
// `options` holds what was stored.
class COptionsDlg : public CDialog {
public:
    COptionsDlg(CWnd* parent, RebuildOptions& options);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnDestroy() override;

private:
    static LRESULT CALLBACK FolderListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);

    void FillFolderList(int select);
    int SelectedFolder();
    void UpdateFolderButtons();
    void MoveSelected(bool up);
    void ToggleSelectedBrackets();
    void AddFolder();
    void RemoveSelected();
    void BrowseCacheFolder();
    void ShowSusiePlugins();
    void FollowCopyCheck();

    RebuildOptions& options_;
    CRebuildFolderList folders_;
    WNDPROC listProc_ = nullptr;
};

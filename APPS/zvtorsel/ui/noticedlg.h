// Dialog 101 "ご注意": a notice for users of earlier versions, shown at start
// while NoWarning129 is 0.
#pragma once
#include "afxwin.h"

class CNoticeDlg : public CDialog {
public:
    explicit CNoticeDlg(CWnd* parent);

    // The state of "以後、このダイアログは表示させない(&N)" when the dialog
    // closed (by OK or otherwise); it is stored as NoWarning129 of section
    // Rebuild as the dialog closes.
    bool hideFromNowOn = false;

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void StoreChoice();
};

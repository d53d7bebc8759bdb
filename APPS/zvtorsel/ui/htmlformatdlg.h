// Dialog 108 "生成 HTML 書式設定": colours, font size and layout switches of
// the generated report pages.
#pragma once
#include "afxwin.h"
#include "options/reportformat.h"

// The caller fills `format`; on IDOK it holds the edited values. Without
// titles (the picture list) the title switch and the sort order are hidden
// and left as they were.
class CHtmlFormatDlg : public CDialog {
public:
    CHtmlFormatDlg(CWnd* parent, PageFormat& format, bool titlesApply);

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnOK() override;

private:
    DWORD* ColourOfSwatch(int swatchId);
    void ChooseColour(int swatchId);
    void CloseTitleGap();
    void FollowTitleCheck();

    PageFormat& format_;
    PageFormat edited_;
    bool titlesApply_;
};

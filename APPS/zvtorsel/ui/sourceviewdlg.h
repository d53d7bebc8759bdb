// Dialog 115 "ソース表示": a file's text, converted to Shift_JIS (the
// original block of a translated page), in a read-only edit control.
#pragma once
#include <string>

#include "afxwin.h"

class CViewSrcDlg : public CDialog {
public:
    // title: the window title (the entry's name or URL); path: the local file.
    CViewSrcDlg(const char* title, const char* path, CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int width, int height) override;
    void OnDestroy() override;
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    bool LoadText();
    void RestorePlacement();

    std::string title_;
    std::string path_;
    HBRUSH white_ = nullptr;
    bool activated_ = false;
    bool loaded_ = false;  // placement is kept only for a window that was shown
};

// Dialog 116 "画像の表示": a picture decoded by a Susie plug-in or the
// graphics library, shown on a DIB surface in a window sized to it, with
// scroll bars when it does not fit.
#pragma once
#include <string>

#include "afxwin.h"
#include "pictures/viewerlogic.h"
#include "zvpix32.h"

class CViewPicDlg : public CDialog {
public:
    // title: the window title (the entry's name or URL); path: the local file.
    CViewPicDlg(const char* title, const char* path, CWnd* parent = nullptr);
    ~CViewPicDlg();

    // For tests: the picture size once open, and the bars shown.
    int PictureWidth() const { return width_; }
    int PictureHeight() const { return height_; }

protected:
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int width, int height) override;
    void OnDestroy() override;
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    bool OpenPicture();
    bool MakeSurface(HZVDIB dib, const DibInfo& info);
    void PlaceWindow();
    void UpdateBars();
    void Scroll(int bar, int code);
    void Paint();

    std::string title_;
    std::string path_;
    HZVSURFACE surface_ = nullptr;
    DibSurfaceInfo surfaceInfo_;
    int width_ = 0, height_ = 0;
    ViewerFrame frame_ = {0, 0, 0, 0};
    ViewerBars bars_;
    int scrollX_ = 0, scrollY_ = 0;
    bool placing_ = false;
};

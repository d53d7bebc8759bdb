// The picture scan's captions, drawn with the library's text DIBs in the
// chosen font.
#pragma once
#include <windows.h>

#include "pictures/picturefiles.h"
#include "pictures/picturescan.h"

class CFontCaptionMaker : public ICaptionMaker {
public:
    explicit CFontCaptionMaker(const PictureScanSettings& settings);
    ~CFontCaptionMaker();
    CFontCaptionMaker(const CFontCaptionMaker&) = delete;
    CFontCaptionMaker& operator=(const CFontCaptionMaker&) = delete;
    HZVDIB MakeCaption(int width, int height, const char* text, DibInfo* info) override;

private:
    HFONT font_;
};

// The LOGFONT of the name font settings.
LOGFONTA ThumbnailLogFont(const PictureScanSettings& settings);

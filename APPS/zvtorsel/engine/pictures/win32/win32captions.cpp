#include "pictures/win32/win32captions.h"

#include <string.h>

#include "zvpix32.h"

LOGFONTA ThumbnailLogFont(const PictureScanSettings& s) {
    LOGFONTA font;
    memset(&font, 0, sizeof(font));
    font.lfHeight = s.fontHeight;
    font.lfWidth = s.fontWidth;
    font.lfEscapement = s.fontEscapement;
    font.lfOrientation = s.fontOrientation;
    font.lfWeight = s.fontWeight;
    font.lfItalic = s.fontItalic;
    font.lfUnderline = s.fontUnderline;
    font.lfStrikeOut = s.fontStrikeOut;
    font.lfCharSet = s.fontCharSet;
    font.lfOutPrecision = s.fontOutPrecision;
    font.lfClipPrecision = s.fontClipPrecision;
    font.lfQuality = s.fontQuality;
    font.lfPitchAndFamily = s.fontPitchFamily;
    lstrcpynA(font.lfFaceName, s.fontName.c_str(), LF_FACESIZE);
    return font;
}

CFontCaptionMaker::CFontCaptionMaker(const PictureScanSettings& settings) {
    LOGFONTA font = ThumbnailLogFont(settings);
    font_ = CreateFontIndirectA(&font);
}

CFontCaptionMaker::~CFontCaptionMaker() {
    if (font_) DeleteObject(font_);
}

HZVDIB CFontCaptionMaker::MakeCaption(int width, int height, const char* text, DibInfo* info) {
    info->size = DIBINFO_SIZE;
    return zvCreateDibTextA(width, height, text, font_, info);
}

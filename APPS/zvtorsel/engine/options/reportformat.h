// The look of the generated report pages as the format dialog edits it.
#pragma once
#include "zvtypes.h"

struct ReportFormat {
    DWORD textColor = 0x000000;  // 0xRRGGBB, the order of HTML colour notation
    DWORD linkColor = 0x0000FF;
    DWORD backColor = 0xFFFFFF;
    int fontSize = 3;  // HTML font size 1 to 7
    int title = 1;
    int sortType = 0;  // 0: by URL, 1: by title
    int lineSpace = 0;
    int unorderedList = 0;
};

// 0xRRGGBB to the system's 0x00BBGGRR and back (the same swap both ways).
DWORD SwapRedBlue(DWORD colour);

enum { kFontSliderMin = 1, kFontSliderMax = 7 };
// The slider runs from 1 (size 7, large) to 7 (size 1, small); sizes out of
// range are taken as the nearest valid one.
int FontSizeToSlider(int fontSize);
int SliderToFontSize(int position);

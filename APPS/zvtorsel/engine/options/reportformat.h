// The look of the generated report pages, as the format dialog edits it.
#pragma once
#include "zvtypes.h"

// Colours are 0xRRGGBB, the order of HTML colour notation; fontSize is the
// HTML size 1 to 7. The picture list uses the colours, the size and the two
// list switches.
struct PageFormat {
    DWORD textColor = 0;
    DWORD linkColor = 255;
    DWORD backColor = 0xFFFFFF;
    int fontSize = 3;
    bool title = true;
    int sortType = 0;  // 0: URL order, 1: title order
    bool lineSpace = false;
    bool unorderedList = false;
};

// 0xRRGGBB to the system's 0x00BBGGRR and back (the same swap both ways).
DWORD SwapRedBlue(DWORD colour);

enum { kFontSliderMin = 1, kFontSliderMax = 7 };
// The slider runs from 1 (size 7, large) to 7 (size 1, small); sizes out of
// range are taken as the nearest valid one.
int FontSizeToSlider(int fontSize);
int SliderToFontSize(int position);

#include "options/reportformat.h"

DWORD SwapRedBlue(DWORD colour) { return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF); }

namespace {

int Clamp(int value) {
    if (value < kFontSliderMin) return kFontSliderMin;
    if (value > kFontSliderMax) return kFontSliderMax;
    return value;
}

}  // namespace

int FontSizeToSlider(int fontSize) { return 8 - Clamp(fontSize); }

int SliderToFontSize(int position) { return 8 - Clamp(position); }

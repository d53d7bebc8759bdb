// Internal interface of the GDI half of zvpix32.
#pragma once
#include <windows.h>

#include "zvpix32.h"
#include "zvpixstate.h"

extern HINSTANCE g_zvPixInstance;
extern HPALETTE ClearingPalette;

void zvGdiAttach(void);
void zvGdiDetach(void);

// Selects and realises the clearing palette into `dc` (background), then
// puts the previous palette back; flushes the system palette.
void zvFlushSystemPalette(HDC dc);

// Process-wide state of zvpix32: display probe results and the library's
// palettes. Set at load and by zvChangedDisplay; one thread at a time.
#pragma once
#include "zvdib.h"

// PALETTEENTRY-compatible entry (red, green, blue, flags).
struct ZvPaletteEntry {
    BYTE red;
    BYTE green;
    BYTE blue;
    BYTE flags;
};

// LOGPALETTE-compatible record with room for 256 entries.
struct ZvLogPalette256 {
    WORD version;
    WORD count;
    ZvPaletteEntry entries[256];
};

enum : BYTE { ZV_PC_NOCOLLAPSE = 4 };

struct ZvPixState {
    DWORD errCode;
    int screenWidth;
    int screenHeight;
    BOOL mmx;
    DWORD displayBits;
    BOOL paletteDevice;
    DWORD sixteenColors;  // 0 or 1
};

extern ZvPixState g_zvPix;
extern ZvLogPalette256 DefaultPalette;

// The 256 colours of DefaultPalette as built, red-green-blue.
extern const BYTE g_zvHalftoneColors[256][3];

// Restores DefaultPalette to the fixed table (all entries PC_NOCOLLAPSE).
void zvResetDefaultPalette(void);
// Writes DefaultPalette's colours as RGBQUAD entries.
void zvDefaultPaletteToRgbQuads(RGBQUAD* out, int count);

// Releases handles whose kind needs the system ("DIBR", "DIBT"); installed by
// the DLL at load. Returns false for an unknown signature.
typedef bool (*ZvSystemDibRelease)(void* dib, DWORD signature);
extern ZvSystemDibRelease g_zvSystemDibRelease;

// Fixed tables of the pixel routines.
#pragma once
#include "zvtypes.h"

// DefaultPalette index of each colour-cube triple, by 36 * blue + 6 * green + red.
extern const BYTE g_zvCubeMap[216];
// 8 x 8 ordered dither matrix of the cube dither, [y][x].
extern const BYTE g_zvDitherMatrix[8][8];
// 4 x 4 thresholds of the 16-colour dither, by (y mod 4) * 4 + (x mod 4).
extern const BYTE g_zvThreshold16[16];

// The JPEG decoder's integer inverse transform and colour conversion.
#pragma once
#include <stdint.h>

#include "zvtypes.h"

// Natural (row-major) index of each zig-zag position; 16 extra entries catch
// runs that pass position 63 in damaged data.
extern const BYTE g_zvJpegNaturalOrder[64 + 16];

// Coefficients in natural order (already dequantised) to 64 samples in units
// of 1/32, centred on 0, written as 8 rows of 8 at `out` with `outStride`.
// The arithmetic wraps at 32 bits, so hostile coefficients stay defined.
// `firstRowOnly` promises that coefficients 8 to 63 are zero: the eight
// rows are then equal and computed once.
void zvJpegInverseTransform(const int32_t* coef, int32_t* out, int outStride, bool firstRowOnly);

// The transform reduced to outWidth x outHeight samples (each 8, 4, 2 or 1):
// every output is the mean of the 8 x 8 transform's outputs that it stands
// for, before rounding, so 8 x 8 gives zvJpegInverseTransform's samples.
// Only the `count` coefficients at the natural positions in `positions`
// are read; the others count as 0.
void zvJpegReducedTransform(const int32_t* coef, const BYTE* positions, int count, int outWidth, int outHeight,
                            int32_t* out, int outStride);

enum JpegLayout {
    JPEG_LAYOUT_GREY,
    JPEG_LAYOUT_1X1,
    JPEG_LAYOUT_2X1,
    JPEG_LAYOUT_2X2,
};

// Samples of one MCU: luminance as one plane as wide as the MCU (8 or 16),
// chroma as 8 × 8 planes.
struct JpegMcuSamples {
    int32_t y[16 * 16];
    int32_t cb[64];
    int32_t cr[64];
};

// Writes the MCU's rows (8 or 16, all of them) as blue-green-red pixels,
// `validColumns` pixels per row, rows `stride` bytes apart.
void zvJpegConvertMcu(JpegLayout layout, const JpegMcuSamples& s, BYTE* dst, DWORD stride, int validColumns);

// The same for a scaled MCU, whose three planes are all `planeWidth` wide
// (chroma at the output's resolution, nothing repeated): `rows` rows.
void zvJpegConvertPlanes(bool grey, const JpegMcuSamples& s, int planeWidth, int rows, BYTE* dst, DWORD stride,
                         int validColumns);

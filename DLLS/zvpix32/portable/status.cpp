// Version, status and the colour translation table.
#include "zvpix32.h"
#include "zvpixstate.h"

ZV_EXPORT(DWORD) zvGdiGetVersion(void) { return 103; }

ZV_EXPORT(DWORD_PTR) zvGdiGetStatus(int kind) {
    switch (kind) {
        case 0:
            return 5;
        case 1:
            return g_zvPix.mmx ? 1 : 0;
        case 2:
            return g_zvPix.displayBits;
        case 3:
            return g_zvPix.paletteDevice ? 1 : 0;
        case 4:
            return (DWORD_PTR)&DefaultPalette;
        default:
            return 0;
    }
}

ZV_EXPORT(int)
zvMakeXlatTable(WORD* xlat, const void* srcColors, int srcCount, const RGBQUAD* dstColors, int dstCount,
                BOOL srcIsRgb) {
    if (!xlat || !srcColors || !dstColors || srcCount <= 0 || dstCount <= 0) {
        zvGdiSetErrCode(ZVPIX_ERR_BAD_ARGUMENT);
        return 0;
    }
    const BYTE* src = (const BYTE*)srcColors;
    int moved = 0;
    for (int i = 0; i < srcCount; ++i, src += 4) {
        // RGBQUAD is blue-green-red, PALETTEENTRY red-green-blue.
        const int blue = srcIsRgb ? src[2] : src[0];
        const int green = src[1];
        const int red = srcIsRgb ? src[0] : src[2];
        int best = 0;
        long bestDistance = -1;
        for (int j = 0; j < dstCount; ++j) {
            const int db = blue - dstColors[j].rgbBlue;
            const int dg = green - dstColors[j].rgbGreen;
            const int dr = red - dstColors[j].rgbRed;
            const long distance = (long)db * db + (long)dg * dg + (long)dr * dr;
            if (bestDistance < 0 || distance < bestDistance) {
                best = j;
                bestDistance = distance;
                if (distance == 0) break;
            }
        }
        xlat[i] = (WORD)best;
        if (best != i) ++moved;
    }
    return moved;
}

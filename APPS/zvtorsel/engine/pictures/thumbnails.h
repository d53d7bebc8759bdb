// The thumbnail canvas: an 8-bit DIB in the library's default palette with
// one W x H cell per picture (the W x W picture box, then the name strip).
#pragma once
#include <vector>

#include "zvdib.h"
#include "zvtypes.h"

class CThumbnailCanvas {
public:
    // nameHeight 0: no name strip.
    CThumbnailCanvas(int cellWidth, int perRow, int nameHeight, int pictures);
    ~CThumbnailCanvas();
    CThumbnailCanvas(const CThumbnailCanvas&) = delete;
    CThumbnailCanvas& operator=(const CThumbnailCanvas&) = delete;

    // Makes the canvas filled with backColor (0xRRGGBB); false when it cannot.
    bool Create(DWORD backColor);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int CellWidth() const { return cellWidth_; }
    int CellHeight() const { return cellHeight_; }
    void CellOrigin(int picture, int* x, int* y) const;

    // Scales the picture into its box (kept when it fits, else its longer
    // side becomes W) and centres it. A picture decoded reduced gives its
    // full size, which decides the box. False when the pixels cannot be copied.
    bool DrawPicture(int picture, const DibInfo& source, int fullWidth = 0, int fullHeight = 0);
    // The crossed box drawn by inverting pixels, for pictures not decoded.
    void DrawPlaceholder(int picture);
    // A 1-bit caption (entry 0 text, 1 background) into the name strip.
    bool DrawCaption(int picture, const DibInfo& caption, DWORD textColorBgr);

    BYTE Pixel(int x, int y) const { return info_.topRow[y * info_.rowStep + x]; }
    const RGBQUAD* Colors() const { return info_.colors; }
    // The canvas as a BMP file: file header, info header, palette, rows bottom up.
    std::vector<BYTE> BmpFile() const;

    // Index of the canvas colour nearest to an 0xRRGGBB or 0x00BBGGRR value.
    BYTE NearestIndex(DWORD color, bool redFirst) const;

private:
    int cellWidth_, perRow_, nameHeight_, cellHeight_, width_, height_;
    HZVDIB dib_ = nullptr;
    DibInfo info_;
};

// The box a picture of width x height takes in a cell of width w.
void ThumbnailBox(int width, int height, int w, int* boxWidth, int* boxHeight);

// The reduction (1, 2, 4 or 8) at which to decode a width x height picture
// for a cell of width w: the largest that leaves it at least w x w, so a
// picture under twice the cell either way is decoded whole.
int ThumbnailReduction(int width, int height, int w);

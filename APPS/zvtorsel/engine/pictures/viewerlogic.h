// The decisions of the two viewers that need no window: the source text
// prepared for the edit control, the decoder order of the picture viewer,
// and the picture window's size, scroll bars and scroll positions.
#pragma once
#include <vector>

#include "pictures/picturefiles.h"
#include "zvtypes.h"

enum { kSourceViewCapacity = 63000 };

// Copies text into out (cap bytes, terminated inside it) with every bare LF
// written as CR LF; a CR LF pair stays one line end. Never cuts a
// double-byte character or a line end in half. Returns the bytes written.
size_t PrepareSourceText(const char* text, size_t length, char* out, size_t cap, const BYTE* leadTable);

// Decodes a file image: each plug-in in table order, then the built-in
// decoders GIF, PNG, XBM, BMP, JPEG. packed keeps a plug-in's DIB alive; null
// when nothing recognises the data.
HZVDIB DecodeForViewer(const BYTE* data, DWORD size, IPicturePlugins* plugins, std::vector<BYTE>& packed,
                       DibInfo& info);

struct ViewerFrame {
    int frameWidth;   // both borders together
    int frameHeight;  // caption and both borders
    int vScrollWidth;
    int hScrollHeight;
};

struct ViewerBars {
    bool horizontal = false;
    bool vertical = false;
};

// Scroll bars for a window of width x height showing a picture.
ViewerBars DecideBars(int width, int height, int pictureWidth, int pictureHeight, const ViewerFrame& frame);

struct ViewerPlacement {
    int x, y, width, height;
    ViewerBars bars;
};

// No stored position: the window is centred in the work area.
const int kViewerNoPosition = -32768;
// Smallest client area of a placed window, so that a tiny picture's window
// keeps a readable title and a size that can be grabbed.
const int kViewerMinClientWidth = 200, kViewerMinClientHeight = 100;

// First placement: at (x, y) inside the work area, or centred in it when x
// is kViewerNoPosition; sized to the picture and frame (at least the
// smallest client area), enlarged once by the scroll bars it needs where
// the work area allows.
ViewerPlacement PlacePictureWindow(int x, int y, int pictureWidth, int pictureHeight, const ViewerFrame& frame,
                                   int workLeft, int workTop, int workRight, int workBottom);

// Smallest and largest window for the picture and the bars shown.
void PictureWindowLimits(int pictureWidth, int pictureHeight, const ViewerFrame& frame, const ViewerBars& bars,
                         int* minWidth, int* minHeight, int* maxWidth, int* maxHeight);

// A scroll position kept within 0 ... extent - page.
int ClampScroll(int position, int extent, int page);

#include "pictures/viewerlogic.h"

#include <algorithm>

#include "zvdib.h"

size_t PrepareSourceText(const char* text, size_t length, char* out, size_t cap, const BYTE* leadTable) {
    if (cap == 0) return 0;
    size_t written = 0;
    const size_t limit = cap - 1;
    for (size_t i = 0; i < length; ++i) {
        BYTE c = (BYTE)text[i];
        if (c == '\n') {
            if (written + 2 > limit) break;
            out[written++] = '\r';
            out[written++] = '\n';
        } else if (c == '\r' && i + 1 < length && text[i + 1] == '\n') {
            if (written + 2 > limit) break;
            out[written++] = '\r';
            out[written++] = '\n';
            ++i;
        } else if (leadTable && leadTable[c] && i + 1 < length) {
            if (written + 2 > limit) break;
            out[written++] = (char)c;
            out[written++] = text[++i];
        } else {
            if (written + 1 > limit) break;
            out[written++] = (char)c;
        }
    }
    out[written] = 0;
    return written;
}

HZVDIB DecodeForViewer(const BYTE* data, DWORD size, IPicturePlugins* plugins, std::vector<BYTE>& packed,
                       DibInfo& info) {
    info.size = DIBINFO_SIZE;
    if (plugins)
        for (int p = 0; p < plugins->Count(); ++p)
            if (plugins->Decode(p, data, size, packed)) {
                HZVDIB dib = zvSetDIBitmap(packed.data(), (DWORD)packed.size(), &info);
                if (dib) return dib;
            }
    typedef HZVDIB(ZVAPI * Decoder)(const BYTE*, DWORD, void*, DibInfo*);
    for (Decoder decode :
         {zvConvertGifToDib, zvConvertPngToDib, zvConvertXbmToDib, zvConvertBmpToDib, zvConvertJpegToDib}) {
        info.size = DIBINFO_SIZE;
        if (HZVDIB dib = decode(data, size, nullptr, &info)) return dib;
    }
    return nullptr;
}

ViewerBars DecideBars(int width, int height, int pictureWidth, int pictureHeight, const ViewerFrame& frame) {
    ViewerBars bars;
    int clientWidth = width - frame.frameWidth, clientHeight = height - frame.frameHeight;
    bars.horizontal = clientWidth < pictureWidth;
    if (bars.horizontal) clientHeight -= frame.hScrollHeight;
    bars.vertical = clientHeight < pictureHeight;
    if (bars.vertical) {
        clientWidth -= frame.vScrollWidth;
        if (!bars.horizontal && clientWidth < pictureWidth) bars.horizontal = true;
    }
    return bars;
}

ViewerPlacement PlacePictureWindow(int x, int y, int pictureWidth, int pictureHeight, const ViewerFrame& frame,
                                   int workLeft, int workTop, int workRight, int workBottom) {
    ViewerPlacement p;
    const bool centred = x == kViewerNoPosition;
    p.x = centred ? workLeft : std::max(x, workLeft);
    p.y = centred ? workTop : std::max(y, workTop);
    const int maxWidth = std::max(workRight - p.x, 1), maxHeight = std::max(workBottom - p.y, 1);
    p.width = std::min(std::max(pictureWidth, kViewerMinClientWidth) + frame.frameWidth, maxWidth);
    p.height = std::min(std::max(pictureHeight, kViewerMinClientHeight) + frame.frameHeight, maxHeight);
    p.bars = DecideBars(p.width, p.height, pictureWidth, pictureHeight, frame);
    if (p.bars.horizontal || p.bars.vertical) {
        if (p.bars.vertical) p.width = std::min(p.width + frame.vScrollWidth, maxWidth);
        if (p.bars.horizontal) p.height = std::min(p.height + frame.hScrollHeight, maxHeight);
        p.bars = DecideBars(p.width, p.height, pictureWidth, pictureHeight, frame);
    }
    if (centred) {
        p.x = workLeft + (workRight - workLeft - p.width) / 2;
        p.y = workTop + (workBottom - workTop - p.height) / 2;
    }
    return p;
}

void PictureWindowLimits(int pictureWidth, int pictureHeight, const ViewerFrame& frame, const ViewerBars& bars,
                         int* minWidth, int* minHeight, int* maxWidth, int* maxHeight) {
    *minWidth = frame.frameWidth + frame.vScrollWidth + 1;
    *minHeight = frame.frameHeight + frame.hScrollHeight + 1;
    *maxWidth = std::max(pictureWidth, kViewerMinClientWidth) + frame.frameWidth +
                (bars.vertical ? frame.vScrollWidth : 0);
    *maxHeight = std::max(pictureHeight, kViewerMinClientHeight) + frame.frameHeight +
                 (bars.horizontal ? frame.hScrollHeight : 0);
}

int ClampScroll(int position, int extent, int page) {
    int most = std::max(extent - page, 0);
    return std::min(std::max(position, 0), most);
}

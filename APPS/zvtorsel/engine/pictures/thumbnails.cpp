#include "pictures/thumbnails.h"

#include <string.h>

#include "zvpix32.h"

namespace {

void PutLe16(std::vector<BYTE>& out, size_t at, DWORD v) {
    out[at] = (BYTE)v;
    out[at + 1] = (BYTE)(v >> 8);
}
void PutLe32(std::vector<BYTE>& out, size_t at, DWORD v) {
    PutLe16(out, at, v & 0xFFFF);
    PutLe16(out, at + 2, v >> 16);
}

bool IsIndexed(DWORD format) { return format <= ZVFMT_8BIT || format == ZVFMT_RLE4 || format == ZVFMT_RLE8; }
bool IsSixteenColorCode(DWORD format) { return (format & 1) != 0; }
bool IsRunLength(DWORD format) { return format >= ZVFMT_RLE4 && format <= ZVFMT_RLE8_16C; }

}  // namespace

void ThumbnailBox(int width, int height, int w, int* boxWidth, int* boxHeight) {
    if (width <= w && height <= w) {
        *boxWidth = width;
        *boxHeight = height;
    } else if (width >= height) {
        *boxWidth = w;
        *boxHeight = (int)((long long)w * height / width);
    } else {
        *boxHeight = w;
        *boxWidth = (int)((long long)w * width / height);
    }
    if (*boxWidth < 1) *boxWidth = 1;
    if (*boxHeight < 1) *boxHeight = 1;
}

int ThumbnailReduction(int width, int height, int w) {
    int reduction = 1;
    while (reduction < 8 && (long long)width >= 2LL * reduction * w && (long long)height >= 2LL * reduction * w)
        reduction *= 2;
    return reduction;
}

CThumbnailCanvas::CThumbnailCanvas(int cellWidth, int perRow, int nameHeight, int pictures)
    : cellWidth_(cellWidth), perRow_(perRow < 1 ? 1 : perRow), nameHeight_(nameHeight) {
    cellHeight_ = cellWidth_ + nameHeight_;
    if (pictures < perRow_) {
        width_ = cellWidth_ * pictures;
        height_ = cellHeight_;
    } else {
        width_ = cellWidth_ * perRow_;
        height_ = cellHeight_ * ((pictures + perRow_ - 1) / perRow_);
    }
    memset(&info_, 0, sizeof(info_));
}

CThumbnailCanvas::~CThumbnailCanvas() {
    if (dib_) zvDeleteDIBitmap(dib_);
}

BYTE CThumbnailCanvas::NearestIndex(DWORD color, bool redFirst) const {
    WORD xlat[1];
    zvMakeXlatTable(xlat, &color, 1, info_.colors, (int)info_.colorCount, redFirst);
    return (BYTE)xlat[0];
}

bool CThumbnailCanvas::Create(DWORD backColor) {
    if (width_ <= 0 || height_ <= 0) return false;
    info_.size = DIBINFO_SIZE;
    dib_ = zvCreateDIBitmap(width_, height_, 8, &info_);
    if (!dib_) return false;
    return zvFillDIBits(info_.topRow, width_, height_, info_.rowStep, info_.format, NearestIndex(backColor, false)) !=
           0;
}

void CThumbnailCanvas::CellOrigin(int picture, int* x, int* y) const {
    *x = (picture % perRow_) * cellWidth_;
    *y = (picture / perRow_) * cellHeight_;
}

bool CThumbnailCanvas::DrawPicture(int picture, const DibInfo& source, int fullWidth, int fullHeight) {
    if (!dib_ || source.width == 0 || source.height == 0) return false;
    int boxWidth, boxHeight, x, y;
    if (fullWidth <= 0 || fullHeight <= 0) {
        fullWidth = (int)source.width;
        fullHeight = (int)source.height;
    }
    ThumbnailBox(fullWidth, fullHeight, cellWidth_, &boxWidth, &boxHeight);
    CellOrigin(picture, &x, &y);
    x += (cellWidth_ - boxWidth) / 2;
    y += (cellWidth_ - boxHeight) / 2;

    WORD xlat[256];
    const void* table = nullptr;
    if (IsIndexed(source.format) && source.colors && source.colorCount) {
        int count = source.colorCount > 256 ? 256 : (int)source.colorCount;
        zvMakeXlatTable(xlat, source.colors, count, info_.colors, (int)info_.colorCount, FALSE);
        table = xlat;
    } else if (IsSixteenColorCode(source.format)) {
        table = source.colors;
    }

    // Run-length pictures are expanded first: the stretch takes no runs.
    HZVDIB expanded = nullptr;
    DibInfo flat;
    const BYTE* bits = source.topRow;
    LONG step = source.rowStep;
    DWORD format = source.format;
    if (IsRunLength(source.format)) {
        flat.size = DIBINFO_SIZE;
        expanded = zvCreateDIBitmap((int)source.width, (int)source.height, 8, &flat);
        if (!expanded) return false;
        zvFillDIBits(flat.topRow, (int)flat.width, (int)flat.height, flat.rowStep, flat.format, 0);
        bool bottomUp = (source.flags & DIBF_BOTTOMUP) != 0;
        BYTE* start = bottomUp ? flat.topRow + (ptrdiff_t)(flat.height - 1) * flat.rowStep : flat.topRow;
        if (!zvCopyDIBits(start, source.bits, (int)flat.width, (int)flat.height,
                          bottomUp ? -flat.rowStep : flat.rowStep, 0, table, flat.format, source.format)) {
            zvDeleteDIBitmap(expanded);
            return false;
        }
        bits = flat.topRow;
        step = flat.rowStep;
        format = ZVFMT_8BIT;
        table = nullptr;
    }
    BYTE* target = info_.topRow + (ptrdiff_t)y * info_.rowStep + x;
    BOOL ok = bits && zvStretchDIBits(target, bits, boxWidth, boxHeight, (int)source.width, (int)source.height,
                                      info_.rowStep, step, table, info_.format, format);
    if (expanded) zvDeleteDIBitmap(expanded);
    return ok != 0;
}

void CThumbnailCanvas::DrawPlaceholder(int picture) {
    if (!dib_ || cellWidth_ < 4) return;
    int x0, y0;
    CellOrigin(picture, &x0, &y0);
    const int last = cellWidth_ - 2;  // frame rows and columns 1 and W - 2
    std::vector<bool> mark((size_t)cellWidth_ * cellWidth_, false);
    for (int i = 1; i <= last; ++i) {
        mark[1 * cellWidth_ + i] = mark[(size_t)last * cellWidth_ + i] = true;
        mark[(size_t)i * cellWidth_ + 1] = mark[(size_t)i * cellWidth_ + last] = true;
        mark[(size_t)i * cellWidth_ + i] = true;
        mark[(size_t)i * cellWidth_ + (last + 1 - i)] = true;
    }
    for (int y = 0; y < cellWidth_; ++y)
        for (int x = 0; x < cellWidth_; ++x)
            if (mark[(size_t)y * cellWidth_ + x]) {
                BYTE* p = info_.topRow + (ptrdiff_t)(y0 + y) * info_.rowStep + x0 + x;
                *p = (BYTE) ~*p;
            }
}

bool CThumbnailCanvas::DrawCaption(int picture, const DibInfo& caption, DWORD textColorBgr) {
    if (!dib_ || nameHeight_ <= 0) return false;
    int x, y;
    CellOrigin(picture, &x, &y);
    WORD xlat[2] = {NearestIndex(textColorBgr, true), 0};
    int background = Pixel(x, y + cellWidth_);
    xlat[1] = (WORD)background;
    int width = (int)caption.width < cellWidth_ ? (int)caption.width : cellWidth_;
    int height = (int)caption.height < nameHeight_ ? (int)caption.height : nameHeight_;
    if (width <= 0 || height <= 0) return false;
    BYTE* target = info_.topRow + (ptrdiff_t)(y + cellWidth_) * info_.rowStep + x;
    return zvCopyDIBits(target, caption.topRow, width, height, info_.rowStep, caption.rowStep, xlat, info_.format,
                        caption.format) != 0;
}

std::vector<BYTE> CThumbnailCanvas::BmpFile() const {
    if (!dib_) return std::vector<BYTE>();
    const DWORD stride = (DWORD)info_.rowStep;
    const DWORD paletteBytes = 256 * 4;
    const DWORD offset = 14 + 40 + paletteBytes;
    const DWORD imageBytes = stride * (DWORD)height_;
    std::vector<BYTE> out(offset + imageBytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    PutLe32(out, 2, offset + imageBytes);
    PutLe32(out, 10, offset);
    PutLe32(out, 14, 40);
    PutLe32(out, 18, (DWORD)width_);
    PutLe32(out, 22, (DWORD)height_);
    PutLe16(out, 26, 1);
    PutLe16(out, 28, 8);
    PutLe32(out, 30, 0);  // BI_RGB
    PutLe32(out, 34, imageBytes);
    PutLe32(out, 46, 256);
    memcpy(&out[54], info_.colors, paletteBytes);
    for (int row = 0; row < height_; ++row)
        memcpy(&out[offset + (size_t)row * stride], info_.topRow + (size_t)(height_ - 1 - row) * stride, stride);
    return out;
}

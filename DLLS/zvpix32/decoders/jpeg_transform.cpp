#include "jpeg_transform.h"

#include <stddef.h>
#include <string.h>

const BYTE g_zvJpegNaturalOrder[64 + 16] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13,
    6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31,
    39, 46, 53, 60, 61, 54, 47, 55, 62, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63,
};

namespace {

enum : uint32_t { S0 = 91, S1 = 126, S2 = 118, S3 = 106, S4 = 91, S5 = 71, S6 = 49, S7 = 25 };

// One 8-point pass; unsigned so that overflow on damaged input wraps.
inline void Pass(uint32_t x0, uint32_t x1, uint32_t x2, uint32_t x3, uint32_t x4, uint32_t x5, uint32_t x6,
                 uint32_t x7, uint32_t* y) {
    const uint32_t a = S4 * x4, b = S0 * x0, c = S6 * x6, d = S2 * x2;
    const uint32_t e = 256 * (c + d);
    const uint32_t f = 256 * (a + b) + e;
    const uint32_t g = S3 * x3, h = S5 * x5, l = S1 * x1, m = S7 * x7;
    const uint32_t o = 256 * (g + h + l + m);
    const uint32_t d1 = 362 * (d - c) - e;
    const uint32_t r = d1 + 256 * (b - a);
    const uint32_t t = 196 * (l + h - m - g);
    const uint32_t u = 669 * (l - m) - t - o;
    const uint32_t d2 = 256 * (b - a) - d1;
    const uint32_t l2 = 362 * (g + h - l - m) + u;
    const uint32_t a2 = 256 * (a + b) - e;
    const uint32_t t2 = 0u - t - 277 * (h - g) - l2;
    y[0] = f + o;
    y[1] = r + u;
    y[2] = d2 - l2;
    y[3] = a2 - t2;
    y[4] = a2 + t2;
    y[5] = d2 + l2;
    y[6] = r - u;
    y[7] = f - o;
}

// v > 0: (v + half) >> shift, else (v - half) >> shift, arithmetic.
template <int kShift>
inline int32_t Round(uint32_t v) {
    const uint32_t half = 1u << (kShift - 1);
    return (int32_t)(v + ((int32_t)v > 0 ? half : 0u - half)) >> kShift;
}

// Row pass of inputs x0, -1, ..., -1 (a row whose columns above 0 were
// empty; the column pass rounds 0 to -1): linear, so 256·s0·x0 plus this.
struct EmptyRowTerms {
    uint32_t v[8];
    EmptyRowTerms() {
        const uint32_t m = 0u - 1u;
        Pass(0, m, m, m, m, m, m, m, v);
    }
};
const EmptyRowTerms kEmptyRow;

inline void RowPass(const int32_t* in, int32_t* row) {
    if (in[1] == -1 && in[2] == -1 && in[3] == -1 && in[4] == -1 && in[5] == -1 && in[6] == -1 && in[7] == -1) {
        const uint32_t dc = 256 * S0 * (uint32_t)in[0];
        for (int k = 0; k < 8; ++k) row[k] = Round<18>(dc + kEmptyRow.v[k]);
        return;
    }
    if ((in[1] | in[2] | in[3] | in[4] | in[5] | in[6] | in[7]) == 0) {
        const int32_t dc = Round<18>(256 * S0 * (uint32_t)in[0]);
        for (int k = 0; k < 8; ++k) row[k] = dc;
        return;
    }
    uint32_t y[8];
    Pass((uint32_t)in[0], (uint32_t)in[1], (uint32_t)in[2], (uint32_t)in[3], (uint32_t)in[4], (uint32_t)in[5],
         (uint32_t)in[6], (uint32_t)in[7], y);
    for (int k = 0; k < 8; ++k) row[k] = Round<18>(y[k]);
}

// The 8-point pass as a matrix (it is linear and exact modulo 2^32), and
// the means of its outputs over runs of 2, 4 and 8: m[shift][output][input].
struct ReducedMatrices {
    int32_t m[4][8][8];
    ReducedMatrices() {
        int32_t pass[8][8];
        for (int k = 0; k < 8; ++k) {
            uint32_t x[8] = {}, y[8];
            x[k] = 1;
            Pass(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], y);
            for (int n = 0; n < 8; ++n) pass[n][k] = (int32_t)y[n];
        }
        for (int shift = 0; shift < 4; ++shift) {
            const int run = 1 << shift;
            for (int i = 0; i < 8 >> shift; ++i)
                for (int k = 0; k < 8; ++k) {
                    int32_t sum = 0;
                    for (int n = i * run; n < (i + 1) * run; ++n) sum += pass[n][k];
                    m[shift][i][k] = (sum >= 0 ? sum + run / 2 : sum - run / 2) / run;
                }
        }
    }
};
const ReducedMatrices kReduced;

int ShiftFor(int samples) { return samples == 8 ? 0 : samples == 4 ? 1 : samples == 2 ? 2 : 3; }

}  // namespace

void zvJpegReducedTransform(const int32_t* coef, const BYTE* positions, int count, int outWidth, int outHeight,
                            int32_t* out, int outStride) {
    const int32_t(*columnMatrix)[8] = kReduced.m[ShiftFor(outHeight)];
    const int32_t(*rowMatrix)[8] = kReduced.m[ShiftFor(outWidth)];
    // Column pass, one coefficient at a time: most of them are 0.
    uint32_t sums[8][8] = {};
    for (int n = 0; n < count; ++n) {
        const int z = positions[n], column = z & 7, row = z >> 3;
        const uint32_t x = (uint32_t)coef[z];
        for (int i = 0; i < outHeight; ++i) sums[i][column] += (uint32_t)columnMatrix[i][row] * x;
    }
    for (int i = 0; i < outHeight; ++i) {
        uint32_t columns[8];
        for (int c = 0; c < 8; ++c) columns[c] = (uint32_t)Round<9>(sums[i][c]);
        for (int j = 0; j < outWidth; ++j) {
            uint32_t v = 0;
            for (int c = 0; c < 8; ++c) v += (uint32_t)rowMatrix[j][c] * columns[c];
            out[i * outStride + j] = Round<18>(v);
        }
    }
}

void zvJpegInverseTransform(const int32_t* coef, int32_t* out, int outStride, bool firstRowOnly) {
    if (firstRowOnly) {
        int32_t first[8];
        for (int c = 0; c < 8; ++c) first[c] = Round<9>(256 * S0 * (uint32_t)coef[c]);
        RowPass(first, out);
        for (int r = 1; r < 8; ++r) memcpy(out + r * outStride, out, 8 * sizeof(int32_t));
        return;
    }
    int32_t columns[64];
    uint32_t y[8];
    for (int c = 0; c < 8; ++c) {
        const int32_t* in = coef + c;
        if ((in[8] | in[16] | in[24] | in[32] | in[40] | in[48] | in[56]) == 0) {
            const int32_t dc = Round<9>(256 * S0 * (uint32_t)in[0]);
            for (int k = 0; k < 8; ++k) columns[k * 8 + c] = dc;
            continue;
        }
        Pass((uint32_t)in[0], (uint32_t)in[8], (uint32_t)in[16], (uint32_t)in[24], (uint32_t)in[32],
             (uint32_t)in[40], (uint32_t)in[48], (uint32_t)in[56], y);
        for (int k = 0; k < 8; ++k) columns[k * 8 + c] = Round<9>(y[k]);
    }
    for (int r = 0; r < 8; ++r) RowPass(columns + r * 8, out + r * outStride);
}

namespace {

// Row-pass results lie within ±8192, so the sums below stay within 32 bits
// and shifted by 21 (colour) or 5 (grey) within ±1024.
struct ClampTable {
    BYTE v[2048];
    ClampTable() {
        for (int i = 0; i < 2048; ++i) v[i] = (BYTE)(i < 1024 ? 0 : i > 1024 + 255 ? 255 : i - 1024);
    }
    BYTE operator()(int32_t x) const { return v[(x + 1024) & 2047]; }
};
const ClampTable kClamp;

const int32_t kLevel = 4112;  // 128.5 in 1/32 units: level shift plus rounding

inline void PutColour(BYTE* p, int32_t y, int32_t blue, int32_t green, int32_t red) {
    const int32_t k = (y + kLevel) * 65536;
    p[0] = kClamp((k + blue) >> 21);
    p[1] = kClamp((k + green) >> 21);
    p[2] = kClamp((k + red) >> 21);
}

// Chroma terms are worked out once per chroma sample and shared by the
// 1, 2 or 4 pixels that repeat it.
template <int kWideShift, int kTallShift>
void ConvertColour(const JpegMcuSamples& s, BYTE* dst, DWORD stride, int validColumns) {
    const int yStride = 8 << kWideShift;
    const int chromaColumns = (validColumns + (1 << kWideShift) - 1) >> kWideShift;
    for (int crow = 0; crow < 8; ++crow) {
        const int32_t* cbs = s.cb + crow * 8;
        const int32_t* crs = s.cr + crow * 8;
        const int32_t* y0 = s.y + (crow << kTallShift) * yStride;
        const int32_t* y1 = y0 + yStride;
        BYTE* p0 = dst + (size_t)(crow << kTallShift) * stride;
        BYTE* p1 = p0 + stride;
        for (int cx = 0; cx < chromaColumns; ++cx) {
            const int32_t cb = cbs[cx], cr = crs[cx];
            const int32_t blue = 116130 * cb, green = -22554 * cb - 46802 * cr, red = 91881 * cr;
            const int x = cx << kWideShift;
            PutColour(p0 + 3 * x, y0[x], blue, green, red);
            if (kTallShift) PutColour(p1 + 3 * x, y1[x], blue, green, red);
            if (kWideShift && x + 1 < validColumns) {
                PutColour(p0 + 3 * x + 3, y0[x + 1], blue, green, red);
                if (kTallShift) PutColour(p1 + 3 * x + 3, y1[x + 1], blue, green, red);
            }
        }
    }
}

void ConvertGrey(const JpegMcuSamples& s, BYTE* dst, DWORD stride, int validColumns) {
    for (int row = 0; row < 8; ++row) {
        const int32_t* ys = s.y + row * 8;
        BYTE* p = dst + (size_t)row * stride;
        for (int x = 0; x < validColumns; ++x) {
            const BYTE v = kClamp((ys[x] + kLevel) >> 5);
            p[3 * x] = p[3 * x + 1] = p[3 * x + 2] = v;
        }
    }
}

}  // namespace

void zvJpegConvertPlanes(bool grey, const JpegMcuSamples& s, int planeWidth, int rows, BYTE* dst, DWORD stride,
                         int validColumns) {
    for (int row = 0; row < rows; ++row) {
        const int32_t* ys = s.y + row * planeWidth;
        BYTE* p = dst + (size_t)row * stride;
        if (grey) {
            for (int x = 0; x < validColumns; ++x) p[3 * x] = p[3 * x + 1] = p[3 * x + 2] = kClamp((ys[x] + kLevel) >> 5);
            continue;
        }
        const int32_t* cbs = s.cb + row * planeWidth;
        const int32_t* crs = s.cr + row * planeWidth;
        for (int x = 0; x < validColumns; ++x)
            PutColour(p + 3 * x, ys[x], 116130 * cbs[x], -22554 * cbs[x] - 46802 * crs[x], 91881 * crs[x]);
    }
}

void zvJpegConvertMcu(JpegLayout layout, const JpegMcuSamples& s, BYTE* dst, DWORD stride, int validColumns) {
    switch (layout) {
    case JPEG_LAYOUT_GREY: ConvertGrey(s, dst, stride, validColumns); break;
    case JPEG_LAYOUT_1X1: ConvertColour<0, 0>(s, dst, stride, validColumns); break;
    case JPEG_LAYOUT_2X1: ConvertColour<1, 0>(s, dst, stride, validColumns); break;
    case JPEG_LAYOUT_2X2: ConvertColour<1, 1>(s, dst, stride, validColumns); break;
    }
}

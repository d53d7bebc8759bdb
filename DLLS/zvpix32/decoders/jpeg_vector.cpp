// SSE2 versions of the JPEG transform and colour conversion. They compute
// exactly what the scalar code in jpeg_transform.cpp computes: products are
// taken modulo 2^32 like the scalar unsigned arithmetic, rounding picks its
// half by the same sign test, and saturating packs clamp as the table does
// (every value reaching them lies within its plain clamping range).
#include "jpeg_vector.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#include <stddef.h>

// Functions taking or building vectors. 32-bit Windows only keeps the stack
// 4-byte aligned, so the entry points realign it for spilled vectors.
#define ZV_SSE2 __attribute__((target("sse2")))
#if defined(__i386__)
#define ZV_SSE2_ENTRY __attribute__((target("sse2"), force_align_arg_pointer))
#else
#define ZV_SSE2_ENTRY ZV_SSE2
#endif

bool zvJpegHaveSse2() {
#if defined(__x86_64__)
    return true;
#else
    unsigned a, b, c, d;
    return __get_cpuid(1, &a, &b, &c, &d) && (d & bit_SSE2);
#endif
}

namespace {

// x · c modulo 2^32 for 0 <= c < 65536: the low half's full product plus the
// high half's product moved up 16 bits.
ZV_SSE2 inline __m128i Mul(__m128i x, int c) {
    const __m128i k = _mm_set1_epi16((short)c);
    return _mm_add_epi32(_mm_mullo_epi16(x, k), _mm_slli_epi32(_mm_mulhi_epu16(x, k), 16));
}

ZV_SSE2 inline __m128i Add(__m128i a, __m128i b) { return _mm_add_epi32(a, b); }
ZV_SSE2 inline __m128i Sub(__m128i a, __m128i b) { return _mm_sub_epi32(a, b); }
ZV_SSE2 inline __m128i Times256(__m128i a) { return _mm_slli_epi32(a, 8); }

// One 8-point pass over four lanes, as Pass() in jpeg_transform.cpp.
ZV_SSE2 inline void Pass(const __m128i* x, __m128i* y) {
    const __m128i a = Mul(x[4], 91), b = Mul(x[0], 91), c = Mul(x[6], 49), d = Mul(x[2], 118);
    const __m128i e = Times256(Add(c, d));
    const __m128i f = Add(Times256(Add(a, b)), e);
    const __m128i g = Mul(x[3], 106), h = Mul(x[5], 71), l = Mul(x[1], 126), m = Mul(x[7], 25);
    const __m128i o = Times256(Add(Add(g, h), Add(l, m)));
    const __m128i d1 = Sub(Mul(Sub(d, c), 362), e);
    const __m128i bMinusA = Times256(Sub(b, a));
    const __m128i r = Add(d1, bMinusA);
    const __m128i t = Mul(Sub(Add(l, h), Add(m, g)), 196);
    const __m128i u = Sub(Sub(Mul(Sub(l, m), 669), t), o);
    const __m128i d2 = Sub(bMinusA, d1);
    const __m128i l2 = Add(Mul(Sub(Add(g, h), Add(l, m)), 362), u);
    const __m128i a2 = Sub(Times256(Add(a, b)), e);
    const __m128i t2 = Sub(Sub(Sub(_mm_setzero_si128(), t), Mul(Sub(h, g), 277)), l2);
    y[0] = Add(f, o);
    y[1] = Add(r, u);
    y[2] = Sub(d2, l2);
    y[3] = Sub(a2, t2);
    y[4] = Add(a2, t2);
    y[5] = Add(d2, l2);
    y[6] = Sub(r, u);
    y[7] = Sub(f, o);
}

// v > 0: (v + half) >> shift, else (v - half) >> shift.
template <int kShift>
ZV_SSE2 inline __m128i Round(__m128i v) {
    const __m128i half = _mm_set1_epi32(1 << (kShift - 1));
    const __m128i positive = _mm_cmpgt_epi32(v, _mm_setzero_si128());
    // half where positive, -half elsewhere
    const __m128i adjust = _mm_sub_epi32(_mm_and_si128(positive, _mm_add_epi32(half, half)), half);
    return _mm_srai_epi32(_mm_add_epi32(v, adjust), kShift);
}

// Transposes the 4 × 4 block held in four vectors.
ZV_SSE2 inline void Transpose4(__m128i& r0, __m128i& r1, __m128i& r2, __m128i& r3) {
    const __m128i t0 = _mm_unpacklo_epi32(r0, r1), t1 = _mm_unpacklo_epi32(r2, r3);
    const __m128i t2 = _mm_unpackhi_epi32(r0, r1), t3 = _mm_unpackhi_epi32(r2, r3);
    r0 = _mm_unpacklo_epi64(t0, t1);
    r1 = _mm_unpackhi_epi64(t0, t1);
    r2 = _mm_unpacklo_epi64(t2, t3);
    r3 = _mm_unpackhi_epi64(t2, t3);
}

// An 8 × 8 block as rows of two vectors: v[2 * row + half].
ZV_SSE2 inline void Transpose8(__m128i* v) {
    Transpose4(v[0], v[2], v[4], v[6]);
    Transpose4(v[9], v[11], v[13], v[15]);
    Transpose4(v[1], v[3], v[5], v[7]);
    Transpose4(v[8], v[10], v[12], v[14]);
    for (int r = 0; r < 4; ++r) {
        const __m128i upperRight = v[2 * r + 1];
        v[2 * r + 1] = v[2 * r + 8];
        v[2 * r + 8] = upperRight;
    }
}

// Both passes over lanes of columns: the block is transposed between them.
template <int kShift>
ZV_SSE2 inline void Passes(__m128i* v) {
    __m128i x[8], y[8];
    for (int half = 0; half < 2; ++half) {
        for (int k = 0; k < 8; ++k) x[k] = v[2 * k + half];
        Pass(x, y);
        for (int k = 0; k < 8; ++k) v[2 * k + half] = Round<kShift>(y[k]);
    }
}

}  // namespace

ZV_SSE2_ENTRY void zvJpegInverseTransformSse2(const int32_t* coef, int32_t* out, int outStride) {
    __m128i v[16];
    for (int i = 0; i < 16; ++i) v[i] = _mm_loadu_si128((const __m128i*)(coef + 4 * i));
    Passes<9>(v);
    Transpose8(v);
    Passes<18>(v);
    Transpose8(v);
    for (int r = 0; r < 8; ++r) {
        _mm_storeu_si128((__m128i*)(out + r * outStride), v[2 * r]);
        _mm_storeu_si128((__m128i*)(out + r * outStride + 4), v[2 * r + 1]);
    }
}

namespace {

const int kLevel = 4112;  // as in jpeg_transform.cpp

// 8 blue-green-red-zero pixels in two vectors to 24 bytes at `p`.
ZV_SSE2 inline void Store24(__m128i first, __m128i second, BYTE* p) {
    const __m128i low = _mm_set1_epi64x(0xFFFFFF), high = _mm_set1_epi64x(0xFFFFFF000000ll);
    __m128i packed[2];
    const __m128i halves[2] = {first, second};
    for (int i = 0; i < 2; ++i) {
        // Two pixels of six bytes per 64-bit lane, then the lanes joined: 12 bytes.
        const __m128i v = halves[i];
        const __m128i six = _mm_or_si128(_mm_and_si128(v, low), _mm_and_si128(_mm_srli_epi64(v, 8), high));
        packed[i] = _mm_or_si128(_mm_move_epi64(six), _mm_slli_si128(_mm_srli_si128(six, 8), 6));
    }
    _mm_storeu_si128((__m128i*)p, _mm_or_si128(packed[0], _mm_slli_si128(packed[1], 12)));
    _mm_storel_epi64((__m128i*)(p + 16), _mm_srli_si128(packed[1], 4));
}

// Two vectors of four 32-bit values to 8 bytes clamped to 0..255.
ZV_SSE2 inline __m128i Clamp8(__m128i a, __m128i b) {
    return _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_setzero_si128());
}

// 8 pixels from 8 luminance samples and their chroma terms.
ZV_SSE2 inline void PutColour8(const int32_t* ys, const __m128i* blue, const __m128i* green, const __m128i* red,
                               BYTE* p) {
    const __m128i level = _mm_set1_epi32(kLevel);
    __m128i b[2], g[2], r[2];
    for (int h = 0; h < 2; ++h) {
        const __m128i k = _mm_slli_epi32(_mm_add_epi32(_mm_loadu_si128((const __m128i*)(ys + 4 * h)), level), 16);
        b[h] = _mm_srai_epi32(_mm_add_epi32(k, blue[h]), 21);
        g[h] = _mm_srai_epi32(_mm_add_epi32(k, green[h]), 21);
        r[h] = _mm_srai_epi32(_mm_add_epi32(k, red[h]), 21);
    }
    const __m128i blueGreen = _mm_unpacklo_epi8(Clamp8(b[0], b[1]), Clamp8(g[0], g[1]));
    const __m128i redZero = _mm_unpacklo_epi8(Clamp8(r[0], r[1]), _mm_setzero_si128());
    Store24(_mm_unpacklo_epi16(blueGreen, redZero), _mm_unpackhi_epi16(blueGreen, redZero), p);
}

// Blue, green and red terms of four chroma sample pairs.
ZV_SSE2 inline void ChromaTerms(const int32_t* cbs, const int32_t* crs, __m128i* blue, __m128i* green, __m128i* red) {
    const __m128i cb = _mm_loadu_si128((const __m128i*)cbs), cr = _mm_loadu_si128((const __m128i*)crs);
    // 116130 = 65536 + 50594 and 91881 = 65536 + 26345 keep the factors below 2^16.
    *blue = _mm_add_epi32(_mm_slli_epi32(cb, 16), Mul(cb, 50594));
    *green = _mm_sub_epi32(_mm_sub_epi32(_mm_setzero_si128(), Mul(cb, 22554)), Mul(cr, 46802));
    *red = _mm_add_epi32(_mm_slli_epi32(cr, 16), Mul(cr, 26345));
}

template <int kWideShift, int kTallShift>
ZV_SSE2 inline void ConvertColour(const JpegMcuSamples& s, BYTE* dst, DWORD stride) {
    const int yStride = 8 << kWideShift;
    for (int crow = 0; crow < 8; ++crow) {
        const int32_t* y0 = s.y + (crow << kTallShift) * yStride;
        BYTE* p0 = dst + (size_t)(crow << kTallShift) * stride;
        __m128i blue[2], green[2], red[2];
        if (!kWideShift) {
            for (int h = 0; h < 2; ++h)
                ChromaTerms(s.cb + crow * 8 + 4 * h, s.cr + crow * 8 + 4 * h, &blue[h], &green[h], &red[h]);
            PutColour8(y0, blue, green, red, p0);
            continue;
        }
        for (int j = 0; j < 2; ++j) {
            __m128i b, g, r;
            ChromaTerms(s.cb + crow * 8 + 4 * j, s.cr + crow * 8 + 4 * j, &b, &g, &r);
            // Each chroma sample serves two neighbouring pixels.
            blue[0] = _mm_unpacklo_epi32(b, b);
            blue[1] = _mm_unpackhi_epi32(b, b);
            green[0] = _mm_unpacklo_epi32(g, g);
            green[1] = _mm_unpackhi_epi32(g, g);
            red[0] = _mm_unpacklo_epi32(r, r);
            red[1] = _mm_unpackhi_epi32(r, r);
            PutColour8(y0 + 8 * j, blue, green, red, p0 + 24 * j);
            if (kTallShift) PutColour8(y0 + yStride + 8 * j, blue, green, red, p0 + stride + 24 * j);
        }
    }
}

ZV_SSE2 inline void ConvertGrey(const JpegMcuSamples& s, BYTE* dst, DWORD stride) {
    const __m128i level = _mm_set1_epi32(kLevel);
    for (int row = 0; row < 8; ++row) {
        const int32_t* ys = s.y + row * 8;
        const __m128i a = _mm_srai_epi32(_mm_add_epi32(_mm_loadu_si128((const __m128i*)ys), level), 5);
        const __m128i b = _mm_srai_epi32(_mm_add_epi32(_mm_loadu_si128((const __m128i*)(ys + 4)), level), 5);
        const __m128i v = Clamp8(a, b);
        const __m128i twice = _mm_unpacklo_epi8(v, v), once = _mm_unpacklo_epi8(v, _mm_setzero_si128());
        Store24(_mm_unpacklo_epi16(twice, once), _mm_unpackhi_epi16(twice, once), dst + (size_t)row * stride);
    }
}

}  // namespace

ZV_SSE2_ENTRY void zvJpegConvertWholeMcuSse2(JpegLayout layout, const JpegMcuSamples& s, BYTE* dst, DWORD stride) {
    switch (layout) {
        case JPEG_LAYOUT_GREY:
            ConvertGrey(s, dst, stride);
            break;
        case JPEG_LAYOUT_1X1:
            ConvertColour<0, 0>(s, dst, stride);
            break;
        case JPEG_LAYOUT_2X1:
            ConvertColour<1, 0>(s, dst, stride);
            break;
        case JPEG_LAYOUT_2X2:
            ConvertColour<1, 1>(s, dst, stride);
            break;
    }
}

#else

bool zvJpegHaveSse2() { return false; }
void zvJpegInverseTransformSse2(const int32_t*, int32_t*, int) {}
void zvJpegConvertWholeMcuSse2(JpegLayout, const JpegMcuSamples&, BYTE*, DWORD) {}

#endif

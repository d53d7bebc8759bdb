// AVX2 versions of the JPEG inverse transform and colour conversion, byte
// for byte equal to the scalar ones: eight 32-bit lanes hold a whole row, so
// a pass runs over all eight columns at once and products are exact modulo
// 2^32 (vpmulld).
// Windows compilers cannot keep the stack 32-byte aligned, so the Windows
// builds assemble this file with unaligned vector moves only.
#include "jpeg_vector.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>

#define ZV_AVX2 __attribute__((target("avx2")))

bool zvJpegHaveAvx2() {
    unsigned a, b, c, d;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE) || !(c & bit_AVX)) return false;
    // The system must save the vector registers' upper halves.
    unsigned low, high;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    if ((low & 6) != 6 || __get_cpuid_max(0, nullptr) < 7) return false;
    __cpuid_count(7, 0, a, b, c, d);
    return (b & bit_AVX2) != 0;
}

namespace {

ZV_AVX2 inline __m256i Mul(__m256i x, int c) { return _mm256_mullo_epi32(x, _mm256_set1_epi32(c)); }
ZV_AVX2 inline __m256i Add(__m256i a, __m256i b) { return _mm256_add_epi32(a, b); }
ZV_AVX2 inline __m256i Sub(__m256i a, __m256i b) { return _mm256_sub_epi32(a, b); }
ZV_AVX2 inline __m256i Times256(__m256i a) { return _mm256_slli_epi32(a, 8); }

// One 8-point pass over eight lanes, as Pass() in jpeg_transform.cpp.
ZV_AVX2 inline void Pass(const __m256i* x, __m256i* y) {
    const __m256i a = Mul(x[4], 91), b = Mul(x[0], 91), c = Mul(x[6], 49), d = Mul(x[2], 118);
    const __m256i e = Times256(Add(c, d));
    const __m256i f = Add(Times256(Add(a, b)), e);
    const __m256i g = Mul(x[3], 106), h = Mul(x[5], 71), l = Mul(x[1], 126), m = Mul(x[7], 25);
    const __m256i o = Times256(Add(Add(g, h), Add(l, m)));
    const __m256i d1 = Sub(Mul(Sub(d, c), 362), e);
    const __m256i bMinusA = Times256(Sub(b, a));
    const __m256i r = Add(d1, bMinusA);
    const __m256i t = Mul(Sub(Add(l, h), Add(m, g)), 196);
    const __m256i u = Sub(Sub(Mul(Sub(l, m), 669), t), o);
    const __m256i d2 = Sub(bMinusA, d1);
    const __m256i l2 = Add(Mul(Sub(Add(g, h), Add(l, m)), 362), u);
    const __m256i a2 = Sub(Times256(Add(a, b)), e);
    const __m256i t2 = Sub(Sub(Sub(_mm256_setzero_si256(), t), Mul(Sub(h, g), 277)), l2);
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
ZV_AVX2 inline __m256i Round(__m256i v) {
    const __m256i half = _mm256_set1_epi32(1 << (kShift - 1));
    const __m256i positive = _mm256_cmpgt_epi32(v, _mm256_setzero_si256());
    const __m256i adjust = _mm256_sub_epi32(_mm256_and_si256(positive, _mm256_add_epi32(half, half)), half);
    return _mm256_srai_epi32(_mm256_add_epi32(v, adjust), kShift);
}

// Rows of eight 32-bit values become columns.
ZV_AVX2 inline void Transpose8(__m256i* v) {
    __m256i t[8], u[8];
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm256_unpacklo_epi32(v[2 * i], v[2 * i + 1]);
        t[2 * i + 1] = _mm256_unpackhi_epi32(v[2 * i], v[2 * i + 1]);
    }
    for (int i = 0; i < 2; ++i) {
        u[4 * i] = _mm256_unpacklo_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 1] = _mm256_unpackhi_epi64(t[4 * i], t[4 * i + 2]);
        u[4 * i + 2] = _mm256_unpacklo_epi64(t[4 * i + 1], t[4 * i + 3]);
        u[4 * i + 3] = _mm256_unpackhi_epi64(t[4 * i + 1], t[4 * i + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        v[i] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x20);
        v[i + 4] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x31);
    }
}

}  // namespace

ZV_AVX2 void zvJpegInverseTransformAvx2(const int32_t* coef, int32_t* out, int outStride) {
    __m256i v[8], y[8];
    for (int r = 0; r < 8; ++r) v[r] = _mm256_loadu_si256((const __m256i*)(coef + 8 * r));
    Pass(v, y);
    for (int k = 0; k < 8; ++k) v[k] = Round<9>(y[k]);
    Transpose8(v);
    Pass(v, y);
    for (int k = 0; k < 8; ++k) v[k] = Round<18>(y[k]);
    Transpose8(v);
    for (int r = 0; r < 8; ++r) _mm256_storeu_si256((__m256i*)(out + r * outStride), v[r]);
}

namespace {

const int kLevel = 4112;  // as in jpeg_transform.cpp

// Blue, green and red bytes of four pixels in each 128-bit half (12 bytes
// each, then 4 zero bytes) to 24 bytes at `p`, nothing written beyond.
ZV_AVX2 inline void Store24(__m256i v, BYTE* p) {
    const __m128i low = _mm256_castsi256_si128(v), high = _mm256_extracti128_si256(v, 1);
    _mm_storeu_si128((__m128i*)p, _mm_or_si128(low, _mm_slli_si128(high, 12)));
    _mm_storel_epi64((__m128i*)(p + 16), _mm_srli_si128(high, 4));
}

// Per half: blue 0..3, green 0..3, red 0..3 bytes to pixel order.
ZV_AVX2 inline __m256i Interleave(__m256i planar) {
    const __m256i order = _mm256_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -128, -128, -128, -128, 0, 4, 8, 1,
                                           5, 9, 2, 6, 10, 3, 7, 11, -128, -128, -128, -128);
    return _mm256_shuffle_epi8(planar, order);
}

// 8 pixels from 8 luminance samples and their chroma terms. The saturating
// packs clamp as the table does: every value reaching them lies within its
// plain clamping range.
ZV_AVX2 inline void PutColour8(const int32_t* ys, __m256i blue, __m256i green, __m256i red, BYTE* p) {
    const __m256i k =
        _mm256_slli_epi32(_mm256_add_epi32(_mm256_loadu_si256((const __m256i*)ys), _mm256_set1_epi32(kLevel)), 16);
    const __m256i b = _mm256_srai_epi32(_mm256_add_epi32(k, blue), 21);
    const __m256i g = _mm256_srai_epi32(_mm256_add_epi32(k, green), 21);
    const __m256i r = _mm256_srai_epi32(_mm256_add_epi32(k, red), 21);
    const __m256i words = _mm256_packs_epi32(b, g), redWords = _mm256_packs_epi32(r, _mm256_setzero_si256());
    Store24(Interleave(_mm256_packus_epi16(words, redWords)), p);
}

ZV_AVX2 inline void ChromaTerms(const int32_t* cbs, const int32_t* crs, __m256i* blue, __m256i* green,
                                __m256i* red) {
    const __m256i cb = _mm256_loadu_si256((const __m256i*)cbs), cr = _mm256_loadu_si256((const __m256i*)crs);
    *blue = _mm256_mullo_epi32(cb, _mm256_set1_epi32(116130));
    *green = _mm256_sub_epi32(_mm256_mullo_epi32(cb, _mm256_set1_epi32(-22554)),
                              _mm256_mullo_epi32(cr, _mm256_set1_epi32(46802)));
    *red = _mm256_mullo_epi32(cr, _mm256_set1_epi32(91881));
}

template <int kWideShift, int kTallShift>
ZV_AVX2 inline void ConvertColour(const JpegMcuSamples& s, BYTE* dst, DWORD stride) {
    const int yStride = 8 << kWideShift;
    const __m256i firstHalf = _mm256_setr_epi32(0, 0, 1, 1, 2, 2, 3, 3);
    const __m256i secondHalf = _mm256_setr_epi32(4, 4, 5, 5, 6, 6, 7, 7);
    for (int crow = 0; crow < 8; ++crow) {
        const int32_t* y0 = s.y + (crow << kTallShift) * yStride;
        BYTE* p0 = dst + (size_t)(crow << kTallShift) * stride;
        __m256i blue, green, red;
        ChromaTerms(s.cb + crow * 8, s.cr + crow * 8, &blue, &green, &red);
        if (!kWideShift) {
            PutColour8(y0, blue, green, red, p0);
            continue;
        }
        // Each chroma sample serves two neighbouring pixels.
        for (int j = 0; j < 2; ++j) {
            const __m256i half = j ? secondHalf : firstHalf;
            const __m256i b = _mm256_permutevar8x32_epi32(blue, half);
            const __m256i g = _mm256_permutevar8x32_epi32(green, half);
            const __m256i r = _mm256_permutevar8x32_epi32(red, half);
            PutColour8(y0 + 8 * j, b, g, r, p0 + 24 * j);
            if (kTallShift) PutColour8(y0 + yStride + 8 * j, b, g, r, p0 + stride + 24 * j);
        }
    }
}

ZV_AVX2 inline void ConvertGrey(const JpegMcuSamples& s, BYTE* dst, DWORD stride) {
    const __m256i grey = _mm256_setr_epi8(0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, -128, -128, -128, -128, 0, 0, 0, 1, 1,
                                          1, 2, 2, 2, 3, 3, 3, -128, -128, -128, -128);
    for (int row = 0; row < 8; ++row) {
        const __m256i v = _mm256_srai_epi32(
            _mm256_add_epi32(_mm256_loadu_si256((const __m256i*)(s.y + row * 8)), _mm256_set1_epi32(kLevel)), 5);
        const __m256i words = _mm256_packs_epi32(v, _mm256_setzero_si256());
        const __m256i bytes = _mm256_packus_epi16(words, _mm256_setzero_si256());
        Store24(_mm256_shuffle_epi8(bytes, grey), dst + (size_t)row * stride);
    }
}

}  // namespace

ZV_AVX2 void zvJpegConvertWholeMcuAvx2(JpegLayout layout, const JpegMcuSamples& s, BYTE* dst, DWORD stride) {
    switch (layout) {
    case JPEG_LAYOUT_GREY: ConvertGrey(s, dst, stride); break;
    case JPEG_LAYOUT_1X1: ConvertColour<0, 0>(s, dst, stride); break;
    case JPEG_LAYOUT_2X1: ConvertColour<1, 0>(s, dst, stride); break;
    case JPEG_LAYOUT_2X2: ConvertColour<1, 1>(s, dst, stride); break;
    }
}

#else

bool zvJpegHaveAvx2() { return false; }
void zvJpegInverseTransformAvx2(const int32_t*, int32_t*, int) {}
void zvJpegConvertWholeMcuAvx2(JpegLayout, const JpegMcuSamples&, BYTE*, DWORD) {}

#endif

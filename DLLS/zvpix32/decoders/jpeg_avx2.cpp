// AVX2 version of the JPEG inverse transform, byte for byte equal to the
// scalar one: eight 32-bit lanes hold a whole row, so a pass runs over all
// eight columns at once and products are exact modulo 2^32 (vpmulld).
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

#else

bool zvJpegHaveAvx2() { return false; }
void zvJpegInverseTransformAvx2(const int32_t*, int32_t*, int) {}

#endif

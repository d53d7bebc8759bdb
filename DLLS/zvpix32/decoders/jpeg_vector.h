// SSE2 and AVX2 versions of the JPEG decoder's transform and colour conversion,
// byte for byte equal to the scalar ones of jpeg_transform.h.
#pragma once
#include <stdint.h>

#include "jpeg_transform.h"

// Whether the processor runs SSE2 code (always on x86-64).
bool zvJpegHaveSse2();

// zvJpegInverseTransform() of a whole block.
void zvJpegInverseTransformSse2(const int32_t* coef, int32_t* out, int outStride);

// Whether the processor and the system run AVX2 code.
bool zvJpegHaveAvx2();
// zvJpegInverseTransform() of a whole block, eight columns at a time.
void zvJpegInverseTransformAvx2(const int32_t* coef, int32_t* out, int outStride);
// zvJpegConvertMcu() of an MCU whose columns are all valid, eight pixels at a time.
void zvJpegConvertWholeMcuAvx2(JpegLayout layout, const JpegMcuSamples& s, BYTE* dst, DWORD stride);

// zvJpegConvertMcu() of an MCU whose columns are all valid.
void zvJpegConvertWholeMcuSse2(JpegLayout layout, const JpegMcuSamples& s, BYTE* dst, DWORD stride);

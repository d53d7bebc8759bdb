// Pixel routines: copy, merge, double size, stretch and fill between DIBs
// without GDI, one variant per source format code.
#pragma once
#include "zvdib.h"

ZV_EXPORT(BOOL)
zvCopyDIBits(BYTE* dst, const BYTE* src, int width, int height, int dstStep, int srcStep, const void* table,
             DWORD dstFormat, DWORD srcFormat);
ZV_EXPORT(BOOL)
zvMergeDIBits(BYTE* dst, const BYTE* src, int width, int height, int dstStep, int srcStep, const void* table,
              DWORD dstFormat, DWORD srcFormat, DWORD transparent);
ZV_EXPORT(BOOL)
zvCopy2DIBits(BYTE* dst, const BYTE* src, int width, int height, int dstStep, int srcStep, const void* table,
              DWORD dstFormat, DWORD srcFormat);
ZV_EXPORT(BOOL)
zvMerge2DIBits(BYTE* dst, const BYTE* src, int width, int height, int dstStep, int srcStep, const void* table,
               DWORD dstFormat, DWORD srcFormat, DWORD transparent);
ZV_EXPORT(BOOL)
zvStretchDIBits(BYTE* dst, const BYTE* src, int dstWidth, int dstHeight, int srcWidth, int srcHeight, int dstStep,
                int srcStep, const void* table, DWORD dstFormat, DWORD srcFormat);
ZV_EXPORT(BOOL) zvFillDIBits(BYTE* dst, int width, int height, int dstStep, DWORD format, DWORD value);

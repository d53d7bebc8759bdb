// Multi-pattern scanner: a compiled pattern ("converter") is a chain of
// shift-and runs; scanning allocates nothing.
#pragma once
#include "zvtypes.h"

// flags for zvSaaCreateCvtA
enum : int {
    ZVSAA_IGNORE_CASE = 1,  // single-byte letters match either case
    ZVSAA_SYNTAX = 2,       // pattern syntax; otherwise every byte is literal
};

ZV_EXPORT(HANDLE) zvSaaCreateCvtA(LPCSTR pattern, int flags);
// Start of the leftmost match in text, or null.
ZV_EXPORT(LPSTR) zvSaaScanStringA(HANDLE cvt, LPCSTR text);
// Bytes covered by the last scan's match; -1 for a bad handle.
ZV_EXPORT(int) zvSaaGetMatchLength(HANDLE cvt);
ZV_EXPORT(BOOL) zvSaaCloseCvt(HANDLE cvt);

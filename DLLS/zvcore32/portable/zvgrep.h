// One-shot searches: a small backtracking glob matcher and a scanner front end.
#pragma once
#include "zvtypes.h"

// Start of the first match of pattern in text, or null.
ZV_EXPORT(LPSTR) zvGrepA(LPCSTR text, LPCSTR pattern);
// Leftmost match of a scanner pattern; its length goes to *length when given.
ZV_EXPORT(LPSTR) zvGrepExA(LPCSTR text, LPCSTR pattern, int ignoreCase, int* length);

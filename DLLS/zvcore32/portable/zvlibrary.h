// Library version, the last-error box and numbers with thousands separators.
#pragma once
#include "zvtypes.h"

#ifdef _WIN32
ZV_EXPORT(int) zvGetVersion(void);
ZV_EXPORT(int) zvDispLastError(HWND owner);
// Format through the user's locale with no decimals; return out, or null when
// the system refuses (for example when size is too small).
ZV_EXPORT(char*) zvFigureSepStrA(const char* digits, char* out, int size, int flags);
// flags bit 0 clear: the value as unsigned; set: signed, bit 1 adds "+".
ZV_EXPORT(char*) zvFigureSepInt32A(int value, char* out, int size, int flags);
ZV_EXPORT(char*) zvFigureSepInt64A(DWORD low, DWORD high, char* out, int size, int flags);
#endif

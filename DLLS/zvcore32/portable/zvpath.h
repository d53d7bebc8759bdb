// Paths, URLs and file names. Both '\\' and '/' are separators; text is
// walked with the lead-byte table so a trail byte 0x5C never separates.
#pragma once
#include "zvtypes.h"

ZV_EXPORT(char*) zvScanFileNameA(const char* path);
ZV_EXPORT(char*) zvScanExtNameA(const char* path);
ZV_EXPORT(BOOL) zvControlRightPathA(char* path);
ZV_EXPORT(BOOL) zvControlRightUrlA(char* url);

// Flag bits of zvMakeUniqPathA.
enum : int {
    ZV_UNIQ_SKIP_TESTS = 0x01,    // test only the fully suffixed candidates
    ZV_UNIQ_TIME = 0x02,          // append _hhmmss
    ZV_UNIQ_TIME_NO_TEST = 0x04,  // append _hhmmss, test only after it
    ZV_UNIQ_DATE = 0x08,          // append _YYMDD
    ZV_UNIQ_DATE_ALT = 0x10,      // append _YYMDD
};

#ifdef _WIN32
// out must hold MAX_PATH bytes; a candidate that does not fit fails with 0x7A760003.
ZV_EXPORT(BOOL) zvMakeUniqPathA(char* out, const char* path, const FILETIME* time, int flags);
ZV_EXPORT(BOOL) zvMakeDirectoriesA(const char* path);
ZV_EXPORT(BOOL) zvRenameFileA(const char* path, const char* newName);
// out must hold MAX_PATH units, or ZV_LONG_PATH_UNITS for a path in the
// "\\?\" form, which may name a file beyond MAX_PATH.
enum : int { ZV_LONG_PATH_UNITS = 32768 };
ZV_EXPORT(BOOL) zvMakeUniqPathW(WCHAR* out, const WCHAR* path, const FILETIME* time, int flags);
ZV_EXPORT(BOOL) zvMakeDirectoriesW(const WCHAR* path);
ZV_EXPORT(BOOL) zvRenameFileW(const WCHAR* path, const WCHAR* newName);
#endif

// Wide-character twins: one 16-bit unit per character.
ZV_EXPORT(WCHAR*) zvScanFileNameW(const WCHAR* path);
ZV_EXPORT(WCHAR*) zvScanExtNameW(const WCHAR* path);
ZV_EXPORT(BOOL) zvControlRightPathW(WCHAR* path);
ZV_EXPORT(BOOL) zvControlRightUrlW(WCHAR* url);

// Library-internal: the extension like zvScanExtNameA, without touching the
// last error code.
const char* zvFindExtension(const char* path);

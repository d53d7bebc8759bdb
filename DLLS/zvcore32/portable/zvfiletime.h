// FILETIME arithmetic for FAT volumes: two-second grid, 1980..2107 range.
#pragma once
#include "zvtypes.h"

// Clamps *t into [1980-01-01 12:00:00, 2107-12-31 11:59:58] UTC:
// -1 when raised, 1 when lowered, 0 when unchanged (also for 0).
ZV_EXPORT(int) zvControlFileTimeAtFat(FILETIME* t);
ZV_EXPORT(BOOL) zvRegulateFileTime(FILETIME* t, DWORD unit);
ZV_EXPORT(BOOL) zvAddTimeToFileTime(FILETIME* t, DWORD duration);
ZV_EXPORT(BOOL) zvSubTimeToFileTime(FILETIME* t, DWORD duration);

#ifdef _WIN32
ZV_EXPORT(BOOL) zvSetFileTimeA(const char* path, const FILETIME* t);
ZV_EXPORT(BOOL) zvSetFileTimeW(const WCHAR* path, const FILETIME* t);
#endif

#include "zverror.h"
#include "zvfiletime.h"

namespace {

const ULONGLONG kLowerBound = 119600496000000000ULL;  // 1980-01-01 12:00:00 UTC
const ULONGLONG kUpperBound = 159992495980000000ULL;  // 2107-12-31 11:59:58 UTC

inline ULONGLONG Get(const FILETIME* t) { return ((ULONGLONG)t->dwHighDateTime << 32) | t->dwLowDateTime; }

inline void Put(FILETIME* t, ULONGLONG v) {
    t->dwLowDateTime = (DWORD)v;
    t->dwHighDateTime = (DWORD)(v >> 32);
}

}  // namespace

ZV_EXPORT(int) zvControlFileTimeAtFat(FILETIME* t) {
    if (!t) return 0;
    ULONGLONG v = Get(t);
    if (v == 0) return 0;
    if (v < kLowerBound) {
        Put(t, kLowerBound);
        return -1;
    }
    if (v > kUpperBound) {
        Put(t, kUpperBound);
        return 1;
    }
    return 0;
}

ZV_EXPORT(BOOL) zvRegulateFileTime(FILETIME* t, DWORD unit) {
    if (!t || Get(t) == 0 || unit == 0) return zvFail(ZVERR_BAD_ARGUMENT);
    ULONGLONG v = Get(t);
    Put(t, v - v % unit);
    return TRUE;
}

ZV_EXPORT(BOOL) zvAddTimeToFileTime(FILETIME* t, DWORD duration) {
    if (!t || Get(t) == 0) return zvFail(ZVERR_BAD_ARGUMENT);
    Put(t, Get(t) + duration);
    return TRUE;
}

ZV_EXPORT(BOOL) zvSubTimeToFileTime(FILETIME* t, DWORD duration) {
    if (!t || Get(t) == 0) return zvFail(ZVERR_BAD_ARGUMENT);
    Put(t, Get(t) - duration);
    return TRUE;
}

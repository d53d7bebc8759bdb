// Host build: time conversions in UTC (the tests run Wine with TZ=UTC too)
// and a recorder in place of the message box.
#include <string.h>
#include <time.h>

#include "zvclass_internal.h"

UINT g_zvclassLastShownMessage;

void zvclassShowMessage(UINT messageId) { g_zvclassLastShownMessage = messageId; }

bool zvclassFileTimeToLocal(const FILETIME& time, SYSTEMTIME& out) {
    unsigned long long ticks = ((unsigned long long)time.dwHighDateTime << 32) | time.dwLowDateTime;
    if (ticks >= 0x8000000000000000ull) return false;
    unsigned long long ms = ticks / 10000;
    unsigned long long days = ms / 86400000ull;
    unsigned msOfDay = (unsigned)(ms % 86400000ull);
    // Days from 1601-01-01 to civil date (proleptic Gregorian).
    long long z = (long long)days - 134774 + 719468;  // shift to days since 0000-03-01
    long long era = z / 146097;
    unsigned doe = (unsigned)(z - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long y = (long long)yoe + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    unsigned d = doy - (153 * mp + 2) / 5 + 1;
    unsigned m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) ++y;
    if (y > 30827) return false;
    out.wYear = (WORD)y;
    out.wMonth = (WORD)m;
    out.wDay = (WORD)d;
    out.wDayOfWeek = (WORD)((days + 1) % 7);  // 1601-01-01 was a Monday
    out.wHour = (WORD)(msOfDay / 3600000);
    out.wMinute = (WORD)(msOfDay / 60000 % 60);
    out.wSecond = (WORD)(msOfDay / 1000 % 60);
    out.wMilliseconds = (WORD)(msOfDay % 1000);
    return true;
}

void zvclassCurrentLocalTime(SYSTEMTIME& out) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    unsigned long long ticks = (unsigned long long)now.tv_sec * 10000000ull + 116444736000000000ull +
                               (unsigned long long)now.tv_nsec / 100;
    FILETIME t = {(DWORD)ticks, (DWORD)(ticks >> 32)};
    if (!zvclassFileTimeToLocal(t, out)) memset(&out, 0, sizeof out);
}

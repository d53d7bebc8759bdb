#include "testkit.h"

ULONGLONG Utc(int year, int month, int day, int hour, int minute, int second) {
    // Days from 1601-01-01 by the civil-from-days inverse.
    int y = year - (month <= 2);
    int era = y / 400;
    int yoe = y - era * 400;
    int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    long long days = (long long)era * 146097 + doe - 719468 + 134774;
    long long seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return (ULONGLONG)seconds * 10000000ULL;
}

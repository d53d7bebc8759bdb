#include <string.h>

#include "zvclass.h"
#include "zvclass_internal.h"

namespace {

// Year, month, day, hour, minute, second: day of week and milliseconds take no part.
int Compare(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    const WORD fa[] = {a.wYear, a.wMonth, a.wDay, a.wHour, a.wMinute, a.wSecond};
    const WORD fb[] = {b.wYear, b.wMonth, b.wDay, b.wHour, b.wMinute, b.wSecond};
    for (int i = 0; i < 6; ++i) {
        if (fa[i] != fb[i]) return fa[i] < fb[i] ? -1 : 1;
    }
    return 0;
}

void FromFileTime(SYSTEMTIME& out, const FILETIME& time) {
    if (!zvclassFileTimeToLocal(time, out)) memset(&out, 0, sizeof out);
}

CString FormatTime(const SYSTEMTIME& t) {
    CString text;
    text.Format(g_zvclassFormats[kFormatTime], t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

}  // namespace

// Both time classes share one body; only the comparison parameter differs.
#define ZV_TIME_CLASS_BODY(T)                                                \
    T::T() { memset(&m_time, 0, sizeof m_time); }                            \
    T::T(const T& other) : m_time(other.m_time) {}                          \
    T::T(const SYSTEMTIME& time) : m_time(time) {}                          \
    T::T(const FILETIME& time) { FromFileTime(m_time, time); }              \
    T& T::operator=(const T& other) {                                       \
        if (this != &other) m_time = other.m_time;                          \
        return *this;                                                        \
    }                                                                        \
    T& T::operator=(const SYSTEMTIME& time) {                               \
        m_time = time;                                                       \
        return *this;                                                        \
    }                                                                        \
    T& T::operator=(const FILETIME& time) {                                 \
        FromFileTime(m_time, time);                                          \
        return *this;                                                        \
    }                                                                        \
    T& T::SetCurrentTime() {                                                 \
        zvclassCurrentLocalTime(m_time);                                     \
        return *this;                                                        \
    }                                                                        \
    T& T::AdjustEvenSecond() {                                               \
        m_time.wSecond &= (WORD)~1u;                                         \
        return *this;                                                        \
    }                                                                        \
    CString T::Format() const { return FormatTime(m_time); }                \
    int T::GetYear() const { return m_time.wYear; }                         \
    int T::GetMonth() const { return m_time.wMonth; }                       \
    int T::GetDay() const { return m_time.wDay; }                           \
    int T::GetHour() const { return m_time.wHour; }                         \
    int T::GetMinute() const { return m_time.wMinute; }                     \
    int T::GetSecond() const { return m_time.wSecond; }

ZV_TIME_CLASS_BODY(zvCTime2)
ZV_TIME_CLASS_BODY(zvCTime)

int zvCTime2::operator==(const zvCTime2& o) const { return Compare(m_time, o.m_time) == 0; }
int zvCTime2::operator!=(const zvCTime2& o) const { return Compare(m_time, o.m_time) != 0; }
int zvCTime2::operator<(const zvCTime2& o) const { return Compare(m_time, o.m_time) < 0; }
int zvCTime2::operator<=(const zvCTime2& o) const { return Compare(m_time, o.m_time) <= 0; }
int zvCTime2::operator>(const zvCTime2& o) const { return Compare(m_time, o.m_time) > 0; }
int zvCTime2::operator>=(const zvCTime2& o) const { return Compare(m_time, o.m_time) >= 0; }

int zvCTime::operator==(zvCTime o) const { return Compare(m_time, o.m_time) == 0; }
int zvCTime::operator!=(zvCTime o) const { return Compare(m_time, o.m_time) != 0; }
int zvCTime::operator<(zvCTime o) const { return Compare(m_time, o.m_time) < 0; }
int zvCTime::operator<=(zvCTime o) const { return Compare(m_time, o.m_time) <= 0; }
int zvCTime::operator>(zvCTime o) const { return Compare(m_time, o.m_time) > 0; }
int zvCTime::operator>=(zvCTime o) const { return Compare(m_time, o.m_time) >= 0; }

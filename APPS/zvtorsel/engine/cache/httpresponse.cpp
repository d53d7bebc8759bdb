#include "cache/httpresponse.h"

#include <string.h>

#include <string_view>

#include "base/bytescan.h"

namespace {

// b: a lower-case literal, whose length is known when compiled; every
// line of every head of a cache is held against several of them.
template <size_t N>
bool SameNoCase(const char* a, size_t n, const char (&b)[N]) {
    if (n != N - 1) return false;
    for (size_t i = 0; i < n; ++i) {
        char x = a[i];
        if (x >= 'A' && x <= 'Z') x = (char)(x + 32);
        if (x != b[i]) return false;
    }
    return true;
}

std::string_view Trimmed(const char* p, size_t n) {
    while (n && (*p == ' ' || *p == '\t')) ++p, --n;
    while (n && (p[n - 1] == ' ' || p[n - 1] == '\t' || p[n - 1] == '\r')) --n;
    return std::string_view(p, n);
}

// A date field's value: dates are short, so they are parsed from a copy on
// the stack; a longer value (junk) from one on the heap.
bool ParseDateField(std::string_view value, FILETIME& out) {
    char text[64];
    bool parsed;
    if (value.size() < sizeof text) {
        memcpy(text, value.data(), value.size());
        text[value.size()] = 0;
        parsed = ParseHttpDate(text, out);
    } else {
        parsed = ParseHttpDate(std::string(value).c_str(), out);
    }
    if (!parsed) out = FILETIME{0, 0};
    return parsed;
}

// Days from 1970-01-01 to a civil date.
// year: 1601 to 9999, so that the steps fit 32 bits, whose divisions the
// 32-bit build makes without a library call.
long long DaysFromCivil(long long year, unsigned m, unsigned d) {
    long y = (long)year - (m <= 2);
    long era = (y >= 0 ? y : y - 399) / 400;
    unsigned yoe = (unsigned)(y - era * 400);
    unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return (long long)era * 146097 + (long long)doe - 719468;
}

int MonthOf(const char* p) {
    static const char names[] = "janfebmaraprmayjunjulaugsepoctnovdec";
    char a = (char)(p[0] | 32), b = (char)(p[1] | 32), c = (char)(p[2] | 32);
    for (int i = 0; i < 12; ++i)
        if (names[3 * i] == a && names[3 * i + 1] == b && names[3 * i + 2] == c) return i + 1;
    return 0;
}

}  // namespace

FILETIME UnixSecondsToFileTime(unsigned long long seconds) {
    unsigned long long value = (seconds + 11644473600ULL) * 10000000ULL;
    FILETIME t;
    t.dwLowDateTime = (DWORD)value;
    t.dwHighDateTime = (DWORD)(value >> 32);
    return t;
}

namespace {

bool DateValue(long long year, int month, int day, int hour, int minute, int second, FILETIME& out) {
    if (month == 0 || day < 1 || day > 31 || year < 1601 || year > 9999 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 60)
        return false;
    long long days = DaysFromCivil(year, (unsigned)month, (unsigned)day);
    long long seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    if (seconds < -11644473600LL) return false;
    unsigned long long value = (unsigned long long)(seconds + 11644473600LL) * 10000000ULL;
    out.dwLowDateTime = (DWORD)value;
    out.dwHighDateTime = (DWORD)(value >> 32);
    return true;
}

// "Sun, 06 Nov 1994 08:49:37 GMT", the form servers send, read at its fixed
// places; false for any other text, which the general reading takes. A
// weekday spelled as a month is left to it too, since it reads the first
// month name.
bool ParseFixedDate(const char* t, FILETIME& out, bool* parsed) {
    static const char shape[] = "aaa, 00 aaa 0000 00:00:00 GMT";
    for (size_t i = 0; i < sizeof shape - 1; ++i) {
        char c = t[i];
        bool fits = shape[i] == 'a'   ? ((c | 32) >= 'a' && (c | 32) <= 'z')
                    : shape[i] == '0' ? (c >= '0' && c <= '9')
                                      : c == shape[i];
        if (!fits) return false;
    }
    if (t[sizeof shape - 1] != 0 || MonthOf(t) != 0) return false;
    int month = MonthOf(t + 8);
    if (month == 0) return false;
    auto two = [t](int at) { return (t[at] - '0') * 10 + (t[at + 1] - '0'); };
    long long year = two(12) * 100 + two(14);
    *parsed = DateValue(year, month, two(5), two(17), two(20), two(23), out);
    return true;
}

}  // namespace

bool ParseHttpDate(const char* text, FILETIME& out) {
    bool parsed = false;
    if (ParseFixedDate(text, out, &parsed)) return parsed;
    // Collect the numbers and the month name whatever the form: day, year and
    // the three parts of the time are told apart by their shape.
    int day = 0, month = 0, hour = -1, minute = 0, second = 0;
    long long year = -1;
    const char* p = text;
    while (*p) {
        if (*p >= '0' && *p <= '9') {
            const char* start = p;
            long long n = 0;
            while (*p >= '0' && *p <= '9' && p - start < 9) n = n * 10 + (*p++ - '0');
            if (*p == ':' && hour < 0) {
                hour = (int)n;
                ++p;
                minute = (int)strtol(p, (char**)&p, 10);
                if (*p == ':') second = (int)strtol(p + 1, (char**)&p, 10);
            } else if (p - start >= 3) {
                year = n;
            } else if (day == 0) {
                day = (int)n;
            } else if (year < 0) {
                year = n < 70 ? 2000 + n : 1900 + n;
            }
            continue;
        }
        if (((*p | 32) >= 'a' && (*p | 32) <= 'z') && month == 0 && p[1] && p[2]) month = MonthOf(p);
        while ((*p | 32) >= 'a' && (*p | 32) <= 'z') ++p;
        if (*p && !((*p >= '0' && *p <= '9'))) ++p;
    }
    return DateValue(year, month, day, hour, minute, second, out);
}

bool ParseResponseHead(const char* text, size_t size, HttpResponseHead& out) {
    // Cleared rather than replaced: a caller that parses many heads into one
    // keeps the texts' room.
    out.status = 0;
    out.head.clear();
    out.contentType.clear();
    out.contentEncoding.clear();
    out.location.clear();
    out.lastModified = out.date = FILETIME{0, 0};
    out.head.reserve(size + 2);
    size_t pos = 0;
    bool first = true;
    // Lines that end in CR LF already are copied in runs, not one by one:
    // bytes [run, runEnd) of text are the head's lines as they stand.
    size_t run = 0, runEnd = 0;
    while (pos < size) {
        // A line ends at LF or NUL, whichever comes first.
        size_t end = (size_t)(bytescan::FindEither(text + pos, text + size, '\n', '\0') - text);
        size_t length = end - pos;
        if (length && text[pos + length - 1] == '\r') --length;
        const char* line = text + pos;
        bool asItStands = end < size && text[end] == '\n' && length + 1 == end - pos;
        pos = end + 1;
        if (length == 0) break;
        if (first) {
            if (length < 12 || memcmp(line, "HTTP/", 5) != 0) return false;
            const char* space = (const char*)memchr(line, ' ', length);
            if (!space || space + 4 > line + length) return false;
            int status = 0;
            for (int i = 1; i <= 3; ++i) {
                if (space[i] < '0' || space[i] > '9') return false;
                status = status * 10 + (space[i] - '0');
            }
            out.status = status;
            first = false;
        } else {
            const char* colon = (const char*)memchr(line, ':', length);
            if (colon) {
                size_t nameLength = (size_t)(colon - line);
                const char* value = colon + 1;
                size_t valueLength = length - nameLength - 1;
                if (SameNoCase(line, nameLength, "content-type")) {
                    out.contentType = Trimmed(value, valueLength);
                } else if (SameNoCase(line, nameLength, "content-encoding")) {
                    if (!out.contentEncoding.empty()) out.contentEncoding += ", ";
                    out.contentEncoding += Trimmed(value, valueLength);
                } else if (SameNoCase(line, nameLength, "location")) {
                    out.location = Trimmed(value, valueLength);
                } else if (SameNoCase(line, nameLength, "last-modified")) {
                    ParseDateField(Trimmed(value, valueLength), out.lastModified);
                } else if (SameNoCase(line, nameLength, "date")) {
                    ParseDateField(Trimmed(value, valueLength), out.date);
                }
            }
        }
        if (asItStands) {
            runEnd = pos;
        } else {
            out.head.append(text + run, runEnd - run);
            out.head.append(line, length);
            out.head += "\r\n";
            run = runEnd = pos;
        }
    }
    if (first) return false;
    out.head.append(text + run, runEnd - run);
    out.head += "\r\n";
    return true;
}

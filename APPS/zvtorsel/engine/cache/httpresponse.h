// The response head a browser cache keeps beside a body: status, the few
// fields the rebuild needs, and the head itself as CR LF lines.
#pragma once
#include <stddef.h>

#include <string>

#include "zvtypes.h"

struct HttpResponseHead {
    int status = 0;
    std::string head;  // "HTTP/1.1 200 OK\r\nName: value\r\n...\r\n"
    std::string contentType;
    std::string contentEncoding;
    std::string location;
    FILETIME lastModified = {0, 0};  // zero when absent or no date
    FILETIME date = {0, 0};
};

// Reads a head whose lines end with NUL (as Chromium stores them) or with
// CR LF / LF (as Firefox does); stops at an empty line or at size. False when
// the first line is no HTTP status line.
bool ParseResponseHead(const char* text, size_t size, HttpResponseHead& out);

// An HTTP date (RFC 1123, RFC 850 or asctime form) as UTC; false when the
// text is none.
bool ParseHttpDate(const char* text, FILETIME& out);

// Windows time of seconds since 1970-01-01 UTC.
FILETIME UnixSecondsToFileTime(unsigned long long seconds);

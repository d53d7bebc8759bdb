// Firefox's "cache2" entry files ("entries/<40 hex>"): the body from the
// start, then the metadata, whose offset the last 4 bytes give (big-endian):
// a checksum, one 16-bit hash per 256 KiB chunk of the body, the header
// (version, counters, times, key size, flags from version 2 on), the key and
// its terminating zero, and name/value pairs of zero-ended strings. The
// reader works on a byte buffer and never reads past it.
#pragma once
#include <stddef.h>

#include <string>

#include "cache/httpresponse.h"
#include "zvtypes.h"

enum Cache2Result {
    CACHE2_OK,
    CACHE2_NEWER,    // a version after the known ones, read with the latest known layout
    CACHE2_DAMAGED,  // cut, or the metadata does not fit the file
};

const DWORD kCache2LatestVersion = 4;

struct Cache2Entry {
    DWORD version = 0;
    std::string key;
    ULONGLONG bodyLength = 0;  // from the start of the file
    bool hasHead = false;
    HttpResponseHead head;
    DWORD lastModified = 0;  // seconds since 1970, when the entry was written
    DWORD lastFetched = 0;
    DWORD expiration = 0;
    std::string requestMethod;  // "request-method"
    std::string requestHead;    // the "request-NAME" pairs (varied-on request headers) as "NAME: value\r\n"
};

Cache2Result ParseCache2Entry(const BYTE* data, size_t size, Cache2Entry& out);

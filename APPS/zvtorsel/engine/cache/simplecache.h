// Chromium's "simple" disk cache: one file "<16 hex>_0" per entry, holding a
// header, the key, stream 1 (the body as sent), its end record, stream 0 (the
// HTTP response info) and the end record of the file; "_s" beside it holds
// sparse ranges. The reader works on a byte buffer and never reads past it.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

#include "cache/httpresponse.h"
#include "zvtypes.h"

enum SimpleCacheResult {
    SIMPLE_OK,
    SIMPLE_NOT_ENTRY,  // no simple cache entry file (magic number)
    SIMPLE_DAMAGED,    // an entry file that is cut or whose records do not fit
    SIMPLE_NO_HEAD,    // stream 0 holds no HTTP response
};

struct SimpleCacheEntry {
    std::string key;
    ULONGLONG bodyOffset = 0;  // of stream 1 in the file
    ULONGLONG bodyLength = 0;
    HttpResponseHead head;
    ULONGLONG responseTime = 0;  // FILETIME value; 0 when unknown
};

// Chromium's stored response info (stream 0 of both its cache formats): the
// head and the response time (FILETIME value, 0 when unknown).
bool ParseResponseInfo(const BYTE* data, size_t size, HttpResponseHead& head, ULONGLONG* responseTime);

SimpleCacheResult ParseSimpleEntry(const BYTE* data, size_t size, SimpleCacheEntry& out);

// One range of a sparse file: where its bytes lie in the body and in the file.
struct SimpleSparseRange {
    ULONGLONG offset;
    ULONGLONG length;
    ULONGLONG fileOffset;
};

// The ranges of an "_s" file in the order stored; false when it is no sparse
// file. A cut range ends the list.
bool ParseSimpleSparse(const BYTE* data, size_t size, std::vector<SimpleSparseRange>& out);

// The body held by sparse ranges: the bytes from 0 as far as the ranges
// reach without a gap.
std::vector<BYTE> JoinSparseRanges(const BYTE* data, size_t size, std::vector<SimpleSparseRange> ranges);

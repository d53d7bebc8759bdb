#include "cache/simplecache.h"

#include <string.h>

#include <algorithm>

namespace {

const ULONGLONG kInitialMagic = 0xfcfb6d1ba7725c30ULL;
const ULONGLONG kFinalMagic = 0xf4fa6f45970d41d8ULL;
const ULONGLONG kSparseMagic = 0xeb97bf016553676bULL;
const size_t kHeaderSize = 24;   // magic, version, key length, key hash, padding
const size_t kEofSize = 24;      // magic, flags, crc, stream size, padding
const size_t kSparseHeaderSize = 32;
const size_t kKeySha256Size = 32;
const DWORD kEofHasKeySha256 = 2;
const size_t kLongestKey = 64 * 1024;

DWORD Le32(const BYTE* p) { return (DWORD)p[0] | ((DWORD)p[1] << 8) | ((DWORD)p[2] << 16) | ((DWORD)p[3] << 24); }
ULONGLONG Le64(const BYTE* p) { return (ULONGLONG)Le32(p) | ((ULONGLONG)Le32(p + 4) << 32); }

}  // namespace

// Stream 0 is a pickle of the response info: a payload size, flags, times,
// then the head as a length and its bytes. Versions differ in how many
// fields come before the head, so it is found by its shape: a length
// (4-aligned in the payload) followed by "HTTP/".
bool ParseResponseInfo(const BYTE* p, size_t size, HttpResponseHead& head, ULONGLONG* responseTime) {
    *responseTime = 0;
    if (size < 8) return false;
    size_t payload = Le32(p);
    if (payload > size - 4) return false;
    const BYTE* body = p + 4;
    for (size_t at = 4; at + 4 + 5 <= payload; at += 4) {
        size_t length = Le32(body + at);
        if (length < 5 || length > payload - at - 4 || memcmp(body + at + 4, "HTTP/", 5) != 0) continue;
        if (!ParseResponseHead((const char*)body + at + 4, length, head)) return false;
        // The response time is the last time field before the head.
        if (at >= 12) {
            ULONGLONG micro = Le64(body + at - 8);
            if (micro > 0 && micro < (0x7fffffffffffffffULL / 10)) *responseTime = micro * 10;
        }
        return true;
    }
    return false;
}

SimpleCacheResult ParseSimpleEntry(const BYTE* data, size_t size, SimpleCacheEntry& out) {
    out = SimpleCacheEntry();
    if (size < kHeaderSize || Le64(data) != kInitialMagic) return SIMPLE_NOT_ENTRY;
    size_t keyLength = Le32(data + 12);
    if (keyLength > kLongestKey || keyLength > size - kHeaderSize) return SIMPLE_DAMAGED;
    out.key.assign((const char*)data + kHeaderSize, keyLength);
    size_t afterKey = kHeaderSize + keyLength;
    if (size - afterKey < 2 * kEofSize) return SIMPLE_DAMAGED;

    const BYTE* eof0 = data + size - kEofSize;
    if (Le64(eof0) != kFinalMagic) return SIMPLE_DAMAGED;
    DWORD flags = Le32(eof0 + 8);
    size_t stream0Size = Le32(eof0 + 16);
    size_t tail = kEofSize + ((flags & kEofHasKeySha256) ? kKeySha256Size : 0);
    // Stream 0, then stream 1's end record before it, must fit after the key.
    if (stream0Size > size - afterKey - kEofSize || tail > size - afterKey - kEofSize - stream0Size) return SIMPLE_DAMAGED;
    size_t stream0 = size - tail - stream0Size;
    size_t eof1 = stream0 - kEofSize;
    if (eof1 < afterKey || Le64(data + eof1) != kFinalMagic) return SIMPLE_DAMAGED;
    out.bodyOffset = afterKey;
    out.bodyLength = eof1 - afterKey;
    if (!ParseResponseInfo(data + stream0, stream0Size, out.head, &out.responseTime)) return SIMPLE_NO_HEAD;
    return SIMPLE_OK;
}

bool ParseSimpleSparse(const BYTE* data, size_t size, std::vector<SimpleSparseRange>& out) {
    out.clear();
    if (size < kHeaderSize || Le64(data) != kInitialMagic) return false;
    size_t keyLength = Le32(data + 12);
    if (keyLength > size - kHeaderSize) return false;
    size_t at = kHeaderSize + keyLength;
    while (size - at >= kSparseHeaderSize) {
        if (Le64(data + at) != kSparseMagic) break;
        ULONGLONG offset = Le64(data + at + 8);
        ULONGLONG length = Le64(data + at + 16);
        at += kSparseHeaderSize;
        if (offset > (1ULL << 62) || length > size - at) break;
        out.push_back({offset, length, at});
        at += (size_t)length;
    }
    return true;
}

std::vector<BYTE> JoinSparseRanges(const BYTE* data, size_t size, std::vector<SimpleSparseRange> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const SimpleSparseRange& a, const SimpleSparseRange& b) { return a.offset < b.offset; });
    std::vector<BYTE> body;
    for (const SimpleSparseRange& r : ranges) {
        if (r.offset > body.size()) break;  // a gap: what follows is not the body's next part
        if (r.fileOffset > size || r.length > size - r.fileOffset) break;
        ULONGLONG end = r.offset + r.length;
        if (end <= body.size()) continue;
        size_t skip = (size_t)(body.size() - r.offset);
        body.insert(body.end(), data + r.fileOffset + skip, data + r.fileOffset + r.length);
    }
    return body;
}

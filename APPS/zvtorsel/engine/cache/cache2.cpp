#include "cache/cache2.h"

#include <string.h>

namespace {

const size_t kChunkSize = 256 * 1024;
const size_t kHeaderV1 = 28;  // version 1 has no flags field
const size_t kHeaderV2 = 32;
const size_t kLongestKey = 64 * 1024;

DWORD Be32(const BYTE* p) { return ((DWORD)p[0] << 24) | ((DWORD)p[1] << 16) | ((DWORD)p[2] << 8) | p[3]; }

// "version;offset,type": the body ends where the alternative data (compiled
// scripts and the like) begins.
bool AltDataOffset(const char* value, ULONGLONG bodyLength, ULONGLONG& offset) {
    const char* semicolon = strchr(value, ';');
    if (!semicolon) return false;
    ULONGLONG n = 0;
    const char* p = semicolon + 1;
    if (*p < '0' || *p > '9') return false;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + (ULONGLONG)(*p++ - '0');
        if (n > bodyLength) return false;
    }
    offset = n;
    return true;
}

}  // namespace

Cache2Result ParseCache2Entry(const BYTE* data, size_t size, Cache2Entry& out) {
    out = Cache2Entry();
    if (size < 4 + 4 + kHeaderV1) return CACHE2_DAMAGED;
    size_t metaEnd = size - 4;
    size_t metaOffset = Be32(data + metaEnd);
    if (metaOffset > metaEnd || metaEnd - metaOffset < 4) return CACHE2_DAMAGED;
    size_t chunks = metaOffset == 0 ? 0 : (metaOffset - 1) / kChunkSize + 1;
    size_t at = metaOffset + 4;
    if (chunks > (metaEnd - at) / 2) return CACHE2_DAMAGED;
    at += chunks * 2;
    if (metaEnd - at < kHeaderV1) return CACHE2_DAMAGED;
    const BYTE* header = data + at;
    out.version = Be32(header);
    if (out.version == 0) return CACHE2_DAMAGED;
    out.lastFetched = Be32(header + 8);
    out.lastModified = Be32(header + 12);
    out.expiration = Be32(header + 20);
    size_t keySize = Be32(header + 24);
    size_t headerSize = out.version == 1 ? kHeaderV1 : kHeaderV2;
    if (metaEnd - at < headerSize) return CACHE2_DAMAGED;
    at += headerSize;
    if (keySize > kLongestKey || keySize >= metaEnd - at || data[at + keySize] != 0) return CACHE2_DAMAGED;
    out.key.assign((const char*)data + at, keySize);
    at += keySize + 1;
    out.bodyLength = metaOffset;

    // Name/value pairs up to the offset field. Recent versions put a few
    // bytes of their own after the last pair, so an incomplete pair ends the list.
    std::string altData;
    while (at < metaEnd) {
        const char* name = (const char*)data + at;
        const void* nameEnd = memchr(name, 0, metaEnd - at);
        if (!nameEnd) break;
        size_t nameLength = (size_t)((const char*)nameEnd - name);
        size_t valueAt = at + nameLength + 1;
        if (valueAt >= metaEnd) break;
        const char* value = (const char*)data + valueAt;
        const void* valueEnd = memchr(value, 0, metaEnd - valueAt);
        if (!valueEnd) break;
        size_t valueLength = (size_t)((const char*)valueEnd - value);
        if (strcmp(name, "response-head") == 0)
            out.hasHead = ParseResponseHead(value, valueLength, out.head);
        else if (strcmp(name, "request-method") == 0)
            out.requestMethod.assign(value, valueLength);
        else if (strncmp(name, "request-", 8) == 0 && nameLength > 8)
            out.requestHead += std::string(name + 8, nameLength - 8) + ": " + std::string(value, valueLength) + "\r\n";
        else if (strcmp(name, "alt-data") == 0)
            altData.assign(value, valueLength);
        at = valueAt + valueLength + 1;
    }
    ULONGLONG altOffset;
    if (!altData.empty() && AltDataOffset(altData.c_str(), out.bodyLength, altOffset)) out.bodyLength = altOffset;
    return out.version > kCache2LatestVersion ? CACHE2_NEWER : CACHE2_OK;
}

#include "zvchartables.h"
#include "zverror.h"
#include "zvpath.h"

namespace {

inline bool IsSeparator(unsigned c) { return c == '\\' || c == '/'; }

// One walker for both widths: Char is char (lead-byte aware) or WCHAR.
template <typename Char>
inline int Advance(const Char* p) {
    if constexpr (sizeof(Char) == 1) {
        return zvCharLen((const char*)p);
    } else {
        return 1;
    }
}

template <typename Char>
inline unsigned Unit(Char c) {
    if constexpr (sizeof(Char) == 1) {
        return (BYTE)c;
    } else {
        return (WORD)c;
    }
}

template <typename Char>
Char* ScanFileName(const Char* path) {
    if (!path) {
        zvSetErrCode(ZVERR_BAD_ARGUMENT);
        return nullptr;
    }
    const Char* found = nullptr;
    for (const Char* p = path; *p;) {
        bool separator = IsSeparator(Unit(*p));
        p += Advance(p);
        if (separator) found = p;
    }
    return const_cast<Char*>(found);
}

template <typename Char>
Char* FindExtension(const Char* path) {
    const Char* found = nullptr;
    for (const Char* p = path; *p;) {
        unsigned c = Unit(*p);
        p += Advance(p);
        if (c == '.') {
            found = p;
        } else if (IsSeparator(c)) {
            found = nullptr;
        }
    }
    return const_cast<Char*>(found);
}

template <typename Char>
Char* ScanExtName(const Char* path) {
    zvSetErrCode(ZVERR_NONE);
    if (!path) {
        zvSetErrCode(ZVERR_BAD_ARGUMENT);
        return nullptr;
    }
    return FindExtension(path);
}

// Copies a character (one or two units) from src to dst; returns units copied.
template <typename Char>
inline int CopyChar(Char*& dst, const Char*& src) {
    int n = Advance(src);
    for (int i = 0; i < n; ++i) *dst++ = *src++;
    return n;
}

template <typename Char>
BOOL ControlRightPath(Char* path) {
    if (!path) return zvFail(ZVERR_BAD_ARGUMENT);
    const Char* src = path;
    Char* dst = path;
    // A leading separator is kept without skipping what follows, so the
    // leading pair of a network path survives.
    if (IsSeparator(Unit(*src))) *dst++ = *src++;
    while (*src) {
        bool separator = IsSeparator(Unit(*src));
        CopyChar(dst, src);
        if (separator) {
            while (IsSeparator(Unit(*src))) ++src;
        }
    }
    *dst = 0;
    return TRUE;
}

template <typename Char>
BOOL ControlRightUrl(Char* url) {
    if (!url) return zvFail(ZVERR_BAD_ARGUMENT);
    const Char* src = url;
    Char* dst = url;
    while (*src) {
        unsigned c = Unit(*src);
        CopyChar(dst, src);
        if (c == ':') {
            while (IsSeparator(Unit(*src))) *dst++ = *src++;
        } else if (IsSeparator(c)) {
            while (IsSeparator(Unit(*src))) ++src;
        }
    }
    *dst = 0;
    return TRUE;
}

}  // namespace

const char* zvFindExtension(const char* path) { return path ? FindExtension(path) : nullptr; }

ZV_EXPORT(char*) zvScanFileNameA(const char* path) { return ScanFileName(path); }
ZV_EXPORT(char*) zvScanExtNameA(const char* path) { return ScanExtName(path); }
ZV_EXPORT(BOOL) zvControlRightPathA(char* path) { return ControlRightPath(path); }
ZV_EXPORT(BOOL) zvControlRightUrlA(char* url) { return ControlRightUrl(url); }

ZV_EXPORT(WCHAR*) zvScanFileNameW(const WCHAR* path) { return ScanFileName(path); }
ZV_EXPORT(WCHAR*) zvScanExtNameW(const WCHAR* path) { return ScanExtName(path); }
ZV_EXPORT(BOOL) zvControlRightPathW(WCHAR* path) { return ControlRightPath(path); }
ZV_EXPORT(BOOL) zvControlRightUrlW(WCHAR* url) { return ControlRightUrl(url); }

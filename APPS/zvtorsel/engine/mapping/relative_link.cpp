#include "mapping/relative_link.h"

#include <string.h>

namespace {

inline bool IsSep(char c) { return c == '/' || c == '\\'; }

inline char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

inline int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Bytes of the length of the character at p: 2 for a lead byte with its
// trail byte, else 1.
inline size_t CharLength(const char* p, const MappingSettings& s) { return s.IsLead((BYTE)*p) && p[1] ? 2 : 1; }

// Bounded output: a unit is written whole or not at all; after the first
// unit that does not fit nothing more is written.
class Writer {
public:
    Writer(char* out, size_t size) : m_pos(out), m_limit(out + (size ? size - 1 : 0)) {
        if (size) *out = 0;
    }
    void Put(const char* data, size_t n) {
        if (m_cut || (size_t)(m_limit - m_pos) < n) {
            m_cut = true;
            return;
        }
        memcpy(m_pos, data, n);
        m_pos += n;
        *m_pos = 0;
    }
    bool Empty(const char* start) const { return m_pos == start; }
    bool Cut() const { return m_cut; }

private:
    char* m_pos;
    char* m_limit;
    bool m_cut = false;
};

struct Span {
    const char* p;
    size_t n;
};

// The names of a path, runs of separators taken as one, with its "." and
// ".." steps resolved; ".." never removes one of the first floor names.
class Components {
public:
    enum { kMax = 1024 };

    bool Add(const char* path, size_t floor, const MappingSettings& s) {
        const char* start = path;
        const char* p = path;
        for (;;) {
            if (*p && !IsSep(*p)) {
                p += CharLength(p, s);
                continue;
            }
            size_t n = (size_t)(p - start);
            if (n == 2 && start[0] == '.' && start[1] == '.') {
                if (count > floor) --count;
            } else if (n > 0 && !(n == 1 && start[0] == '.')) {
                if (count == kMax) return false;
                items[count++] = Span{start, n};
            }
            if (!*p) break;
            start = ++p;
        }
        endsWithSeparator = p != path && IsSep(p[-1]);
        return true;
    }
    // A page's folder: its names without the file name.
    void DropFileName() {
        if (!endsWithSeparator && count) --count;
        endsWithSeparator = true;
    }
    size_t FolderCount() const { return endsWithSeparator || !count ? count : count - 1; }

    Span items[kMax];
    size_t count = 0;
    bool endsWithSeparator = false;
};

// Names that one folder of the file system holds: ASCII letters without
// case, double-byte characters as they are.
bool SameName(const Span& a, const Span& b, const MappingSettings& s) {
    if (a.n != b.n) return false;
    for (size_t i = 0; i < a.n;) {
        size_t unit = i + 1 < a.n ? CharLength(a.p + i, s) : 1;
        if (unit == 2) {
            if (a.p[i] != b.p[i] || a.p[i + 1] != b.p[i + 1]) return false;
        } else if (FoldAscii(a.p[i]) != FoldAscii(b.p[i])) {
            return false;
        }
        i += unit;
    }
    return true;
}

// Bytes a browser reads as something other than a letter of a name, or
// that would end the attribute value the link stands in.
bool MustEscapeInUrl(BYTE b) {
    if (b <= 0x20 || b == 0x7F) return true;
    return b < 0x80 && strchr("\"#%&':<>?[\\]^`{|}", b) != nullptr;
}

// A Shift_JIS trail byte lies in 0x40 to 0xFC without 0x7F; anything else
// behind a lead byte is broken text, whose second byte must not leak as
// markup.
bool IsTrailByte(BYTE b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

void PutEscaped(Writer& w, BYTE b) {
    static const char kHex[] = "0123456789ABCDEF";
    char e[3] = {'%', kHex[b >> 4], kHex[b & 15]};
    w.Put(e, 3);
}

void PutName(Writer& w, const Span& name, const MappingSettings& s) {
    for (size_t i = 0; i < name.n;) {
        BYTE b = (BYTE)name.p[i];
        if (s.IsLead(b) && i + 1 < name.n) {
            BYTE trail = (BYTE)name.p[i + 1];
            if (IsTrailByte(trail)) {
                w.Put(name.p + i, 2);
            } else {
                static const char kHex[] = "0123456789ABCDEF";
                char unit[4] = {(char)b, '%', kHex[trail >> 4], kHex[trail & 15]};
                w.Put(unit, 4);
            }
            i += 2;
        } else {
            // A lead byte without its trail byte would take the next byte
            // of the page (the closing quote) as one.
            if (MustEscapeInUrl(b) || s.IsLead(b)) {
                PutEscaped(w, b);
            } else {
                w.Put(name.p + i, 1);
            }
            ++i;
        }
    }
}

}  // namespace

const char* PathBelowFolder(const char* folder, const char* path, const MappingSettings& s) {
    if (!folder || !path || !*folder) return nullptr;
    const char* f = folder;
    const char* p = path;
    while (*f) {
        if (IsSep(*f)) {
            if (!IsSep(*p)) return nullptr;
            while (IsSep(*f)) ++f;
            while (IsSep(*p)) ++p;
            continue;
        }
        size_t unit = CharLength(f, s);
        if (unit == 2 ? (f[0] != p[0] || f[1] != p[1]) : FoldAscii(*f) != FoldAscii(*p)) return nullptr;
        f += unit;
        p += unit;
    }
    // A folder given without its final separator must not match a longer name.
    if (!IsSep(f[-1]) && *p && !IsSep(*p)) return nullptr;
    while (IsSep(*p)) ++p;
    return p;
}

BOOL LocalPathToUrlPath(const char* localPath, char* out, size_t outSize, const MappingSettings& s) {
    return RelativeLink("", localPath, out, outSize, s);
}

BOOL ResolveLocalLink(const char* pagePath, const char* linkPath, char* out, size_t outSize,
                      const MappingSettings& s) {
    Components local;
    Writer w(out, outSize);
    if (!local.Add(pagePath ? pagePath : "", 0, s)) return FALSE;
    local.DropFileName();
    // Below a scheme folder ("http$") the first two names are the site.
    size_t floor = 0;
    if (local.count >= 2 && local.items[0].n > 1 && local.items[0].p[local.items[0].n - 1] == '$') floor = 2;
    if (!local.Add(linkPath ? linkPath : "", floor, s)) return FALSE;
    for (size_t i = 0; i < local.count; ++i) {
        if (i) w.Put("\\", 1);
        w.Put(local.items[i].p, local.items[i].n);
    }
    if (local.endsWithSeparator && local.count) w.Put("\\", 1);
    return w.Cut() ? FALSE : TRUE;
}

BOOL RelativeLink(const char* pagePath, const char* targetPath, char* out, size_t outSize,
                  const MappingSettings& s) {
    Components page, target;
    Writer w(out, outSize);
    if (!page.Add(pagePath ? pagePath : "", 0, s) || !target.Add(targetPath ? targetPath : "", 0, s)) return FALSE;
    page.DropFileName();
    size_t common = 0;
    size_t targetFolders = target.FolderCount();
    while (common < page.count && common < targetFolders &&
           SameName(page.items[common], target.items[common], s))
        ++common;
    for (size_t i = common; i < page.count; ++i) w.Put("../", 3);
    for (size_t i = common; i < target.count; ++i) {
        PutName(w, target.items[i], s);
        if (i + 1 < target.count || target.endsWithSeparator) w.Put("/", 1);
    }
    if (w.Empty(out) && outSize > 2) w.Put("./", 2);
    return w.Cut() ? FALSE : TRUE;
}

void UnescapeUrlPath(const char* urlPath, char* out, size_t outSize) {
    if (!outSize) return;
    size_t n = 0;
    for (const char* p = urlPath ? urlPath : ""; *p && n + 1 < outSize;) {
        int high = p[0] == '%' ? HexValue(p[1]) : -1;
        int low = high >= 0 ? HexValue(p[2]) : -1;
        if (low >= 0) {
            out[n++] = (char)(high * 16 + low);
            p += 3;
        } else {
            out[n++] = *p++;
        }
    }
    out[n] = 0;
}

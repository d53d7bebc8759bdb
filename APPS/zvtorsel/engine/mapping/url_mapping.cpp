#include "mapping/url_mapping.h"

#include <string.h>

#include "mapping/time_stamp.h"
#include "zvpath.h"

namespace {

inline bool IsSep(char c) { return c == '/' || c == '\\'; }

inline int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Bounded output: units (a character or an escape) are written whole or not
// at all, so a cut never splits one; the text stays terminated.
class Writer {
public:
    Writer(char* out, size_t size) : m_pos(out), m_limit(out + (size ? size - 1 : 0)) {
        if (size) *out = 0;
    }
    // Once a unit did not fit nothing more is written, until CutAt.
    bool Put(const char* data, size_t n) {
        if (m_cut || (size_t)(m_limit - m_pos) < n) {
            m_cut = true;
            return false;
        }
        memcpy(m_pos, data, n);
        m_pos += n;
        *m_pos = 0;
        return true;
    }
    bool Put(char c) {
        if (m_cut || m_pos == m_limit) {
            m_cut = true;
            return false;
        }
        *m_pos++ = c;
        *m_pos = 0;
        return true;
    }
    bool Put(const char* text) { return Put(text, strlen(text)); }
    char* Pos() const { return m_pos; }
    void CutAt(char* p) {
        m_pos = p;
        *m_pos = 0;
        m_cut = false;
    }
    bool Cut() const { return m_cut; }

private:
    char* m_pos;
    char* m_limit;
    bool m_cut = false;
};

// Length of the character at p: 2 for a lead byte with its trail, 1 for any
// other byte, 0 for a lead byte before the terminating zero (which ends a scan).
inline int CharLength(const char* p, const MappingSettings& s) {
    if (!s.IsLead((BYTE)*p)) return 1;
    return p[1] ? 2 : 0;
}

// One unit of the source under optional percent decoding: writes it and
// returns the source bytes consumed (0 at a dangling lead byte).
int CopyUnit(const char* p, bool cnvtPercent, Writer& w, const MappingSettings& s,
             size_t* written) {
    if (cnvtPercent && *p == '%' && HexValue(p[1]) >= 0 && HexValue(p[2]) >= 0) {
        char decoded = (char)(HexValue(p[1]) * 16 + HexValue(p[2]));
        *written = w.Put(decoded) ? 1 : 0;
        return 3;
    }
    int n = CharLength(p, s);
    *written = (n && w.Put(p, n)) ? n : 0;
    return n;
}

bool SepsAfterScheme(const char* colon) {
    return colon[0] == ':' && IsSep(colon[1]) && IsSep(colon[2]);
}

}  // namespace

int MapUrlToName(const char* url, const char* localFile, const FILETIME& lastModified,
                 BOOL cnvtPercent, char* out, size_t outSize, const MappingSettings& s) {
    Writer w(out, outSize);
    const char* p = url;
    while (*p && *p != ':') {
        int n = CharLength(p, s);
        if (!n) break;
        p += n;
    }
    if (*p != ':') {
        w.CutAt(out);
        return 0;
    }
    ++p;
    w.Put(url, (size_t)(p - url));
    bool lastWasSep = false;
    while (IsSep(*p)) {
        w.Put(*p++);
        lastWasSep = true;
    }
    while (*p && *p != '?') {
        bool sep = IsSep(*p);
        size_t written;
        int n = CopyUnit(p, cnvtPercent, w, s, &written);
        if (!n) break;
        lastWasSep = sep;
        p += n;
    }
    if (*p != '?') {
        if (lastWasSep) w.Put("index.html");
        return 1;
    }

    const char* ext = nullptr;
    if (localFile && *localFile) ext = zvScanExtNameA(localFile);
    char* queryStart = w.Pos();
    w.Put('?');
    ++p;
    // The survivor of a cut: "?" and whole characters, at most cgiShortenLen bytes.
    char* survivorEnd = s.cgiShortenLen >= 1 ? w.Pos() : queryStart;
    long counted = 0;
    bool limitReached = s.cgiLimitLen <= 0;
    while (*p) {
        size_t written;
        int n = CopyUnit(p, cnvtPercent, w, s, &written);
        if (!n) break;
        p += n;
        counted += n == 3 ? 1 : n;  // a decoded escape is one byte
        if (written && (long)(w.Pos() - queryStart) <= s.cgiShortenLen) survivorEnd = w.Pos();
        if (counted >= s.cgiLimitLen) limitReached = true;
    }
    if (!limitReached) {
        if (ext) {
            w.Put('.');
            w.Put(ext);
        }
        return 1;
    }
    w.CutAt(survivorEnd);
    if (s.cgiShortenLen == 0 && lastWasSep) w.Put("index");
    char stamp[kTimeStampSize];
    EntryTimeStamp(lastModified, localFile, stamp, s);
    w.Put(stamp);
    if (ext) {
        w.Put('.');
        w.Put(ext);
    }
    return 1;
}

namespace {

// Reserved bytes of a file name, written as "$%02x".
bool IsReservedByte(BYTE b) {
    if (b >= 0x01 && b <= 0x1F) return true;
    switch (b) {
    case 0x22: case 0x24: case 0x25: case 0x2A: case 0x2C: case 0x2F: case 0x3A:
    case 0x3B: case 0x3C: case 0x3E: case 0x3F: case 0x5C: case 0x7C:
        return true;
    default:
        return false;
    }
}

bool PutEscape(Writer& w, BYTE b) {
    static const char kHex[] = "0123456789abcdef";
    char e[3] = {'$', kHex[b >> 4], kHex[b & 15]};
    return w.Put(e, 3);
}

// A component made only of dots would name the folder itself or its parent.
bool IsDotsOnlyComponent(const char* p) {
    const char* q = p;
    while (*q == '.') ++q;
    return q != p && (*q == 0 || IsSep(*q));
}

// Windows opens a device instead of a file for these names, in any case and
// with any extension or trailing spaces: CON, PRN, AUX, NUL, COM1-9, LPT1-9.
bool IsDeviceName(const char* begin, const char* end) {
    const char* base = begin;
    while (base < end && *base != '.') ++base;
    while (base > begin && base[-1] == ' ') --base;
    size_t n = (size_t)(base - begin);
    if (n != 3 && n != 4) return false;
    char upper[4];
    for (size_t i = 0; i < n; ++i) {
        char c = begin[i];
        upper[i] = c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
    }
    if (n == 4) {
        return (memcmp(upper, "COM", 3) == 0 || memcmp(upper, "LPT", 3) == 0) &&
               upper[3] >= '1' && upper[3] <= '9';
    }
    return memcmp(upper, "CON", 3) == 0 || memcmp(upper, "PRN", 3) == 0 ||
           memcmp(upper, "AUX", 3) == 0 || memcmp(upper, "NUL", 3) == 0;
}

// Windows drops a trailing dot or space of a name.
inline bool IsDroppedTrailer(char c) { return c == '.' || c == ' '; }

// Where the component starting at p ends in the mapped URL, as UrlToLocalPath
// splits it, and where its last character starts.
const char* ComponentEnd(const char* p, bool query, bool schemePossible, const char** lastChar,
                         const MappingSettings& s) {
    *lastChar = nullptr;
    while (*p) {
        if (!query && (IsSep(*p) || (schemePossible && SepsAfterScheme(p)))) break;
        if (*p == '?') query = true;
        if (*p == ':') schemePossible = false;
        int n = CharLength(p, s);
        if (!n) {
            // A dangling lead byte cuts the text: the end is trimmed instead.
            *lastChar = nullptr;
            break;
        }
        *lastChar = p;
        p += n;
    }
    return p;
}

// Width of a name as file systems count it: an ASCII byte is one, any other
// character three (its length in UTF-8, which also bounds it in UTF-16).
const size_t kNameWidthLimit = 255;
const size_t kPieceWidth = 200;

// Bytes and width of the unit at p of a local path.
size_t LocalUnit(const char* p, size_t* width, const MappingSettings& s) {
    BYTE b = (BYTE)*p;
    if (b == '$' && HexValue(p[1]) >= 0 && HexValue(p[2]) >= 0) {
        *width = 3;
        return 3;
    }
    *width = b < 0x80 ? 1 : 3;
    return (s.IsLead(b) && p[1]) ? 2 : 1;
}

// Puts `text` (n bytes) in at p, moving the rest of the path; false when the
// buffer has no room for it.
bool InsertAt(char* out, size_t outSize, char* p, const char* text, size_t n) {
    size_t tail = strlen(p);
    if ((size_t)(p - out) + n + tail + 1 > outSize) return false;
    memmove(p + n, p, tail + 1);
    memcpy(p, text, n);
    return true;
}

// A name wider than file systems take is written as a chain of folders:
// each piece but the last ends with kContinued and goes on in the folder it
// names. No other name ends so, as UrlToLocalPath escapes every "$" of a URL.
void SplitWideNames(char* out, size_t outSize, const MappingSettings& s) {
    char* name = out;
    while (*name) {
        size_t width = 0, unitWidth;
        char* end = name;
        while (*end && *end != '\\') {
            end += LocalUnit(end, &unitWidth, s);
            width += unitWidth;
        }
        if (width > kNameWidthLimit) {
            size_t piece = 0;
            for (char* q = name; q < end;) {
                size_t n = LocalUnit(q, &unitWidth, s);
                if (piece + unitWidth > kPieceWidth) {
                    static const char kCut[] = {kContinued[0], kContinued[1], '\\'};
                    if (!InsertAt(out, outSize, q, kCut, sizeof(kCut))) return;
                    q += sizeof(kCut);
                    end += sizeof(kCut);
                    piece = 0;
                    // Windows would open a device for a piece named so.
                    if (IsDeviceName(q, end)) {
                        char escaped[4];
                        escaped[0] = '$';
                        escaped[1] = "0123456789abcdef"[(BYTE)*q >> 4];
                        escaped[2] = "0123456789abcdef"[(BYTE)*q & 15];
                        if (!InsertAt(out, outSize, q + 1, escaped + 1, 2)) return;
                        *q = '$';
                        end += 2;
                        n = 3;
                        unitWidth = 3;
                    }
                }
                q += n;
                piece += unitWidth;
            }
        }
        name = *end ? end + 1 : end;
    }
}

}  // namespace

int UrlToLocalPath(const char* mappedUrl, char* out, size_t outSize, const MappingSettings& s) {
    Writer w(out, outSize);
    bool query = false;
    // Only the first ":" can end the scheme, and only before any separator;
    // a later ":" (a port, user info, a path) is an ordinary reserved byte.
    bool schemePossible = true;
    bool componentStart = true;
    char* lastComponent = out;
    // Bytes of the current component written as escapes so that Windows keeps
    // the name as it is: the first of a device name, a trailing dot or space.
    const char* escapeFirst = nullptr;
    const char* escapeLast = nullptr;
    const char* p = mappedUrl;
    while (*p) {
        if (!query) {
            bool schemeEnd = schemePossible && SepsAfterScheme(p);
            if (schemeEnd || IsSep(*p)) {
                if (!(schemeEnd ? w.Put("$\\", 2) : w.Put('\\'))) break;
                // A run of separators is one: the tree has no empty folder names.
                p += schemeEnd ? 3 : 1;
                while (IsSep(*p)) ++p;
                schemePossible = false;
                componentStart = true;
                lastComponent = w.Pos();
                continue;
            }
            if (componentStart && IsDotsOnlyComponent(p)) {
                while (*p == '.') {
                    if (!PutEscape(w, '.')) return 0;
                    ++p;
                }
                continue;
            }
        }
        if (componentStart) {
            const char* lastChar;
            const char* end = ComponentEnd(p, query, schemePossible, &lastChar, s);
            escapeFirst = IsDeviceName(p, end) ? p : nullptr;
            escapeLast = lastChar && IsDroppedTrailer(*lastChar) ? lastChar : nullptr;
            componentStart = false;
        }
        BYTE b = (BYTE)*p;
        if (p == escapeFirst || p == escapeLast) {
            if (!PutEscape(w, b)) break;
            ++p;
        } else if (s.IsLead(b)) {
            if (!p[1] || !w.Put(p, 2)) break;
            p += 2;
        } else if (IsReservedByte(b)) {
            if (!PutEscape(w, b)) break;
            if (b == '?') query = true;
            if (b == ':' || b == '?') schemePossible = false;
            ++p;
        } else {
            if (!w.Put(*p)) break;
            ++p;
        }
    }
    // A cut or a dangling lead byte may end the path in a component of dots
    // only (".$22" cut behind the dot), in a dot or space, or in a device
    // name: drop what Windows would not keep as written.
    char* end = w.Pos();
    while (end > lastComponent && IsDroppedTrailer(end[-1])) --end;
    if (IsDotsOnlyComponent(lastComponent) || IsDeviceName(lastComponent, end)) end = lastComponent;
    w.CutAt(end);
    SplitWideNames(out, outSize, s);
    return query ? 1 : 0;
}

void LocalNameToUrl(const char* name, char* out, size_t outSize, const MappingSettings& s) {
    Writer w(out, outSize);
    const char* p = name;
    while (*p) {
        if (*p == '$') {
            if (p[1] == 0) {
                w.Put(':');
                return;
            }
            // A piece of a wide name: it goes on in the folder of this name,
            // so in a path the name's pieces join across their separators.
            if (p[1] == kContinued[1] && (p[2] == 0 || IsSep(p[2]))) {
                if (p[2] == 0) return;
                p += 3;
                continue;
            }
            if (IsSep(p[1])) {
                if (!w.Put("://", 3)) return;
                p += 2;
                continue;
            }
            if (p[1] >= '0' && p[1] <= '7' && HexValue(p[2]) >= 0) {
                if (!w.Put((char)((p[1] - '0') * 16 + HexValue(p[2])))) return;
                p += 3;
                continue;
            }
        }
        int n = CharLength(p, s);
        if (!n || !w.Put(p, n)) return;
        p += n;
    }
}

const char* NextUrlComponent(const char* url, bool atStart, char* component,
                             size_t componentSize, const MappingSettings& s) {
    Writer w(component, componentSize);
    const char* p = url;
    while (*p && *p != '?') {
        if (IsSep(*p)) {
            while (IsSep(*p)) ++p;
            return p;
        }
        if (*p == ':' && atStart) {
            if (!IsSep(p[1])) {
                w.Put(':');
                return p + 1;
            }
            atStart = false;  // the scheme ends at the separators that follow
        }
        int n = CharLength(p, s);
        if (!n) break;
        w.Put(p, n);
        p += n;
    }
    w.CutAt(component);
    w.Put(url);
    if (w.Cut()) {
        // Too long for the buffer: keep the whole characters that fit.
        const char* q = url;
        w.CutAt(component);
        while (*q) {
            int n = CharLength(q, s);
            if (!n || !w.Put(q, n)) break;
            q += n;
        }
    }
    return nullptr;
}

namespace {

// Position just behind the "://" (any two separators) that comes before any
// "?", or null.
const char* AfterSchemeSeps(const char* url, const MappingSettings& s) {
    for (const char* p = url; *p && *p != '?';) {
        if (SepsAfterScheme(p)) return p + 3;
        int n = CharLength(p, s);
        if (!n) break;
        p += n;
    }
    return nullptr;
}

// Copies whole characters of [begin, end) into w; false when cut.
bool PutChars(Writer& w, const char* begin, const char* end, const MappingSettings& s) {
    for (const char* p = begin; p < end && *p;) {
        int n = CharLength(p, s);
        if (!n || !w.Put(p, n)) return n == 0;
        p += n;
    }
    return true;
}

}  // namespace

BOOL SiteRootOf(const char* url, char* out, size_t outSize, const MappingSettings& s) {
    Writer w(out, outSize);
    const char* p = AfterSchemeSeps(url, s);
    if (!p) return FALSE;
    while (*p && *p != '?' && !IsSep(*p)) {
        int n = CharLength(p, s);
        if (!n) break;
        p += n;
    }
    if (*p == '?') return FALSE;
    if (IsSep(*p)) {
        if (PutChars(w, url, p + 1, s)) return TRUE;
    } else if (PutChars(w, url, p, s) && w.Put('/')) {
        return TRUE;
    }
    w.CutAt(out);
    return FALSE;
}

BOOL FolderOf(const char* url, char* out, size_t outSize, const MappingSettings& s) {
    Writer w(out, outSize);
    const char* end = nullptr;
    for (const char* p = url; *p && *p != '?';) {
        if (IsSep(*p)) end = p + 1;
        int n = CharLength(p, s);
        if (!n) break;
        p += n;
    }
    if (!end) return FALSE;
    if (PutChars(w, url, end, s)) return TRUE;
    w.CutAt(out);
    return FALSE;
}

BOOL IsAbsoluteUrl(const char* url, const MappingSettings& s) {
    return AfterSchemeSeps(url, s) != nullptr;
}

BOOL ResolveLink(const char* link, const char* siteRoot, const char* folder, char* out,
                 size_t outSize, const MappingSettings& s) {
    Writer w(out, outSize);
    if (IsSep(*link)) {
        return PutChars(w, siteRoot, siteRoot + strlen(siteRoot), s) &&
               PutChars(w, link + 1, link + strlen(link), s);
    }
    if (IsAbsoluteUrl(link, s)) return PutChars(w, link, link + strlen(link), s);
    if (!PutChars(w, folder, folder + strlen(folder), s)) return FALSE;

    // "../" never climbs above the host: the folders removable are those
    // behind the first separator after scheme and host.
    char* floor = out;
    if (const char* host = AfterSchemeSeps(out, s)) {
        floor = out + (host - out);
        while (*floor && !IsSep(*floor)) {
            int n = CharLength(floor, s);
            if (!n) break;
            floor += n;
        }
        if (IsSep(*floor)) ++floor;
    }
    const char* p = link;
    for (;;) {
        if (p[0] == '.' && IsSep(p[1])) {
            p += 2;
        } else if (p[0] == '.' && p[1] == '.' && IsSep(p[2])) {
            p += 3;
            char* end = w.Pos();
            if (end > floor && IsSep(end[-1])) {
                // Drop the trailing separator and the name before it.
                char* cut = floor;
                for (char* q = floor; q < end - 1;) {
                    int n = CharLength(q, s);
                    if (!n) break;
                    if (IsSep(*q)) cut = q + 1;
                    q += n;
                }
                w.CutAt(cut);
            }
        } else {
            break;
        }
    }
    return PutChars(w, p, p + strlen(p), s);
}

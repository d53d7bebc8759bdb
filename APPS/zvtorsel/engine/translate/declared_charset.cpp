#include "translate/declared_charset.h"

#include <string.h>

#include "zvjcode.h"

namespace {

inline char Lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

bool SameNoCase(const char* a, size_t n, const char* b) {
    if (strlen(b) != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (Lower(a[i]) != b[i]) return false;
    return true;
}

inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
inline bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == ':';
}

// The position of word (lower case) in [p, end) without regard to case.
const char* FindNoCase(const char* p, const char* end, const char* word) {
    size_t n = strlen(word);
    for (; (size_t)(end - p) >= n; ++p) {
        size_t i = 0;
        while (i < n && Lower(p[i]) == word[i]) ++i;
        if (i == n) return p;
    }
    return nullptr;
}

// The charset name behind "charset" at p: blanks, "=", blanks, a quote or
// not, then the name.
int NameAfterCharset(const char* p, const char* end) {
    p += 7;
    while (p < end && IsSpace(*p)) ++p;
    if (p == end || *p != '=') return kCharsetUndeclared;
    ++p;
    while (p < end && (IsSpace(*p) || *p == '"' || *p == '\'')) ++p;
    const char* name = p;
    while (p < end && IsNameChar(*p)) ++p;
    return p == name ? kCharsetUndeclared : CharsetCodeOfName(name, (size_t)(p - name));
}

bool FitsSjis(const BYTE* p, const BYTE* end) {
    while (p < end) {
        BYTE b = *p++;
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) continue;
        if (!((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) || p == end) return false;
        BYTE t = *p++;
        if (t < 0x40 || t > 0xFC || t == 0x7F) return false;
    }
    return true;
}

bool FitsEuc(const BYTE* p, const BYTE* end) {
    while (p < end) {
        BYTE b = *p++;
        if (b < 0x80) continue;
        int trail = b == 0x8F ? 2 : 1;
        if (b != 0x8E && b != 0x8F && (b < 0xA1 || b > 0xFE)) return false;
        for (; trail; --trail) {
            if (p == end) return false;
            BYTE t = *p++;
            if (b == 0x8E ? (t < 0xA1 || t > 0xDF) : (t < 0xA1 || t > 0xFE)) return false;
        }
    }
    return true;
}

bool FitsUtf8(const BYTE* p, const BYTE* end) {
    while (p < end) {
        BYTE b = *p++;
        if (b < 0x80) continue;
        int more = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : -1;
        if (more < 0) return false;
        for (; more; --more)
            if (p == end || (*p++ & 0xC0) != 0x80) return false;
    }
    return true;
}

}  // namespace

int CharsetCodeOfName(const char* name, size_t length) {
    static const struct {
        const char* name;
        int code;
    } kNames[] = {
        {"shift_jis", ZVJCODE_SJIS},
        {"shift-jis", ZVJCODE_SJIS},
        {"sjis", ZVJCODE_SJIS},
        {"x-sjis", ZVJCODE_SJIS},
        {"windows-31j", ZVJCODE_SJIS},
        {"cp932", ZVJCODE_SJIS},
        {"ms_kanji", ZVJCODE_SJIS},
        {"csshiftjis", ZVJCODE_SJIS},
        {"euc-jp", ZVJCODE_EUC},
        {"x-euc-jp", ZVJCODE_EUC},
        {"eucjp", ZVJCODE_EUC},
        {"x-euc", ZVJCODE_EUC},
        {"cseucpkdfmtjapanese", ZVJCODE_EUC},
        {"iso-2022-jp", ZVJCODE_JIS},
        {"csiso2022jp", ZVJCODE_JIS},
        {"jis", ZVJCODE_JIS},
        {"utf-8", kCharsetUtf8},
        {"utf8", kCharsetUtf8},
    };
    if (!name || length == 0) return kCharsetUndeclared;
    for (const auto& n : kNames)
        if (SameNoCase(name, length, n.name)) return n.code;
    return kCharsetForeign;
}

int CharsetOfContentType(const char* contentType) {
    if (!contentType) return kCharsetUndeclared;
    const char* end = contentType + strlen(contentType);
    for (const char* p = contentType; (p = FindNoCase(p, end, "charset")) != nullptr; p += 7) {
        int code = NameAfterCharset(p, end);
        if (code != kCharsetUndeclared) return code;
    }
    return kCharsetUndeclared;
}

int CharsetOfMeta(const char* text, size_t length) {
    const char* end = text + length;
    for (const char* p = text; (p = FindNoCase(p, end, "<meta")) != nullptr; p += 5) {
        if (p + 5 < end && !IsSpace(p[5])) continue;
        const char* tagEnd = (const char*)memchr(p, '>', (size_t)(end - p));
        if (!tagEnd) return kCharsetUndeclared;
        for (const char* c = p; (c = FindNoCase(c, tagEnd, "charset")) != nullptr; c += 7) {
            int code = NameAfterCharset(c, tagEnd);
            if (code != kCharsetUndeclared) return code;
        }
    }
    return kCharsetUndeclared;
}

bool FindStyleSheetCharset(const char* text, size_t length, size_t* nameStart, size_t* nameLength) {
    // A byte order mark may stand before it; the rule is "@charset" and one
    // blank, then the name in double quotes, exactly.
    size_t at = length >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    if (length < at + 10 || memcmp(text + at, "@charset \"", 10) != 0) return false;
    const char* name = text + at + 10;
    const char* close = (const char*)memchr(name, '"', length - at - 10);
    if (!close || close == name) return false;
    for (const char* c = name; c < close; ++c)
        if (!IsNameChar(*c)) return false;
    *nameStart = (size_t)(name - text);
    *nameLength = (size_t)(close - name);
    return true;
}

bool BytesFitCharset(const char* text, size_t length, int code) {
    const BYTE* p = (const BYTE*)text;
    const BYTE* end = p + length;
    switch (code) {
        case ZVJCODE_SJIS:
            return FitsSjis(p, end);
        case ZVJCODE_EUC:
            return FitsEuc(p, end);
        case ZVJCODE_JIS:
            for (; p < end; ++p)
                if (*p >= 0x80) return false;
            return true;
        case kCharsetUtf8:
            return FitsUtf8(p, end);
        case kCharsetForeign:
            return true;
        default:
            return false;
    }
}

int DecideTextCode(const char* text, size_t length, int serverDeclaration, int ownDeclaration) {
    const int declared[2] = {serverDeclaration, ownDeclaration};
    for (int code : declared)
        if (code != kCharsetUndeclared && BytesFitCharset(text, length, code)) return code;
    return zvJudgeJpnCodeType(text);
}

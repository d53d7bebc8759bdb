// zvGrepA: a small glob matcher of its own; zvGrepExA: a one-shot scan.
#include "zvgrep.h"
#include "zvsaa.h"

namespace {

enum Outcome {
    NO_MATCH,  // not here; a later position may match
    MATCH,
    EXHAUSTED,  // a "?*" tried every later position: nothing later can match
};

struct Element {
    const BYTE* begin;  // the element's text in the pattern
    const BYTE* end;
};

// Reads the single element at pattern; false if the pattern ends inside it.
bool ReadElement(const BYTE* pattern, Element& e) {
    e.begin = pattern;
    if (*pattern == '\\') {
        if (pattern[1] == 0) return false;
        e.end = pattern + 2;
        return true;
    }
    if (*pattern == '[') {
        const BYTE* p = pattern + 1;
        if (*p == '^') ++p;
        while (*p && *p != ']') ++p;
        if (*p == 0) return false;
        e.end = p + 1;
        return true;
    }
    e.end = pattern + 1;
    return true;
}

bool InSet(const BYTE* p, const BYTE* close, BYTE byte) {
    signed char c = (signed char)byte;
    while (p < close) {
        signed char low = (signed char)*p;
        if (p + 2 < close && p[1] == '-') {
            signed char high = (signed char)p[2];
            if (c >= low && c <= high) return true;
            p += 3;
        } else {
            if (c == low) return true;
            ++p;
        }
    }
    return false;
}

bool ElementMatches(const Element& e, BYTE byte) {
    if (byte == 0) return false;
    switch (*e.begin) {
        case '\\': return byte == e.begin[1];
        case '?': return true;
        case '[': {
            const BYTE* p = e.begin + 1;
            bool negated = *p == '^';
            if (negated) ++p;
            return InSet(p, e.end - 1, byte) != negated;
        }
        default: return byte == *e.begin;
    }
}

// Matches pattern at text. Recursion happens only at "?*" and "?+", once
// per such element of the pattern.
Outcome MatchHere(const BYTE* pattern, const BYTE* text) {
    for (;;) {
        if (*pattern == 0) return MATCH;
        if (*pattern == '$') return *text == 0 ? MATCH : NO_MATCH;
        if (pattern[0] == '?' && (pattern[1] == '*' || pattern[1] == '+')) {
            if (pattern[1] == '+') {
                if (*text == 0) return EXHAUSTED;
                ++text;
            }
            const BYTE* rest = pattern + 2;
            // Once the rest failed at every later position, so does any
            // earlier "?*": it would only try it at positions tried here.
            for (;; ++text) {
                Outcome o = MatchHere(rest, text);
                if (o == MATCH) return MATCH;
                if (o == EXHAUSTED || *text == 0) return EXHAUSTED;
            }
        }
        Element e;
        if (!ReadElement(pattern, e)) return NO_MATCH;
        pattern = e.end;
        if (*pattern == '*' || *pattern == '+') {
            if (*pattern == '+') {
                if (!ElementMatches(e, *text)) return NO_MATCH;
                ++text;
            }
            while (ElementMatches(e, *text)) ++text;
            ++pattern;
        } else {
            if (!ElementMatches(e, *text)) return NO_MATCH;
            ++text;
        }
    }
}

}  // namespace

ZV_EXPORT(LPSTR) zvGrepA(LPCSTR text, LPCSTR pattern) {
    if (!text || !pattern) return nullptr;
    const BYTE* t = reinterpret_cast<const BYTE*>(text);
    const BYTE* p = reinterpret_cast<const BYTE*>(pattern);
    if (*p == '^') return MatchHere(p + 1, t) == MATCH ? const_cast<LPSTR>(text) : nullptr;
    for (; *t; ++t) {
        Outcome o = MatchHere(p, t);
        if (o == MATCH) return reinterpret_cast<LPSTR>(const_cast<BYTE*>(t));
        if (o == EXHAUSTED) break;
    }
    return nullptr;
}

ZV_EXPORT(LPSTR) zvGrepExA(LPCSTR text, LPCSTR pattern, int ignoreCase, int* length) {
    if (length) *length = 0;
    HANDLE cvt = zvSaaCreateCvtA(pattern, ignoreCase ? ZVSAA_SYNTAX | ZVSAA_IGNORE_CASE : ZVSAA_SYNTAX);
    if (!cvt) return nullptr;
    LPSTR found = zvSaaScanStringA(cvt, text);
    if (length) *length = found ? zvSaaGetMatchLength(cvt) : 0;
    zvSaaCloseCvt(cvt);
    return found;
}

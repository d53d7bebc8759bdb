// Pieces the translators of pages and style sheets share: the bounded
// writer of the translated block and small byte tests.
#pragma once
#include <string.h>

#include "zvtypes.h"

namespace xlat {

inline bool IsSep(char c) { return c == '/' || c == '\\'; }

// Whether a value can match the scheme scanner: letters, ":", then neither
// "/" nor "\" nor the end. A necessary condition; the scanner decides.
inline bool MayHaveScheme(const char* value) {
    const char* p = value;
    while ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z')) ++p;
    return p != value && p[0] == ':' && p[1] && !IsSep(p[1]);
}

// The translated block: every write is checked against the 2C bound, and
// every LF goes out as CR LF.
class BlockWriter {
public:
    BlockWriter(char* out, size_t limit) : m_out(out), m_limit(limit) {}
    void Raw(const char* p, size_t n) {
        if (m_failed || n > m_limit - m_length) {
            m_failed = true;
            return;
        }
        memcpy(m_out + m_length, p, n);
        m_length += n;
    }
    void Raw(const char* text) { Raw(text, strlen(text)); }
    void Text(const char* p, const char* end) {
        if (m_failed) return;
        if ((size_t)(end - p) <= (m_limit - m_length) / 2) {
            // Room for every byte doubled: no checks per line.
            char* o = m_out + m_length;
            for (; p < end; ++p) {
                char c = *p;
                if (c == '\n') *o++ = '\r';
                *o++ = c;
            }
            m_length = (size_t)(o - m_out);
            return;
        }
        while (p < end && !m_failed) {
            const char* lf = (const char*)memchr(p, '\n', (size_t)(end - p));
            if (!lf) {
                Raw(p, (size_t)(end - p));
                return;
            }
            Raw(p, (size_t)(lf - p));
            Raw("\r\n", 2);
            p = lf + 1;
        }
    }
    // Copies text up to and including the next "<" (LF as CR LF) and returns
    // the byte behind it, or end when there is none.
    const char* TextToTag(const char* p, const char* end) {
        if (m_failed) return end;
        char* o = m_out + m_length;
        char* last = m_out + m_limit - 1;  // a CR LF still fits before it
        while (p < end && o < last) {
            char c = *p++;
            if (c == '\n') *o++ = '\r';
            *o++ = c;
            if (c == '<') {
                m_length = (size_t)(o - m_out);
                return p;
            }
        }
        m_length = (size_t)(o - m_out);
        if (p == end) return end;
        // Close to the bound: the checked copy decides.
        const char* lt = (const char*)memchr(p, '<', (size_t)(end - p));
        const char* stop = lt ? lt + 1 : end;
        Text(p, stop);
        return stop;
    }
    bool Failed() const { return m_failed; }
    size_t Length() const { return m_length; }

private:
    char* m_out;
    size_t m_limit;
    size_t m_length = 0;
    bool m_failed = false;
};

// Copies whole characters of text into out (size bytes, terminated); returns
// the bytes written.
inline size_t CopyChars(char* out, size_t size, const char* text, const BYTE* leadTable) {
    size_t n = 0;
    while (text[n]) {
        size_t unit = (leadTable[(BYTE)text[n]] && text[n + 1]) ? 2 : 1;
        if (n + unit >= size) break;
        n += unit;
    }
    memcpy(out, text, n);
    out[n] = 0;
    return n;
}

}  // namespace xlat

#include "translate/css_scanner.h"

#include <string.h>

#include "zvjcode.h"

namespace {

inline bool IsCssSpace(BYTE c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
inline bool IsHex(BYTE c) { return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
inline int HexValue(BYTE c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }
inline bool IsNameByte(BYTE c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c >= 0x80 || c == '\\';
}

class Scanner {
public:
    Scanner(const char* css, size_t length, int code, const BYTE* lead, ICssReferenceSink& sink)
        : m_p((const BYTE*)css), m_length(length), m_code(code), m_lead(lead), m_sink(sink) {}

    size_t Run() {
        while (m_i < m_length) {
            BYTE c = m_p[m_i];
            if (c == '/' && At(m_i + 1) == '*') {
                SkipComment();
            } else if (c == '"' || c == '\'') {
                size_t end;
                ReadString(m_i, &end, nullptr);
                m_i = end;
            } else if ((c | 0x20) == 'u' && IsWord(m_i, "url(") && !NameBefore(m_i)) {
                UrlToken(m_i + 4);
            } else if (c == '@' && IsWord(m_i + 1, "import") && IsCssSpace(At(m_i + 7))) {
                ImportRule(m_i + 7);
            } else if (c == '\\') {
                m_i += EscapeLength(m_i);
            } else {
                m_i += CharLength(m_i);
            }
        }
        return m_count;
    }

private:
    BYTE At(size_t i) const { return i < m_length ? m_p[i] : 0; }

    // One character, or a whole run of JIS two-byte text, whose bytes are
    // no syntax: ESC $ @ or ESC $ B up to the next ESC (or the end).
    size_t CharLength(size_t i) const {
        if (i >= m_length) return 1;
        if (m_code == ZVJCODE_SJIS && m_lead[m_p[i]] && i + 1 < m_length) return 2;
        if (m_code == ZVJCODE_JIS && m_p[i] == 0x1B && At(i + 1) == '$' && (At(i + 2) == '@' || At(i + 2) == 'B')) {
            size_t j = i + 3;
            while (j < m_length && m_p[j] != 0x1B) ++j;
            return j - i;
        }
        return 1;
    }

    bool IsWord(size_t i, const char* word) const {
        for (size_t k = 0; word[k]; ++k) {
            BYTE c = At(i + k);
            BYTE w = (BYTE)word[k];
            if ((w >= 'a' && w <= 'z' ? (c | 0x20) : c) != w) return false;
        }
        return true;
    }

    // Whether the "url" at i continues a name (background-url(, myurl().
    // A trail byte of Shift_JIS before it is a name byte as well.
    bool NameBefore(size_t i) const { return i > 0 && IsNameByte(m_p[i - 1]); }

    void SkipComment() {
        size_t i = m_i + 2;
        while (i + 1 < m_length && !(m_p[i] == '*' && m_p[i + 1] == '/')) ++i;
        m_i = i + 1 < m_length ? i + 2 : m_length;
    }

    // Decodes one escape at i (the backslash) into the URL; returns the
    // bytes taken. A line end behind it continues a string (nothing
    // decoded). A code beyond ASCII is the character a browser requests:
    // its UTF-8 bytes percent-encoded, whatever the sheet's own code, with
    // U+FFFD for zero, surrogates and codes past Unicode as the tokenizer has.
    size_t Escape(size_t i, bool inString) {
        BYTE c = At(i + 1);
        if (i + 1 >= m_length) return 1;
        if (c == '\n' || c == '\f' || c == '\r') {
            if (!inString) m_spoiled = true;
            return c == '\r' && At(i + 2) == '\n' ? 3 : 2;
        }
        if (IsHex(c)) {
            unsigned long value = 0;
            size_t n = 1;
            while (n <= 6 && IsHex(At(i + n))) value = value * 16 + (unsigned long)HexValue(At(i + n++));
            if (IsCssSpace(At(i + n))) n += At(i + n) == '\r' && At(i + n + 1) == '\n' ? 2 : 1;
            if (value == 0 || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) value = 0xFFFD;
            if (value < 0x80)
                Put((char)value);
            else
                PutPercentUtf8(value);
            return n;
        }
        size_t unit = CharLength(i + 1);
        for (size_t k = 0; k < unit; ++k) Put((char)m_p[i + 1 + k]);
        return 1 + unit;
    }

    // The bytes of the escape at i without decoding it.
    size_t EscapeLength(size_t i) const {
        if (i + 1 >= m_length) return 1;
        if (m_p[i + 1] == '\r' && At(i + 2) == '\n') return 3;
        return 1 + CharLength(i + 1);
    }

    void Put(char c) {
        // A NUL would cut the URL short wherever it is used as text.
        if (c == 0 || m_urlLength + 1 >= kCssUrlSize) {
            m_spoiled = true;
            return;
        }
        m_url[m_urlLength++] = c;
    }

    void PutPercentUtf8(unsigned long value) {
        BYTE bytes[4];
        size_t count;
        if (value < 0x800) {
            bytes[0] = (BYTE)(0xC0 | (value >> 6));
            count = 2;
        } else if (value < 0x10000) {
            bytes[0] = (BYTE)(0xE0 | (value >> 12));
            count = 3;
        } else {
            bytes[0] = (BYTE)(0xF0 | (value >> 18));
            count = 4;
        }
        for (size_t k = 1; k < count; ++k) bytes[k] = (BYTE)(0x80 | ((value >> (6 * (count - 1 - k))) & 0x3F));
        static const char kHex[] = "0123456789ABCDEF";
        for (size_t k = 0; k < count; ++k) {
            Put('%');
            Put(kHex[bytes[k] >> 4]);
            Put(kHex[bytes[k] & 15]);
        }
    }

    void BeginUrl() {
        m_urlLength = 0;
        m_spoiled = false;
    }

    // The string at start (its quote); *end is behind it. With a URL
    // wanted, its value is decoded; false for a string cut by a line end
    // or by the end of the sheet.
    bool ReadString(size_t start, size_t* end, bool* wanted) {
        BYTE quote = m_p[start];
        size_t i = start + 1;
        if (wanted) BeginUrl();
        while (i < m_length) {
            BYTE c = m_p[i];
            if (c == quote) {
                *end = i + 1;
                return true;
            }
            if (c == '\n' || c == '\r' || c == '\f') break;
            if (c == '\\') {
                i += wanted ? Escape(i, true) : EscapeLength(i);
                continue;
            }
            size_t unit = CharLength(i);
            if (wanted)
                for (size_t k = 0; k < unit; ++k) Put((char)m_p[i + k]);
            i += unit;
        }
        *end = i;
        return false;
    }

    void Emit(size_t start, size_t end) {
        if (m_spoiled) return;
        m_url[m_urlLength] = 0;
        CssReference r = {start, end, m_url, m_urlLength};
        ++m_count;
        m_sink.Reference(r);
    }

    size_t SkipSpaces(size_t i) const {
        while (i < m_length && IsCssSpace(m_p[i])) ++i;
        return i;
    }

    void UrlToken(size_t i) {
        i = SkipSpaces(i);
        BYTE c = At(i);
        if (c == '"' || c == '\'') {
            size_t end;
            bool wanted = true;
            bool whole = ReadString(i, &end, &wanted);
            size_t close = SkipSpaces(end);
            if (whole && At(close) == ')') {
                Emit(i, end);
                m_i = close + 1;
            } else {
                m_i = end;
            }
            return;
        }
        // A bare value: up to ")" with blanks only at its end; quotes, "("
        // and controls make it a bad URL, skipped to its ")".
        size_t start = i;
        BeginUrl();
        bool bad = false;
        size_t valueEnd = i;
        while (i < m_length && m_p[i] != ')') {
            BYTE b = m_p[i];
            if (IsCssSpace(b)) {
                valueEnd = i;
                i = SkipSpaces(i);
                if (At(i) != ')') bad = true;
                continue;
            }
            if (b == '"' || b == '\'' || b == '(' || b < 0x20 || b == 0x7F) {
                bad = true;
                ++i;
                continue;
            }
            if (b == '\\') {
                i += Escape(i, false);
            } else {
                size_t unit = CharLength(i);
                for (size_t k = 0; k < unit; ++k) Put((char)m_p[i + k]);
                i += unit;
            }
            valueEnd = i;
        }
        if (i >= m_length) {
            m_i = m_length;
            return;
        }
        if (!bad && valueEnd > start) Emit(start, valueEnd);
        m_i = i + 1;
    }

    void ImportRule(size_t i) {
        i = SkipSpaces(i);
        m_i = i;
        BYTE c = At(i);
        if (c != '"' && c != '\'') return;
        size_t end;
        bool wanted = true;
        if (ReadString(i, &end, &wanted)) Emit(i, end);
        m_i = end;
    }

    const BYTE* m_p;
    size_t m_length;
    int m_code;
    const BYTE* m_lead;
    ICssReferenceSink& m_sink;
    size_t m_i = 0;
    size_t m_count = 0;
    char m_url[kCssUrlSize];
    size_t m_urlLength = 0;
    bool m_spoiled = false;
};

}  // namespace

size_t ScanCssReferences(const char* css, size_t length, int code, const BYTE* leadTable, ICssReferenceSink& sink) {
    if (!css || !leadTable) return 0;
    Scanner scanner(css, length, code, leadTable, sink);
    return scanner.Run();
}

bool IsStyleSheetFile(const char* name, const char* contentType) {
    if (contentType && *contentType) {
        while (*contentType == ' ') ++contentType;
        static const char kType[] = "text/css";
        for (size_t i = 0; i < sizeof kType - 1; ++i)
            if ((contentType[i] | 0x20) != kType[i]) return false;
        char end = contentType[sizeof kType - 1];
        return end == 0 || end == ';' || end == ' ';
    }
    size_t n = name ? strlen(name) : 0;
    return n > 4 && name[n - 4] == '.' && (name[n - 3] | 0x20) == 'c' && (name[n - 2] | 0x20) == 's' &&
           (name[n - 1] | 0x20) == 's';
}

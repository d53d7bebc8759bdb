#include "afxstr.h"

#include <stdio.h>
#include <string.h>

#include "zvchartables.h"

namespace {

// Bytes of the character at p, by the utility library's lead-byte table.
int CharLen(const char* p) {
    static const BYTE* const lead = zvGetDBCSLeadTable();
    return (lead[(BYTE)*p] && p[1] != 0) ? 2 : 1;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? (char)(c - 32) : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? (char)(c + 32) : c; }

}  // namespace

int CString::Compare(const char* other) const { return strcmp(m_text.c_str(), other ? other : ""); }

int CString::CompareNoCase(const char* other) const {
    const unsigned char* a = (const unsigned char*)m_text.c_str();
    const unsigned char* b = (const unsigned char*)(other ? other : "");
    for (;; ++a, ++b) {
        int ca = (unsigned char)AsciiLower((char)*a);
        int cb = (unsigned char)AsciiLower((char)*b);
        if (ca != cb || ca == 0) return ca - cb;
    }
}

CString CString::Left(int count) const {
    if (count <= 0) return CString();
    return CString(m_text.substr(0, (size_t)count).c_str());
}

CString CString::Right(int count) const {
    if (count <= 0) return CString();
    if (count >= GetLength()) return *this;
    return CString(m_text.c_str() + (GetLength() - count));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (first >= GetLength() || count <= 0) return CString();
    if (count > GetLength() - first) count = GetLength() - first;
    return CString(m_text.c_str() + first, count);
}

int CString::Find(char ch) const {
    for (const char* p = m_text.c_str(); *p; p += CharLen(p)) {
        if (*p == ch) return (int)(p - m_text.c_str());
    }
    return -1;
}

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t subLength = strlen(sub);
    const char* base = m_text.c_str();
    const char* p = base;
    while (p - base < start && *p) p += CharLen(p);
    for (; *p; p += CharLen(p)) {
        if (strncmp(p, sub, subLength) == 0) return (int)(p - base);
    }
    return subLength == 0 ? (int)(p - base) : -1;
}

int CString::ReverseFind(char ch) const {
    int found = -1;
    for (const char* p = m_text.c_str(); *p; p += CharLen(p)) {
        if (*p == ch) found = (int)(p - m_text.c_str());
    }
    return found;
}

void CString::MakeUpper() {
    for (size_t i = 0; i < m_text.size();) {
        if (CharLen(&m_text[i]) == 2) {
            i += 2;
            continue;
        }
        m_text[i] = AsciiUpper(m_text[i]);
        ++i;
    }
}

void CString::MakeLower() {
    for (size_t i = 0; i < m_text.size();) {
        if (CharLen(&m_text[i]) == 2) {
            i += 2;
            continue;
        }
        m_text[i] = AsciiLower(m_text[i]);
        ++i;
    }
}

void CString::TrimLeft() {
    size_t i = 0;
    while (i < m_text.size() && (m_text[i] == ' ' || m_text[i] == '\t' || m_text[i] == '\r' || m_text[i] == '\n')) ++i;
    m_text.erase(0, i);
}

void CString::TrimRight() {
    size_t n = m_text.size();
    while (n > 0 && (m_text[n - 1] == ' ' || m_text[n - 1] == '\t' || m_text[n - 1] == '\r' || m_text[n - 1] == '\n')) {
        // A trail byte that looks like a blank cannot occur in Shift_JIS (trail bytes are >= 0x40).
        --n;
    }
    m_text.resize(n);
}

int CString::Replace(char from, char to) {
    int count = 0;
    for (size_t i = 0; i < m_text.size();) {
        if (CharLen(&m_text[i]) == 2) {
            i += 2;
            continue;
        }
        if (m_text[i] == from) {
            m_text[i] = to;
            ++count;
        }
        ++i;
    }
    return count;
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
    if (!format) {
        m_text.clear();
        return;
    }
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int needed = vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) {
        m_text.clear();
        return;
    }
    if ((size_t)needed < sizeof small) {
        m_text.assign(small, (size_t)needed);
        return;
    }
    std::string big((size_t)needed + 1, '\0');
    vsnprintf(&big[0], big.size(), format, args);
    big.resize((size_t)needed);
    m_text.swap(big);
}

char* CString::GetBuffer(int minLength) {
    if (minLength < 0) minLength = 0;
    if ((int)m_text.size() < minLength) m_text.resize((size_t)minLength);
    return &m_text[0];
}

char* CString::GetBufferSetLength(int length) {
    m_text.resize(length > 0 ? (size_t)length : 0);
    return &m_text[0];
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) newLength = (int)strlen(m_text.c_str());
    if (newLength > (int)m_text.size()) newLength = (int)m_text.size();
    m_text.resize((size_t)newLength);
}

CString AfxFillText(const char* format, const char* arg, const char* marker) {
    std::string text = format ? format : "";
    size_t at = marker && *marker ? text.find(marker) : std::string::npos;
    if (at != std::string::npos) text.replace(at, strlen(marker), arg ? arg : "");
    if (text.size() > (size_t)kAfxTextLimit) {
        size_t whole = 0;
        for (size_t i = 0; i < (size_t)kAfxTextLimit;) {
            size_t n = (size_t)CharLen(text.c_str() + i);
            if (i + n > (size_t)kAfxTextLimit) break;
            i += n;
            whole = i;
        }
        text.resize(whole);
    }
    return CString(text.c_str(), (int)text.size());
}

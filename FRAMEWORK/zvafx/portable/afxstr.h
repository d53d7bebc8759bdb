// CString: the framework's byte string (Shift_JIS text, no code-page logic
// beyond the library lead-byte table). Value semantics; the buffer is always
// zero-terminated.
#pragma once
#include <stdarg.h>

#include <string>

#include "zvtypes.h"

#ifndef _WIN32
typedef const char* LPCTSTR;
typedef char* LPTSTR;
typedef char TCHAR;
#endif

class CString {
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* text, int length) : m_text(text ? text : "", text && length > 0 ? (size_t)length : 0) {}
    CString(char ch, int repeat = 1) : m_text(repeat > 0 ? (size_t)repeat : 0, ch) {}

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* text) {
        m_text.assign(text ? text : "");
        return *this;
    }
    CString& operator=(char ch) {
        m_text.assign(1, ch);
        return *this;
    }

    int GetLength() const { return (int)m_text.size(); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    operator const char*() const { return m_text.c_str(); }
    const char* c_str() const { return m_text.c_str(); }

    char GetAt(int index) const { return index >= 0 && index < GetLength() ? m_text[(size_t)index] : 0; }
    char operator[](int index) const { return GetAt(index); }
    void SetAt(int index, char ch) {
        if (index >= 0 && index < GetLength()) m_text[(size_t)index] = ch;
    }

    CString& operator+=(const CString& other) {
        m_text += other.m_text;
        return *this;
    }
    CString& operator+=(const char* text) {
        if (text) m_text += text;
        return *this;
    }
    CString& operator+=(char ch) {
        m_text += ch;
        return *this;
    }
    friend CString operator+(const CString& a, const CString& b) {
        CString r(a);
        r += b;
        return r;
    }
    friend CString operator+(const CString& a, const char* b) {
        CString r(a);
        r += b;
        return r;
    }
    friend CString operator+(const char* a, const CString& b) {
        CString r(a);
        r += b;
        return r;
    }
    friend CString operator+(const CString& a, char b) {
        CString r(a);
        r += b;
        return r;
    }

    int Compare(const char* other) const;
    int CompareNoCase(const char* other) const;
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
    friend bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator!=(const char* a, const CString& b) { return !(b == a); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_text < b.m_text; }

    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;

    // Searches walk characters with the lead-byte table, so the trail byte of
    // a double-byte character never matches a single-byte search.
    int Find(char ch) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;

    void MakeUpper();
    void MakeLower();
    void TrimLeft();
    void TrimRight();
    int Replace(char from, char to);

    void Format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* format, va_list args);

    // Direct access for APIs that fill a buffer: GetBuffer(n) gives room for n
    // bytes plus the terminator; ReleaseBuffer(-1) takes the length up to the
    // first zero byte.
    char* GetBuffer(int minLength);
    char* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

#ifdef _WIN32
    // Loads string `id` from the framework's resource chain; false if it is missing.
    BOOL LoadString(UINT id);
    // Format with a format string from the resource chain.
    void Format(UINT formatId, ...);
#endif

private:
    std::string m_text;
};

// ---- Texts of the string table -------------------------------------------

// The longest text AfxFillText makes, in bytes.
const int kAfxTextLimit = 4096;
// format with its first `marker` ("%s", or "%d" for a number already written
// as text) replaced by arg (null: nothing); every other byte stays as
// written. A longer result is cut to kAfxTextLimit bytes at a character.
CString AfxFillText(const char* format, const char* arg, const char* marker = "%s");

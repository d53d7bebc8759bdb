// Paths in the wide form that Windows takes beyond MAX_PATH: the A calls
// stop there, the W calls go on when the path is written as "\\?\X:\...".
#pragma once
#include <windows.h>

#include <string>

// Header-only, so that every test program and tool may use it.
// The path in UTF-16 from the ANSI code page. A full path too long for the
// plain form (CreateDirectory stops 12 characters short of MAX_PATH; a caller
// that lengthens the path asks for more room) is given the "\\?\" form, in
// which "/" is turned into "\" as that form is not parsed.
inline std::wstring WidePath(const char* path, size_t room = 12) {
    const size_t kPlainLimit = MAX_PATH - room;
    int n = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring wide((size_t)n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], n);
    wide.resize((size_t)n - 1);
    if (wide.size() < kPlainLimit || wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
    // After the conversion a separator is a character of its own: a trail
    // byte 0x5C of a double-byte character is no longer one.
    for (wchar_t& c : wide)
        if (c == L'/') c = L'\\';
    if (wide.size() >= 3 && wide[1] == L':' && wide[2] == L'\\') return L"\\\\?\\" + wide;
    if (wide.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide;
}

// A name from a wide directory listing in the ANSI code page.
inline std::string AnsiName(const wchar_t* name) {
    int n = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string ansi((size_t)n, '\0');
    WideCharToMultiByte(CP_ACP, 0, name, -1, &ansi[0], n, nullptr, nullptr);
    ansi.resize((size_t)n - 1);
    return ansi;
}

// A path that WidePath gave, back in the ANSI code page and its plain form.
inline std::string AnsiPath(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return "\\\\" + AnsiName(path.c_str() + 8);
    if (path.compare(0, 4, L"\\\\?\\") == 0) return AnsiName(path.c_str() + 4);
    return AnsiName(path.c_str());
}

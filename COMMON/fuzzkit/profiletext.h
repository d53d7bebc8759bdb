// Private profile text ("[Section]", "key=value" lines) looked up the way
// GetPrivateProfileStringA reads a file, for the host's fuzz targets of the
// readers of "download.lst" and "zvinstl.def": names compare without regard
// to ASCII case, names and values are trimmed of spaces and tabs, one pair of
// surrounding quotes is dropped, and the answer is cut to the buffer.
#pragma once
#include <stddef.h>
#include <string.h>

#include <string>

namespace fuzzkit {

inline std::string Trimmed(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return std::string();
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

inline bool SameName(const std::string& a, const char* b) {
    size_t n = strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = (char)(x - 32);
        if (y >= 'a' && y <= 'z') y = (char)(y - 32);
        if (x != y) return false;
    }
    return true;
}

// The value of key in section, or fallback; at most cap - 1 bytes.
inline std::string ProfileValue(const std::string& text, const char* section, const char* key, const char* fallback,
                                size_t cap) {
    std::string value = fallback ? fallback : "";
    bool inSection = false;
    size_t position = 0;
    while (position < text.size()) {
        size_t end = text.find('\n', position);
        if (end == std::string::npos) end = text.size();
        std::string line = Trimmed(text.substr(position, end - position));
        position = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            inSection = close != std::string::npos && SameName(Trimmed(line.substr(1, close - 1)), section);
            continue;
        }
        size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos || !SameName(Trimmed(line.substr(0, equals)), key)) continue;
        value = Trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        break;
    }
    if (cap == 0) return std::string();
    if (value.size() > cap - 1) value.resize(cap - 1);
    return value;
}

}  // namespace fuzzkit

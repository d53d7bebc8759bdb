#include "pictures/spilist.h"

#include <string.h>

bool ParseSpiValue(const char* value, SpiListEntry& out) {
    const char* comma = value ? strchr(value, ',') : nullptr;
    if (!comma) return false;
    out.extension.assign(value, (size_t)(comma - value));
    out.path = comma + 1;
    return true;
}

std::string FormatSpiValue(const SpiListEntry& entry) { return entry.extension + "," + entry.path; }

std::string ExtensionOfPluginFilter(const char* filter) {
    std::string extension;
    if (!filter) return extension;
    const char* p = filter;
    while (*p == ' ') ++p;
    const char* end = p;
    while (*end && *end != ';' && *end != ' ') ++end;
    const char* dot = nullptr;
    for (const char* q = p; q < end; ++q)
        if (*q == '.') dot = q;
    if (!dot) return extension;
    for (const char* q = dot + 1; q < end; ++q) {
        char c = *q;
        // ASCII only: a pattern with anything else is no extension to store.
        if (c == '*' || c == '?' || (unsigned char)c >= 0x80 || c == ',') return std::string();
        extension.push_back(c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c);
    }
    return extension;
}

#include "cache/cachekeys.h"

#include <string.h>

namespace {

// "scheme:" with a scheme of letters, digits, "+", "-" and ".".
bool HasScheme(const std::string& url) {
    size_t i = 0;
    if (url.empty() || !((url[0] | 32) >= 'a' && (url[0] | 32) <= 'z')) return false;
    while (i < url.size() && url[i] != ':') {
        char c = url[i];
        bool ok = ((c | 32) >= 'a' && (c | 32) <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!ok) return false;
        ++i;
    }
    return i < url.size() && i > 0;
}

bool StripPrefix(std::string& text, const char* prefix) {
    size_t n = strlen(prefix);
    if (text.compare(0, n, prefix) != 0) return false;
    text.erase(0, n);
    return true;
}

// "<digits>/<digits>/" at the start (upload identifier and flags).
bool StripNumbers(std::string& text) {
    size_t i = 0;
    for (int part = 0; part < 2; ++part) {
        size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        if (i == start || i >= text.size() || text[i] != '/') return false;
        ++i;
    }
    text.erase(0, i);
    return true;
}

}  // namespace

std::string ChromiumKeyToUrl(const char* key, size_t size) {
    std::string text(key, strnlen(key, size));
    size_t space = text.rfind(' ');
    if (space != std::string::npos) text.erase(0, space + 1);
    for (int round = 0; round < 4 && !HasScheme(text); ++round) {
        if (!StripNumbers(text) && !StripPrefix(text, "_dk_") && !StripPrefix(text, "_cn_") &&
            !StripPrefix(text, "s_"))
            break;
    }
    return HasScheme(text) ? text : std::string();
}

std::string Cache2KeyToUrl(const char* key, size_t size, bool* noResponse) {
    *noResponse = false;
    size_t n = strnlen(key, size);
    size_t pos = 0;
    while (pos < n) {
        if (key[pos] == ':') {
            std::string url(key + pos + 1, n - pos - 1);
            if (!HasScheme(url)) return std::string();
            if (url.compare(0, 10, "predictor:") == 0 || url.compare(0, 17, "predictor-origin:") == 0 ||
                url.compare(0, 6, "about:") == 0 || url.compare(0, 7, "chrome:") == 0 ||
                url.compare(0, 9, "resource:") == 0 || url.compare(0, 4, "moz-") == 0)
                *noResponse = true;
            return url;
        }
        if (n - pos >= 10 && memcmp(key + pos, "~predictor", 10) == 0) *noResponse = true;
        // Skip one tag: up to a "," that is not doubled.
        while (pos < n) {
            if (key[pos] == ',') {
                if (pos + 1 < n && key[pos + 1] == ',') {
                    pos += 2;
                    continue;
                }
                ++pos;
                break;
            }
            ++pos;
        }
    }
    return std::string();
}

#include "cache/contenttype.h"

#include <string.h>

namespace {

struct TypeExtension {
    const char* type;
    const char* extension;
};

const TypeExtension kTypes[] = {
    {"text/html", "html"},        {"application/xhtml+xml", "html"}, {"text/plain", "txt"},
    {"text/css", "css"},          {"text/javascript", "js"},        {"application/javascript", "js"},
    {"application/x-javascript", "js"}, {"application/json", "json"}, {"text/xml", "xml"},
    {"application/xml", "xml"},   {"image/gif", "gif"},             {"image/jpeg", "jpg"},
    {"image/pjpeg", "jpg"},       {"image/png", "png"},             {"image/bmp", "bmp"},
    {"image/x-ms-bmp", "bmp"},    {"image/webp", "webp"},           {"image/svg+xml", "svg"},
    {"image/x-icon", "ico"},      {"image/vnd.microsoft.icon", "ico"}, {"image/x-xbitmap", "xbm"},
    {"application/pdf", "pdf"},   {"application/zip", "zip"},       {"application/x-lzh", "lzh"},
};

bool SameNoCase(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = (char)(x + 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace

const char* ExtensionForContentType(const char* contentType) {
    if (!contentType) return nullptr;
    while (*contentType == ' ') ++contentType;
    size_t length = strcspn(contentType, "; \t");
    for (const TypeExtension& t : kTypes)
        if (strlen(t.type) == length && SameNoCase(contentType, t.type, length)) return t.extension;
    return nullptr;
}

std::string ContentTypeOfHeaders(const char* headers, DWORD size) {
    static const char kName[] = "content-type:";
    const size_t n = sizeof kName - 1;
    if (!headers) return std::string();
    for (DWORD line = 0; line < size;) {
        DWORD end = line;
        while (end < size && headers[end] != '\n' && headers[end] != 0) ++end;
        if (end - line > n && SameNoCase(headers + line, kName, n)) {
            DWORD v = line + (DWORD)n;
            while (v < end && (headers[v] == ' ' || headers[v] == '\t')) ++v;
            DWORD e = end;
            while (e > v && (headers[e - 1] == '\r' || headers[e - 1] == ' ')) --e;
            return std::string(headers + v, e - v);
        }
        if (end < size && headers[end] == 0) break;
        line = end + 1;
    }
    return std::string();
}

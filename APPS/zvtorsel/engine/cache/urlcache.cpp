#include "cache/urlcache.h"

#include "base/files.h"

#include "afxstr.h"

std::string CacheRootCaption(const IUrlCache& cache, const char* rootText, const char* captionFormat) {
    const char* folder = cache.SourceFolder();
    if (!folder) return rootText ? rootText : "";
    return AfxFillText(captionFormat, folder).c_str();
}

bool IUrlCache::WriteBody(const char* url, IFiles& files, const char* path, const FILETIME& time, ULONGLONG* size,
                          bool* undecoded) {
    std::vector<BYTE> body;
    if (!ReadBody(url, body, undecoded) || !WriteWholeFile(files, path, body.data(), body.size(), &time)) return false;
    *size = body.size();
    return true;
}

#include "cache/urlcache.h"

#include "afxstr.h"

std::string CacheRootCaption(const IUrlCache& cache, const char* rootText, const char* captionFormat) {
    const char* folder = cache.SourceFolder();
    if (!folder) return rootText ? rootText : "";
    return AfxFillText(captionFormat, folder).c_str();
}

// Arbitrary URL bytes through MapUrlToName and UrlToLocalPath, arbitrary
// names through LocalNameToUrl, and the link helpers, relative links
// included; exact-size buffers let the sanitizers see any overrun.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "mapping/relative_link.h"
#include "mapping/url_mapping.h"

namespace {

// The local path must stay below the rebuild folder: no drive, no "/", no
// component made of dots only.
void CheckLocalPath(const char* path, const MappingSettings& s) {
    size_t dots = 0, length = 0;
    for (const char* p = path;; ++p) {
        if (*p == 0 || *p == '\\') {
            if (length && dots == length) abort();
            if (*p == 0) return;
            dots = length = 0;
            continue;
        }
        if (*p == '/' || *p == ':') abort();
        if (*p == '.') ++dots;
        ++length;
        if (s.IsLead((BYTE)*p) && p[1]) {
            ++p;
            ++length;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    MappingSettings s;
    s.cgiLimitLen = (int)(data[0] % 80) - 8;
    s.cgiShortenLen = data[1] % 40;
    BOOL percent = data[2] & 1;
    size_t outSize = 1 + (data[2] >> 1) * 9;  // 1 to 1148 bytes
    std::vector<char> url(data + 3, data + size);
    url.push_back(0);
    FILETIME time = {0x37a9aa80, (DWORD)(data[2] & 2 ? 0x01bf3f21 : 0)};

    std::vector<char> mapped(kUrlBufferSize);
    if (MapUrlToName(url.data(), "C:\\cache\\p[1].htm", time, percent, mapped.data(), mapped.size(), s)) {
        std::vector<char> local(outSize);
        UrlToLocalPath(mapped.data(), local.data(), local.size(), s);
        CheckLocalPath(local.data(), s);
        std::vector<char> full(3 * kUrlBufferSize);
        UrlToLocalPath(mapped.data(), full.data(), full.size(), s);
        CheckLocalPath(full.data(), s);
        std::vector<char> component(outSize);
        const char* rest = mapped.data();
        while ((rest = NextUrlComponent(rest, rest == mapped.data(), component.data(), component.size(), s))) {
        }
    }
    std::vector<char> small(outSize);
    MapUrlToName(url.data(), nullptr, time, percent, small.data(), small.size(), s);
    LocalNameToUrl(url.data(), small.data(), small.size(), s);

    std::vector<char> root(outSize), folder(outSize), resolved(outSize);
    SiteRootOf(url.data(), root.data(), root.size(), s);
    FolderOf(url.data(), folder.data(), folder.size(), s);
    IsAbsoluteUrl(url.data(), s);
    ResolveLink(url.data(), root.data(), folder.data(), resolved.data(), resolved.size(), s);
    ResolveLink(url.data(), "http://h/", "http://h/a/b/", resolved.data(), resolved.size(), s);

    // The input as a page path and as a link path; a written link never holds
    // a byte that would end its attribute value or start a fragment.
    std::vector<char> link(outSize);
    ResolveLocalLink(url.data(), "..\\x\\.\\y", resolved.data(), resolved.size(), s);
    ResolveLocalLink("http$\\h\\a\\p.html", url.data(), resolved.data(), resolved.size(), s);
    RelativeLink("http$\\h\\a\\p.html", url.data(), link.data(), link.size(), s);
    for (const char* p = link.data(); *p; ++p)
        if (*p == '"' || *p == '\'' || *p == '#' || *p == '<' || *p == '>' || (BYTE)*p < 0x21) abort();
    RelativeLink(url.data(), "http$\\h\\q.html", link.data(), link.size(), s);
    PathBelowFolder("C:\\rb\\", url.data(), s);
    UnescapeUrlPath(url.data(), small.data(), small.size());
    return 0;
}

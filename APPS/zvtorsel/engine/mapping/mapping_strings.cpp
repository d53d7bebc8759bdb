#include "mapping/mapping_strings.h"

#include <vector>

#include "mapping/relative_link.h"
#include "mapping/url_mapping.h"

std::string UrlAsLocalPath(const std::string& url, const MappingSettings& settings) {
    // Each byte becomes at most a "$xx" escape, and a wide name gains a
    // "$+\" for each piece.
    std::vector<char> path(url.size() * 4 + 4);
    UrlToLocalPath(url.c_str(), path.data(), path.size(), settings);
    return path.data();
}

std::string LocalPathToUrl(const std::string& path, const MappingSettings& settings) {
    // Reading back only shortens escapes; the scheme's "$\" becomes "://".
    std::vector<char> url(path.size() * 2 + 4);
    LocalNameToUrl(path.c_str(), url.data(), url.size(), settings);
    return url.data();
}

std::string LocalPathAsLink(const std::string& path, const MappingSettings& settings) {
    // Each byte becomes at most a "%XX" escape.
    std::vector<char> link(path.size() * 3 + 4);
    LocalPathToUrlPath(path.c_str(), link.data(), link.size(), settings);
    return link.data();
}

// The mapping for callers that hold their paths as strings: the buffer is
// sized from the input, so a long path is never cut.
#pragma once
#include <string>

#include "mapping/mapping_settings.h"

// A mapped URL to its relative path below a rebuild folder (UrlToLocalPath).
std::string UrlAsLocalPath(const std::string& url, const MappingSettings& settings);

// A relative path below a rebuild folder back to its URL (LocalNameToUrl).
std::string LocalPathToUrl(const std::string& path, const MappingSettings& settings);

// A relative path below a page's folder as the page's link (LocalPathToUrlPath).
std::string LocalPathAsLink(const std::string& path, const MappingSettings& settings);

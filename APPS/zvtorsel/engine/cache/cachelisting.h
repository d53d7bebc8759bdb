// The listing of a cache: what a cache or a cache folder holds, one line per
// entry, for the user to see before rebuilding from it.
#pragma once
#include <functional>
#include <string>

#include "base/jobreport.h"
#include "cache/urlcache.h"

// URL, local file (empty when none), size and last-modified time as
// "YYYY-MM-DD hh:mm:ss" UTC (empty when none), separated by tabs; for the
// stores that know them, the content type and what a response that is not
// rebuilt was ("301 <target>", "404") follow. Control bytes are written as
// "%XX", so that every entry stays one line.
std::string CacheListingLine(const UrlCacheEntry& entry);

// Gives every entry of the walk, in its order, to line; then reports what
// the store could not read as warning rows. Returns the number of entries.
size_t ListUrlCache(IUrlCache& cache, const std::function<void(const std::string&)>& line, IJobReport& report);

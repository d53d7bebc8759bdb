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
// "%XX", so that every entry stays one line. A store of several caches
// adds the cache the entry came from, its folder below the chosen one
// (cacheFolder; the two columns before it then stand even when empty).
std::string CacheListingLine(const UrlCacheEntry& entry, const char* cacheFolder = nullptr);
// The same line appended to line.
void AppendCacheListingLine(std::string& line, const UrlCacheEntry& entry, const char* cacheFolder);

// One line per cache of a store of several (kind, folder below the chosen
// one, entry count, newest entry time, caption), tab-separated; for any
// other store one line for the store itself. Returns the number of caches.
size_t ListCaches(IUrlCache& cache, const std::function<void(const std::string&)>& line);

// Gives every entry of the walk, in its order, to line; then reports what
// the store could not read as warning rows. Returns the number of entries.
size_t ListUrlCache(IUrlCache& cache, const std::function<void(const std::string&)>& line, IJobReport& report);

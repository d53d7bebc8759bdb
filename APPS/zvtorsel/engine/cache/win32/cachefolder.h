// The cache a rebuild reads: the browser's own through WinINet, or a cache
// folder taken from another disk.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "cache/browsercachestore.h"
#include "cache/indexdatstore.h"
#include "cache/urlcache.h"

// Reads the index files of a cache folder, each in one read and never for
// writing: the folder's own "index.dat", and those of "Content.IE5" and
// "History.IE5" below it. A folder without any gives a store with no
// index (IndexCount() 0) and a warning row.
std::unique_ptr<CIndexDatUrlCache> OpenCacheFolder(IFiles& files, const std::string& folder);

// The cache folders of today's browsers found in folder or below it: a
// Chromium "Cache_Data" (simple) or "Cache" (blockfile) folder or any folder
// above it (a profile, "User Data"), a Firefox "cache2" folder or the profile
// above it, and a Mozilla "Cache" folder of "_CACHE_00N_" block files (Firefox
// 1 to 31, SeaMonkey, Gecko shells) or the profile above it. Several found
// caches are read into one store.
struct BrowserCacheFolders {
    std::vector<std::string> simple;  // Chromium simple caches, each ending with "\"
    std::vector<std::string> cache2;  // Firefox cache2 folders
    std::vector<std::string> blockfile;  // Chromium blockfile caches
    std::vector<std::string> mozilla;    // Mozilla disk caches of version 1 ("Cache" of a Firefox 1-31 profile)
    // What was found and cannot be read (index files of other caches): one
    // path each, with the store's message for it.
    std::vector<CacheDamage> unknown;
};
BrowserCacheFolders FindBrowserCaches(IFiles& files, const std::string& folder);

// The store that every job reads, for the setting CacheFolder or /cache::
// the live cache through WinINet when folder is empty; else the index.dat
// folder, or the browser caches found in and below it. Null when no cache
// of a known kind is there; `why` then tells what was found, one row each.
// files read the folders and must outlive the store.
std::unique_ptr<IUrlCache> OpenUrlCache(IFiles& files, const std::string& folder, std::vector<CacheDamage>& why);

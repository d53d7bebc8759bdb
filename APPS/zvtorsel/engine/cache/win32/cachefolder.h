// The cache a rebuild reads: the browser's own through WinINet, or a cache
// folder taken from another disk.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "cache/indexdatstore.h"
#include "cache/urlcache.h"

// Reads the index files of a cache folder, each in one read and never for
// writing: the folder's own "index.dat", and those of "Content.IE5" and
// "History.IE5" below it. A folder without any gives a store with no
// index (IndexCount() 0) and a warning row.
std::unique_ptr<CIndexDatUrlCache> OpenCacheFolder(const std::string& folder);

// The store that every job reads, for the setting CacheFolder or /cache::
// the live cache through WinINet when folder is empty, else the folder.
// Null when the folder holds no readable index; `why` then tells it, one
// row per index file.
std::unique_ptr<IUrlCache> OpenUrlCache(const std::string& folder, std::vector<CacheDamage>& why);

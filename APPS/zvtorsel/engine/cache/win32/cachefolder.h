// The cache a rebuild reads: the browser's own through WinINet, or a cache
// folder taken from another disk.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "cache/browsercachestore.h"
#include "cache/cacheset.h"
#include "cache/indexdatstore.h"
#include "cache/urlcache.h"

// Reads the index files of a cache folder, each in one read and never for
// writing: the folder's own "index.dat", and those of "Content.IE5" and
// "History.IE5" below it. A folder without any gives a store with no
// index (IndexCount() 0) and a warning row.
std::unique_ptr<CIndexDatUrlCache> OpenCacheFolder(IFiles& files, const std::string& folder);

// Every cache found in folder or below it, for a copied disk: IE's index.dat
// folders ("Content.IE5", "History.IE5"), Chromium's simple ("Cache_Data")
// and blockfile ("Cache") caches of every profile and browser of the family,
// Firefox's "cache2" and the Mozilla caches of version 1 ("Cache" of
// "_CACHE_00N_" block files: Firefox 1 to 31, SeaMonkey, Gecko shells). The
// search reads one listing per folder, follows no junction (one row names
// the first and counts the others), skips folders that hold no cache, stops
// at a depth, a number of folders and a time.
struct FoundCache {
    CacheKind kind;
    std::string folder;  // ending with "\"
};
struct CacheSearch {
    std::vector<FoundCache> caches;
    // What was found and cannot be read (IE 10's WebCacheV01.dat, Safari's
    // Cache.db, Opera's dcache4.url), and where the search was cut: one row each.
    std::vector<CacheDamage> unknown;
    size_t folders = 0;  // folders looked at
    bool cut = false;
};
CacheSearch FindCaches(IFiles& files, const std::string& folder);

// Every cache of FindCaches, each read by its own store, as one set. Null
// when none is there; `why` then says so, or names what was found. folders:
// how many folders were looked at.
// files read the caches and must outlive the set.
std::unique_ptr<CCacheSet> OpenCacheSet(IFiles& files, const std::string& folder, std::vector<CacheDamage>& why,
                                        size_t* folders = nullptr);

// The store that every job reads, for the setting CacheFolder or /cache::
// the live cache through WinINet when folder is empty; else the index.dat
// folder, or the set of every cache found below it. Null when no cache of a
// known kind is there; `why` then tells what was found, one row each.
// folders: how many folders the search looked at (0 without a search).
// files read the folders and must outlive the store.
std::unique_ptr<IUrlCache> OpenUrlCache(IFiles& files, const std::string& folder, std::vector<CacheDamage>& why,
                                        size_t* folders = nullptr);

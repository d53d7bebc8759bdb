// What the options dialog edits and how its OK stores it in section Rebuild.
#pragma once
#include <string>

#include "tree/treepane.h"

// The options dialog's record: the 64 folder slots, the switches, the file
// protocol form and the cache folder.
struct RebuildOptions {
    RebuildSettings settings;
    int fileProtocolType = 2;  // 1: relative links, 2: "file://", 3: "file:///"
};

// The profile section the options are written to; the program adapts its
// settings store, tests record the calls.
class IRebuildStore {
public:
    virtual ~IRebuildStore() {}
    virtual void WriteInt(const char* key, int value) = 0;
    virtual void WriteText(const char* key, const char* value) = 0;
    virtual void Remove(const char* key) = 0;
};

// Writes the folders (slot 0 as RebuildFolder, the others as RebuildFolder%d,
// removing the keys of empty slots), the ten switches, FileProtocolType and
// CacheFolder. Folder texts are written as they stand.
void StoreRebuildOptions(IRebuildStore& store, const RebuildOptions& options);

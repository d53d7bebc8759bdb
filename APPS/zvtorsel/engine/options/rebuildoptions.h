// What the options dialog edits; settings/sections.cpp stores it in section Rebuild.
#pragma once
#include <string>

#include "tree/treepane.h"

// The options dialog's record: the 64 folder slots, the switches, the file
// protocol form and the cache folder.
struct RebuildOptions {
    RebuildSettings settings;
    int fileProtocolType = 2;  // 1: relative links, 2: "file://", 3: "file:///"
};

// The settings records of the address list (section CreateList) and of the
// keyword search (section SearchKeyWord); settings/sections.cpp reads and
// writes them.
#pragma once
#include <string>
#include <vector>

#include "options/reportformat.h"
#include "zvtypes.h"

enum {
    kMaxListedFiles = 32,
    kKeywordFields = 3,
    kKeywordHistory = 10,
    kFolderNumbers = 64,
};

struct ListSettings {
    int baseFolderNo = 0;
    PageFormat format;
    std::vector<std::string> listedFiles;  // base names, at most kMaxListedFiles
};

struct SearchSettings {
    int baseFolderNo = 0;
    PageFormat format;
    std::vector<std::string> history[kKeywordFields];  // most recent first
    bool orOperation = false;
    bool matchCase = false;
    bool patterns = false;
};

extern const char kListSection[];    // "CreateList"
extern const char kSearchSection[];  // "SearchKeyWord"

// Moves keyword to the top of history (removing an equal entry), keeping
// kKeywordHistory entries. An empty keyword changes nothing.
void AddToHistory(std::vector<std::string>& history, const std::string& keyword);

// The stored settings of the address list (section CreateList) and of the
// keyword search (section SearchKeyWord), read and written through a small
// profile interface so the same code serves the dialogs, the command-line
// jobs and the tests.
#pragma once
#include <string>
#include <vector>

#include "zvtypes.h"

class IProfileStore {
public:
    virtual ~IProfileStore() {}
    virtual int GetInt(const char* section, const char* key, int defaultValue) = 0;
    virtual std::string GetString(const char* section, const char* key) = 0;
    virtual void WriteInt(const char* section, const char* key, int value) = 0;
    // A null value deletes the key.
    virtual void WriteString(const char* section, const char* key, const char* value) = 0;
};

enum {
    kMaxListedFiles = 32,
    kKeywordFields = 3,
    kKeywordHistory = 10,
    kFolderNumbers = 64,
};

// Colours are 0xRRGGBB; fontSize is the HTML size 1 to 7.
struct PageFormat {
    DWORD textColor = 0;
    DWORD linkColor = 255;
    DWORD backColor = 0xFFFFFF;
    int fontSize = 3;
    bool title = true;
    int sortType = 0;  // 0: URL order, 1: title order
    bool lineSpace = false;
    bool unorderedList = false;
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

void ReadListSettings(IProfileStore& store, ListSettings& out);
void WriteListSettings(IProfileStore& store, const ListSettings& settings);
void ReadSearchSettings(IProfileStore& store, SearchSettings& out);
void WriteSearchSettings(IProfileStore& store, const SearchSettings& settings);

// Moves keyword to the top of history (removing an equal entry), keeping
// kKeywordHistory entries. An empty keyword changes nothing.
void AddToHistory(std::vector<std::string>& history, const std::string& keyword);

#include "reports/reportsettings.h"

#include <stdio.h>

#include <algorithm>

const char kListSection[] = "CreateList";
const char kSearchSection[] = "SearchKeyWord";

namespace {

const char* const kDefaultListedFiles[] = {"index", "index_j", "index-j", "default"};

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

void ReadFormat(IProfileStore& store, const char* section, PageFormat& f) {
    f.textColor = (DWORD)store.GetInt(section, "TextColor", 0) & 0xFFFFFF;
    f.linkColor = (DWORD)store.GetInt(section, "LinkColor", 255) & 0xFFFFFF;
    f.backColor = (DWORD)store.GetInt(section, "BackColor", 0xFFFFFF) & 0xFFFFFF;
    f.fontSize = Clamp(store.GetInt(section, "FontSize", 3), 1, 7);
    f.title = store.GetInt(section, "Title", 1) != 0;
    f.sortType = store.GetInt(section, "SortType", 0) ? 1 : 0;
    f.lineSpace = store.GetInt(section, "LineSpace", 0) != 0;
    f.unorderedList = store.GetInt(section, "UnorderedList", 0) != 0;
}

void WriteFormat(IProfileStore& store, const char* section, const PageFormat& f) {
    store.WriteInt(section, "TextColor", (int)f.textColor);
    store.WriteInt(section, "LinkColor", (int)f.linkColor);
    store.WriteInt(section, "BackColor", (int)f.backColor);
    store.WriteInt(section, "FontSize", f.fontSize);
    store.WriteInt(section, "Title", f.title ? 1 : 0);
    store.WriteInt(section, "SortType", f.sortType);
    store.WriteInt(section, "LineSpace", f.lineSpace ? 1 : 0);
    store.WriteInt(section, "UnorderedList", f.unorderedList ? 1 : 0);
}

std::string HistoryKey(int field, int position) {
    char key[16];
    snprintf(key, sizeof key, "KeyWord%x%x", field, position);
    return key;
}

}  // namespace

void ReadListSettings(IProfileStore& store, ListSettings& out) {
    out.baseFolderNo = Clamp(store.GetInt(kListSection, "BaseFolderNo", 0), 0, kFolderNumbers - 1);
    ReadFormat(store, kListSection, out.format);
    out.listedFiles.clear();
    if (store.GetString(kListSection, "ListedFile0").empty()) {
        out.listedFiles.assign(std::begin(kDefaultListedFiles), std::end(kDefaultListedFiles));
        return;
    }
    for (int i = 0; i < kMaxListedFiles; ++i) {
        char key[16];
        snprintf(key, sizeof key, "ListedFile%d", i);
        std::string name = store.GetString(kListSection, key);
        if (!name.empty()) out.listedFiles.push_back(name);
    }
}

void WriteListSettings(IProfileStore& store, const ListSettings& s) {
    store.WriteInt(kListSection, "BaseFolderNo", s.baseFolderNo);
    WriteFormat(store, kListSection, s.format);
    int count = (int)std::min(s.listedFiles.size(), (size_t)kMaxListedFiles);
    for (int i = 0; i < kMaxListedFiles; ++i) {
        char key[16];
        snprintf(key, sizeof key, "ListedFile%d", i);
        store.WriteString(kListSection, key, i < count ? s.listedFiles[i].c_str() : nullptr);
    }
}

void ReadSearchSettings(IProfileStore& store, SearchSettings& out) {
    out.baseFolderNo = Clamp(store.GetInt(kSearchSection, "BaseFolderNo", 0), 0, kFolderNumbers - 1);
    ReadFormat(store, kSearchSection, out.format);
    for (int field = 0; field < kKeywordFields; ++field) {
        out.history[field].clear();
        for (int i = 0; i < kKeywordHistory; ++i) {
            std::string word = store.GetString(kSearchSection, HistoryKey(field, i).c_str());
            if (!word.empty()) out.history[field].push_back(word);
        }
    }
    out.orOperation = store.GetInt(kSearchSection, "Operation", 0) != 0;
    out.matchCase = store.GetInt(kSearchSection, "Case", 0) != 0;
    out.patterns = store.GetInt(kSearchSection, "RE", 0) != 0;
}

void WriteSearchSettings(IProfileStore& store, const SearchSettings& s) {
    store.WriteInt(kSearchSection, "BaseFolderNo", s.baseFolderNo);
    for (int field = 0; field < kKeywordFields; ++field) {
        const std::vector<std::string>& h = s.history[field];
        for (int i = 0; i < kKeywordHistory; ++i)
            store.WriteString(kSearchSection, HistoryKey(field, i).c_str(),
                              i < (int)h.size() ? h[i].c_str() : nullptr);
    }
    WriteFormat(store, kSearchSection, s.format);
    store.WriteInt(kSearchSection, "Operation", s.orOperation ? 1 : 0);
    store.WriteInt(kSearchSection, "Case", s.matchCase ? 1 : 0);
    store.WriteInt(kSearchSection, "RE", s.patterns ? 1 : 0);
}

void AddToHistory(std::vector<std::string>& history, const std::string& keyword) {
    if (keyword.empty()) return;
    history.erase(std::remove(history.begin(), history.end(), keyword), history.end());
    history.insert(history.begin(), keyword);
    if (history.size() > (size_t)kKeywordHistory) history.resize(kKeywordHistory);
}

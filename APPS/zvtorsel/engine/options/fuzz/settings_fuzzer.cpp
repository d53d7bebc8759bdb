// Stored settings of every type and size, as a damaged or hand-edited
// registry gives them: the section readers and what acts on their values
// (report pages, the rebuild folder list, the plug-in list, the URL mapping).
// The input is consumed as the readers ask: each integer takes four bytes,
// each text a length byte or two and that many bytes.
#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "mapping/url_mapping.h"
#include "options/folderlist.h"
#include "options/reportformat.h"
#include "pictures/spilist.h"
#include "reports/reportpage.h"
#include "reports/reportsettings.h"

namespace {

class CFuzzedStore : public IProfileStore {
public:
    CFuzzedStore(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    int GetInt(const char*, const char*, int defaultValue) override {
        static const int kEdges[] = {0, -1, 1, INT_MIN, INT_MAX, 7, 8, 64, 0x01000000};
        if (Left() < 1) return defaultValue;
        uint8_t kind = *p_++;
        if (kind < 0x40) return defaultValue;
        if (kind < 0x80) return kEdges[kind % (sizeof kEdges / sizeof kEdges[0])];
        int value = 0;
        size_t n = Left() < 4 ? Left() : 4;
        memcpy(&value, p_, n);
        p_ += n;
        return value;
    }
    std::string GetString(const char*, const char*) override {
        if (Left() < 1) return std::string();
        size_t length = *p_++;
        // A high first byte asks for a long text: up to 64 KiB.
        if (length >= 0xF0 && Left() >= 2) {
            length = (size_t)p_[0] << 8 | p_[1];
            p_ += 2;
        }
        std::string text;
        while (text.size() < length && Left()) {
            size_t n = length - text.size() < Left() ? length - text.size() : Left();
            text.append((const char*)p_, n);
            p_ += n;
        }
        // A short input still asks for the length: fill it.
        text.resize(length, 'x');
        return text.substr(0, text.find('\0'));
    }
    void WriteInt(const char*, const char*, int) override {}
    void WriteString(const char*, const char*, const char*) override {}

private:
    size_t Left() const { return (size_t)(end_ - p_); }
    const uint8_t* p_;
    const uint8_t* end_;
};

void CheckPage(const std::string& page) {
    if (page.find("<HTML") == std::string::npos && page.find("<html") == std::string::npos) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzedStore store(data, size);
    ListSettings list;
    ReadListSettings(store, list);
    SearchSettings search;
    ReadSearchSettings(store, search);
    if (list.listedFiles.size() > kMaxListedFiles) abort();
    for (const auto& history : search.history)
        if (history.size() > kKeywordHistory) abort();

    MappingSettings mapping;
    mapping.cgiLimitLen = store.GetInt("Rebuild", "CgiLimitLen", 50);
    mapping.cgiShortenLen = store.GetInt("Rebuild", "CgiShortenLen", 0);
    mapping.fileProtocolType = store.GetInt("Rebuild", "FileProtocolType", 2) == 3 ? 3 : 2;
    std::string url = "http://h/d/q.cgi?" + store.GetString("Rebuild", "url");
    char mapped[kUrlBufferSize], local[kUrlBufferSize];
    FILETIME time = {0x37a9aa80, 0x01bf3f21};
    if (MapUrlToName(url.c_str(), "C:\\c\\p[1].htm", time, FALSE, mapped, sizeof mapped, mapping))
        UrlToLocalPath(mapped, local, sizeof local, mapping);

    std::vector<ReportEntry> entries;
    for (int i = 0; i < 3; ++i) {
        std::string title = store.GetString("CreateList", "title");
        entries.push_back(MakeEntry("http://h/" + store.GetString("CreateList", "url"), title.c_str(),
                                    list.format.sortType));
    }
    SortEntries(entries, mapping);
    PageTexts texts;
    texts.listTitle = store.GetString("texts", "list");
    texts.searchTitle = store.GetString("texts", "search");
    std::string folder = store.GetString("Rebuild", "RebuildFolder");
    CheckPage(AddressListPage(folder, list.format, entries, texts, mapping));
    CheckPage(KeywordResultPage(folder, store.GetString("SearchKeyWord", "expression"), search.format, entries,
                                (DWORD)store.GetInt("n", "found", 0), (DWORD)store.GetInt("n", "searched", 0), texts,
                                mapping));

    int slider = FontSizeToSlider(list.format.fontSize);
    if (slider < kFontSliderMin || slider > kFontSliderMax) abort();
    int sizeBack = SliderToFontSize(store.GetInt("n", "slider", 1));
    if (sizeBack < 1 || sizeBack > 7) abort();
    SwapRedBlue(list.format.textColor);

    std::string folders[kRebuildFolderCount];
    for (std::string& f : folders) f = store.GetString("Rebuild", "RebuildFolder%d");
    CRebuildFolderList folderList;
    folderList.Assign(folders);
    folderList.Export(folders);
    for (int i = 0; i < folderList.Count(); ++i) {
        if (IsBracketedFolder(folderList.At(i))) continue;
        std::string normal = NormaliseFolder(folderList.At(i));
        if (normal.empty() || (normal.back() != '\\' && normal.back() != '/')) abort();
    }

    for (int i = 0; i < kMaxSpiPlugins; ++i) {
        std::string value = store.GetString("SPI", "SPI%d");
        SpiListEntry entry;
        if (ParseSpiValue(value.c_str(), entry) && FormatSpiValue(entry) != value) abort();
    }
    return 0;
}

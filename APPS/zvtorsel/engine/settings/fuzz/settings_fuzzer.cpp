// Stored settings of every type and size, as a damaged or hand-edited
// registry gives them: the section readers and what acts on their values
// (report pages, the rebuild folder list, the plug-in list, the URL mapping).
// The input is consumed as the readers ask: each integer takes four bytes,
// each text a length byte or two and that many bytes. Whatever a reader
// makes of it must survive being written and read again unchanged.
#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "mapping/url_mapping.h"
#include "options/folderlist.h"
#include "options/reportformat.h"
#include "pictures/spilist.h"
#include "reports/reportpage.h"
#include "reports/reportsettings.h"
#include "settings/sections.h"

namespace {

class CFuzzedStore : public IProfileStore {
public:
    CFuzzedStore(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    // A key asked again gives what it gave first, as a registry does.
    int GetInt(const char* section, const char* key, int defaultValue) override {
        std::string name = std::string(section) + "/" + key;
        auto known = ints_.find(name);
        if (known != ints_.end()) return known->second.missing ? defaultValue : known->second.value;
        StoredInt& stored = ints_[name];
        stored = NextInt();
        return stored.missing ? defaultValue : stored.value;
    }
    std::string GetString(const char* section, const char* key, const char* defaultValue = "") override {
        std::string name = std::string(section) + "/" + key;
        auto known = strings_.find(name);
        if (known == strings_.end()) known = strings_.emplace(name, NextString()).first;
        if (known->second.missing) return defaultValue ? defaultValue : "";
        return known->second.text;
    }
    void WriteInt(const char*, const char*, int) override {}
    void WriteString(const char*, const char*, const char*) override {}

private:
    struct StoredInt {
        bool missing;
        int value;
    };
    struct StoredString {
        bool missing;
        std::string text;
    };

    StoredInt NextInt() {
        static const int kEdges[] = {0, -1, 1, INT_MIN, INT_MAX, 7, 8, 64, 0x01000000};
        if (Left() < 1) return {true, 0};
        uint8_t kind = *p_++;
        if (kind < 0x40) return {true, 0};
        if (kind < 0x80) return {false, kEdges[kind % (sizeof kEdges / sizeof kEdges[0])]};
        int value = 0;
        size_t n = Left() < 4 ? Left() : 4;
        memcpy(&value, p_, n);
        p_ += n;
        return {false, value};
    }
    StoredString NextString() {
        if (Left() < 1) return {true, std::string()};
        // 0xFF: the key is missing.
        if (*p_ == 0xFF) {
            ++p_;
            return {true, std::string()};
        }
        size_t length = *p_++;
        // A high first byte asks for a long text: up to 4 KiB, beyond every
        // buffer of the mapping and the pages (longer ones only cost time).
        if (length >= 0xF0 && Left() >= 2) {
            length = (size_t)(p_[0] & 0x0F) << 8 | p_[1];
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
        return {false, text.substr(0, text.find('\0'))};
    }
    size_t Left() const { return (size_t)(end_ - p_); }

    const uint8_t* p_;
    const uint8_t* end_;
    std::map<std::string, StoredInt> ints_;
    std::map<std::string, StoredString> strings_;
};

std::string Numbered(const char* key, int n) { return key + std::to_string(n); }

void CheckPage(const std::string& page) {
    if (page.find("<HTML") == std::string::npos && page.find("<html") == std::string::npos) abort();
}

// Each section as its writer stores it: equal records give equal maps.
std::map<std::string, std::string> Written(const RebuildSection& rebuild, const TreeWindowLayout& tree,
                                           const ListSettings& list, const SearchSettings& search,
                                           const PictureScanSettings& pictures, const DownloadSettings& download,
                                           const ViewerWindowPlace viewers[2]) {
    CMemoryProfileStore out;
    RebuildOptions options;
    options.settings = rebuild.settings;
    options.fileProtocolType = rebuild.fileProtocolType;
    WriteRebuildOptions(out, options);
    WriteNoWarning129(out, rebuild.noWarning129);
    out.WriteInt("Rebuild", "CgiLimitLen", rebuild.cgiLimitLen);
    out.WriteInt("Rebuild", "CgiShortenLen", rebuild.cgiShortenLen);
    WriteTreeWindowLayout(out, tree);
    WriteListSettings(out, list);
    WriteSearchSettings(out, search);
    WritePictureScanSettings(out, pictures);
    WriteDownloadSettings(out, download);
    WriteViewerWindowPlace(out, kSourceViewerSection, viewers[0]);
    WriteViewerWindowPlace(out, kPictureViewerSection, viewers[1]);
    return out.values;
}

std::map<std::string, std::string> ReadAll(IProfileStore& store, ListSettings& list, SearchSettings& search) {
    RebuildSection rebuild;
    ReadRebuildSection(store, "C:\\rebuild", rebuild);
    if (rebuild.fileProtocolType < 1 || rebuild.fileProtocolType > 3) abort();
    TreeWindowLayout tree;
    ReadTreeWindowLayout(store, tree);
    if (tree.dividers.warningHSplit < 5) abort();
    ReadListSettings(store, list);
    ReadSearchSettings(store, search);
    if (list.listedFiles.size() > kMaxListedFiles) abort();
    for (const auto& history : search.history)
        if (history.size() > kKeywordHistory) abort();
    PictureScanSettings pictures;
    ReadPictureScanSettings(store, "MS UI Gothic", pictures);
    if (pictures.thumbWidth < 8 || pictures.thumbWidth > 256 || pictures.thumbWidth % 8) abort();
    if (pictures.thumbHCount < 1 || pictures.thumbHCount > 32) abort();
    DownloadSettings download;
    ReadDownloadSettings(store, download);
    if (download.threads < 1 || download.threads > 5) abort();
    ViewerWindowPlace viewers[2];
    ReadViewerWindowPlace(store, kSourceViewerSection, viewers[0]);
    ReadViewerWindowPlace(store, kPictureViewerSection, viewers[1]);
    return Written(rebuild, tree, list, search, pictures, download, viewers);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFuzzedStore store(data, size);
    ListSettings list;
    SearchSettings search;
    std::map<std::string, std::string> first = ReadAll(store, list, search);
    CMemoryProfileStore again;
    again.values = first;
    ListSettings listAgain;
    SearchSettings searchAgain;
    if (ReadAll(again, listAgain, searchAgain) != first) abort();

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
        std::string title = store.GetString("entries", Numbered("title", i).c_str());
        entries.push_back(MakeEntry("http://h/" + store.GetString("entries", Numbered("url", i).c_str()), title.c_str(),
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
    // The folders the section reader read: the store gives them again.
    for (int i = 0; i < kRebuildFolderCount; ++i)
        folders[i] = store.GetString("Rebuild", i == 0 ? "RebuildFolder" : Numbered("RebuildFolder", i).c_str());
    CRebuildFolderList folderList;
    folderList.Assign(folders);
    folderList.Export(folders);
    for (int i = 0; i < folderList.Count(); ++i) {
        if (IsBracketedFolder(folderList.At(i))) continue;
        std::string normal = NormaliseFolder(folderList.At(i));
        if (normal.empty() || (normal.back() != '\\' && normal.back() != '/')) abort();
    }
    // The folder dialog's edits on the list as read: the list never
    // overflows its keys, and what it exports it reads back unchanged.
    for (int i = 0; i < 8; ++i) {
        int op = store.GetInt("edits", Numbered("op", i).c_str(), 0);
        int index = (op >> 3) % (kRebuildFolderCount + 1) - 1;
        switch (op & 7) {
        case 1: folderList.MoveUp(index); break;
        case 2: folderList.MoveDown(index); break;
        case 3: folderList.ToggleBrackets(index); break;
        case 4: folderList.Remove(index); break;
        case 5: folderList.Add(store.GetString("edits", Numbered("folder", i).c_str())); break;
        default: break;
        }
        if (folderList.Count() > kRebuildFolderCount) abort();
    }
    folderList.Export(folders);
    CRebuildFolderList listBack;
    listBack.Assign(folders);
    std::string exported[kRebuildFolderCount];
    listBack.Export(exported);
    for (int i = 0; i < kRebuildFolderCount; ++i)
        if (exported[i] != folders[i]) abort();

    // The file filter a plug-in reports names at most one plain extension.
    std::string extension = ExtensionOfPluginFilter(store.GetString("SPI", "filter").c_str());
    if (extension.find_first_of(".*?,") != std::string::npos) abort();
    for (char c : extension)
        if ((unsigned char)c >= 0x80 || (c >= 'A' && c <= 'Z')) abort();

    for (int i = 0; i < kMaxSpiPlugins; ++i) {
        std::string value = store.GetString("SPI", Numbered("SPI", i).c_str());
        SpiListEntry entry;
        if (ParseSpiValue(value.c_str(), entry) && FormatSpiValue(entry) != value) abort();
    }
    return 0;
}

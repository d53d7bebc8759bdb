#include "pictures/picturescan.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "afxstr.h"
#include "mapping/mapping_strings.h"
#include "mapping/mapping_settings.h"
#include "mapping/relative_link.h"
#include "pictures/picturesize.h"
#include "pictures/thumbnails.h"
#include "translate/html_translator.h"
#include "zvchartables.h"
#include "zvpath.h"

namespace {

const char* const kTypeLetters = "bgjpqx";  // bmp gif jpg png pjpg xbm
enum { kStrSearchResultOf = 54 };

char Lower(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

bool EqualNoCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (Lower(*a) != Lower(*b)) return false;
    return *a == *b;
}

// The order of a sorted list box: whole strings, ASCII letters without case.
bool LessNoCase(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = (unsigned char)Lower(a[i]), y = (unsigned char)Lower(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Names and pages are Shift_JIS, walked with the library's lead-byte table.
bool IsLead(char c) { return zvGetDBCSLeadTable()[(BYTE)c] != 0; }

// Position of the last separator, walking double-byte characters whole.
size_t LastSeparator(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLead(path[i]) && i + 1 < path.size()) {
            ++i;
        } else if (IsSeparator(path[i])) {
            last = i;
        }
    }
    return last;
}

void ReplaceSeparators(std::string& path, char with) {
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLead(path[i]) && i + 1 < path.size()) {
            ++i;
        } else if (IsSeparator(path[i])) {
            path[i] = with;
        }
    }
}

std::string Escaped(const std::string& text) {
    std::vector<char> out(text.size() * 6 + 1);
    CHtmlTranslator::EscapeHtml(out.data(), text.c_str(), (int)out.size(), zvGetDBCSLeadTable());
    return out.data();
}

std::string Count(CountFormatter format, int value) {
    char text[32];
    if (format) {
        format((DWORD)value, text, sizeof(text));
    } else {
        snprintf(text, sizeof(text), "%d", value);
    }
    return text;
}

const char* FileNameOf(const std::string& path) {
    size_t cut = LastSeparator(path);
    return path.c_str() + (cut == std::string::npos ? 0 : cut + 1);
}

// A name's extension (after the last dot of the last component), "" for none.
std::string ExtensionOf(const char* name) {
    const char* ext = zvScanExtNameA(name);
    return ext ? ext : "";
}

std::string WithExtension(const std::string& name, const char* extension) {
    size_t dot = name.find_last_of('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + "." + extension;
}

std::string InsertBeforeExtension(const std::string& name, const std::string& insert) {
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return name + insert;
    return name.substr(0, dot) + insert + name.substr(dot);
}

class CPictureScan {
public:
    CPictureScan(const PictureScanJob& job, PictureScanServices& services, PictureScanResult& result)
        : job_(job), s_(job.settings), services_(services), result_(result) {}

    bool Run();

private:
    bool Cancelled() const { return services_.cancel && *services_.cancel; }
    bool LimitReached() const { return !s_.separation && (int)pictures_.size() >= s_.scanLimit; }
    std::string Format(UINT id, const std::string& arg) const;

    void Collect(const std::string& relative, bool recording);
    bool Accept(const std::string& path, const std::string& extension, PictureEntry& entry);
    void ShowCollectProgress();

    std::string PageHead(const std::string& title, bool withBase) const;
    // The link of a picture of the search folder from a page of the rebuild folder.
    std::string PictureLink(const std::string& path) const {
        return relative_ ? LocalPathAsLink(searchInRebuild_ + path, job_.mapping) : path;
    }
    std::string PageTail() const { return "</FONT>\r\n</BODY>\r\n</HTML>\r\n"; }
    bool WritePictures(const std::vector<const PictureEntry*>& list, const std::string& pageName, std::string& page);
    void WriteImgElements(const std::vector<const PictureEntry*>& list, std::string& page);
    bool WriteThumbnailMap(const std::vector<const PictureEntry*>& list, const std::string& pageName,
                           std::string& page);
    void DrawThumbnail(CThumbnailCanvas& canvas, int cell, const PictureEntry& picture);
    // *fullWidth and *fullHeight: the picture's size, which the decoded one
    // falls short of when it comes reduced.
    HZVDIB DecodePicture(const PictureEntry& picture, const std::vector<BYTE>& data, std::vector<BYTE>& packed,
                         DibInfo& info, int* fullWidth, int* fullHeight);
    HZVDIB DecodeWith(PictureDecoder decoder, const std::vector<BYTE>& data, DibInfo& info, int* fullWidth,
                      int* fullHeight);
    bool WritePage(const std::string& name, const std::string& text);

    const PictureScanJob& job_;
    const PictureScanSettings& s_;
    PictureScanServices& services_;
    PictureScanResult& result_;
    std::string search_;  // S, ending with "\"
    // Relative links: S lies in the rebuild folder (at searchInRebuild_
    // there) and the pages have no BASE line.
    bool relative_ = false;
    std::string searchInRebuild_;
    std::vector<PictureEntry> pictures_;
    std::vector<PictureFolder> folders_;
    int currentFolder_ = -1;
};

std::string CPictureScan::Format(UINT id, const std::string& arg) const {
    const std::string& format = id == kStrSearchResultOf ? job_.resultFormat : job_.pageTitle;
    return AfxFillText(format.c_str(), arg.c_str()).c_str();
}

void CPictureScan::ShowCollectProgress() {
    services_.report.Progress(
        (Count(services_.formatCount, (int)pictures_.size()) + " / " + Count(services_.formatCount, result_.filesSeen))
            .c_str());
}

bool CPictureScan::Accept(const std::string& path, const std::string& extension, PictureEntry& entry) {
    std::string full = search_ + path;
    CFileByteSource source(services_.files, full.c_str());
    PictureSize size;
    int row = FindPictureType(extension.c_str());
    if (row >= 0) {
        const PictureTypeRow& type = PictureTypeTable()[row];
        if (!s_.types[type.enabledBy]) return false;
        entry.type = (DWORD)row;
        bool measured = ReadPictureSize(type.reader, source, size);
        for (int r = 0; !measured && r < READER_COUNT; ++r)
            if (r != type.reader) measured = ReadPictureSize((PictureReader)r, source, size);
        if (!measured) return true;  // kept without size; the limits do not apply
    } else {
        if (!s_.addOther || !services_.plugins) return false;
        IPicturePlugins& plugins = *services_.plugins;
        bool measured = false;
        for (int p = 0; !measured && p < plugins.Count(); ++p) {
            if (!EqualNoCase(plugins.Extension(p), extension.c_str())) continue;
            if (plugins.PictureSize(p, full.c_str(), &size.width, &size.height)) {
                measured = true;
                entry.type = kPluginType | (DWORD)p;
            }
        }
        if (!measured) return false;
    }
    if (size.width < s_.sizeMinX || size.width > s_.sizeMaxX || size.height < s_.sizeMinY || size.height > s_.sizeMaxY)
        return false;
    entry.sized = true;
    entry.width = size.width;
    entry.height = size.height;
    return true;
}

void CPictureScan::Collect(const std::string& relative, bool recording) {
    std::vector<DirEntry> entries;
    services_.files.ListFolder((search_ + relative).c_str(), entries);
    size_t first = pictures_.size();
    int filesHere = 0;
    for (const DirEntry& e : entries) {
        if (Cancelled() || LimitReached()) break;
        if ((e.attributes & FILE_ATTR_DIRECTORY) || e.name.empty() || e.name[0] == '@') continue;
        ++filesHere;
        ++result_.filesSeen;
        std::string path = relative + e.name;
        std::string extension = ExtensionOf(e.name.c_str());
        if (!extension.empty()) {
            services_.report.Status(path.c_str());
            PictureEntry picture;
            picture.path = path;
            if (Accept(path, extension, picture)) {
                picture.folder = currentFolder_;
                pictures_.push_back(picture);
            }
        }
        ShowCollectProgress();
    }

    std::string name = relative.empty() ? "" : relative.substr(0, relative.size() - 1);
    name = FileNameOf(name);
    int entry = -1;
    if (recording && (pictures_.size() > first || (filesHere > 0 && !relative.empty()) || name[0] == '~')) {
        entry = (int)folders_.size();
        folders_.push_back(PictureFolder{relative, 0});
        for (size_t i = first; i < pictures_.size(); ++i) pictures_[i].folder = entry;
        currentFolder_ = entry;
        recording = false;
    }
    for (const DirEntry& e : entries) {
        if (Cancelled() || LimitReached()) break;
        if (!(e.attributes & FILE_ATTR_DIRECTORY)) continue;
        Collect(relative + e.name + "/", recording);
    }
    if (entry >= 0) {
        folders_[entry].count = (int)(pictures_.size() - first);
        currentFolder_ = -1;
    }
}

std::string CPictureScan::PageHead(const std::string& title, bool withBase) const {
    char line[128];
    std::string page =
        "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML i18n//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;charset=SHIFT_JIS\">\r\n";
    page += "<TITLE>" + title + "</TITLE>\r\n";
    if (withBase && !relative_)
        page += std::string("<BASE HREF=\"") + job_.mapping.FileUrlPrefix() + search_ + "base.html\">\r\n";
    page += "</HEAD>\r\n";
    snprintf(line, sizeof(line), "<BODY TEXT=\"#%06X\" LINK=\"#%06X\" BGCOLOR=\"#%06X\">\r\n",
             (unsigned)(s_.format.textColor & 0xFFFFFF), (unsigned)(s_.format.linkColor & 0xFFFFFF),
             (unsigned)(s_.format.backColor & 0xFFFFFF));
    page += line;
    snprintf(line, sizeof(line), "<FONT SIZE=%d>\r\n", s_.format.fontSize);
    page += line;
    return page;
}

void CPictureScan::WriteImgElements(const std::vector<const PictureEntry*>& list, std::string& page) {
    char size[64];
    for (const PictureEntry* p : list) {
        std::string link = PictureLink(p->path);
        if (s_.border) page += "<A HREF=\"" + link + "\">";
        page += "<IMG SRC=\"" + link + "\" ALT=\"" + FileNameOf(p->path);
        if (p->sized) {
            snprintf(size, sizeof(size), "\" WIDTH=\"%d\" HEIGHT=\"%d", p->width, p->height);
            page += size;
        }
        page += s_.border ? "\" BORDER=\"1\"></A>" : "\">";
        page += "\r\n";
    }
}

HZVDIB CPictureScan::DecodeWith(PictureDecoder decoder, const std::vector<BYTE>& data, DibInfo& info,
                                int* fullWidth, int* fullHeight) {
    info.size = DIBINFO_SIZE;
    if (decoder == DECODE_JPEG) {
        // A JPEG picture much larger than the cell comes reduced straight
        // from its coefficients rather than decoded whole and then shrunk.
        CMemoryByteSource source(data.data(), data.size());
        PictureSize size;
        DWORD scale = 1;
        if (ReadJpegSize(source, size)) scale = (DWORD)ThumbnailReduction(size.width, size.height, s_.thumbWidth);
        HZVDIB dib = zvConvertJpegToDibScaled(data.data(), (DWORD)data.size(), scale, &info);
        if (dib && scale > 1) {
            *fullWidth = size.width;
            *fullHeight = size.height;
        }
        return dib;
    }
    typedef HZVDIB(ZVAPI * Decoder)(const BYTE*, DWORD, void*, DibInfo*);
    static const Decoder kDecoders[] = {zvConvertBmpToDib, zvConvertGifToDib, nullptr, zvConvertPngToDib,
                                        zvConvertXbmToDib};
    return kDecoders[decoder](data.data(), (DWORD)data.size(), nullptr, &info);
}

HZVDIB CPictureScan::DecodePicture(const PictureEntry& picture, const std::vector<BYTE>& data,
                                   std::vector<BYTE>& packed, DibInfo& info, int* fullWidth, int* fullHeight) {
    info.size = DIBINFO_SIZE;
    int plugin = -1;
    PictureDecoder decoder = DECODE_BMP;
    if (picture.type & kPluginType) {
        plugin = (int)(picture.type & ~kPluginType);
    } else {
        const PictureTypeRow& row = PictureTypeTable()[picture.type];
        decoder = row.decoder;
        // A registered plug-in for the row's extension decodes in its place.
        if (services_.plugins)
            for (int p = 0; p < services_.plugins->Count() && plugin < 0; ++p)
                if (EqualNoCase(services_.plugins->Extension(p), row.extension)) plugin = p;
    }
    if (plugin >= 0) {
        if (services_.plugins && services_.plugins->Decode(plugin, data.data(), (DWORD)data.size(), packed))
            return zvSetDIBitmap(packed.data(), (DWORD)packed.size(), &info);
        // A plug-in that cannot read a picture of a known type leaves it to
        // the library's decoder rather than to a placeholder.
        if (picture.type & kPluginType) return nullptr;
        info.size = DIBINFO_SIZE;
    }
    // The row's decoder first; a picture under another type's extension
    // (a GIF named .jpg) is then tried with the others.
    if (HZVDIB dib = DecodeWith(decoder, data, info, fullWidth, fullHeight)) return dib;
    for (PictureDecoder d : {DECODE_GIF, DECODE_PNG, DECODE_XBM, DECODE_BMP, DECODE_JPEG}) {
        if (d == decoder) continue;
        if (HZVDIB dib = DecodeWith(d, data, info, fullWidth, fullHeight)) return dib;
    }
    return nullptr;
}

void CPictureScan::DrawThumbnail(CThumbnailCanvas& canvas, int cell, const PictureEntry& picture) {
    std::vector<BYTE> data, packed;
    DibInfo info;
    HZVDIB dib = nullptr;
    int fullWidth = 0, fullHeight = 0;
    if (ReadWholeFile(services_.files, (search_ + picture.path).c_str(), data, kLargestPictureFile) && !data.empty())
        dib = DecodePicture(picture, data, packed, info, &fullWidth, &fullHeight);
    if (!dib || !canvas.DrawPicture(cell, info, fullWidth, fullHeight)) canvas.DrawPlaceholder(cell);
    if (dib) zvDeleteDIBitmap(dib);

    if (s_.thumbNaming && services_.captions) {
        DibInfo caption;
        caption.size = DIBINFO_SIZE;
        HZVDIB text = services_.captions->MakeCaption(canvas.CellWidth(), canvas.CellHeight() - canvas.CellWidth(),
                                                      FileNameOf(picture.path), &caption);
        if (text) {
            canvas.DrawCaption(cell, caption, s_.fontColor);
            zvDeleteDIBitmap(text);
        }
    }
}

bool CPictureScan::WriteThumbnailMap(const std::vector<const PictureEntry*>& list, const std::string& pageName,
                                     std::string& page) {
    int nameHeight = s_.thumbNaming ? (s_.fontHeight < 0 ? -s_.fontHeight : s_.fontHeight) + 1 : 0;
    CThumbnailCanvas canvas(s_.thumbWidth, s_.thumbHCount, nameHeight, (int)list.size());
    std::string bitmapName = WithExtension(pageName, "bmp");
    page += "<MAP NAME=\"map0001\">\r\n";
    bool canvasMade = !list.empty() && canvas.Create(s_.format.backColor);
    char coords[96];
    int cell = 0;
    for (const PictureEntry* p : list) {
        if (Cancelled()) break;
        services_.report.Status(p->path.c_str());
        if (canvasMade) DrawThumbnail(canvas, cell, *p);
        ++result_.thumbnailsMade;
        services_.report.Progress((Count(services_.formatCount, result_.thumbnailsMade) + " / " +
                                   Count(services_.formatCount, result_.pictures) + " / " +
                                   Count(services_.formatCount, result_.filesSeen))
                                      .c_str());
        int x, y;
        canvas.CellOrigin(cell, &x, &y);
        snprintf(coords, sizeof(coords), "\" COORDS=\"%d,%d,%d,%d\">\r\n", x, y, x + canvas.CellWidth() - 1,
                 y + canvas.CellHeight() - 1);
        page += "<AREA SHAPE=\"RECT\" HREF=\"" + PictureLink(p->path) + coords;
        ++cell;
    }
    std::string bitmapLink =
        relative_ ? LocalPathAsLink(bitmapName, job_.mapping) : job_.mapping.FileUrlPrefix() + job_.rebuildFolder + bitmapName;
    page += "</MAP>\r\n<IMG SRC=\"" + bitmapLink + "\" USEMAP=\"#map0001\">\r\n";
    if (Cancelled() || !canvasMade) return true;
    std::vector<BYTE> bmp = canvas.BmpFile();
    if (!WriteWholeFile(services_.files, (job_.rebuildFolder + bitmapName).c_str(), bmp.data(), bmp.size(), nullptr)) {
        services_.report.Message(IDS_PICTURE_RESULT_FAILED, nullptr);
        return false;
    }
    return true;
}

bool CPictureScan::WritePictures(const std::vector<const PictureEntry*>& list, const std::string& pageName,
                                 std::string& page) {
    if (!s_.thumbnail) {
        WriteImgElements(list, page);
        return true;
    }
    return WriteThumbnailMap(list, pageName, page);
}

bool CPictureScan::WritePage(const std::string& name, const std::string& text) {
    if (WriteWholeFile(services_.files, (job_.rebuildFolder + name).c_str(), text.data(), text.size(), nullptr)) return true;
    services_.report.Message(IDS_PICTURE_RESULT_FAILED, nullptr);
    return false;
}

bool CPictureScan::Run() {
    const bool fromPage = !job_.resultPage.empty();
    std::string baseName, expression;
    std::vector<std::string> listed;
    if (fromPage) {
        std::vector<BYTE> text;
        std::string folder;
        if (!ReadWholeFile(services_.files, job_.resultPage.c_str(), text, kLargestPictureFile) ||
            !ReadResultPageFolders(std::string(text.begin(), text.end()), folder, listed,
                                   job_.resultPage.substr(0, LastSeparator(job_.resultPage) + 1))) {
            services_.report.Message(IDS_RESULT_PAGE_UNREADABLE, nullptr);
            return false;
        }
        search_ = folder;
        const char* name = FileNameOf(job_.resultPage);
        baseName = std::string("@") + name;
        expression = Escaped(ResultPageExpression(name));
    } else {
        search_ = job_.searchFolder;
        if (search_.empty() || !IsSeparator(search_.back())) search_ += '\\';
        std::vector<char> normal(search_.begin(), search_.end());
        normal.resize(search_.size() + 2, 0);
        zvControlRightPathA(normal.data());
        search_ = normal.data();
        std::string last = search_.substr(0, search_.size() - 1);
        if (last.size() == 2 && last[1] == ':') {
            baseName = std::string("@") + last[0] + "$.htm";
        } else {
            baseName = std::string("@") + FileNameOf(last) + ".htm";
        }
        expression = "'" + Escaped(search_) + "'";
    }
    services_.report.Status(search_.c_str());
    if (job_.mapping.RelativeLinks()) {
        const char* below = PathBelowFolder(job_.rebuildFolder.c_str(), search_.c_str(), job_.mapping);
        relative_ = below != nullptr;
        if (below) searchInRebuild_ = below;
    }

    bool allSame = true;
    for (int t = 1; t < 6; ++t) allSame = allSame && s_.types[t] == s_.types[0];
    if (s_.classResFile && !allSame) {
        std::string marks = "_";
        for (int t : {TYPE_BMP, TYPE_GIF, TYPE_JPG, TYPE_PNG, TYPE_PJPG, TYPE_XBM})
            if (s_.types[t]) marks += kTypeLetters[t];
        baseName = InsertBeforeExtension(baseName, marks);
    }
    result_.pageName = baseName;

    if (fromPage) {
        for (const std::string& folder : listed) {
            if (Cancelled() || LimitReached()) break;
            currentFolder_ = (int)folders_.size();
            folders_.push_back(PictureFolder{folder, 0});
            size_t before = pictures_.size();
            Collect(folder, false);
            folders_[currentFolder_].count = (int)(pictures_.size() - before);
        }
        currentFolder_ = -1;
    } else {
        Collect("", true);
    }
    result_.pictures = (int)pictures_.size();

    std::stable_sort(pictures_.begin(), pictures_.end(),
                     [](const PictureEntry& a, const PictureEntry& b) { return LessNoCase(a.path, b.path); });

    std::string page = PageHead(job_.pageTitle, !s_.separation);
    page +=
        Format(kStrSearchResultOf, expression) + " : " + Count(services_.formatCount, result_.pictures) + "<BR>\r\n";
    bool ok = true;
    if (!s_.separation) {
        std::vector<const PictureEntry*> all;
        for (const PictureEntry& p : pictures_) all.push_back(&p);
        ok = WritePictures(all, baseName, page);
    } else {
        if (s_.format.unorderedList) page += "<UL>\r\n";
        std::vector<int> order;
        for (size_t i = 0; i < folders_.size(); ++i) order.push_back((int)i);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return LessNoCase(folders_[a].path, folders_[b].path); });
        for (int f : order) {
            if (Cancelled() || !ok) break;
            const PictureFolder& folder = folders_[f];
            if (folder.count == 0) continue;
            std::string inserted = folder.path;
            ReplaceSeparators(inserted, '@');
            if (!inserted.empty()) inserted.pop_back();
            std::string subName = InsertBeforeExtension(baseName, "@" + inserted);
            std::string url = folder.path.empty() ? std::string(".") : LocalPathToUrl(folder.path, job_.mapping);
            if (s_.format.unorderedList) page += "<LI>";
            page += "<A HREF=\"" + (relative_ ? LocalPathAsLink(subName, job_.mapping) : subName) + "\">" + Escaped(url);

            std::vector<const PictureEntry*> list;
            for (const PictureEntry& p : pictures_)
                if (p.folder == f) list.push_back(&p);
            std::string quoted = "'" + Escaped(url) + "'";
            std::string sub = PageHead(Format(kStrSearchResultOf, quoted), true);
            sub += Format(kStrSearchResultOf, quoted) + " : " + Count(services_.formatCount, folder.count) + "<BR>\r\n";
            ok = WritePictures(list, subName, sub);
            sub += PageTail();
            ok = WritePage(subName, sub) && ok;
            char count[48];
            snprintf(count, sizeof(count), "</A> : %d<BR>\r\n", folder.count);
            page += count;
            if (s_.format.lineSpace) page += "<BR>\r\n";
        }
        if (s_.format.unorderedList) page += "</UL>\r\n";
    }
    page += PageTail();
    ok = WritePage(baseName, page) && ok;
    result_.stopped = Cancelled();
    return ok && !result_.stopped;
}

}  // namespace

const std::vector<PictureTypeRow>& PictureTypeTable() {
    static const std::vector<PictureTypeRow> table = {
        {"bmp", TYPE_BMP, READER_BMP, DECODE_BMP},     {"dib", TYPE_BMP, READER_BMP, DECODE_BMP},
        {"rle", TYPE_BMP, READER_BMP, DECODE_BMP},     {"gif", TYPE_GIF, READER_GIF, DECODE_GIF},
        {"jfi", TYPE_JPG, READER_JPEG, DECODE_JPEG},   {"jfif", TYPE_JPG, READER_JPEG, DECODE_JPEG},
        {"jpeg", TYPE_JPG, READER_JPEG, DECODE_JPEG},  {"jpg", TYPE_JPG, READER_JPEG, DECODE_JPEG},
        {"pjpg", TYPE_PJPG, READER_JPEG, DECODE_JPEG}, {"png", TYPE_PNG, READER_PNG, DECODE_PNG},
        {"xbm", TYPE_XBM, READER_XBM, DECODE_XBM},
    };
    return table;
}

int FindPictureType(const char* extension) {
    const std::vector<PictureTypeRow>& table = PictureTypeTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (EqualNoCase(table[i].extension, extension)) return (int)i;
    return -1;
}

bool RunPictureScan(const PictureScanJob& job, PictureScanServices& services, PictureScanResult& result) {
    result = PictureScanResult();
    CPictureScan scan(job, services, result);
    return scan.Run();
}

namespace {

// A folder below the search folder, separators turned into "/": an empty,
// "." or ".." step would lead out of it or back into a folder already
// scanned, and a control character names no file.
bool IsFolderBelow(const std::string& folder) {
    for (size_t start = 0; start < folder.size();) {
        size_t end = folder.find('/', start);
        std::string step = folder.substr(start, end - start);
        if (step.empty() || step == "." || step == "..") return false;
        start = end + 1;
    }
    return std::none_of(folder.begin(), folder.end(), [](char c) { return (unsigned char)c < 0x20; });
}

// The folder of the link of an entry line of a keyword result page.
void AddLinkFolder(const std::string& line, bool escaped, std::vector<std::string>& folders) {
    static const char kLink[] = "<A HREF=\"";
    size_t at = line.find(kLink);
    if (at == std::string::npos) return;
    at += sizeof(kLink) - 1;
    size_t stop = line.find("\">", at);
    if (stop == std::string::npos) return;
    std::string link = line.substr(at, stop - at);
    if (escaped) {
        // A link of another form (a file URL, an absolute URL) is no folder of the page's.
        if (link.find(':') != std::string::npos || link.compare(0, 3, "../") == 0) return;
        std::vector<char> name(link.size() + 1);
        UnescapeUrlPath(link.c_str(), name.data(), name.size());
        link = name.data();
    }
    size_t cut = LastSeparator(link);
    if (cut == std::string::npos) return;
    std::string folder = link.substr(0, cut + 1);
    ReplaceSeparators(folder, '/');
    if (IsFolderBelow(folder)) folders.push_back(folder);
}

}  // namespace

bool IsKeywordResultPage(const char* fileName) {
    if (!fileName || fileName[0] == '@' || EqualNoCase(fileName, "locallst.htm")) return false;
    std::string extension = ExtensionOf(fileName);
    for (const char* e : {"htm", "html", "shtml", "asp"})
        if (EqualNoCase(extension.c_str(), e)) return true;
    return false;
}

std::string ResultPageExpression(const char* fileName) {
    std::string name = fileName;
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    const MappingSettings shiftJis;
    const BYTE* lead = shiftJis.leadTable;
    std::string expression, piece;
    auto flush = [&]() { expression += "'" + LocalPathToUrl(piece, shiftJis) + "'"; };
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (lead[(BYTE)c] && i + 1 < name.size()) {
            piece += c;
            piece += name[++i];
        } else if (c == '&' || c == '+') {
            flush();
            expression += c == '&' ? " & " : " + ";
            piece.clear();
        } else {
            piece += c;
        }
    }
    flush();
    return expression;
}

bool ReadResultPageFolders(const std::string& text, std::string& searchFolder, std::vector<std::string>& folders,
                           const std::string& pageFolder) {
    static const char kBase[] = "<BASE HREF=\"file:";
    static const char kBaseEnd[] = "\\base.html\">";
    folders.clear();
    searchFolder.clear();
    size_t position = 0;
    bool baseFound = false;
    while (position < text.size()) {
        size_t end = text.find('\n', position);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(position, end - position);
        position = end + 1;
        if (!baseFound) {
            size_t at = line.find(kBase);
            if (at == std::string::npos) continue;
            at += sizeof(kBase) - 1;
            size_t stop = line.find(kBaseEnd, at);
            if (stop == std::string::npos) continue;
            int dropped = 0;
            while (at < stop && IsSeparator(line[at])) ++at, ++dropped;
            std::string folder = line.substr(at, stop - at);
            // A control character names no folder (a NUL would cut the path short).
            if (std::any_of(folder.begin(), folder.end(), [](char c) { return (unsigned char)c < 0x20; })) continue;
            bool drive = folder.size() >= 2 && folder[1] == ':';
            if (dropped >= 2 && !drive) folder = "\\\\" + folder;
            searchFolder = folder + "\\";
            baseFound = true;
            continue;
        }
        AddLinkFolder(line, false, folders);
    }
    // A page with relative links has no BASE line: they lead from the
    // page's own folder, escaped as URLs.
    if (!baseFound && !pageFolder.empty()) {
        searchFolder = pageFolder;
        baseFound = true;
        for (position = 0; position < text.size();) {
            size_t end = text.find('\n', position);
            if (end == std::string::npos) end = text.size();
            AddLinkFolder(text.substr(position, end - position), true, folders);
            position = end + 1;
        }
    }
    std::sort(folders.begin(), folders.end());
    folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
    std::vector<std::string> outer;
    for (const std::string& f : folders)
        if (outer.empty() || f.compare(0, outer.back().size(), outer.back()) != 0) outer.push_back(f);
    folders.swap(outer);
    return baseFound && !folders.empty();
}

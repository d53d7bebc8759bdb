// The picture scan: collects the pictures below a folder (or below the
// folders of a keyword result page), filters them by type and pixel size,
// and writes a picture list page with IMG elements or a thumbnail map.
#pragma once
#include <string>
#include <vector>

#include "base/messagenumbers.h"
#include "options/reportformat.h"
#include "base/files.h"
#include "pictures/picturefiles.h"
#include "pictures/picturesize.h"
#include "tree/treepane.h"

// Section ScanPicture.
struct PictureScanSettings {
    int baseFolderNo = 0;
    int scanLimit = 999;
    // bmp, gif, jpg, png, pjpg, xbm
    bool types[6] = {true, true, true, true, true, true};
    bool classResFile = false;
    bool addOther = true;
    int sizeMinX = 1, sizeMinY = 1, sizeMaxX = 2047, sizeMaxY = 2047;
    bool thumbnail = false;
    bool thumbNaming = true;
    // The name font as its LOGFONT fields.
    int fontHeight = 12, fontWidth = 0, fontEscapement = 0, fontOrientation = 0, fontWeight = 0;
    BYTE fontItalic = 0, fontUnderline = 0, fontStrikeOut = 0, fontCharSet = 1, fontOutPrecision = 0,
         fontClipPrecision = 0, fontQuality = 0, fontPitchFamily = 0;
    std::string fontName;
    DWORD fontColor = 0;  // 0x00BBGGRR
    int thumbWidth = 64;  // multiple of 8, 8 to 256
    int thumbHCount = 8;
    bool border = false;
    bool separation = false;
    PageFormat format;  // colours, size and list switches of the page
};

enum PictureTypeSwitch { TYPE_BMP, TYPE_GIF, TYPE_JPG, TYPE_PNG, TYPE_PJPG, TYPE_XBM };

enum PictureDecoder { DECODE_BMP, DECODE_GIF, DECODE_JPEG, DECODE_PNG, DECODE_XBM };

struct PictureTypeRow {
    const char* extension;
    PictureTypeSwitch enabledBy;
    PictureReader reader;
    PictureDecoder decoder;
};

// The rows of the type table, in their fixed order.
const std::vector<PictureTypeRow>& PictureTypeTable();
// Row index of an extension (any case), -1 when there is none.
int FindPictureType(const char* extension);

// One collected picture. type: row of the type table, or the plug-in number
// with bit 31 set for files only a plug-in reads.
struct PictureEntry {
    std::string path;  // relative to the search folder, "/" separators
    bool sized = false;
    int width = 0, height = 0;
    DWORD type = 0;
    int folder = -1;  // folder entry it belongs to (with Separation)
};

struct PictureFolder {
    std::string path;  // relative to the search folder, ending with "/" unless empty
    int count = 0;
};

enum : DWORD { kPluginType = 0x80000000u };

// Where the scan runs and what it reports back.
struct PictureScanJob {
    // Texts of the string table (55 and 54), Shift_JIS.
    std::string pageTitle = "\x83\x8d\x81\x5b\x83\x4a\x83\x8b\x89\xe6\x91\x9c\x83\x66\x81\x5b\x83\x5e";
    std::string resultFormat = "%s \x82\xcc\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca";
    std::string rebuildFolder;  // receives the pages, ends with "\"
    std::string searchFolder;   // the folder searched (first choice)
    std::string resultPage;     // a keyword result page instead (full path)
    PictureScanSettings settings;
    MappingSettings mapping;  // the job's link form (FileProtocolType)
};

struct PictureScanResult {
    bool stopped = false;
    int pictures = 0;
    int filesSeen = 0;
    int thumbnailsMade = 0;
    std::string pageName;  // file name inside the rebuild folder
};

// Picture files and result pages larger than this are not read.
const size_t kLargestPictureFile = 0x40000000;

struct PictureScanServices {
    IFiles& files;
    IPictureScanReport& report;
    IPicturePlugins* plugins = nullptr;    // none: no plug-ins registered
    ICaptionMaker* captions = nullptr;     // none: names are not drawn
    CountFormatter formatCount = nullptr;  // none: plain digits
    volatile LONG* cancel = nullptr;

    PictureScanServices(IFiles& f, IPictureScanReport& r) : files(f), report(r) {}
};

// Runs the scan and writes the pages; false when it failed with a message
// (61, 62) or was cancelled.
bool RunPictureScan(const PictureScanJob& job, PictureScanServices& services, PictureScanResult& result);

// The keyword expression of a result page's file name: the pieces between
// "&" and "+" turned back into text and quoted ('a/b' & 'c').
std::string ResultPageExpression(const char* fileName);

// Whether a file of a rebuild folder is a keyword result page.
bool IsKeywordResultPage(const char* fileName);

// The folders of a keyword result page: its search folder from the BASE line
// and the folders of its links (relative to it, sorted, nested ones removed).
// A page without BASE line has relative links: its search folder is then
// pageFolder, the folder the page lies in (ending with "\"). False when the
// page holds no folder.
bool ReadResultPageFolders(const std::string& pageText, std::string& searchFolder, std::vector<std::string>& folders,
                           const std::string& pageFolder = std::string());

// Every section of the program's settings: one record per section, read and
// written here with its key names, defaults and clamping. The dialogs, the
// command-line jobs and the tests all go through these functions.
#pragma once
#include <string>

#include "download/downloadsettings.h"
#include "options/rebuildoptions.h"
#include "pictures/picturescan.h"
#include "reports/reportsettings.h"
#include "settings/profilestore.h"
#include "tree/treepane.h"
#include "windowlogic/treelayout.h"

// ---- Rebuild --------------------------------------------------------------

struct RebuildSection {
    RebuildSettings settings;   // folders, switches, cache folder
    int fileProtocolType = 2;   // FileProtocolType: 2 "file://", 3 "file:///"
    int cgiLimitLen = 50;       // CgiLimitLen
    int cgiShortenLen = 0;      // CgiShortenLen
    bool noWarning129 = false;  // NoWarning129: the notice is not shown again
};
// defaultFolder: folder 0 when none is stored. The CGI keys are written when
// they are missing, so that they can be edited in the registry.
void ReadRebuildSection(IProfileStore& store, const char* defaultFolder, RebuildSection& out);
// What the options dialog edits: the folders (slot 0 as RebuildFolder, the
// others as RebuildFolder%d, removing the keys of empty slots), the ten
// switches, FileProtocolType and CacheFolder.
void WriteRebuildOptions(IProfileStore& store, const RebuildOptions& options);
// Folder 0 as the main dialog sets it.
void WriteRebuildFolder(IProfileStore& store, const char* folder);
void WriteNoWarning129(IProfileStore& store, bool noMore);

// ---- RebuildTree ------------------------------------------------------------

struct TreeWindowLayout {
    TreeDividers dividers;
    int cmdShow = 1;  // SW_SHOWNORMAL
    int posX = 0, posY = 0, sizeX = 0, sizeY = 0;
    DWORD rebuildSort = 0, cacheSort = 0;
};
void ReadTreeWindowLayout(IProfileStore& store, TreeWindowLayout& out);
void WriteTreeWindowLayout(IProfileStore& store, const TreeWindowLayout& layout);

// ---- CreateList and SearchKeyWord ---------------------------------------------

void ReadListSettings(IProfileStore& store, ListSettings& out);
void WriteListSettings(IProfileStore& store, const ListSettings& settings);
void ReadSearchSettings(IProfileStore& store, SearchSettings& out);
void WriteSearchSettings(IProfileStore& store, const SearchSettings& settings);

// ---- ScanPicture ------------------------------------------------------------------

// defaultFontName: the thumbnail font when none is stored.
void ReadPictureScanSettings(IProfileStore& store, const char* defaultFontName, PictureScanSettings& out);
void WritePictureScanSettings(IProfileStore& store, const PictureScanSettings& settings);

// ---- DownLoad -------------------------------------------------------------------------

void ReadDownloadSettings(IProfileStore& store, DownloadSettings& out);
void WriteDownloadSettings(IProfileStore& store, const DownloadSettings& settings);

// ---- ViewSrc and ViewPic ---------------------------------------------------------------

// A viewer window's place; the picture viewer keeps no size (0), and its
// PosX is kViewerNoPosition when none is stored.
struct ViewerWindowPlace {
    int cmdShow = 1;  // SW_SHOWNORMAL
    int posX = 0, posY = 0, sizeX = 0, sizeY = 0;
};
extern const char kSourceViewerSection[];   // "ViewSrc"
extern const char kPictureViewerSection[];  // "ViewPic"
void ReadViewerWindowPlace(IProfileStore& store, const char* section, ViewerWindowPlace& out);
void WriteViewerWindowPlace(IProfileStore& store, const char* section, const ViewerWindowPlace& placement);

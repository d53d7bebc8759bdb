#include "picturesjob.h"

#include <stdio.h>

#include "afxwin.h"
#include "console.h"
#include "pictures/win32/win32captions.h"
#include "base/win32/win32files.h"
#include "picturesettings.h"
#include "profilestore.h"
#include "resource.h"
#include "settings.h"
#include "zvlibrary.h"
#include "zvpath.h"

namespace {

// Messages only: the per-file status and counts would flood the output.
class CConsoleScanReport : public IPictureScanReport {
public:
    explicit CConsoleScanReport(CConsoleOutput& out) : out_(out) {}
    void Status(const char*) override {}
    void Progress(const char*) override {}
    void Message(UINT id, const char* arg) override {
        // A message that names a file is about one entry; the others end the job.
        std::string line = "! " + MessageLine(id, arg);
        if (arg)
            out_.Failure(line);
        else
            out_.Line(line.c_str());
    }

private:
    CConsoleOutput& out_;
};

bool HasSeparator(const std::string& path) { return zvScanFileNameA(path.c_str()) != path.c_str(); }

}  // namespace

int RunPicturesJob(CWinApp& app, const CommandLine& options) {
    CConsoleOutput out;
    if (!out.Open(options.log)) return EXIT_BAD_ARGUMENTS;
    RebuildSettings rebuild;
    ReadRebuildSettings(app, rebuild);
    ApplyLinkForm(options, rebuild.mapping);
    if (!options.folder.empty()) rebuild.rebuildFolders[0] = options.folder;

    PictureScanJob job;
    CAppProfileStore store(app);
    ReadPictureScanSettings(store, AfxLoadText(IDS_DEFAULT_THUMB_FONT).c_str(), job.settings);
    int folder = rebuild.FolderInUse(job.settings.baseFolderNo) ? job.settings.baseFolderNo : 0;
    if (!options.folder.empty()) folder = 0;
    job.rebuildFolder = rebuild.rebuildFolders[folder];
    job.mapping = rebuild.mapping;
    if (job.rebuildFolder.empty()) {
        RefusalLine(IDS_CMD_NO_REBUILD_FOLDER, nullptr);
        return EXIT_BAD_ARGUMENTS;
    }
    job.searchFolder = options.searchIn.empty() ? job.rebuildFolder : options.searchIn;
    if (!options.resultPage.empty())
        job.resultPage = HasSeparator(options.resultPage) ? options.resultPage : job.rebuildFolder + options.resultPage;
    std::string title = AfxLoadText(IDS_PICTURE_PAGE_TITLE).c_str(), format = AfxLoadText(IDS_SEARCH_RESULT_OF).c_str();
    if (!title.empty()) job.pageTitle = title;
    if (!format.empty()) job.resultFormat = format;

    CWin32Files files;
    CConsoleScanReport report(out);
    CSpiPlugins plugins(LoadedSpiTable());
    CFontCaptionMaker captions(job.settings);
    PictureScanServices services(files, report);
    services.plugins = &plugins;
    services.captions = &captions;
    services.formatCount = AfxFormatCount;
    PictureScanResult result;
    bool ok = RunPictureScan(job, services, result);
    // Only a page that was written is named.
    if (ok && !result.pageName.empty()) out.Line((job.rebuildFolder + result.pageName).c_str());
    char counts[64];
    snprintf(counts, sizeof(counts), "%d / %d", result.pictures, result.filesSeen);
    out.Line((std::string(AfxLoadText(IDS_PICTURE_PAGE_TITLE).c_str()) + " : " + counts).c_str());
    return out.Finish(ok ? EXIT_FINISHED : EXIT_STOPPED);
}

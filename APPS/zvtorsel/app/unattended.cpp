#include "unattended.h"

#include "afxwin.h"
#include "cache/win32/wininetcache.h"
#include "cachelistjob.h"
#include "console.h"
#include "jobs/rebuildjobs.h"
#include "base/win32/win32desktop.h"
#include "resource.h"
#include "settings.h"
#include "tree/paneview.h"

int RunUnattendedRebuild(CWinApp& app, const CommandLine& options) {
    CConsoleOutput out;
    if (!out.Open(options.log)) return EXIT_BAD_ARGUMENTS;
    RebuildSettings settings;
    ReadRebuildSettings(app, settings);
    ApplyLinkForm(options, settings.mapping);
    if (!options.folder.empty()) settings.rebuildFolders[0] = options.folder;
    // Every failure is a line of the log, even where the windows hide them.
    settings.hideWarning = 0;

    CConsoleReport report(out, options.allowDelete);
    // /cache: for this run, else the stored CacheFolder, else the live cache.
    const std::string& folder = options.cache.empty() ? settings.cacheFolder : options.cache;
    CWin32JobSystem files;
    std::unique_ptr<IUrlCache> cache = OpenCommandCache(files, folder, report);
    if (!cache) return options.cache.empty() ? EXIT_STOPPED : EXIT_BAD_ARGUMENTS;
    CNullPaneView view;
    CRebuildJobs jobs(settings, files, *cache, view, report, ReadHistoryPrefixLength());
    jobs.ReadDownloadList();
    int result = jobs.BuildTrees() && jobs.ExecuteMarks() ? EXIT_FINISHED : EXIT_STOPPED;
    // The marks left on each side, named as the window's captions name them.
    report.StatusText((std::string(AfxLoadText(IDS_ROOT_REBUILD).c_str()) + " :" + jobs.rebuild.status).c_str());
    report.StatusText((std::string(AfxLoadText(IDS_ROOT_CACHE).c_str()) + " :" + jobs.cache.status).c_str());
    return out.Finish(result);
}

#include "cachelistjob.h"

#include "cache/cachelisting.h"
#include "base/win32/win32files.h"
#include "cache/win32/cachefolder.h"
#include "afxwin.h"
#include "console.h"

std::unique_ptr<IUrlCache> OpenCommandCache(IFiles& files, const std::string& folder, IJobReport& report,
                                            size_t* folders) {
    std::vector<CacheDamage> why;
    std::unique_ptr<IUrlCache> store = OpenUrlCache(files, folder, why, folders);
    for (const CacheDamage& damage : why) {
        // Without a cache the job does not run: the reasons are its refusal.
        if (store)
            report.Warning(damage.where.c_str(), damage.message);
        else
            RefusalLine(damage.where + " : " + MessageLine(damage.message, nullptr));
    }
    return store;
}

int RunCacheList(const CommandLine& options) {
    CConsoleOutput out;
    if (!out.Open(options.log)) return EXIT_BAD_ARGUMENTS;
    CConsoleReport report(out, false);
    CWin32Files files;
    std::unique_ptr<IUrlCache> cache = OpenCommandCache(files, options.cache, report);
    if (!cache) return EXIT_BAD_ARGUMENTS;
    ListUrlCache(
        *cache, [&out](const std::string& line) { out.Line(line.c_str()); }, report);
    return EXIT_FINISHED;
}

int RunCacheSearch(const CommandLine& options) {
    CConsoleOutput out;
    if (!out.Open(options.log)) return EXIT_BAD_ARGUMENTS;
    CConsoleReport report(out, false);
    size_t folders = 0;
    CWin32Files files;
    std::unique_ptr<IUrlCache> cache = OpenCommandCache(files, options.cache, report, &folders);
    if (!cache) return EXIT_BAD_ARGUMENTS;
    size_t count = ListCaches(*cache, [&out](const std::string& line) { out.Line(line.c_str()); });
    for (const CacheDamage& damage : cache->Damage()) report.Warning(damage.where.c_str(), damage.message);
    std::string line = AfxFillText(AfxLoadText(IDS_CACHES_FOUND), AfxFormatCount((DWORD)count)).c_str();
    out.Line(AfxFillText(line.c_str(), AfxFormatCount((DWORD)folders)).c_str());
    return EXIT_FINISHED;
}

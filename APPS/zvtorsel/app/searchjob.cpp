#include <windows.h>

#include "afxwin.h"
#include "console.h"
#include "resource.h"
#include "base/win32/win32desktop.h"
#include "reportjob.h"

int RunSearchJob(CWinApp& app, const CommandLine& options) {
    CConsoleOutput out;
    if (!out.Open(options.log)) return EXIT_BAD_ARGUMENTS;
    std::string folder = options.folder.empty() ? StoredRebuildFolder(app) : options.folder;
    if (folder.empty() || folder[0] == '(' || options.keywords.empty()) {
        RefusalLine(IDS_CMD_NO_REBUILD_FOLDER, nullptr);
        return EXIT_BAD_ARGUMENTS;
    }
    const MappingSettings mapping = ReadReportMapping(app, options);
    CAppProfileStore store(app);
    SearchSettings settings;
    ReadSearchSettings(store, settings);

    KeywordRequest request;
    request.rebuildFolder = folder;
    request.searchFolder = options.searchIn.empty() ? folder : options.searchIn;
    request.keywords = options.keywords;
    request.orOperation = options.orSearch;
    request.matchCase = options.matchCase;
    request.patterns = options.patterns;
    request.format = settings.format;

    CConsoleProgress progress(out);
    CWin32JobSystem files;
    CHtmlTranslator translator(files, &progress, mapping);
    PageTexts texts = LoadPageTexts();
    CKeywordSearchJob job(files, translator, progress, texts, mapping);
    ReportJobResult result = job.Run(request);
    if (result.failed) return out.Finish(EXIT_STOPPED);
    out.Line(SearchCountText(result).c_str());
    return out.Finish(result.stopped ? EXIT_STOPPED : EXIT_FINISHED);
}

#include <stdio.h>
#include <windows.h>

#include "afxwin.h"
#include "console.h"
#include "base/win32/win32desktop.h"
#include "mapping/mapping_settings.h"
#include "reportjob.h"
#include "resource.h"
#include "settings.h"
#include "zvlibrary.h"

namespace {

std::string Counted(UINT label, const std::string& counts) {
    return std::string(AfxLoadText(label).c_str()) + " : " + counts;
}

std::string Count(DWORD value) {
    char text[32];
    AfxFormatCount(value, text, sizeof text);
    return text;
}

}  // namespace

PageTexts LoadPageTexts() {
    PageTexts texts;
    texts.listTitle = AfxLoadText(IDS_ADDRESS_LIST_TITLE).c_str();
    texts.searchTitle = AfxLoadText(IDS_SEARCH_RESULT_OF).c_str();
    texts.formatCount = AfxFormatCount;
    return texts;
}

MappingSettings ReadReportMapping(CWinApp& app, const CommandLine& options) {
    RebuildSettings rebuild;
    ReadRebuildSettings(app, rebuild);
    ApplyLinkForm(options, rebuild.mapping);
    return rebuild.mapping;
}

std::string StoredRebuildFolder(CWinApp& app) {
    CAppProfileStore store(app);
    RebuildSection rebuild;
    ReadRebuildSection(store, DefaultRebuildFolder().c_str(), rebuild);
    std::string folder = rebuild.settings.rebuildFolders[0];
    if (folder.empty()) folder = DefaultRebuildFolder();
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

std::string ListCountText(const ReportJobResult& result) {
    return result.stopped ? std::string(AfxLoadText(IDS_CANCELLED).c_str())
                          : Counted(IDS_LIST_COUNT, Count(result.found));
}

std::string SearchCountText(const ReportJobResult& result) {
    return result.stopped ? std::string(AfxLoadText(IDS_CANCELLED).c_str())
                          : Counted(IDS_FOUND_COUNT, Count(result.found) + " / " + Count(result.searched));
}

void CConsoleProgress::Message(UINT id, const char* arg) {
    // A message that names a file is about one entry; the others end the job.
    std::string line = "! " + MessageLine(id, arg);
    if (arg)
        out_.Failure(line);
    else
        out_.Line(line.c_str());
}

int RunListJob(CWinApp& app, const CommandLine& options) {
    CConsoleOutput out;
    if (!out.Open(options.log)) return EXIT_BAD_ARGUMENTS;
    std::string folder = options.folder.empty() ? StoredRebuildFolder(app) : options.folder;
    if (folder.empty() || folder[0] == '(') {
        RefusalLine(IDS_CMD_NO_REBUILD_FOLDER, nullptr);
        return EXIT_BAD_ARGUMENTS;
    }
    const MappingSettings mapping = ReadReportMapping(app, options);
    CAppProfileStore store(app);
    ListSettings settings;
    ReadListSettings(store, settings);

    CConsoleProgress progress(out);
    CWin32JobSystem files;
    CHtmlTranslator translator(files, &progress, mapping);
    PageTexts texts = LoadPageTexts();
    CAddressListJob job(files, translator, progress, texts, mapping);
    ReportJobResult result = job.Run(folder, 0, settings);
    if (result.failed) return out.Finish(EXIT_STOPPED);
    out.Line(ListCountText(result).c_str());
    return out.Finish(result.stopped ? EXIT_STOPPED : EXIT_FINISHED);
}


#include "archivejob.h"

#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include "afxwin.h"
#include "archive/win32/warcfile.h"
#include "base/win32/win32files.h"
#include "cachelistjob.h"
#include "console.h"
#include "resource.h"

namespace {

// The store's rows of entries it could not read, each one missing from the
// archive: damaged entries and parts of the index, bodies whose file is gone
// or whose place is unknown.
bool LeavesEntriesOut(UINT id) {
    return id == IDS_WARN_WARC_BODY_UNREADABLE || id == IDS_WARN_CACHE_DAMAGED || id == IDS_WARN_CACHE_ENTRY_DAMAGED ||
           id == IDS_WARN_CACHE_BODY_MISSING || id == IDS_WARN_CACHE_BODY_UNPLACED;
}

// An entry left out because it or its body could not be read is a failure
// of the run (exit code 3): the archive is not the whole cache. The other
// rows (entries the browser itself had given up, a map not used, a newer
// format) are warnings as for /cachelist.
class CArchiveReport : public CConsoleReport {
public:
    CArchiveReport(CConsoleOutput& out) : CConsoleReport(out, false) {}
    void Warning(const char* path, UINT id) override {
        if (LeavesEntriesOut(id))
            CConsoleReport::Failure(path, id);
        else
            CConsoleReport::Warning(path, id);
    }
};

std::string CountLine(UINT id, size_t count) { return MessageLine(id, AfxFormatCount((DWORD)count).c_str()); }

// " 1.29" from the program's own version resource, read in place (its fixed
// part follows the 40-byte head), so no further system library is needed.
std::string ProgramVersion() {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const BYTE* data = loaded ? (const BYTE*)LockResource(loaded) : nullptr;
    if (!data || SizeofResource(nullptr, found) < 40 + sizeof(VS_FIXEDFILEINFO)) return "";
    VS_FIXEDFILEINFO fixed;
    memcpy(&fixed, data + 40, sizeof fixed);
    if (fixed.dwSignature != 0xFEEF04BD) return "";
    char text[32];
    snprintf(text, sizeof text, " %u.%u", (unsigned)HIWORD(fixed.dwFileVersionMS),
             (unsigned)LOWORD(fixed.dwFileVersionMS));
    return text;
}

}  // namespace

WarcJobSettings WarcSettingsOf(const std::string& cacheFolder) {
    WarcJobSettings settings;
    settings.software = std::string("z.v Torsel Sitekeeper") + ProgramVersion();
    settings.cacheFolder = cacheFolder;
    return settings;
}

int RunWarcJob(const CommandLine& options) {
    CConsoleOutput out;
    if (!out.Open(options.log)) return EXIT_BAD_ARGUMENTS;
    CArchiveReport report(out);
    CWin32Files files;
    std::unique_ptr<IUrlCache> cache = OpenCommandCache(files, options.cache, report);
    if (!cache) return EXIT_BAD_ARGUMENTS;
    WarcJobHooks hooks;
    hooks.progress = [&out](size_t records) { out.Line(CountLine(IDS_WARC_PROGRESS, records).c_str()); };
    WarcJobCounts counts;
    WarcJobResult result =
        WriteWarcFile(files, *cache, options.warcFile, WarcSettingsOf(options.cache), hooks, report, counts);
    if (result == WARC_NOT_OPENED) {
        RefusalLine(IDS_WARC_WRITE_FAILED, options.warcFile.c_str());
        return EXIT_BAD_ARGUMENTS;
    }
    if (result != WARC_DONE) {
        out.Line(("! " + MessageLine(IDS_WARC_WRITE_FAILED, options.warcFile.c_str())).c_str());
        return EXIT_STOPPED;
    }
    out.Line(CountLine(IDS_WARC_DONE, counts.records).c_str());
    if (counts.unreadable) out.Line(CountLine(IDS_WARC_LEFT_UNREADABLE, counts.unreadable).c_str());
    if (counts.notResponse) out.Line(CountLine(IDS_WARC_LEFT_NOT_RESPONSE, counts.notResponse).c_str());
    return out.Finish(EXIT_FINISHED);
}

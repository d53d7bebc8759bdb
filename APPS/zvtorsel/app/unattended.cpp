#include "unattended.h"

#include <stdio.h>
#include <string.h>

#include "afxwin.h"
#include "cache/win32/wininetcache.h"
#include "jobs/rebuildjobs.h"
#include "jobs/win32/win32files.h"
#include "resource.h"
#include "settings.h"
#include "tree/paneview.h"

namespace {

bool StartsNoCase(const std::string& text, const char* prefix) {
    size_t n = strlen(prefix);
    return text.size() >= n && CompareNoCase(text.substr(0, n).c_str(), prefix) == 0;
}

// Status texts, warnings and the answers given, one line each, to standard
// output or the log file.
class CConsoleReport : public IJobReport {
public:
    CConsoleReport(HANDLE out, bool allowDelete) : out_(out), allowDelete_(allowDelete) {}

    void StatusText(const char* text) override { Line(text); }
    void StatusMessage(UINT id) override { Line(Text(id, nullptr).c_str()); }
    void Warning(const char* path, UINT id) override {
        std::string line = "! ";
        line += path;
        line += " : ";
        line += Text(id, nullptr);
        Line(line.c_str());
    }
    bool Ask(UINT id, const char* arg) override {
        // Every question whether to go on is answered Yes; deleting needs /delete.
        bool yes = id == IDS_ASK_DELETE ? allowDelete_ : true;
        std::string line = "? " + Text(id, arg) + (yes ? " -> Yes" : " -> No");
        Line(line.c_str());
        return yes;
    }
    void Notify(UINT id, const char* arg) override { Line(("! " + Text(id, arg)).c_str()); }
    void End(int) override {}

private:
    static std::string Text(UINT id, const char* arg) {
        char format[512];
        if (!AfxLoadString(id, format, sizeof(format))) snprintf(format, sizeof(format), "#%u %%s", id);
        std::string text;
        const char* s = strstr(format, "%s");
        if (s) {
            text.assign(format, s - format);
            text += arg ? arg : "";
            text += s + 2;
        } else {
            text = format;
        }
        for (char& c : text)
            if (c == '\n') c = ' ';
        return text;
    }
    void Line(const char* text) {
        if (!out_ || out_ == INVALID_HANDLE_VALUE) return;
        DWORD written;
        WriteFile(out_, text, (DWORD)strlen(text), &written, nullptr);
        WriteFile(out_, "\r\n", 2, &written, nullptr);
    }

    HANDLE out_;
    bool allowDelete_;
};

}  // namespace

bool ParseCommandLine(const char* text, CommandLine& out) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word.push_back(*p);
            inWord = true;
        }
    }
    if (quoted) return false;
    if (inWord) words.push_back(word);
    for (const std::string& w : words) {
        if (CompareNoCase(w.c_str(), "/rebuild") == 0) {
            out.rebuild = true;
        } else if (CompareNoCase(w.c_str(), "/delete") == 0) {
            out.allowDelete = true;
        } else if (StartsNoCase(w, "/folder:") && w.size() > 8) {
            out.folder = w.substr(8);
            char last = out.folder.back();
            if (last != '\\' && last != '/') out.folder += '\\';
        } else if (StartsNoCase(w, "/log:") && w.size() > 5) {
            out.log = w.substr(5);
        } else {
            return false;
        }
    }
    // The other options belong to the unattended rebuild.
    return out.rebuild || (!out.allowDelete && out.folder.empty() && out.log.empty());
}

int RunUnattendedRebuild(CWinApp& app, const CommandLine& options) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE log = INVALID_HANDLE_VALUE;
    if (!options.log.empty()) {
        log = CreateFileA(options.log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log == INVALID_HANDLE_VALUE) return EXIT_BAD_ARGUMENTS;
        out = log;
    }
    RebuildSettings settings;
    ReadRebuildSettings(app, settings);
    if (!options.folder.empty()) settings.rebuildFolders[0] = options.folder;

    CConsoleReport report(out, options.allowDelete);
    CWin32FileSystem files;
    CWinInetUrlCache cache;
    CNullPaneView view;
    int result = EXIT_STOPPED;
    {
        CRebuildJobs jobs(settings, files, cache, view, report, ReadHistoryPrefixLength());
        jobs.ReadDownloadList();
        if (jobs.BuildTrees() && jobs.ExecuteMarks()) result = EXIT_FINISHED;
        report.StatusText(jobs.rebuild.status.c_str());
        report.StatusText(jobs.cache.status.c_str());
    }
    if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
    return result;
}

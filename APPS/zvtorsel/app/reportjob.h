// The report pages from the command line (/list, /search) and what the
// report dialogs share with them: settings through the application's
// profile, the page texts of the string table, messages as text.
#pragma once
#include <string>

#include "commandline.h"
#include "profilestore.h"
#include "reports/reportjobs.h"
#include "translate/message_routine.h"

class CConsoleOutput;

class CWinApp;

// Page titles from the string table, counts in the user's number format.
PageTexts LoadPageTexts();
// The mapping of section Rebuild with the link form of /links: for this run.
MappingSettings ReadReportMapping(CWinApp& app, const CommandLine& options);
// Rebuild folder 0 as stored (or its default), ending with "\".
std::string StoredRebuildFolder(CWinApp& app);
// "一覧表数 : n", "発見数 : n / m" or "中止しました。": the text the main dialog shows.
std::string ListCountText(const ReportJobResult& result);
std::string SearchCountText(const ReportJobResult& result);

// Messages of a command-line report job (and of the page reader) as lines
// of the output; status texts and counts are not printed.
class CConsoleProgress : public IReportProgress, public IMessageRoutine {
public:
    explicit CConsoleProgress(CConsoleOutput& out) : out_(out) {}
    void Status(const char*) override {}
    void Counts(DWORD, DWORD) override {}
    void Message(UINT id, const char* arg) override;
    int ShowResourceMessage(UINT id, const char* arg) override {
        Message(id, arg);
        return 1;
    }

private:
    CConsoleOutput& out_;
};

int RunListJob(CWinApp& app, const CommandLine& options);
int RunSearchJob(CWinApp& app, const CommandLine& options);

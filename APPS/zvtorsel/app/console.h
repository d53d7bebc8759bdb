// Output of the command-line jobs: lines to standard output or to the log
// file, and the job report that prints status texts, warnings and answers.
#pragma once
#include <windows.h>

#include <string>

#include "base/jobreport.h"
#include "base/messagenumbers.h"

// Standard output, or the file of /log: (created anew, Shift_JIS, CR LF).
class CConsoleOutput {
public:
    CConsoleOutput() = default;
    CConsoleOutput(const CConsoleOutput&) = delete;
    CConsoleOutput& operator=(const CConsoleOutput&) = delete;
    ~CConsoleOutput();
    // False (said on standard error) when the log file cannot be created.
    bool Open(const std::string& logPath);
    void Line(const char* text);
    // A line about one entry that failed; such lines are counted.
    void Failure(const std::string& text);
    // The exit code of a job that ended with `code`: a finished job with
    // failed entries is a partial one. Prints the count of failures.
    int Finish(int code);

private:
    HANDLE out_ = nullptr;
    HANDLE log_ = INVALID_HANDLE_VALUE;
    int failures_ = 0;
};

// String `id` of the program's table with its %s filled by arg, on one line.
std::string MessageLine(UINT id, const char* arg);

// Why a command line was refused: one line on standard error.
void RefusalLine(UINT id, const char* arg);
void RefusalLine(const std::string& text);

// Every question whether to go on is answered Yes; the delete question
// (IDS_ASK_DELETE) only when deleting was allowed.
const DWORD kCountLineInterval = 1000;

class CConsoleReport : public IJobReport {
public:
    CConsoleReport(CConsoleOutput& out, bool allowDelete) : out_(out), allowDelete_(allowDelete) {}

    void StatusText(const char* text) override { out_.Line(text); }
    // The file's line, and every kCountLineInterval entries and at the last
    // one the counts.
    void EntryProgress(UINT id, const char* url, const char*, const JobCounts& counts) override;
    // The hint on how to mark entries is for the window only.
    void StatusMessage(UINT id) override {
        if (id != IDS_READY) out_.Line(MessageLine(id, nullptr).c_str());
    }
    void Warning(const char* path, UINT id) override;
    void Failure(const char* path, UINT id) override;
    bool Ask(UINT id, const char* arg) override;
    void Notify(UINT id, const char* arg) override { out_.Failure("! " + MessageLine(id, arg)); }
    void End(int) override {}

private:
    CConsoleOutput& out_;
    bool allowDelete_;
};

#include "console.h"

#include <stdio.h>
#include <string.h>

#include "afxwin.h"
#include "commandline.h"
#include "messages.h"
#include "resource.h"

CConsoleOutput::~CConsoleOutput() {
    if (log_ != INVALID_HANDLE_VALUE) CloseHandle(log_);
}

bool CConsoleOutput::Open(const std::string& logPath) {
    out_ = GetStdHandle(STD_OUTPUT_HANDLE);
    if (logPath.empty()) return true;
    log_ = CreateFileA(logPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log_ == INVALID_HANDLE_VALUE) {
        RefusalLine(IDS_CMD_LOG_FAILED, logPath.c_str());
        return false;
    }
    out_ = log_;
    return true;
}

void CConsoleOutput::Line(const char* text) {
    if (!out_ || out_ == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(out_, text, (DWORD)strlen(text), &written, nullptr);
    WriteFile(out_, "\r\n", 2, &written, nullptr);
}

void CConsoleOutput::Failure(const std::string& text) {
    ++failures_;
    Line(text.c_str());
}

int CConsoleOutput::Finish(int code) {
    if (failures_ == 0) return code;
    char count[16];
    snprintf(count, sizeof count, "%d", failures_);
    Line(MessageLine(IDS_FAILED_COUNT, count).c_str());
    return code == EXIT_FINISHED ? EXIT_PARTIAL : code;
}

std::string MessageLine(UINT id, const char* arg) {
    CString format = AfxLoadText(id);
    if (format.IsEmpty()) format.Format("#%u %%s", id);
    std::string text = AfxFillText(format, arg).c_str();
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

void RefusalLine(UINT id, const char* arg) { RefusalLine(MessageLine(id, arg)); }

void RefusalLine(const std::string& text) {
    std::string line = text + "\r\n";
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), (DWORD)line.size(), &written, nullptr);
}

namespace {
std::string WarningLine(const char* path, UINT id) {
    std::string line = "! ";
    line += path;
    line += " : ";
    line += MessageLine(id, nullptr);
    return line;
}
}  // namespace

void CConsoleReport::EntryProgress(UINT id, const char* url, const char*, const JobCounts& counts) {
    out_.Line(MessageLine(id, url).c_str());
    if (counts.done % kCountLineInterval == 0 || counts.done == counts.total)
        out_.Line(MessageLine(IDS_LINE_JOB_COUNTS, JobCountsText(counts).c_str()).c_str());
}

void CConsoleReport::Warning(const char* path, UINT id) { out_.Line(WarningLine(path, id).c_str()); }

void CConsoleReport::Failure(const char* path, UINT id) { out_.Failure(WarningLine(path, id)); }

bool CConsoleReport::Ask(UINT id, const char* arg) {
    bool yes = id == IDS_ASK_DELETE ? allowDelete_ : true;
    std::string line = "? " + MessageLine(id, arg) + " -> " + AfxLoadText(yes ? IDS_CMD_YES : IDS_CMD_NO).c_str();
    // Every other question follows a failed file operation.
    if (id == IDS_ASK_DELETE)
        out_.Line(line.c_str());
    else
        out_.Failure(line);
    return yes;
}

#include "console.h"

#include <stdio.h>
#include <string.h>

#include "afxwin.h"
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

std::string MessageLine(UINT id, const char* arg) {
    CString format = AfxLoadText(id);
    if (format.IsEmpty()) format.Format("#%u %%s", id);
    std::string text = AfxFillText(format, arg).c_str();
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

void RefusalLine(UINT id, const char* arg) {
    std::string line = MessageLine(id, arg) + "\r\n";
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), (DWORD)line.size(), &written, nullptr);
}

void CConsoleReport::Warning(const char* path, UINT id) {
    std::string line = "! ";
    line += path;
    line += " : ";
    line += MessageLine(id, nullptr);
    out_.Line(line.c_str());
}

bool CConsoleReport::Ask(UINT id, const char* arg) {
    bool yes = id == IDS_ASK_DELETE ? allowDelete_ : true;
    out_.Line(("? " + MessageLine(id, arg) + (yes ? " -> Yes" : " -> No")).c_str());
    return yes;
}

// How the rebuild jobs report to the rebuild tree window: texts go to the
// status line, warnings to the warnings list, and questions become message
// boxes on the dialog's thread.
#pragma once
#include <windows.h>

#include <mutex>
#include <string>

#include "jobs/jobreport.h"

class CPaneControls;

// Sent to the dialog: add a warning row (wParam the path, lParam the text).
const UINT WM_TREE_WARNING = 0x0502;
// Sent to the dialog: a question (wParam the string number, lParam its %s
// argument); the result is non-zero for Yes.
const UINT WM_TREE_ASK = WM_APP + 0x10;
// Sent to the dialog: a message with OK only (arguments as WM_TREE_ASK).
const UINT WM_TREE_NOTIFY = WM_APP + 0x11;

class CDialogJobReport : public IJobReport {
public:
    void Attach(HWND dialog, CPaneControls* view) {
        dialog_ = dialog;
        view_ = view;
    }

    void StatusText(const char* text) override;
    void StatusMessage(UINT id) override;
    void Warning(const char* path, UINT id) override;
    bool Ask(UINT id, const char* arg) override;
    void Notify(UINT id, const char* arg) override;
    void End(int) override {}

    std::string Status();

private:
    HWND dialog_ = nullptr;
    CPaneControls* view_ = nullptr;
    std::mutex lock_;
    std::string status_;
};

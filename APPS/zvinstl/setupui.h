// The dialogs of the setup program: the main dialog, the copy dialog and the
// message boxes, behind the engine's ISetupUi.
#pragma once
#include "setup.h"

class CDialogUi : public ISetupUi {
public:
    explicit CDialogUi(HINSTANCE instance) : instance_(instance) {}
    std::string Text(int id) override;
    void Show(int id, const std::string& arg = std::string()) override;
    bool Ask(int id, const std::string& arg = std::string()) override;
    int RunCopy(CopyJob& job) override;
    // The window that owns the message boxes; written by the dialog thread
    // while no worker runs.
    HWND owner = nullptr;
    HINSTANCE Instance() const { return instance_; }

private:
    std::string Format(int id, const std::string& arg);
    HINSTANCE instance_;
};

// Runs the main dialog "z.v Setup" until the user ends it.
void RunSetupDialog(CDialogUi& ui, Setup& setup, SetupDefinition& definition);

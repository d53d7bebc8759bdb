// What the address list and keyword search dialogs share: the target folder
// combo, the report job run by the worker dialog base, cancelling, messages
// and the page format dialog.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "afxworkerdlg.h"
#include "base/win32/win32files.h"
#include "reportresult.h"
#include "reports/reportjobs.h"
#include "settings/sections.h"
#include "tree/treepane.h"

class CReportDialog : public CWorkerDialog, protected IReportProgress, protected IMessageRoutine {
public:
    CReportDialog(UINT templateId, CWnd* parent, const RebuildSettings& folders, IProfileStore& store);

    // What the main dialog reads after DoModal returned IDOK.
    ReportResult result;

protected:
    // Fills the folder combo with the usable rebuild folders (item data: the
    // number) and selects folderNo, else the first.
    void FillFolderCombo(int folderNo);
    // Number of the selected folder, -1 when there is none.
    int SelectedFolderNo() const;
    std::string FolderPath(int folderNo) const;

    // Disables the controls (0-terminated list) and runs the job in a worker;
    // false after message 10 when no thread can be started.
    bool StartJob(const int* controlsToDisable);
    // Runs in the worker thread: the job itself.
    virtual ReportJobResult RunJob() = 0;
    virtual CReportJob& Job() = 0;
    bool Busy() const { return WorkerBusy(); }

    void ShowFormatDialog(PageFormat& format);
    // String `id` with its %s filled, in a box owned by the dialog; from any thread.
    int ShowMessage(UINT id, const char* arg, UINT type = MB_OK | MB_ICONEXCLAMATION);

    void OnCancel() override;
    int RunWorker() override;
    void OnWorkerEnd(int result) override;
    void OnCancelRequest() override { Job().RequestCancel(); }

    // IReportProgress, called by the worker.
    void Status(const char* text) override;
    void Counts(DWORD found, DWORD seen) override;
    void Message(UINT id, const char* arg) override;
    int ShowResourceMessage(UINT id, const char* arg) override;

    const RebuildSettings& m_folders;
    IProfileStore& m_store;
    CWin32Files m_files;
    CHtmlTranslator m_translator;
    PageTexts m_texts;
};

#include <windows.h>
#include <commctrl.h>

#include "afxwin.h"
#include "appstate.h"
#include "cachelistjob.h"
#include "commandline.h"
#include "downloadjob.h"
#include "maindlg.h"
#include "messages.h"
#include "picturesjob.h"
#include "picturesettings.h"
#include "reportjob.h"
#include "settings.h"
#include "unattended.h"
#include "zvcore32.h"

namespace {

const char kMutexName[] = "z.v Torsel Sitekeeper is executing.";

class CTorselApp : public CWinApp {
public:
    CTorselApp() : CWinApp("zvkestor") {}

    BOOL InitInstance() override {
        CommandLine options;
        bool valid = ParseCommandLine(m_lpCmdLine, options);
        mutex_ = CreateMutexA(nullptr, FALSE, kMutexName);
        bool running = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
        bool commandJob = options.job != CommandJob::Windows;
        if (!valid || (running && commandJob)) {
            exitCode_ = EXIT_BAD_ARGUMENTS;
            return FALSE;
        }
        if (running) {
            BringFirstCopyToFront();
            return FALSE;
        }
        SetRegistryKey("z.v");
        // Every message box is captioned with the program's title, also the
        // ones the dialogs show before any other message.
        AfxSetAppName(kProgramTitle);
        InstallEngineServices();
        if (commandJob) {
            exitCode_ = RunCommandJob(options);
            return FALSE;
        }
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        zvInitSplitter();
        InitAppState();
        SpiTable();  // read now, loaded on first use
        {
            CMainDlg dialog(*this);
            dialog.DoModal();
        }
        UnloadSpiTable();
        return FALSE;
    }

    int ExitInstance() override {
        if (mutex_) CloseHandle(mutex_);
        mutex_ = nullptr;
        return exitCode_;
    }

private:
    int RunCommandJob(const CommandLine& options) {
        switch (options.job) {
        case CommandJob::Rebuild:
            return RunUnattendedRebuild(*this, options);
        case CommandJob::Download:
            return RunDownloadJob(*this, options);
        case CommandJob::List:
            return RunListJob(*this, options);
        case CommandJob::Search:
            return RunSearchJob(*this, options);
        case CommandJob::CacheList:
            return RunCacheList(options);
            return options.cache.empty() ? RunUnattendedRebuild(*this, options) : EXIT_BAD_ARGUMENTS;
        case CommandJob::Pictures:
            return RunPicturesJob(*this, options);
        default:
            return EXIT_BAD_ARGUMENTS;
        }
    }

    static void BringFirstCopyToFront() {
        HWND first = FindWindowA(nullptr, kProgramTitle);
        if (!first) return;
        if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
        SetForegroundWindow(first);
    }

    HANDLE mutex_ = nullptr;
    int exitCode_ = 0;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    CTorselApp app;
    return AfxWinMain(instance, commandLine);
}

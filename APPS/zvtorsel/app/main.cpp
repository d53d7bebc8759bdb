#include <windows.h>
#include <commctrl.h>

#include "afxwin.h"
#include "appstate.h"
#include "archivejob.h"
#include "cachelistjob.h"
#include "commandline.h"
#include "console.h"
#include "downloadjob.h"
#include "libraries.h"
#include "maindlg.h"
#include "messages.h"
#include "picturesjob.h"
#include "picturesettings.h"
#include "reportjob.h"
#include "resource.h"
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
        CommandLineRefusal why;
        bool valid = ParseCommandLine(m_lpCmdLine, options, why);
        mutex_ = CreateMutexA(nullptr, FALSE, kMutexName);
        bool running = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
        bool commandJob = options.job != CommandJob::Windows;
        if (valid && running && commandJob) why = {IDS_CMD_RUNNING, ""};
        if (valid && !running && commandJob) valid = FoldersExist(options, why);
        if (!valid || (running && commandJob)) {
            RefusalLine(why.message, why.argument.c_str());
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
        case CommandJob::Caches:
            return RunCacheSearch(options);
        case CommandJob::Warc:
            return RunWarcJob(options);
        case CommandJob::Pictures:
            return RunPicturesJob(*this, options);
        default:
            return EXIT_BAD_ARGUMENTS;
        }
    }

    // A job given a folder that is not there writes nothing.
    static bool FoldersExist(const CommandLine& options, CommandLineRefusal& why) {
        for (const std::string* folder : {&options.folder, &options.searchIn, &options.cache}) {
            if (folder->empty()) continue;
            DWORD attributes = GetFileAttributesA(folder->c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            why = {IDS_CMD_NO_FOLDER, *folder};
            return false;
        }
        return true;
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
    std::string missing;
    if (!LoadSharedLibraries(missing)) {
        ReportMissingLibrary(instance, commandLine, missing.c_str());
        return EXIT_STOPPED;
    }
    CTorselApp app;
    return AfxWinMain(instance, commandLine);
}

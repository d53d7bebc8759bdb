// Opening the Rebuild Tree window against the headless BuildTrees of the same
// data, in one run under Wine (needs a display for the window).
// Usage: tree_window_bench.exe [cache entries] [rebuild files]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "COMMON/windriver/windriver.h"
#include "cache/win32/wininetcache.h"
#include "jobs/rebuildjobs.h"
#include "jobs/tests/win32/diskkit.h"
#include "base/win32/win32desktop.h"
#include "mapping/mapping_settings.h"
#include "mapping/win32/win32_file_clock.h"
#include "resource.h"
#include "tree/paneview.h"

namespace {

using diskkit::CSilentReport;
using diskkit::Now;
std::string Folder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    return std::string(temp) + "zvtree_bench\\";
}

std::string ProgramPath() {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string path = module;
    return path.substr(0, path.find_last_of('\\') + 1) + "zvtorsel.exe";
}

void Prepare(int entries, int files, const std::string& rebuild) {
    diskkit::ClearCache();
    diskkit::RemoveTree(rebuild);
    SYSTEMTIME st = {2001, 5, 0, 10, 12, 0, 0, 0};
    FILETIME time;
    SystemTimeToFileTime(&st, &time);
    for (int i = 0; i < entries; ++i) {
        char url[160];
        snprintf(url, sizeof(url), "http://host%02d.zvbench/d%03d/p%05d.html", i % 50, (i / 50) % 200, i);
        diskkit::PutInCache(url, "<html>page</html>", "html", time);
    }
    CreateDirectoryA(rebuild.substr(0, rebuild.size() - 1).c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
        char folder[MAX_PATH];
        snprintf(folder, sizeof(folder), "%shttp$\\host%02d.zvbench\\d%03d\\", rebuild.c_str(), i % 50, (i / 50) % 200);
        std::string path = folder;
        for (size_t p = rebuild.size(); p < path.size(); ++p)
            if (path[p] == '\\') CreateDirectoryA(path.substr(0, p).c_str(), nullptr);
        char name[32];
        snprintf(name, sizeof(name), "q%05d.html", i);
        diskkit::WriteAll(path + name, "<html>old</html>");
    }
}

double Headless(const std::string& rebuild, int* total) {
    RebuildSettings settings;
    settings.mapping.clock = &Win32FileClock();
    settings.rebuildFolders[0] = rebuild;
    CWin32JobSystem files;
    CWinInetUrlCache cache;
    CNullPaneView view;
    CSilentReport report;
    double start = Now();
    CRebuildJobs jobs(settings, files, cache, view, report, ReadHistoryPrefixLength());
    jobs.BuildTrees();
    double elapsed = Now() - start;
    *total = (int)(jobs.cache.counters.total + jobs.rebuild.counters.total);
    return elapsed;
}

std::string ProgramString(UINT id) {
    HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[512] = "";
    if (program) LoadStringA(program, id, text, sizeof(text));
    return text;
}

// Seconds from pressing the button until the window says both sides are ready.
double Windowed(const std::string& rebuild) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\z.v\\zvkestor\\Rebuild", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    RegSetValueExA(key, "RebuildFolder", 0, REG_SZ, (const BYTE*)rebuild.c_str(), (DWORD)rebuild.size() + 1);
    DWORD one = 1;
    RegSetValueExA(key, "NoWarning129", 0, REG_DWORD, (const BYTE*)&one, sizeof(one));
    RegCloseKey(key);

    windriver::Program program;
    if (!windriver::Start(ProgramPath(), program)) {
        printf("zvtorsel.exe does not start\n");
        return -1;
    }
    HWND main = windriver::WaitForWindow("z.v Torsel Sitekeeper", 20000, program.id);
    if (!main) {
        printf("no main dialog\n");
        windriver::Stop(program);
        return -1;
    }
    std::string ready = ProgramString(IDS_READY);
    double start = Now();
    windriver::Press(main, IDC_MAIN_REBUILD_TREE);
    HWND tree = windriver::WaitForWindow("再構築ツリー", 20000, program.id);
    double elapsed = -1;
    for (int i = 0; tree && i < 30000; ++i) {
        if (windriver::ItemText(tree, IDC_RT_STATUS) == ready && !windriver::IsVisible(tree, IDC_RT_BUSY)) {
            elapsed = Now() - start;
            break;
        }
        Sleep(20);
    }
    if (!tree) printf("no Rebuild Tree window\n");
    windriver::Stop(program);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    int entries = argc > 1 ? atoi(argv[1]) : 20000;
    int files = argc > 2 ? atoi(argv[2]) : 20000;
    std::string rebuild = Folder();
    printf("preparing %d cache entries and %d rebuild files...\n", entries, files);
    Prepare(entries, files, rebuild);
    int total = 0;
    double headless = Headless(rebuild, &total);
    double windowed = Windowed(rebuild);
    printf("headless BuildTrees: %.3f s (%d entries)\n", headless, total);
    printf("Rebuild Tree window:  %.3f s\n", windowed);
    if (headless > 0 && windowed > 0) printf("ratio window/headless: %.2f\n", windowed / headless);
    diskkit::RemoveTree(rebuild);
    diskkit::ClearCache();
    return windowed > 0 ? 0 : 1;
}

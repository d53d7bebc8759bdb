// zvtorsel.exe /download: fetches the download list of rebuild folder 0 (or
// /folder:) with the workers of the download dialog, one output line per URL.
#pragma once
#include "commandline.h"

class CWinApp;

// Section DownLoad of the settings.
struct DownloadSettings {
    int threads = 1;  // ThreadEntry, 1 ... 5
    bool disconnect = false;
};
DownloadSettings ReadDownloadSettings(CWinApp& app);
void WriteDownloadSettings(CWinApp& app, const DownloadSettings& settings);

int RunDownloadJob(CWinApp& app, const CommandLine& options);

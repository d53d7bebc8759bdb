// Section DownLoad of the settings, shared by the download dialog and /download.
#pragma once

class CWinApp;

struct DownloadSettings {
    int threads = 1;  // ThreadEntry, clamped to 1 ... 5 when read
    bool disconnect = false;
};
DownloadSettings ReadDownloadSettings(CWinApp& app);
void WriteDownloadSettings(CWinApp& app, const DownloadSettings& settings);

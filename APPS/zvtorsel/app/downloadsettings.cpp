#include "downloadsettings.h"

#include "afxwin.h"
#include "download/downloader.h"

namespace {
const char kSection[] = "DownLoad";
}

DownloadSettings ReadDownloadSettings(CWinApp& app) {
    DownloadSettings settings;
    settings.threads = ClampThreadCount((int)app.GetProfileInt(kSection, "ThreadEntry", 1));
    settings.disconnect = app.GetProfileInt(kSection, "Disconnect", 0) != 0;
    return settings;
}

void WriteDownloadSettings(CWinApp& app, const DownloadSettings& settings) {
    app.WriteProfileInt(kSection, "ThreadEntry", settings.threads);
    app.WriteProfileInt(kSection, "Disconnect", settings.disconnect ? 1 : 0);
}

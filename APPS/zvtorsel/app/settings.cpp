#include "settings.h"

#include <stdio.h>
#include <string.h>

#include "afxwin.h"
#include "mapping/mapping_settings.h"
#include "mapping/win32/win32_file_clock.h"
#include "options/rebuildoptions.h"
#include "resource.h"
#include "translate/win32/win32_file_access.h"
#include "zvcore32.h"
#include "zvlibrary.h"

namespace {

const char kSection[] = "Rebuild";
const int kMissing = -1;

// "%c:\My Documents\Internet Local Files\" with the drive of the program's own path.
std::string DefaultRebuildFolder() {
    char format[128];
    if (!AfxLoadString(IDS_DEFAULT_REBUILD_FOLDER, format, sizeof(format))) return std::string();
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, module, sizeof(module));
    char drive = 'C';
    if (n > 0 && ((module[0] >= 'A' && module[0] <= 'Z') || (module[0] >= 'a' && module[0] <= 'z')))
        drive = module[0];
    char folder[MAX_PATH];
    snprintf(folder, sizeof(folder), format, drive);
    return folder;
}

int IntSetting(CWinApp& app, const char* key, int defaultValue) {
    return (int)app.GetProfileInt(kSection, key, defaultValue);
}

int IntWrittenWhenMissing(CWinApp& app, const char* key, int defaultValue) {
    int value = (int)app.GetProfileInt(kSection, key, kMissing);
    if (value != kMissing) return value;
    app.WriteProfileInt(kSection, key, defaultValue);
    return defaultValue;
}


// Section Rebuild of the application's profile.
class CProfileRebuildStore : public IRebuildStore {
public:
    explicit CProfileRebuildStore(CWinApp& app) : app_(app) {}
    void WriteInt(const char* key, int value) override { app_.WriteProfileInt(kSection, key, value); }
    void WriteText(const char* key, const char* value) override { app_.WriteProfileString(kSection, key, value); }
    void Remove(const char* key) override { app_.WriteProfileString(kSection, key, nullptr); }

private:
    CWinApp& app_;
};

}  // namespace

void WriteRebuildSettings(CWinApp& app, const RebuildOptions& options) {
    CProfileRebuildStore store(app);
    StoreRebuildOptions(store, options);
    MappingSettings::Process().fileProtocolType = options.fileProtocolType == 3 ? 3 : 2;
}

void ReadRebuildSettings(CWinApp& app, RebuildSettings& s) {
    s.rebuildFolders[0] = app.GetProfileString(kSection, "RebuildFolder", DefaultRebuildFolder().c_str()).c_str();
    for (int i = 1; i < kRebuildFolderCount; ++i) {
        char key[32];
        snprintf(key, sizeof(key), "RebuildFolder%d", i);
        s.rebuildFolders[i] = app.GetProfileString(kSection, key, "").c_str();
    }
    s.viewHistTree = IntSetting(app, "ViewHistTree", 1);
    s.hideWarning = IntSetting(app, "HideWarning", 0);
    s.cnvtPercent = IntSetting(app, "CnvtPercent", 0);
    s.checkCopyMark = IntSetting(app, "CheckCopyMark", 1);
    s.moveCheckSP = IntSetting(app, "szMoveCheckSP", 1);
    s.cacheBackDL = IntSetting(app, "CacheBackDL", 1);
    s.xlatRebuild = IntSetting(app, "XlatRebuild", 0);
    s.saveOrg = IntSetting(app, "SaveOrg", 1);
    s.useNoframeTag = IntSetting(app, "UseNoframeTag", 1);
    s.renameOld = IntSetting(app, "RenameOld", 0);
    s.contRbldTree = IntSetting(app, "ContRbldTree", 0);
    s.cacheFolder = app.GetProfileString(kSection, "CacheFolder", "").c_str();

    MappingSettings& mapping = MappingSettings::Process();
    mapping.fileProtocolType = IntSetting(app, "FileProtocolType", 2) == 3 ? 3 : 2;
    mapping.cgiLimitLen = IntWrittenWhenMissing(app, "CgiLimitLen", 50);
    mapping.cgiShortenLen = IntWrittenWhenMissing(app, "CgiShortenLen", 0);
}

void InstallEngineServices() {
    MappingSettings& mapping = MappingSettings::Process();
    mapping.leadTable = zvGetDBCSLeadTable();
    mapping.clock = &Win32FileClock();
    SetDefaultHtmlFileAccess(Win32FileAccess());
    SetCountFormatter(AfxFormatCount);
}

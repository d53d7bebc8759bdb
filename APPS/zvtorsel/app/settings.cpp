#include "settings.h"

#include <stdio.h>
#include <string.h>

#include "afxwin.h"
#include "mapping/mapping_settings.h"
#include "mapping/win32/win32_file_clock.h"
#include "options/rebuildoptions.h"
#include "profilestore.h"
#include "resource.h"
#include "zvcore32.h"
#include "zvlibrary.h"

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

void WriteRebuildSettings(CWinApp& app, const RebuildOptions& options) {
    CAppProfileStore store(app);
    WriteRebuildOptions(store, options);
}

void ReadRebuildSettings(CWinApp& app, RebuildSettings& settings) {
    CAppProfileStore store(app);
    RebuildSection rebuild;
    ReadRebuildSection(store, DefaultRebuildFolder().c_str(), rebuild);
    settings = rebuild.settings;
    MappingSettings& mapping = settings.mapping;
    mapping.fileProtocolType = rebuild.fileProtocolType;
    mapping.cgiLimitLen = rebuild.cgiLimitLen;
    mapping.cgiShortenLen = rebuild.cgiShortenLen;
    mapping.clock = &Win32FileClock();
    settings.formatCount = AfxFormatCount;
}

#include "appstate.h"

#include "cache/win32/wininetcache.h"
#include "resource.h"

AppState& App() {
    static AppState state;
    return state;
}

void InitAppState() {
    AppState& app = App();
    app.noneText.LoadString(IDS_NO_TIME);
    app.addressListTitle.LoadString(IDS_ADDRESS_LIST_TITLE);
    app.localPictureTitle.LoadString(IDS_LOCAL_PICTURE_TITLE);
    char module[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, module, sizeof(module));
    if (n >= sizeof(module)) n = 0;
    module[n] = '\0';
    std::string path(module);
    // The last separator: module paths end with an ASCII file name.
    size_t slash = path.find_last_of('\\');
    app.programFolder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    app.historyPrefixLength = ReadHistoryPrefixLength();
}

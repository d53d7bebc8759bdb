// zvinstl: installs and uninstalls the applications that the definition file
// beside it describes.
#include "setupui.h"
// After windows.h, which setupui.h brings.
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CDialogUi ui(instance);

    char self[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string setupFolder = length && length < sizeof self ? FolderOf(self, IsLeadByte) : std::string();
    if (setupFolder.empty()) {
        ui.Show(MSG_NO_FOLDER_PART);
        return 1;
    }
    SetupDefinition definition;
    SystemFolders folders;
    if (!Setup::Start(ui, setupFolder, definition, folders)) return 1;
    Setup setup(ui, definition, folders);
    setup.SetSetupProgram(self);
    setup.ProposeFolders();
    RunSetupDialog(ui, setup, definition);
    return 0;
}

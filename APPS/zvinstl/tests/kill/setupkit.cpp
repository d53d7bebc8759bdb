// Drives the setup engine without its windows, for its kill test:
//   setupkit.exe install SETUPFOLDER INSTALLFOLDER
//   setupkit.exe uninstall SETUPFOLDER
//   setupkit.exe where SETUPFOLDER
// install and uninstall answer as a careful user does: the installed files
// go, files of the user and the user's settings stay. where prints whether
// the installed program and the uninstall entry's program exist, one line
// each, "present", "gone" or "none" (no registry value), and then whether
// the user's settings key is "kept" or "lost". Exit code 0 when
// the step completed, 1 when it did not, 2 for bad arguments.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "setup.h"

namespace {

class QuietProgress : public ICopyProgress {
public:
    void FileStarted(const std::string&, const std::string&, ULONGLONG) override {}
    void BytesCopied(ULONGLONG) override {}
    void CountersChanged(const CopyCounters&) override {}
    bool StopRequested() override { return false; }
};

class AnsweringUi : public ISetupUi {
public:
    std::string Text(int id) override { return "<" + std::to_string(id) + "> %s"; }
    void Show(int id, const std::string& arg) override { fprintf(stderr, "setupkit: message %d %s\n", id, arg.c_str()); }
    bool Ask(int id, const std::string& arg) override {
        Show(id, arg);
        return id != MSG_ASK_DELETE_OTHERS && id != MSG_ASK_STOP_UNINSTALL && id != MSG_ASK_DELETE_PREVIOUS &&
               id != MSG_ASK_STOP_COPY;
    }
    int RunCopy(CopyJob& job) override {
        QuietProgress progress;
        return job.Run(progress) ? 1 : 0;
    }
};

std::string UninstallTarget(const std::string& appName) {
    HKEY key;
    std::string path = std::string(kUninstallKey) + "\\" + appName;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
    char value[1024] = "";
    DWORD size = sizeof value - 1;
    LONG result = RegQueryValueExA(key, "UninstallString", nullptr, nullptr, (BYTE*)value, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return "";
    std::string target(value, strnlen(value, sizeof value - 1));
    if (target.size() >= 2 && target.front() == '"' && target.back() == '"') target = target.substr(1, target.size() - 2);
    return target;
}

const char* State(const std::string& path) {
    if (path.empty()) return "none";
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? "gone" : "present";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::string verb = argv[1];
    if ((verb == "install") != (argc == 4) || (verb != "install" && verb != "uninstall" && verb != "where")) return 2;
    AnsweringUi ui;
    SetupDefinition definition;
    SystemFolders folders;
    if (!Setup::Start(ui, argv[2], definition, folders)) return 1;
    Setup setup(ui, definition, folders);
    // The setup program that the uninstall entry starts is the folder's own.
    setup.SetSetupProgram(JoinPath(argv[2], "zvinstl.exe"));
    setup.ProposeFolders();
    const SetupApp& app = definition.apps[0];
    if (verb == "where") {
        HKEY settings;
        bool kept = RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\" + app.regSetKey).c_str(), 0, KEY_READ,
                                  &settings) == ERROR_SUCCESS;
        if (kept) RegCloseKey(settings);
        printf("%s\n%s\n%s\n", State(InstalledProgram(app.exeName)), State(UninstallTarget(app.name)),
               kept ? "kept" : "lost");
        return 0;
    }
    if (verb == "install") {
        definition.apps[0].folder = argv[3];
        return setup.Install(0) ? 0 : 1;
    }
    return setup.Uninstall(0) ? 0 : 1;
}

#include "libraries.h"

#include <string.h>

#include <vector>

#include "messages.h"
#include "resource.h"

namespace {

const char* const kLibraries[] = {"zvcore32.dll", "zvpix32.dll", "zvclass.dll"};
const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char kVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

std::string ReadMachineString(const std::string& key, const char* name) {
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return std::string();
    char value[1024];
    DWORD type = 0, size = sizeof(value) - 1;
    LONG status = RegQueryValueExA(handle, name, nullptr, &type, (BYTE*)value, &size);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::string();
    value[size < sizeof(value) ? size : sizeof(value) - 1] = 0;
    return value;
}

void AddFolder(std::vector<std::string>& folders, std::string folder) {
    while (!folder.empty() && (folder.back() == ' ' || folder.back() == '\\')) folder.pop_back();
    if (!folder.empty()) folders.push_back(folder + "\\");
}

// Paths are Shift_JIS: the separator is searched with the lead bytes of the
// system's code page skipped, so a trail byte 0x5C never counts.
size_t LastSeparator(const char* path) {
    size_t last = std::string::npos;
    for (size_t i = 0; path[i]; ++i) {
        if (IsDBCSLeadByte((BYTE)path[i]) && path[i + 1]) {
            ++i;
        } else if (path[i] == '\\') {
            last = i;
        }
    }
    return last;
}

std::vector<std::string> CandidateFolders() {
    std::vector<std::string> folders;
    char module[MAX_PATH + 1] = "";
    DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    module[length <= MAX_PATH ? length : MAX_PATH] = 0;
    size_t separator = LastSeparator(module);
    std::string exeName = separator == std::string::npos ? module : module + separator + 1;
    if (separator != std::string::npos) AddFolder(folders, std::string(module, separator));

    std::string listed = ReadMachineString(kAppPathsKey + exeName, "Path");
    size_t start = 0;
    while (start <= listed.size()) {
        size_t end = listed.find(';', start);
        if (end == std::string::npos) end = listed.size();
        AddFolder(folders, listed.substr(start, end - start));
        start = end + 1;
    }
    std::string common = ReadMachineString(kVersionKey, "CommonFilesDir");
    if (!common.empty()) AddFolder(folders, common + "\\z.v");
    return folders;
}

bool LoadFromFolders(const char* name, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        std::string path = folder + name;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        // The altered search finds a library's own imports beside it.
        if (LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) return true;
    }
    return LoadLibraryA(name) != nullptr;
}

}  // namespace

bool LoadSharedLibraries(std::string& missing) {
    std::vector<std::string> folders = CandidateFolders();
    UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    bool loaded = true;
    for (const char* name : kLibraries) {
        if (LoadFromFolders(name, folders)) continue;
        missing = name;
        loaded = false;
        break;
    }
    SetErrorMode(previous);
    return loaded;
}

void ReportMissingLibrary(HINSTANCE instance, const char* commandLine, const char* name) {
    char format[512] = "";
    LoadStringA(instance, IDS_LIBRARY_MISSING, format, sizeof(format));
    std::string text = format;
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, name);
    bool windows = true;
    for (const char* p = commandLine ? commandLine : ""; *p; ++p) windows &= *p == ' ' || *p == '\t';
    if (windows) {
        MessageBoxA(nullptr, text.c_str(), kProgramTitle, MB_OK | MB_ICONSTOP);
        return;
    }
    for (char& c : text)
        if (c == '\n') c = ' ';
    text += "\r\n";
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), (DWORD)text.size(), &written, nullptr);
}

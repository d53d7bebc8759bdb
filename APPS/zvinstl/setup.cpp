// Reading the definition file, the copy worker's file copying, registration
// and uninstall.
#include "setup.h"

#include <ctype.h>
#include <objbase.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <new>

const char* const kAppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char* const kSharedDllsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char* const kCommonFileMark = "A common file";
const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kRecordName = "zvinstl.log";

namespace {

const char* const kVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string Tidy(const std::string& path) { return TidyPath(path, IsLeadByte); }

std::string Profile(const std::string& file, const std::string& section, const char* key, const char* fallback,
                    DWORD size) {
    std::vector<char> buffer(size);
    GetPrivateProfileStringA(section.c_str(), key, fallback, buffer.data(), size, file.c_str());
    return buffer.data();
}

bool ReadStringValue(HKEY root, const char* path, const char* name, std::string& out) {
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    char value[1024];
    DWORD type = 0, size = sizeof value - 1;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, (BYTE*)value, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    value[size < sizeof value ? size : sizeof value - 1] = 0;
    out = value;
    return true;
}

DWORD ReadCount(HKEY key, const std::string& name) {
    DWORD type = 0, count = 0, size = sizeof count;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, (BYTE*)&count, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof count) {
        return 0;
    }
    return count;
}

ULONGLONG FileTimeValue(const FILETIME& t) { return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime; }

// Creates every missing folder of `path` (a file's path) from the top down,
// adding each one made to `created`.
bool MakeFolders(const std::string& path, std::vector<std::string>& created) {
    std::string folder = FolderOf(path, IsLeadByte);
    if (folder.empty() || GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    if (!MakeFolders(folder, created)) return false;
    if (CreateDirectoryA(folder.c_str(), nullptr)) {
        created.push_back(folder);
        return true;
    }
    return GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    // A record is a few kilobytes; anything far larger is not one.
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart < (1 << 24);
    if (ok) {
        out.resize((size_t)size.QuadPart);
        DWORD got = 0;
        ok = out.empty() || (ReadFile(h, &out[0], (DWORD)out.size(), &got, nullptr) && got == out.size());
    }
    CloseHandle(h);
    return ok;
}

// Written beside the file and renamed over it when complete.
bool ReplaceFile(const std::string& path, const std::string& data) {
    std::string temporary = path + ".tmp";
    HANDLE h = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, data.data(), (DWORD)data.size(), &written, nullptr) && written == data.size() &&
              FlushFileBuffers(h);
    CloseHandle(h);
    ok = ok && MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!ok) DeleteFileA(temporary.c_str());
    return ok;
}

// What a killed setup leaves: the copy's temporaries, GetTempFileNameA's
// "zvi" and up to four hexadecimal digits, and the record's "zvinstl.log.tmp".
// Nothing else of a folder matches, so no file of the user is taken.
bool IsSetupTemporary(const char* name) {
    if (lstrcmpiA(name, (std::string(kRecordName) + ".tmp").c_str()) == 0) return true;
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name, 3, "zvi", 3) != CSTR_EQUAL) return false;
    size_t digits = 0;
    while (isxdigit((unsigned char)name[3 + digits])) ++digits;
    return digits >= 1 && digits <= 4 && lstrcmpiA(name + 3 + digits, ".tmp") == 0;
}

// Deletes setup's temporaries in each of the folders of these files and in `folder`.
void RemoveSetupTemporaries(const std::vector<std::string>& files, const std::string& folder) {
    std::vector<std::string> folders{folder};
    for (const std::string& file : files) {
        std::string parent = FolderOf(file, IsLeadByte);
        if (std::find_if(folders.begin(), folders.end(), [&](const std::string& f) { return SamePath(f, parent); }) ==
            folders.end()) {
            folders.push_back(parent);
        }
    }
    for (const std::string& current : folders) {
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA(JoinPath(current, "*.tmp").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY || !IsSetupTemporary(data.cFileName)) continue;
            std::string path = JoinPath(current, data.cFileName);
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
}

bool WriteString(HKEY key, const char* name, const std::string& value) {
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1) ==
           ERROR_SUCCESS;
}

// True when path lies in folder or below it.
bool IsInside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && SamePath(path.substr(0, folder.size()), folder) &&
           (path[folder.size()] == '\\' || path[folder.size()] == '/');
}

std::string OwnModule() {
    char self[MAX_PATH] = "";
    DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    return length && length < sizeof self ? std::string(self) : std::string();
}

// Loads a shared library and calls one of its registration entries, if it has it.
void CallRegistration(const std::string& path, const char* entry) {
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return;
    typedef HRESULT(WINAPI * Registration)();
    Registration call = (Registration)(void*)GetProcAddress(module, entry);
    if (call) call();
    FreeLibrary(module);
}

std::wstring Wide(const std::string& text) {
    int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? (size_t)size : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], size);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

void DeleteKeyTree(HKEY parent, const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return;
    char child[256];
    for (;;) {
        DWORD size = sizeof child;
        if (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        std::string before = child;
        DeleteKeyTree(key, child);
        // A child that cannot be deleted would be found again forever.
        size = sizeof child;
        if (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
            before == child) {
            break;
        }
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name.c_str());
}

bool KeyIsEmpty(HKEY parent, const std::string& name);

// The settings key and the parents that held only it ("z.v" of "z.v\zvkestor").
void DeleteSettingsKey(HKEY software, const std::string& regSetKey) {
    DeleteKeyTree(software, regSetKey);
    std::string parent = FolderOf(regSetKey, IsLeadByte);
    while (!parent.empty() && KeyIsEmpty(software, parent)) {
        RegDeleteKeyA(software, parent.c_str());
        parent = FolderOf(parent, IsLeadByte);
    }
}

bool KeyIsEmpty(HKEY parent, const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD subKeys = 1, values = 1;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return subKeys == 0 && values == 0;
}

}  // namespace

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

bool IsErrorMessage(int id) {
    switch (id) {
    case MSG_NO_FOLDER_PART: case MSG_DEFINITION_MISSING: case MSG_SYSTEM_VALUE_MISSING: case MSG_NO_APPLICATION:
    case MSG_DELETE_FILE_FAILED: case MSG_DELETE_FOLDER_FAILED: case MSG_DELETE_PREVIOUS_FAILED:
    case MSG_REGISTRY_FAILED: case MSG_NO_THREAD:
        return true;
    default:
        return id >= MSG_SOURCE_MISSING && id <= MSG_WRITE_FAILED;
    }
}

std::string InstalledProgram(const std::string& exeName) {
    std::string program;
    if (exeName.empty()) return program;
    ReadStringValue(HKEY_LOCAL_MACHINE, (std::string(kAppPathsKey) + "\\" + exeName).c_str(), "", program);
    return program;
}

// ---- Copy worker ------------------------------------------------------------------

CopyJob::CopyJob(ISetupUi& ui, std::vector<CopyEntry> entries) : ui_(ui), entries_(std::move(entries)) {
    counters_.total = (int)entries_.size();
}

bool CopyJob::Run(ICopyProgress& progress) {
    const size_t kLargeBlock = 1024 * 1024;
    large_.reset(new (std::nothrow) char[kLargeBlock]);
    if (large_) {
        block_ = large_.get();
        blockSize_ = kLargeBlock;
    }
    progress.CountersChanged(counters_);
    for (const CopyEntry& entry : entries_) {
        if (!CopyOne(entry, progress)) return false;
        if (entry.hasFolderPart) paths_.Add(FolderOf(entry.destination, IsLeadByte));
    }
    return true;
}

// The new copy is written beside the destination and put in its place only
// when complete, so a stopped or failed copy leaves an older installation whole.
bool CopyJob::CopyOne(const CopyEntry& entry, ICopyProgress& progress) {
    WIN32_FILE_ATTRIBUTE_DATA source, destination;
    if (!GetFileAttributesExA(entry.source.c_str(), GetFileExInfoStandard, &source)) {
        ui_.Show(MSG_SOURCE_MISSING, entry.source);
        return false;
    }
    ULONGLONG size = ((ULONGLONG)source.nFileSizeHigh << 32) | source.nFileSizeLow;
    progress.FileStarted(entry.source, entry.destination, size);
    if (GetFileAttributesExA(entry.destination.c_str(), GetFileExInfoStandard, &destination) &&
        FileTimeValue(destination.ftLastWriteTime) >= FileTimeValue(source.ftLastWriteTime)) {
        ++counters_.processed;
        ++counters_.skipped;
        progress.CountersChanged(counters_);
        return true;
    }

    HANDLE in = CreateFileA(entry.source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        ui_.Show(MSG_SOURCE_NOT_OPENED, entry.source);
        return false;
    }
    char temporary[MAX_PATH] = "";
    std::string folder = FolderOf(entry.destination, IsLeadByte);
    HANDLE out = INVALID_HANDLE_VALUE;
    if (MakeFolders(entry.destination, created_) && GetTempFileNameA(folder.c_str(), "zvi", 0, temporary)) {
        out = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    }
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        if (temporary[0]) DeleteFileA(temporary);
        ui_.Show(MSG_DESTINATION_NOT_CREATED, entry.destination);
        return false;
    }

    int failure = 0;
    bool stopped = false;
    ULONGLONG done = 0;
    for (;;) {
        if (progress.StopRequested()) {
            stopped = true;
            break;
        }
        DWORD got = 0, written = 0;
        if (!ReadFile(in, block_, (DWORD)blockSize_, &got, nullptr)) {
            failure = MSG_READ_FAILED;
            break;
        }
        if (got == 0) {
            if (done < size) failure = MSG_SIZE_MISMATCH;
            break;
        }
        done += got;
        if (done > size) {
            failure = MSG_SIZE_MISMATCH;
            break;
        }
        if (!WriteFile(out, block_, got, &written, nullptr) || written != got) {
            failure = MSG_WRITE_FAILED;
            break;
        }
        progress.BytesCopied(done);
    }
    // Flushed before the rename, so a power loss never leaves an empty file
    // under the installed name.
    if (!failure && !stopped &&
        (!FlushFileBuffers(out) || !SetFileTime(out, nullptr, nullptr, &source.ftLastWriteTime))) {
        failure = MSG_WRITE_FAILED;
    }
    CloseHandle(in);
    CloseHandle(out);
    if (!failure && !stopped) {
        SetFileAttributesA(entry.destination.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!MoveFileExA(temporary, entry.destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            failure = MSG_DESTINATION_NOT_CREATED;
        }
    }
    if (failure || stopped) {
        if (failure) ui_.Show(failure, failure == MSG_DESTINATION_NOT_CREATED ? entry.destination : entry.source);
        DeleteFileA(temporary);
        return false;
    }
    ++counters_.processed;
    ++counters_.installed;
    progress.CountersChanged(counters_);
    return true;
}

// ---- Start ------------------------------------------------------------------------------

bool Setup::Load(ISetupUi& ui, const std::string& setupFolder, SetupDefinition& definition) {
    definition.setupFolder = setupFolder;
    definition.path = JoinPath(setupFolder, "zvinstl.def");
    if (GetFileAttributesA(definition.path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ui.Show(MSG_DEFINITION_MISSING, definition.path);
        return false;
    }
    const std::string& file = definition.path;
    ReadSetupDefinition(
        [&](const std::string& section, const char* key, const char* fallback, size_t size) {
            return Profile(file, section, key, fallback, (DWORD)size);
        },
        ui.Text(MSG_NO_TITLE), ui.Text(MSG_NO_OUTLINE), IsLeadByte, definition);
    return true;
}

bool Setup::Start(ISetupUi& ui, const std::string& setupFolder, SetupDefinition& definition, SystemFolders& folders) {
    if (!Load(ui, setupFolder, definition) || !ReadSystemFolders(ui, folders)) return false;
    if (definition.apps.empty()) {
        ui.Show(MSG_NO_APPLICATION, definition.path);
        return false;
    }
    return true;
}

bool Setup::ReadSystemFolders(ISetupUi& ui, SystemFolders& folders) {
    struct Value {
        HKEY root;
        const char* key;
        const char* name;
        std::string* out;
    } values[] = {
        {HKEY_CURRENT_USER, kShellFoldersKey, "Desktop", &folders.desktop},
        {HKEY_LOCAL_MACHINE, kVersionKey, "CommonFilesDir", &folders.commonFiles},
        {HKEY_LOCAL_MACHINE, kVersionKey, "ProgramFilesDir", &folders.programFiles},
    };
    for (const Value& v : values) {
        if (!ReadStringValue(v.root, v.key, v.name, *v.out)) {
            ui.Show(MSG_SYSTEM_VALUE_MISSING, std::string(v.key) + "\\" + v.name);
            return false;
        }
        *v.out = Tidy(*v.out);
    }
    // Without a programs folder there is only the desktop shortcut.
    if (ReadStringValue(HKEY_CURRENT_USER, kShellFoldersKey, "Programs", folders.programs))
        folders.programs = Tidy(folders.programs);
    return true;
}

Setup::Setup(ISetupUi& ui, SetupDefinition& definition, const SystemFolders& folders)
    : ui_(ui), definition_(definition), folders_(folders) {}

void Setup::ProposeFolders() {
    for (SetupApp& app : definition_.apps) {
        std::string program = InstalledProgram(app.exeName);
        app.previousFolder = program.empty() ? std::string() : Tidy(FolderOf(program, IsLeadByte));
        app.folder = app.previousFolder.empty() ? Tidy(JoinPath(folders_.programFiles, app.folder))
                                                : app.previousFolder;
    }
}

// ---- Install -----------------------------------------------------------------------------

std::vector<CopyEntry> Setup::Entries(const SetupApp& app) const {
    std::vector<CopyEntry> entries;
    for (int list = 0; list < 2; ++list) {
        const std::vector<std::string>& names = list == 0 ? app.files : app.commonFiles;
        const std::string& base = list == 0 ? app.folder : folders_.commonFiles;
        for (const std::string& value : names) {
            CopyEntry entry;
            std::string tidy = Tidy(value);
            entry.source = Tidy(JoinPath(definition_.setupFolder, tidy.substr(FileNameOffset(tidy, IsLeadByte))));
            entry.destination = Tidy(JoinPath(base, tidy));
            entry.hasFolderPart = HasFolderPart(tidy, IsLeadByte);
            entries.push_back(entry);
        }
    }
    if (!setupProgram_.empty()) {
        std::string setupName = setupProgram_.substr(FileNameOffset(setupProgram_, IsLeadByte));
        for (const std::string& source : {setupProgram_, definition_.path}) {
            CopyEntry entry;
            entry.source = Tidy(source);
            entry.destination = Tidy(JoinPath(app.folder, source == setupProgram_ ? setupName : "zvinstl.def"));
            entries.push_back(entry);
        }
    }
    return entries;
}

// A drive path ("c:\...") or a network path ("\\server\..."): anything else
// would be taken relative to wherever the setup program happens to run.
static bool IsAbsoluteFolder(const std::string& folder) {
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    bool drive = folder.size() >= 3 && folder[1] == ':' && separator(folder[2]);
    bool network = folder.size() > 2 && separator(folder[0]) && separator(folder[1]);
    return drive || network;
}

bool Setup::Install(size_t index) {
    SetupApp& app = definition_.apps[index];
    app.folder = Tidy(app.folder);
    if (!IsAbsoluteFolder(app.folder)) {
        ui_.Show(MSG_DESTINATION_NOT_CREATED, app.folder);
        return false;
    }
    bool previous = !app.previousFolder.empty();
    if (previous && !SamePath(app.previousFolder, app.folder)) {
        if (ui_.Ask(MSG_ASK_DELETE_PREVIOUS, app.previousFolder)) {
            if (!DeleteTree(app.previousFolder)) ui_.Show(MSG_DELETE_PREVIOUS_FAILED);
        } else {
            ui_.Show(MSG_KEEP_PREVIOUS);
        }
    }
    std::vector<CopyEntry> entries = Entries(app);
    std::vector<std::string> destinations;
    for (const CopyEntry& entry : entries) destinations.push_back(entry.destination);
    RemoveSetupTemporaries(destinations, app.folder);
    CopyJob job(ui_, std::move(entries));
    int result = ui_.RunCopy(job);
    if (result < 0) {
        ui_.Show(MSG_NO_THREAD);
        return false;
    }
    if (result == 0) {
        ui_.Show(MSG_INSTALL_STOPPED);
        return false;
    }
    bool installed = job.Counters().installed > 0;
    // Every file of the application is in place now, copied or found up to date.
    InstallRecord record = ReadRecord(app, app.folder);
    for (const CopyEntry& entry : job.Entries())
        if (IsInside(entry.destination, app.folder))
            InstallRecord::Add(record.files, entry.destination);
    for (const std::string& folder : job.CreatedFolders()) InstallRecord::Add(record.folders, folder);
    bool registered = true;
    if (installed || !previous) registered = Register(app, job, record);
    if (!WriteRecord(app.folder, record)) registered = false;
    if (!registered) ui_.Show(MSG_REGISTRY_FAILED);
    ui_.Show(installed ? MSG_INSTALLED : MSG_UP_TO_DATE);
    app.previousFolder = app.folder;
    return true;
}

bool Setup::Register(const SetupApp& app, const CopyJob& job, InstallRecord& record) {
    // Without a program name the application's key would be App Paths itself.
    if (app.exeName.empty()) return false;
    HKEY appPaths, appKey, shared;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &appPaths,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    DWORD disposition = 0;
    LONG opened = RegCreateKeyExA(appPaths, app.exeName.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                                  &appKey, &disposition);
    RegCloseKey(appPaths);
    if (opened != ERROR_SUCCESS) return false;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &shared,
                        nullptr) != ERROR_SUCCESS) {
        RegCloseKey(appKey);
        return false;
    }
    bool ok = true;
    std::string program = Tidy(JoinPath(app.folder, app.exeName));
    ok &= RegSetValueExA(appKey, "", 0, REG_SZ, (const BYTE*)program.c_str(), (DWORD)program.size() + 1) ==
          ERROR_SUCCESS;
    if (!job.Paths().empty()) {
        ok &= RegSetValueExA(appKey, "path", 0, REG_SZ, (const BYTE*)job.Paths().c_str(),
                             (DWORD)job.Paths().size() + 1) == ERROR_SUCCESS;
    }
    for (const std::string& value : app.commonFiles) {
        std::string name = Tidy(value);
        if (RegQueryValueExA(appKey, name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) continue;
        ok &= RegSetValueExA(appKey, name.c_str(), 0, REG_SZ, (const BYTE*)kCommonFileMark,
                             (DWORD)strlen(kCommonFileMark) + 1) == ERROR_SUCCESS;
        std::string path = Tidy(JoinPath(folders_.commonFiles, name));
        DWORD count = ReadCount(shared, path) + 1;
        ok &= RegSetValueExA(shared, path.c_str(), 0, REG_DWORD, (const BYTE*)&count, sizeof count) == ERROR_SUCCESS;
        CallRegistration(path, "DllRegisterServer");
    }
    RegCloseKey(shared);
    RegCloseKey(appKey);
    InstallRecord::Add(record.keys, std::string(kAppPathsKey) + "\\" + app.exeName);
    ok = ok && WriteUninstallEntry(app, record);
    if (ok && disposition == REG_CREATED_NEW_KEY) {
        std::string desktopLink = JoinPath(folders_.desktop, app.name + ".lnk");
        ok = CreateShortcut(app, desktopLink);
        if (ok) InstallRecord::Add(record.links, desktopLink);
    }
    if (ok && !folders_.programs.empty()) {
        std::string menuLink = JoinPath(folders_.programs, app.name + ".lnk");
        if (!InstallRecord::Holds(record.links, menuLink)) {
            ok = CreateShortcut(app, menuLink);
            if (ok) InstallRecord::Add(record.links, menuLink);
        }
    }
    return ok;
}

// The system's list of installed programs: its entry starts the copy of the
// setup program in the install folder.
bool Setup::WriteUninstallEntry(const SetupApp& app, InstallRecord& record) {
    if (setupProgram_.empty()) return true;
    std::string keyPath = std::string(kUninstallKey) + "\\" + app.name;
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    InstallRecord::Add(record.keys, keyPath);
    std::string setupCopy = Tidy(JoinPath(app.folder, setupProgram_.substr(FileNameOffset(setupProgram_, IsLeadByte))));
    std::string program = Tidy(JoinPath(app.folder, app.exeName));
    DWORD one = 1;
    bool ok = WriteString(key, "DisplayName", app.name) && WriteString(key, "UninstallString", "\"" + setupCopy + "\"") &&
              WriteString(key, "InstallLocation", app.folder) && WriteString(key, "DisplayIcon", program) &&
              WriteString(key, "Publisher", "z.v") &&
              RegSetValueExA(key, "NoModify", 0, REG_DWORD, (const BYTE*)&one, sizeof one) == ERROR_SUCCESS &&
              RegSetValueExA(key, "NoRepair", 0, REG_DWORD, (const BYTE*)&one, sizeof one) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

InstallRecord Setup::ReadRecord(const SetupApp& app, const std::string& folder) const {
    std::string text;
    InstallRecord record;
    if (ReadWholeFile(JoinPath(folder, kRecordName), text)) record = InstallRecord::Parse(text);
    // An installation made before records were kept: its files are the definition's.
    SetupApp at = app;
    at.folder = folder;
    for (const CopyEntry& entry : Entries(at))
        if (IsInside(entry.destination, folder))
            InstallRecord::Add(record.files, entry.destination);
    InstallRecord::Add(record.files, Tidy(JoinPath(folder, kRecordName)));
    return record;
}

bool Setup::WriteRecord(const std::string& folder, const InstallRecord& record) {
    return ReplaceFile(JoinPath(folder, kRecordName), record.Text());
}

bool Setup::CreateShortcut(const SetupApp& app, const std::string& linkPath) {
    HRESULT init = CoInitialize(nullptr);
    bool ok = false;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void**)&link))) {
        std::string program = Tidy(JoinPath(app.folder, app.exeName));
        link->SetPath(program.c_str());
        link->SetWorkingDirectory(app.folder.c_str());
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
            // The ANSI code page, not the OEM one: the name is an ANSI string.
            std::wstring path = Wide(linkPath);
            ok = SUCCEEDED(file->Save(path.c_str(), TRUE));
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return ok;
}

// ---- Uninstall -----------------------------------------------------------------------------

bool Setup::DeleteTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA(JoinPath(folder, "*.*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = JoinPath(folder, name);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (!DeleteTree(path)) {
                    FindClose(search);
                    return false;
                }
                continue;
            }
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!DeleteFileA(path.c_str())) {
                FindClose(search);
                ui_.Show(MSG_DELETE_FILE_FAILED, path);
                return false;
            }
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
    if (!RemoveDirectoryA(folder.c_str())) {
        ui_.Show(MSG_DELETE_FOLDER_FAILED, folder);
        return false;
    }
    return true;
}

// Removes folders that became empty, up to (not including) `stop`.
void Setup::RemoveEmptyFolders(std::string folder, const std::string& stop) {
    while (folder.size() > stop.size() && SamePath(folder.substr(0, stop.size()), stop) &&
           (folder[stop.size()] == '\\' || folder[stop.size()] == '/')) {
        // One already gone (deleted with its contents) counts as removed.
        if (!RemoveDirectoryA(folder.c_str()) && GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
        folder = FolderOf(folder, IsLeadByte);
    }
}

void Setup::ReleaseSharedFiles(HKEY appKey) {
    HKEY shared;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &shared,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    std::vector<std::string> names;
    char name[1024];
    char data[64];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        LONG result = RegEnumValueA(appKey, i, name, &nameSize, nullptr, &type, (BYTE*)data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_SUCCESS && type == REG_SZ && strcmp(data, kCommonFileMark) == 0) names.push_back(name);
    }
    for (const std::string& value : names) {
        // The mark goes before the count: an uninstall stopped between the two
        // and run again keeps a file that might be shared, never counts it twice.
        RegDeleteValueA(appKey, value.c_str());
        std::string path = Tidy(JoinPath(folders_.commonFiles, value));
        DWORD count = ReadCount(shared, path);
        if (count > 0) --count;
        RegSetValueExA(shared, path.c_str(), 0, REG_DWORD, (const BYTE*)&count, sizeof count);
        if (count != 0 || !ui_.Ask(MSG_ASK_DELETE_SHARED, path)) continue;
        CallRegistration(path, "DllUnregisterServer");
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(path.c_str()) && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            ui_.Show(MSG_DELETE_FILE_FAILED, path);
        } else {
            RemoveEmptyFolders(FolderOf(path, IsLeadByte), folders_.commonFiles);
        }
        RegDeleteValueA(shared, path.c_str());
    }
    RegCloseKey(shared);
}

// A shortcut is removed when it still leads to the uninstalled program.
void Setup::DeleteShortcut(const std::string& path, const std::string& program) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    HRESULT init = CoInitialize(nullptr);
    bool ours = false;
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void**)&link))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
            char target[MAX_PATH] = "";
            ours = SUCCEEDED(file->Load(Wide(path).c_str(), STGM_READ)) &&
                   SUCCEEDED(link->GetPath(target, sizeof target, nullptr, 0)) && SamePath(Tidy(target), program);
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    if (ours) DeleteFileA(path.c_str());
}

void Setup::DeleteUserSettings(const std::string& regSetKey) {
    char user[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof user;
        if (RegEnumKeyExA(HKEY_USERS, i, user, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY software;
        if (RegOpenKeyExA(HKEY_USERS, (std::string(user) + "\\Software").c_str(), 0, KEY_READ | KEY_WRITE,
                          &software) != ERROR_SUCCESS) {
            continue;
        }
        DeleteSettingsKey(software, regSetKey);
        RegCloseKey(software);
    }
    // The user running setup, also where HKEY_USERS does not list that user's key.
    HKEY software;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ | KEY_WRITE, &software) == ERROR_SUCCESS) {
        DeleteSettingsKey(software, regSetKey);
        RegCloseKey(software);
    }
}

std::vector<std::string> Setup::OtherFiles(const std::string& folder, const InstallRecord& record) const {
    std::vector<std::string> others;
    std::vector<std::string> pending{folder};
    while (!pending.empty()) {
        std::string current = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA(JoinPath(current, "*.*").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = JoinPath(current, name);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                pending.push_back(path);
            else if (!InstallRecord::Holds(record.files, path))
                others.push_back(path.substr(folder.size() + 1));
        } while (FindNextFileA(search, &data));
        FindClose(search);
    }
    return others;
}

bool Setup::DeleteFiles(const std::string& folder, const std::vector<std::string>& files) {
    std::string self = Tidy(OwnModule());
    for (const std::string& path : files) {
        if (!IsInside(path, folder) || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (DeleteFileA(path.c_str())) continue;
        // The installed copy of setup, running now, goes with the next start of the system.
        if (SamePath(path, self) && MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) continue;
        ui_.Show(MSG_DELETE_FILE_FAILED, path);
        return false;
    }
    return true;
}

void Setup::RemoveInstalledFolders(const std::string& folder, const InstallRecord& record) {
    for (const std::string& path : record.files)
        if (IsInside(path, folder)) RemoveEmptyFolders(FolderOf(path, IsLeadByte), folder);
    // Deepest first; a folder still holding a user's file stays.
    std::vector<std::string> folders = record.folders;
    std::sort(folders.begin(), folders.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& made : folders)
        if (IsInside(made, folder)) RemoveDirectoryA(made.c_str());
}

std::vector<std::string> Setup::SetupFiles(const std::string& folder) const {
    std::vector<std::string> files{Tidy(JoinPath(folder, kRecordName))};
    if (!setupProgram_.empty()) {
        files.push_back(Tidy(JoinPath(folder, "zvinstl.def")));
        files.push_back(Tidy(JoinPath(folder, setupProgram_.substr(FileNameOffset(setupProgram_, IsLeadByte)))));
    }
    return files;
}

// Lines naming the files, at most ten and the count of the rest.
std::string Setup::FileListText(const std::vector<std::string>& files) {
    std::string text;
    for (size_t i = 0; i < files.size() && i < 10; ++i) text += "\n" + files[i];
    if (files.size() > 10) {
        std::string more = ui_.Text(MSG_MORE_FILES);
        size_t at = more.find("%s");
        if (at != std::string::npos) more.replace(at, 2, std::to_string(files.size() - 10));
        text += "\n" + more;
    }
    return text;
}

// The steps go in an order that an uninstall stopped at any moment can be
// run again to its end: the application's files first; the uninstall entry
// before the setup copy that it starts; the program's App Paths key, by which
// a rerun finds the installation, last.
bool Setup::Uninstall(size_t index) {
    SetupApp& app = definition_.apps[index];
    std::string program = InstalledProgram(app.exeName);
    if (program.empty()) {
        ui_.Show(MSG_NOT_INSTALLED);
        return false;
    }
    std::string folder = Tidy(FolderOf(program, IsLeadByte));
    InstallRecord record = ReadRecord(app, folder);
    // A killed install's temporaries are setup's own, not files to ask about.
    RemoveSetupTemporaries(record.files, folder);
    std::vector<std::string> others = OtherFiles(folder, record);
    bool removeFiles = others.empty() ? ui_.Ask(MSG_ASK_DELETE_FOLDER, folder)
                                      : ui_.Ask(MSG_ASK_DELETE_INSTALLED, folder + FileListText(others));
    const std::vector<std::string> setupFiles = SetupFiles(folder);
    bool removeOthers = false;
    if (removeFiles) {
        std::vector<std::string> files;
        for (const std::string& path : record.files)
            if (!InstallRecord::Holds(setupFiles, path)) files.push_back(path);
        // What the user put there stays unless the user says otherwise.
        bool removed = DeleteFiles(folder, files);
        if (removed && !others.empty()) removeOthers = ui_.Ask(MSG_ASK_DELETE_OTHERS, FileListText(others));
        if (!removed) {
            ui_.Show(MSG_UNINSTALL_STOPPED);
            return false;
        }
    } else if (ui_.Ask(MSG_ASK_STOP_UNINSTALL)) {
        ui_.Show(MSG_UNINSTALL_STOPPED);
        return false;
    }
    const std::string appPathsKey = std::string(kAppPathsKey) + "\\" + app.exeName;
    HKEY appKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, appPathsKey.c_str(), 0, KEY_READ | KEY_WRITE, &appKey) == ERROR_SUCCESS) {
        ReleaseSharedFiles(appKey);
        RegCloseKey(appKey);
    }
    InstallRecord::Add(record.keys, std::string(kUninstallKey) + "\\" + app.name);
    for (const std::string& key : record.keys)
        if (!SamePath(key, appPathsKey)) DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
    InstallRecord::Add(record.links, JoinPath(folders_.desktop, app.name + ".lnk"));
    for (const std::string& link : record.links) DeleteShortcut(link, program);
    if (!app.regSetKey.empty() && !ui_.Ask(MSG_ASK_KEEP_SETTINGS, app.name)) DeleteUserSettings(app.regSetKey);
    if (removeFiles) {
        if (!DeleteFiles(folder, setupFiles) || (removeOthers && !DeleteTree(folder))) {
            ui_.Show(MSG_UNINSTALL_STOPPED);
            return false;
        }
        RemoveInstalledFolders(folder, record);
        RemoveEmptyFolders(folder, folders_.programFiles);
    }
    HKEY appPaths;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, KEY_READ | KEY_WRITE, &appPaths) == ERROR_SUCCESS) {
        RegDeleteKeyA(appPaths, app.exeName.c_str());
        RegCloseKey(appPaths);
    }
    app.previousFolder.clear();
    app.folder = Tidy(JoinPath(folders_.programFiles, Profile(definition_.path, app.section, "Folder", "default", 1024)));
    ui_.Show(MSG_UNINSTALLED);
    return true;
}

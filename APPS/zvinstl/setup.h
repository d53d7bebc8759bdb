// The setup engine: reads the definition file, copies an application's files,
// registers and unregisters it. It reports through ISetupUi, so the same
// steps run under the dialogs and in tests.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "setuptext.h"

// Message numbers of the string table (texts in zvinstl.rc).
enum SetupMessage {
    MSG_NO_FOLDER_PART = 4,
    MSG_DEFINITION_MISSING = 5,
    MSG_NO_TITLE = 6,
    MSG_SYSTEM_VALUE_MISSING = 7,
    MSG_NO_OUTLINE = 8,
    MSG_NO_APPLICATION = 9,
    MSG_BROWSE_TITLE = 10,
    MSG_DELETE_FILE_FAILED = 11,
    MSG_DELETE_FOLDER_FAILED = 12,
    MSG_ASK_DELETE_PREVIOUS = 13,
    MSG_DELETE_PREVIOUS_FAILED = 14,
    MSG_KEEP_PREVIOUS = 15,
    MSG_REGISTRY_FAILED = 16,
    MSG_INSTALLED = 17,
    MSG_UP_TO_DATE = 18,
    MSG_INSTALL_STOPPED = 19,
    MSG_NO_THREAD = 20,
    MSG_ASK_STOP_COPY = 21,
    MSG_SOURCE_MISSING = 24,
    MSG_SOURCE_NOT_OPENED = 25,
    MSG_DESTINATION_NOT_CREATED = 26,
    MSG_READ_FAILED = 27,
    MSG_SIZE_MISMATCH = 28,
    MSG_WRITE_FAILED = 29,
    MSG_NOT_INSTALLED = 30,
    MSG_ASK_DELETE_FOLDER = 31,
    MSG_UNINSTALL_STOPPED = 32,
    MSG_ASK_STOP_UNINSTALL = 33,
    MSG_ASK_DELETE_SHARED = 34,
    MSG_ASK_KEEP_SETTINGS = 35,
    MSG_UNINSTALLED = 36,
    MSG_ASK_DELETE_INSTALLED = 37,
    MSG_ASK_DELETE_OTHERS = 38,
    MSG_MORE_FILES = 39,
};

// Whether a message is an error (caption "エラー") or a notice.
bool IsErrorMessage(int id);
bool IsLeadByte(unsigned char byte);

struct CopyCounters {
    int total = 0;
    int processed = 0;
    int installed = 0;
    int skipped = 0;
};

// What the copy worker tells its window; called on the worker's thread.
class ICopyProgress {
public:
    virtual ~ICopyProgress() = default;
    virtual void FileStarted(const std::string& source, const std::string& destination, ULONGLONG size) = 0;
    virtual void BytesCopied(ULONGLONG done) = 0;
    virtual void CountersChanged(const CopyCounters& counters) = 0;
    // Polled between blocks: waits while the user decides, true to stop.
    virtual bool StopRequested() = 0;
};

class CopyJob;

class ISetupUi {
public:
    virtual ~ISetupUi() = default;
    virtual std::string Text(int id) = 0;
    // Shows message `id`, its "%s" filled with arg.
    virtual void Show(int id, const std::string& arg = std::string()) = 0;
    // Asks message `id`; true for Yes.
    virtual bool Ask(int id, const std::string& arg = std::string()) = 0;
    // Runs the copy with its window: 1 when every file was done, 0 when the
    // copy stopped, -1 when the worker could not start.
    virtual int RunCopy(CopyJob& job) = 0;
};

struct SystemFolders {
    std::string desktop, commonFiles, programFiles;
    std::string programs;  // the Start menu's programs folder; empty when the system names none
};

// One file to copy: from the setup folder to its destination.
struct CopyEntry {
    std::string source, destination;
    bool hasFolderPart = false;
};

class CopyJob {
public:
    CopyJob(ISetupUi& ui, std::vector<CopyEntry> entries);
    // Copies every entry in order; false when one failed or the user stopped.
    bool Run(ICopyProgress& progress);
    const CopyCounters& Counters() const { return counters_; }
    const std::string& Paths() const { return paths_.Text(); }
    const std::vector<CopyEntry>& Entries() const { return entries_; }
    // Folders the copy created, top down.
    const std::vector<std::string>& CreatedFolders() const { return created_; }

private:
    bool CopyOne(const CopyEntry& entry, ICopyProgress& progress);
    ISetupUi& ui_;
    std::vector<CopyEntry> entries_;
    CopyCounters counters_;
    PathList paths_;
    std::vector<std::string> created_;
    // Large blocks copy at the disk's speed; the small one stands in when
    // memory for a large one cannot be had.
    std::unique_ptr<char[]> large_;
    char small_[4096];
    char* block_ = small_;
    size_t blockSize_ = sizeof small_;
};

// Registry locations, shared with the tests.
extern const char* const kAppPathsKey;
extern const char* const kSharedDllsKey;
extern const char* const kCommonFileMark;
extern const char* const kUninstallKey;
// The record of an installation, in its install folder.
extern const char* const kRecordName;

class Setup {
public:
    Setup(ISetupUi& ui, SetupDefinition& definition, const SystemFolders& folders);

    // The start-up checks in order: the definition file of setupFolder (message 5),
    // the system folders (message 7), at least one application (message 9).
    static bool Start(ISetupUi& ui, const std::string& setupFolder, SetupDefinition& definition,
                      SystemFolders& folders);
    static bool Load(ISetupUi& ui, const std::string& setupFolder, SetupDefinition& definition);
    // Reads the desktop, common files and program files folders; message 7 and false when one is missing.
    static bool ReadSystemFolders(ISetupUi& ui, SystemFolders& folders);
    // Fills each application's install folder: the previous installation's, else the proposed one.
    void ProposeFolders();

    // The setup program itself: installed beside the application with its
    // definition file, so that uninstalling needs no distribution folder.
    void SetSetupProgram(const std::string& path) { setupProgram_ = path; }

    bool Install(size_t app);
    bool Uninstall(size_t app);

private:
    std::vector<CopyEntry> Entries(const SetupApp& app) const;
    bool Register(const SetupApp& app, const CopyJob& job, InstallRecord& record);
    bool WriteUninstallEntry(const SetupApp& app, InstallRecord& record);
    bool CreateShortcut(const SetupApp& app, const std::string& path);
    void DeleteShortcut(const std::string& path, const std::string& program);
    InstallRecord ReadRecord(const SetupApp& app, const std::string& folder) const;
    bool WriteRecord(const std::string& folder, const InstallRecord& record);
    // Files of folder and below that no installation wrote, relative to it.
    std::vector<std::string> OtherFiles(const std::string& folder, const InstallRecord& record) const;
    // Deletes those of files that lie below folder; false when one stays.
    bool DeleteFiles(const std::string& folder, const std::vector<std::string>& files);
    void RemoveInstalledFolders(const std::string& folder, const InstallRecord& record);
    // The files of setup itself in an install folder: the record, the definition and the setup copy.
    std::vector<std::string> SetupFiles(const std::string& folder) const;
    std::string FileListText(const std::vector<std::string>& files);
    bool DeleteTree(const std::string& folder);
    void RemoveEmptyFolders(std::string folder, const std::string& stop);
    void ReleaseSharedFiles(HKEY appKey);
    void DeleteUserSettings(const std::string& regSetKey);

    ISetupUi& ui_;
    SetupDefinition& definition_;
    SystemFolders folders_;
    std::string setupProgram_;
};

// The default value of the application's App Paths key; empty when absent.
std::string InstalledProgram(const std::string& exeName);

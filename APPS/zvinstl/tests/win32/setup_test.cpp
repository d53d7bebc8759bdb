// The setup engine under Wine with real files and the real registry: every
// question is answered by the test and every message recorded by number.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "setup.h"
#include "testfiles.h"

namespace {

std::string AppValue(const std::string& exeName, const char* name) {
    return ReadString(HKEY_LOCAL_MACHINE, std::string(kAppPathsKey) + "\\" + exeName, name);
}

std::string TempRoot() {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    return std::string(base) + "zvinstl_test_" + std::to_string(GetCurrentProcessId());
}

DWORD SharedCount(const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0xFFFFFFFF;
    DWORD count = 0xFFFFFFFF, size = sizeof count;
    RegQueryValueExA(key, path.c_str(), nullptr, nullptr, (BYTE*)&count, &size);
    RegCloseKey(key);
    return count;
}

void SetSharedCount(const std::string& path, DWORD count) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, path.c_str(), 0, REG_DWORD, (const BYTE*)&count, sizeof count);
    RegCloseKey(key);
}

// Counts without a window; the hook runs after every block.
class Progress : public ICopyProgress {
public:
    std::function<bool(const std::string& source, ULONGLONG done)> afterBlock;
    void FileStarted(const std::string& source, const std::string&, ULONGLONG) override { source_ = source; }
    void BytesCopied(ULONGLONG done) override { done_ = done; }
    void CountersChanged(const CopyCounters&) override {}
    bool StopRequested() override { return afterBlock && done_ > 0 && afterBlock(source_, done_); }

private:
    std::string source_;
    ULONGLONG done_ = 0;
};

class RecordingUi : public ISetupUi {
public:
    std::vector<int> messages;       // shown and asked, in order
    std::map<int, std::string> args;  // last argument per message
    std::map<int, bool> answers;      // Yes unless told otherwise
    Progress progress;

    std::string Text(int id) override { return "<" + std::to_string(id) + ">"; }
    void Show(int id, const std::string& arg) override {
        messages.push_back(id);
        args[id] = arg;
    }
    bool Ask(int id, const std::string& arg) override {
        Show(id, arg);
        auto answer = answers.find(id);
        return answer == answers.end() ? true : answer->second;
    }
    int RunCopy(CopyJob& job) override { return job.Run(progress) ? 1 : 0; }
    bool Saw(int id) const { return std::find(messages.begin(), messages.end(), id) != messages.end(); }
};

// A setup folder with a definition file, and private system folders.
class SetupTest : public testing::Test {
protected:
    void SetUp() override {
        root = TempRoot();
        CreateDirectoryA(root.c_str(), nullptr);
        for (const char* sub : {"\\setup", "\\desktop", "\\common", "\\programs", "\\menu"}) {
            CreateDirectoryA((root + sub).c_str(), nullptr);
        }
        setupFolder = root + "\\setup";
        folders.desktop = root + "\\desktop";
        folders.commonFiles = root + "\\common";
        folders.programFiles = root + "\\programs";
        folders.programs = root + "\\menu";
        exeName = "zvinstl_test_" + std::to_string(GetCurrentProcessId()) + ".exe";
    }
    void TearDown() override {
        HKEY appPaths;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kAppPathsKey, 0, KEY_WRITE, &appPaths) == ERROR_SUCCESS) {
            RegDeleteKeyA(appPaths, exeName.c_str());
            RegCloseKey(appPaths);
        }
        HKEY shared;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, KEY_WRITE, &shared) == ERROR_SUCCESS) {
            RegDeleteValueA(shared, (folders.commonFiles + "\\zv\\shared.dll").c_str());
            RegCloseKey(shared);
        }
        HKEY uninstall;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_WRITE, &uninstall) == ERROR_SUCCESS) {
            RegDeleteKeyA(uninstall, "Test App");
            RegCloseKey(uninstall);
        }
        RemoveTree(root);
    }

    void WriteDefinition(const std::string& app) {
        WriteFileText(setupFolder + "\\zvinstl.def",
                      "[Setup]\r\nTitle=Test setup\r\n[App1]\r\nAppName=Test App\r\nExeName=" + exeName +
                          "\r\nFolder=Maker\\Test App\r\n" + app);
    }
    void WriteSource(const std::string& name, const std::string& data, const FILETIME* time = nullptr) {
        WriteFileText(setupFolder + "\\" + name, data, time);
    }
    // Loads the definition and proposes the install folder, as the program's start does.
    ::Setup& Start() {
        definition = SetupDefinition();
        EXPECT_TRUE(Setup::Load(ui, setupFolder, definition));
        setup.reset(new ::Setup(ui, definition, folders));
        setup->ProposeFolders();
        return *setup;
    }
    std::string Installed(const std::string& name) { return folders.programFiles + "\\Maker\\Test App\\" + name; }

    std::string root, setupFolder, exeName;
    SystemFolders folders;
    SetupDefinition definition;
    RecordingUi ui;
    std::unique_ptr<::Setup> setup;
};

const std::string kSo = "\x83\x5c";  // ソ, whose trail byte is a backslash

}  // namespace

TEST_F(SetupTest, StartChecksDefinitionThenApplications) {
    SystemFolders found;
    EXPECT_FALSE(::Setup::Start(ui, setupFolder, definition, found));
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_DEFINITION_MISSING});
    EXPECT_EQ(ui.args[MSG_DEFINITION_MISSING], setupFolder + "\\zvinstl.def");

    ui.messages.clear();
    WriteFileText(setupFolder + "\\zvinstl.def", "[App1]\r\nAppName=\r\n[App2]\r\nAppName=Second\r\n");
    EXPECT_FALSE(::Setup::Start(ui, setupFolder, definition, found));
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_NO_APPLICATION}) << "an empty first AppName ends the list";
    EXPECT_FALSE(found.programFiles.empty());

    ui.messages.clear();
    WriteFileText(setupFolder + "\\zvinstl.def",
                  "[App1]\r\nAppName=One\r\nOutline=first\\nsecond " + kSo + "\\\\\r\nFile1=a\r\nFile2=b\r\nFile4=d\r\n");
    ASSERT_TRUE(::Setup::Start(ui, setupFolder, definition, found));
    ASSERT_EQ(definition.apps.size(), 1u);
    EXPECT_EQ(definition.title, "<6>");
    EXPECT_EQ(definition.apps[0].outline, "first\nsecond " + kSo + "\\");
    EXPECT_EQ(definition.apps[0].files, (std::vector<std::string>{"a", "b"})) << "File3 is missing: the list ends";
}

TEST_F(SetupTest, SubFolderFilesEnterThePathValueOnce) {
    WriteDefinition("File1=main.txt\r\nFile2=doc\\one.txt\r\nFile3=doc/two.txt\r\nFile4=" + kSo + "\\three.txt\r\n");
    for (const char* name : {"main.txt", "one.txt", "two.txt", "three.txt"}) WriteSource(name, name);
    Start().Install(0);
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_INSTALLED});
    EXPECT_EQ(ReadFileText(Installed("doc\\one.txt")), "one.txt");
    EXPECT_EQ(ReadFileText(Installed("doc\\two.txt")), "two.txt");
    EXPECT_EQ(ReadFileText(Installed(kSo + "\\three.txt")), "three.txt");
    std::string app = folders.programFiles + "\\Maker\\Test App";
    EXPECT_EQ(AppValue(exeName, "path"), app + "\\doc;" + app + "\\" + kSo + ";");
    EXPECT_EQ(AppValue(exeName, ""), app + "\\" + exeName);
    EXPECT_EQ(CountFiles(Installed("doc\\*.tmp")), 0);
}

TEST_F(SetupTest, ReinstallingCopiesNothingAndCountsSharedFilesOnce) {
    WriteDefinition("File1=app.txt\r\nCommonFile1=zv\\shared.dll\r\n");
    WriteSource("app.txt", "app");
    WriteSource("shared.dll", "not a real library");
    std::string shared = folders.commonFiles + "\\zv\\shared.dll";
    std::string shortcut = folders.desktop + "\\Test App.lnk";

    Start().Install(0);
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_INSTALLED});
    EXPECT_EQ(ReadFileText(shared), "not a real library");
    EXPECT_EQ(SharedCount(shared), 1u);
    EXPECT_EQ(AppValue(exeName, "zv\\shared.dll"), kCommonFileMark);
    EXPECT_TRUE(Exists(shortcut)) << "the first installation makes a shortcut";

    // The same files again: all skipped, message 18, nothing counted twice.
    DeleteFileA(shortcut.c_str());
    ui.messages.clear();
    Start().Install(0);
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_UP_TO_DATE});
    EXPECT_EQ(SharedCount(shared), 1u);

    // A newer source is installed again; still one count and no new shortcut.
    FILETIME later;
    GetSystemTimeAsFileTime(&later);
    later.dwHighDateTime += 10;
    WriteSource("app.txt", "app 2", &later);
    ui.messages.clear();
    Start().Install(0);
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_INSTALLED});
    EXPECT_EQ(ReadFileText(Installed("app.txt")), "app 2");
    EXPECT_EQ(SharedCount(shared), 1u);
    EXPECT_FALSE(Exists(shortcut));
}

TEST_F(SetupTest, AGrowingSourceFailsAndKeepsTheOldFile) {
    WriteDefinition("File1=grow.txt\r\n");
    FILETIME old = {0x10000000, 0x01B00000};
    WriteSource("grow.txt", std::string(5000, 'g'));
    Start();
    CreateDirectoryA((folders.programFiles + "\\Maker").c_str(), nullptr);
    CreateDirectoryA((folders.programFiles + "\\Maker\\Test App").c_str(), nullptr);
    WriteFileText(Installed("grow.txt"), "installed before", &old);

    // Another program appends to the source while it is copied.
    ui.progress.afterBlock = [](const std::string& source, ULONGLONG) {
        HANDLE h = CreateFileA(source.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        DWORD written;
        WriteFile(h, "more", 4, &written, nullptr);
        CloseHandle(h);
        return false;
    };
    setup->Install(0);
    EXPECT_EQ(ui.messages, (std::vector<int>{MSG_SIZE_MISMATCH, MSG_INSTALL_STOPPED}));
    EXPECT_EQ(ReadFileText(Installed("grow.txt")), "installed before");
    EXPECT_EQ(CountFiles(Installed("*.tmp")), 0);

    // The user stops a copy: the older installation stays whole too.
    ui.messages.clear();
    WriteSource("grow.txt", std::string(5000, 'g'));
    ui.progress.afterBlock = [](const std::string&, ULONGLONG done) { return done >= 2048; };
    setup->Install(0);
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_INSTALL_STOPPED});
    EXPECT_EQ(ReadFileText(Installed("grow.txt")), "installed before");
    EXPECT_EQ(CountFiles(Installed("*.tmp")), 0);
    EXPECT_EQ(AppValue(exeName, ""), "<no key>") << "a stopped installation is not registered";
}

TEST_F(SetupTest, UninstallLowersSharedCountsAndAsksOnlyAtZero) {
    WriteDefinition("File1=app.txt\r\nCommonFile1=zv\\shared.dll\r\nRegSetKey=z.v test\\" + exeName + "\r\n");
    WriteSource("app.txt", "app");
    WriteSource("shared.dll", "dll");
    std::string shared = folders.commonFiles + "\\zv\\shared.dll";
    SetSharedCount(shared, 1);  // another application uses it already

    Start().Install(0);
    EXPECT_EQ(SharedCount(shared), 2u);
    HKEY settings;
    std::string settingsKey = "Software\\z.v test\\" + exeName;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (settingsKey + "\\Section").c_str(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &settings, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(settings);

    ui.messages.clear();
    ui.answers[MSG_ASK_KEEP_SETTINGS] = false;
    ASSERT_TRUE(setup->Uninstall(0));
    EXPECT_EQ(ui.messages, (std::vector<int>{MSG_ASK_DELETE_FOLDER, MSG_ASK_KEEP_SETTINGS, MSG_UNINSTALLED}));
    EXPECT_EQ(SharedCount(shared), 1u);
    EXPECT_TRUE(Exists(shared));
    EXPECT_FALSE(Exists(Installed("app.txt")));
    EXPECT_FALSE(Exists(folders.programFiles + "\\Maker")) << "emptied parent folders go too";
    EXPECT_FALSE(Exists(folders.desktop + "\\Test App.lnk"));
    EXPECT_EQ(AppValue(exeName, ""), "<no key>");
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, settingsKey.c_str(), 0, KEY_READ, &settings), ERROR_SUCCESS);
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\z.v test", 0, KEY_READ, &settings), ERROR_SUCCESS);

    // Installed and uninstalled again: the last user of the shared file is asked about it.
    SetSharedCount(shared, 0);
    ui.messages.clear();
    setup->Install(0);
    ui.messages.clear();
    ASSERT_TRUE(setup->Uninstall(0));
    EXPECT_EQ(ui.messages, (std::vector<int>{MSG_ASK_DELETE_FOLDER, MSG_ASK_DELETE_SHARED, MSG_ASK_KEEP_SETTINGS,
                                             MSG_UNINSTALLED}));
    EXPECT_EQ(ui.args[MSG_ASK_DELETE_SHARED], shared);
    EXPECT_FALSE(Exists(shared));
    EXPECT_FALSE(Exists(folders.commonFiles + "\\zv"));
    EXPECT_EQ(SharedCount(shared), 0xFFFFFFFFu) << "the count value is gone";

    ui.messages.clear();
    EXPECT_FALSE(setup->Uninstall(0));
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_NOT_INSTALLED});
}

TEST_F(SetupTest, AnotherFolderOffersToDeleteThePreviousInstallation) {
    WriteDefinition("File1=app.txt\r\n");
    WriteSource("app.txt", "app");
    Start().Install(0);
    std::string previous = folders.programFiles + "\\Maker\\Test App";
    ASSERT_TRUE(Exists(previous + "\\app.txt"));

    Start();
    EXPECT_EQ(definition.apps[0].folder, previous) << "the previous folder is proposed";
    definition.apps[0].folder = root + "\\elsewhere\\\\";
    ui.messages.clear();
    setup->Install(0);
    EXPECT_EQ(ui.messages, (std::vector<int>{MSG_ASK_DELETE_PREVIOUS, MSG_INSTALLED}));
    EXPECT_FALSE(Exists(previous));
    EXPECT_EQ(ReadFileText(root + "\\elsewhere\\app.txt"), "app");
    EXPECT_EQ(AppValue(exeName, ""), root + "\\elsewhere\\" + exeName);

    // A folder that is not a full path installs nothing.
    definition.apps[0].folder = "relative\\folder";
    ui.messages.clear();
    EXPECT_FALSE(setup->Install(0));
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_DESTINATION_NOT_CREATED});
    EXPECT_EQ(AppValue(exeName, ""), root + "\\elsewhere\\" + exeName);

    ui.messages.clear();
    ui.answers[MSG_ASK_DELETE_FOLDER] = false;
    ui.answers[MSG_ASK_STOP_UNINSTALL] = true;
    EXPECT_FALSE(setup->Uninstall(0));
    EXPECT_EQ(ui.messages, (std::vector<int>{MSG_ASK_DELETE_FOLDER, MSG_ASK_STOP_UNINSTALL, MSG_UNINSTALL_STOPPED}));
    EXPECT_TRUE(Exists(root + "\\elsewhere\\app.txt"));
}

// An uninstall that stops half-way (a file it cannot delete stands for a
// kill) leaves no uninstall entry that starts a setup that is gone, and once
// the file is free the uninstall runs again to its end.
TEST_F(SetupTest, AnUninstallStoppedHalfWayCanBeRunAgainToItsEnd) {
    WriteDefinition("File1=app.txt\r\nFile2=doc\\one.txt\r\n");
    WriteSource("app.txt", "app");
    WriteSource("one.txt", "one");
    WriteSource("zvinstl.exe", "the setup program");
    std::string entry = std::string(kUninstallKey) + "\\Test App";
    Start().SetSetupProgram(setupFolder + "\\zvinstl.exe");
    ASSERT_TRUE(setup->Install(0));

    HANDLE held = CreateFileA(Installed("zvinstl.def").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ui.messages.clear();
    EXPECT_FALSE(setup->Uninstall(0));
    CloseHandle(held);
    EXPECT_TRUE(ui.Saw(MSG_DELETE_FILE_FAILED));
    EXPECT_TRUE(ui.Saw(MSG_UNINSTALL_STOPPED));
    EXPECT_FALSE(Exists(Installed("app.txt"))) << "the application's files go first";
    std::string uninstall = ReadString(HKEY_LOCAL_MACHINE, entry, "UninstallString");
    if (uninstall != "<no key>") EXPECT_TRUE(Exists(uninstall.substr(1, uninstall.size() - 2))) << uninstall;
    EXPECT_EQ(AppValue(exeName, ""), Installed(exeName)) << "a rerun finds the installation";

    ui.messages.clear();
    Start().SetSetupProgram(setupFolder + "\\zvinstl.exe");
    ASSERT_TRUE(setup->Uninstall(0));
    for (const char* name : {"app.txt", "doc\\one.txt", "zvinstl.exe", "zvinstl.def", kRecordName})
        EXPECT_FALSE(Exists(Installed(name))) << name;
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, entry, "UninstallString"), "<no key>");
    EXPECT_EQ(AppValue(exeName, ""), "<no key>");
}

TEST_F(SetupTest, UninstallRemovesWhatSetupWroteAndKeepsTheUsersFiles) {
    WriteDefinition("File1=app.txt\r\nFile2=doc\\one.txt\r\n");
    WriteSource("app.txt", "app");
    WriteSource("one.txt", "one");
    WriteSource("zvinstl.exe", "the setup program");
    std::string entry = std::string(kUninstallKey) + "\\Test App";
    std::string menuLink = folders.programs + "\\Test App.lnk";
    Start().SetSetupProgram(setupFolder + "\\zvinstl.exe");
    setup->Install(0);
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_INSTALLED});
    EXPECT_EQ(ReadFileText(Installed("zvinstl.exe")), "the setup program");
    EXPECT_TRUE(Exists(Installed("zvinstl.def"))) << "the installed copy finds its definition";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, entry, "UninstallString"), "\"" + Installed("zvinstl.exe") + "\"");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, entry, "DisplayName"), "Test App");
    EXPECT_TRUE(Exists(menuLink));
    std::string record = ReadFileText(Installed(kRecordName));
    for (const char* name : {"app.txt", "doc\\one.txt", "zvinstl.exe", "zvinstl.def"})
        EXPECT_NE(record.find("File=" + Installed(name) + "\r\n"), std::string::npos) << name;
    EXPECT_NE(record.find("Folder=" + Installed("doc") + "\r\n"), std::string::npos);
    EXPECT_NE(record.find("Key=" + entry + "\r\n"), std::string::npos);
    EXPECT_NE(record.find("Link=" + menuLink + "\r\n"), std::string::npos);

    // Installed again: nothing new, the record keeps what the first run wrote.
    ui.messages.clear();
    Start().SetSetupProgram(setupFolder + "\\zvinstl.exe");
    setup->Install(0);
    EXPECT_EQ(ui.messages, std::vector<int>{MSG_UP_TO_DATE});
    EXPECT_NE(ReadFileText(Installed(kRecordName)).find("Link=" + menuLink), std::string::npos);

    WriteFileText(Installed("memo.txt"), "the user's memo");
    WriteFileText(Installed("doc\\note.txt"), "the user's note");
    ui.messages.clear();
    ui.answers[MSG_ASK_DELETE_OTHERS] = false;
    ASSERT_TRUE(setup->Uninstall(0));
    EXPECT_EQ(ui.messages, (std::vector<int>{MSG_ASK_DELETE_INSTALLED, MSG_ASK_DELETE_OTHERS, MSG_UNINSTALLED}));
    const std::string& asked = ui.args[MSG_ASK_DELETE_INSTALLED];
    EXPECT_NE(asked.find("\nmemo.txt"), std::string::npos) << asked;
    EXPECT_NE(asked.find("\ndoc\\note.txt"), std::string::npos) << asked;
    EXPECT_EQ(asked.find("app.txt"), std::string::npos) << "installed files are not named";
    EXPECT_EQ(ReadFileText(Installed("memo.txt")), "the user's memo");
    EXPECT_EQ(ReadFileText(Installed("doc\\note.txt")), "the user's note");
    for (const char* name : {"app.txt", "doc\\one.txt", "zvinstl.exe", "zvinstl.def", kRecordName})
        EXPECT_FALSE(Exists(Installed(name))) << name;
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, entry, "UninstallString"), "<no key>");
    EXPECT_EQ(AppValue(exeName, ""), "<no key>");
    EXPECT_FALSE(Exists(menuLink));
    EXPECT_FALSE(Exists(folders.desktop + "\\Test App.lnk"));

    // Told to, uninstall takes the user's files too.
    ui.messages.clear();
    Start().SetSetupProgram(setupFolder + "\\zvinstl.exe");
    setup->Install(0);
    ui.answers[MSG_ASK_DELETE_OTHERS] = true;
    ui.messages.clear();
    ASSERT_TRUE(setup->Uninstall(0));
    EXPECT_EQ(ui.messages, (std::vector<int>{MSG_ASK_DELETE_INSTALLED, MSG_ASK_DELETE_OTHERS, MSG_UNINSTALLED}));
    EXPECT_FALSE(Exists(folders.programFiles + "\\Maker"));
}

TEST_F(SetupTest, TemporariesOfAKilledInstallGoWithTheNextInstallOrUninstall) {
    WriteDefinition("File1=app.txt\r\nFile2=doc\\one.txt\r\n");
    WriteSource("app.txt", "app");
    WriteSource("one.txt", "one");
    Start();
    ASSERT_TRUE(setup->Install(0));
    const char* const temporaries[] = {"zvi1A2B.tmp", "doc\\zvif.tmp", "zvinstl.log.tmp"};
    // Near misses of the pattern are the user's.
    const char* const users[] = {"zvinotes.tmp", "zviabcde.tmp", "doc\\zvi12.txt", "doc\\xzvi1.tmp"};
    auto plant = [&] {
        for (const char* name : temporaries) WriteFileText(Installed(name), "half a copy");
        for (const char* name : users) WriteFileText(Installed(name), "the user's");
    };

    plant();
    ui.messages.clear();
    Start();
    ASSERT_TRUE(setup->Install(0));
    for (const char* name : temporaries) EXPECT_FALSE(Exists(Installed(name))) << name;
    for (const char* name : users) EXPECT_EQ(ReadFileText(Installed(name)), "the user's") << name;

    plant();
    ui.messages.clear();
    ui.answers[MSG_ASK_DELETE_OTHERS] = false;
    ASSERT_TRUE(setup->Uninstall(0));
    for (const char* name : temporaries) EXPECT_FALSE(Exists(Installed(name))) << name;
    for (const char* name : users) EXPECT_EQ(ReadFileText(Installed(name)), "the user's") << name;
    const std::string& asked = ui.args[MSG_ASK_DELETE_INSTALLED];
    EXPECT_EQ(asked.find("zvi1A2B.tmp"), std::string::npos) << "temporaries are not the user's: " << asked;
    EXPECT_NE(asked.find("zvinotes.tmp"), std::string::npos) << asked;
}

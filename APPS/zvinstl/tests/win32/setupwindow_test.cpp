// zvinstl.exe driven as a user would, on a copy of the build's distribution
// folder: install, start the installed program, uninstall, with screenshots.
// The desktop and Start menu folders of the prefix are pointed at private
// folders meanwhile.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../resource.h"
#include "testfiles.h"
#include "windriver.h"

namespace {

const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* kWineOverrides = "Software\\Wine\\DllOverrides";
// Wine's shell writes "Shell Folders" anew from these when a program of the
// prefix starts, so both point at the test's folders.
const char* kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char* kVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";

// Shift_JIS text of a UTF-8 literal, as the program shows it.
std::string Sjis(const char* utf8) {
    wchar_t wide[512];
    char out[1024];
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 512);
    WideCharToMultiByte(932, 0, wide, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

void WriteString(HKEY root, const char* path, const char* name, const std::string& value, DWORD type = REG_SZ) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, type, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
    RegCloseKey(key);
}

std::string BuildFolder() {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    std::string path = module;
    path.resize(path.find_last_of('\\'));  // bin
    path.resize(path.find_last_of('\\'));  // the build
    return path;
}

DWORD TypeOf(const char* key) { return key == kUserShellFolders ? REG_EXPAND_SZ : REG_SZ; }

void Shot(HWND window, const char* name) {
    EXPECT_TRUE(windriver::SaveScreenshot(window, windriver::ScreenshotFolder() + name)) << name;
}

class SetupWindowTest : public testing::Test {
protected:
    void SetUp() override {
        char base[MAX_PATH];
        GetTempPathA(sizeof base, base);
        root = std::string(base) + "zvinstl_gui_" + std::to_string(GetCurrentProcessId());
        dist = root + "\\dist";
        desktop = root + "\\desktop";
        menu = root + "\\menu";
        CreateDirectoryA(root.c_str(), nullptr);
        CreateDirectoryA(dist.c_str(), nullptr);
        CreateDirectoryA(desktop.c_str(), nullptr);
        CreateDirectoryA(menu.c_str(), nullptr);
        WIN32_FIND_DATAA data;
        std::string built = BuildFolder() + "\\dist";
        HANDLE h = FindFirstFileA((built + "\\*").c_str(), &data);
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << "the build makes " << built;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                CopyFileA((built + "\\" + data.cFileName).c_str(), (dist + "\\" + data.cFileName).c_str(), FALSE);
            }
        } while (FindNextFileA(h, &data));
        FindClose(h);
        // Wine's menu builder would copy the shortcuts into the Linux desktop
        // and menus: it is turned off while setup runs (an empty override).
        WriteString(HKEY_CURRENT_USER, kWineOverrides, "winemenubuilder.exe", "");
        for (const char* key : {kShellFolders, kUserShellFolders}) {
            for (const char* name : {"Desktop", "Programs"}) {
                saved.push_back(ReadString(HKEY_CURRENT_USER, key, name));
                WriteString(HKEY_CURRENT_USER, key, name, name[0] == 'D' ? desktop : menu, TypeOf(key));
            }
        }
    }
    void TearDown() override {
        windriver::Stop(program);
        HKEY overrides;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kWineOverrides, 0, KEY_WRITE, &overrides) == ERROR_SUCCESS) {
            RegDeleteValueA(overrides, "winemenubuilder.exe");
            RegCloseKey(overrides);
        }
        size_t at = 0;
        for (const char* key : {kShellFolders, kUserShellFolders})
            for (const char* name : {"Desktop", "Programs"})
                if (at < saved.size()) WriteString(HKEY_CURRENT_USER, key, name, saved[at++], TypeOf(key));
        RemoveTree(root);
    }

    HWND StartSetup() {
        EXPECT_TRUE(windriver::Start("\"" + dist + "\\zvinstl.exe\"", program, dist.c_str()));
        return windriver::WaitForWindow("z.v Setup", 15000, program.id);
    }
    // Waits for the next message box of `owner`, checks its text and answers it.
    // "%s" in text stands for arg.
    void Answer(HWND owner, const char* caption, const char* text, int button, const char* shot = nullptr,
                const std::string& arg = std::string()) {
        std::string expected = Sjis(text);
        size_t at = expected.find("%s");
        if (at != std::string::npos) expected.replace(at, 2, arg);
        HWND box = windriver::WaitForOwnedWindow(owner, Sjis(caption).c_str(), 60000);
        ASSERT_NE(box, nullptr) << "waiting for: " << expected;
        EXPECT_EQ(windriver::MessageText(box), expected);
        if (shot) Shot(box, shot);
        windriver::Press(box, button);
        windriver::WaitForGone(box, 5000);
    }

    std::string root, dist, desktop, menu;
    std::vector<std::string> saved;  // the system's folder values, put back at the end
    windriver::Program program;
};

}  // namespace

TEST_F(SetupWindowTest, InstallsStartsAndUninstallsOurDistribution) {
    std::string programFiles = ReadString(HKEY_LOCAL_MACHINE, kVersionKey, "ProgramFilesDir");
    std::string commonFiles = ReadString(HKEY_LOCAL_MACHINE, kVersionKey, "CommonFilesDir");
    std::string folder = programFiles + "\\z.v\\Torsel Sitekeeper";
    std::string appKey = std::string(kVersionKey) + "\\App Paths\\zvtorsel.exe";
    ASSERT_EQ(ReadString(HKEY_LOCAL_MACHINE, appKey, ""), "<no key>") << "the prefix holds an installation";

    HWND main = StartSetup();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, kShellFolders, "Desktop"), desktop) << "the desktop was pointed back";
    EXPECT_EQ(windriver::ComboItems(main, IDC_APPS), std::vector<std::string>{"z.v Torsel Sitekeeper"});
    EXPECT_EQ(windriver::ItemText(main, IDC_FOLDER), folder);
    std::string outline = windriver::ItemText(main, IDC_OUTLINE);
    EXPECT_NE(outline.find('\n'), std::string::npos) << "\\n of the definition is a line break";
    Shot(main, "zvinstl_main.bmp");

    windriver::Press(main, IDC_INSTALL);
    HWND copying = windriver::WaitForWindow(Sjis(u8"コピー中...").c_str(), 3000, program.id);
    if (copying) windriver::SaveScreenshot(copying, windriver::ScreenshotFolder() + "zvinstl_copy.bmp");
    Answer(main, u8"お知らせ", u8"インストールできました。", IDOK, "zvinstl_installed.bmp");

    for (const char* name : {"zvtorsel.exe"}) EXPECT_TRUE(Exists(folder + "\\" + name)) << name;
    for (const char* name : {"zvcore32.dll", "zvpix32.dll", "zvclass.dll"}) {
        EXPECT_TRUE(Exists(commonFiles + "\\z.v\\" + name)) << name;
    }
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, appKey, ""), folder + "\\zvtorsel.exe");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, appKey, "path"), commonFiles + "\\z.v;");
    EXPECT_EQ(CountFiles(desktop + "\\*.lnk"), 1);
    EXPECT_TRUE(Exists(desktop + "\\z.v Torsel Sitekeeper.lnk"));
    EXPECT_TRUE(Exists(menu + "\\z.v Torsel Sitekeeper.lnk")) << "a Start menu shortcut";
    // The system's list of installed programs starts the copy of setup in the program's folder.
    std::string entry = std::string(kVersionKey) + "\\Uninstall\\z.v Torsel Sitekeeper";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, entry, "DisplayName"), "z.v Torsel Sitekeeper");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, entry, "UninstallString"), "\"" + folder + "\\zvinstl.exe\"");
    EXPECT_EQ(ReadFileText(folder + "\\zvinstl.exe"), ReadFileText(dist + "\\zvinstl.exe"));
    EXPECT_EQ(ReadFileText(folder + "\\zvinstl.def"), ReadFileText(dist + "\\zvinstl.def"));

    // The shell starts the program by its App Paths entry, which also finds
    // the shared libraries; bad arguments end it at once with its own code.
    SHELLEXECUTEINFOA run = {};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    run.lpFile = "zvtorsel.exe";
    run.lpParameters = "/no-such-job";
    run.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&run)) << GetLastError();
    ASSERT_NE(run.hProcess, nullptr);
    EXPECT_EQ(WaitForSingleObject(run.hProcess, 20000), WAIT_OBJECT_0);
    DWORD exitCode = 0;
    GetExitCodeProcess(run.hProcess, &exitCode);
    CloseHandle(run.hProcess);
    EXPECT_EQ(exitCode, 2u) << "the installed program ran (0xC0000135: a library was not found)";

    // Every help page installed is the Shift_JIS page that the build wrote
    // beside the program.
    int pages = 0;
    WIN32_FIND_DATAA page;
    HANDLE found = FindFirstFileA((folder + "\\*.htm").c_str(), &page);
    ASSERT_NE(found, INVALID_HANDLE_VALUE) << "no help page installed";
    do {
        std::string installed = ReadFileText(folder + "\\" + page.cFileName);
        EXPECT_EQ(installed, ReadFileText(BuildFolder() + "\\bin\\" + page.cFileName)) << page.cFileName;
        EXPECT_GT(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, installed.data(), (int)installed.size(), nullptr, 0),
                  0)
            << page.cFileName << " is not code page 932";
        ++pages;
    } while (FindNextFileA(found, &page));
    FindClose(found);
    EXPECT_EQ(pages, 10);

    // Started by its full path, as a shortcut or Explorer does, the program
    // finds the shared libraries itself; a missing one is named in a box.
    windriver::Program started;
    std::string installed = folder + "\\zvtorsel.exe";
    ASSERT_TRUE(windriver::Start("\"" + installed + "\" /no-such-job", started, root.c_str()));
    EXPECT_EQ(windriver::WaitForExit(started, 20000), 2) << "53 or 0xC0000135: a library was not found";
    std::string shared = commonFiles + "\\z.v\\zvclass.dll";
    ASSERT_TRUE(MoveFileA(shared.c_str(), (shared + ".away").c_str()));
    ASSERT_TRUE(windriver::Start("\"" + installed + "\"", started, root.c_str()));
    HWND missing = windriver::WaitForWindow("z.v Torsel Sitekeeper", 20000, started.id);
    EXPECT_NE(missing, nullptr);
    if (missing) {
        EXPECT_NE(windriver::MessageText(missing).find("zvclass.dll"), std::string::npos);
        Shot(missing, "zvtorsel_library_missing.bmp");
        windriver::Press(missing, IDOK);
    }
    EXPECT_EQ(windriver::WaitForExit(started, 10000), 1);
    ASSERT_TRUE(MoveFileA((shared + ".away").c_str(), shared.c_str()));

    // Installing again copies nothing.
    windriver::Press(main, IDC_INSTALL);
    Answer(main, u8"お知らせ", u8"すでに、最新版がインストールされています。", IDOK);
    EXPECT_EQ(CountFiles(desktop + "\\*.lnk"), 1);

    // The user's own file in the program's folder, and the program's settings.
    WriteFileText(folder + "\\memo.txt", "the user's memo");
    WriteString(HKEY_CURRENT_USER, "Software\\z.v\\zvkestor\\Rebuild", "RebuildFolder", "C:\\Sites\\old\\");
    windriver::Press(main, IDC_UNINSTALL);
    Answer(main, u8"お知らせ",
           u8"%s\n\nこのフォルダには、インストールしたもののほかに、上のファイルがあります。\n"
           u8"それらは残して、インストールしたファイルを削除してもいいですか？",
           IDYES, "zvinstl_ask_folder.bmp", folder + "\nmemo.txt");
    Answer(main, u8"お知らせ", u8"インストールしたものではない次のファイルも、削除しますか？\n「いいえ」を選ぶと残します。\n%s",
           IDNO, nullptr, "\nmemo.txt");
    for (int i = 0; i < 3; ++i) {
        HWND box = windriver::WaitForOwnedWindow(main, Sjis(u8"お知らせ").c_str(), 60000);
        ASSERT_NE(box, nullptr);
        EXPECT_NE(windriver::MessageText(box).find(Sjis(u8"共有ファイル")), std::string::npos);
        windriver::Press(box, IDYES);
        windriver::WaitForGone(box, 5000);
    }
    Answer(main, u8"お知らせ", u8"z.v Torsel Sitekeeper の各ユーザーの設定データは削除せず、残しますか？", IDNO);
    Answer(main, u8"お知らせ", u8"アンインストールできました。", IDOK);

    EXPECT_EQ(ReadFileText(folder + "\\memo.txt"), "the user's memo");
    EXPECT_EQ(CountFiles(folder + "\\*"), 1) << "only the user's file stays";
    EXPECT_FALSE(Exists(commonFiles + "\\z.v"));
    EXPECT_EQ(ListFiles(desktop + "\\*"), "");
    EXPECT_EQ(ListFiles(menu + "\\*"), "");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, appKey, ""), "<no key>");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, entry, "UninstallString"), "<no key>");
    for (const char* name : {"zvcore32.dll", "zvpix32.dll", "zvclass.dll"}) {
        std::string value = commonFiles + "\\z.v\\" + name;
        HKEY shared;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kVersionKey) + "\\SharedDLLs").c_str(), 0, KEY_READ,
                                &shared),
                  ERROR_SUCCESS);
        EXPECT_NE(RegQueryValueExA(shared, value.c_str(), nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS) << name;
        RegCloseKey(shared);
    }
    HKEY settings;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\z.v\\zvkestor", 0, KEY_READ, &settings), ERROR_SUCCESS);
    DeleteFileA((folder + "\\memo.txt").c_str());
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA((programFiles + "\\z.v").c_str());

    windriver::Press(main, IDCANCEL);
    EXPECT_EQ(windriver::WaitForExit(program, 10000), 0);
}

TEST_F(SetupWindowTest, StoppingTheCopyKeepsTheInstalledFile) {
    std::string exeName = "zvinstl_stop_" + std::to_string(GetCurrentProcessId()) + ".exe";
    std::string target = root + "\\target";
    std::string definition = "[App1]\r\nAppName=Stop test\r\nExeName=" + exeName + "\r\nFile1=big.bin\r\n";
    WriteFileText(dist + "\\zvinstl.def", definition);
    // Large enough that the copy still runs when the test stops it, and
    // sparse, so that making it costs nothing.
    HANDLE big = CreateFileA((dist + "\\big.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(big, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 1LL << 30;
    ASSERT_TRUE(SetFilePointerEx(big, size, nullptr, FILE_BEGIN) && SetEndOfFile(big));
    CloseHandle(big);
    CreateDirectoryA(target.c_str(), nullptr);
    FILETIME old = {0, 0x01B00000};
    WriteFileText(target + "\\big.bin", "old", &old);

    HWND main = StartSetup();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(windriver::ItemText(main, IDC_TITLE), Sjis(u8"タイトルはありません。"));
    windriver::SetItemText(main, IDC_FOLDER, target.c_str());
    windriver::Press(main, IDC_INSTALL);
    HWND copying = windriver::WaitForWindow(Sjis(u8"コピー中...").c_str(), 10000, program.id);
    ASSERT_NE(copying, nullptr);
    windriver::Press(copying, IDCANCEL);
    // The progress panel leaves every control of the main dialog in sight.
    RECT panel;
    ASSERT_TRUE(GetWindowRect(copying, &panel));
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT control, overlap;
        if (!IsWindowVisible(child) || !GetWindowRect(child, &control)) continue;
        EXPECT_FALSE(IntersectRect(&overlap, &panel, &control)) << "covers control " << GetDlgCtrlID(child);
    }
    HWND question = windriver::WaitForOwnedWindow(copying, Sjis(u8"お知らせ").c_str(), 10000);
    ASSERT_NE(question, nullptr);
    Shot(copying, "zvinstl_copy_paused.bmp");
    Shot(question, "zvinstl_ask_stop.bmp");
    EXPECT_EQ(windriver::MessageText(question),
              Sjis(u8"バージョンアップの場合はアプリが動作しなくなるかもしれません。\nインストールを中断しますか？"));
    windriver::Press(question, IDYES);
    Answer(main, u8"お知らせ", u8"インストールは、中断されました。", IDOK);

    EXPECT_EQ(ReadFileText(target + "\\big.bin"), "old");
    EXPECT_EQ(CountFiles(target + "\\*"), 1) << "no partial copy is left";
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, std::string(kVersionKey) + "\\App Paths\\" + exeName, ""),
              "<no key>");
    windriver::Press(main, IDCANCEL);
    EXPECT_EQ(windriver::WaitForExit(program, 10000), 0);
}

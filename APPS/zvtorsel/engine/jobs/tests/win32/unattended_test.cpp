#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

// Runs zvtorsel.exe from the test's own folder; -1 when it cannot be started.
int RunProgram(const std::string& arguments) {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string program = module;
    program = program.substr(0, program.find_last_of('\\') + 1) + "zvtorsel.exe";
    if (GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) return -1;
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = (DWORD)-1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return (int)code;
}

TEST(UnattendedRebuild, ExitCodesForArgumentsARunningCopyAndAFinishedRun) {
    if (RunProgram("/rebuild /nonsense") == -1) GTEST_SKIP() << "zvtorsel.exe is not built";
    EXPECT_EQ(2, RunProgram("/rebuild /nonsense"));
    EXPECT_EQ(2, RunProgram("/delete"));
    EXPECT_EQ(2, RunProgram("/rebuild \"/folder:C:\\unclosed"));

    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string folder = std::string(temp) + "zvt_unattended\\";
    std::string log = std::string(temp) + "zvt_unattended.log";
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    DeleteFileA(log.c_str());
    std::string arguments = "/rebuild \"/folder:" + folder + "\" \"/log:" + log + "\"";

    HANDLE mutex = CreateMutexA(nullptr, TRUE, "z.v Torsel Sitekeeper is executing.");
    ASSERT_NE(nullptr, mutex);
    EXPECT_EQ(2, RunProgram(arguments));
    CloseHandle(mutex);

    EXPECT_EQ(0, RunProgram(arguments));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(log.c_str()));
    DeleteFileA(log.c_str());
    RemoveDirectoryA(folder.substr(0, folder.size() - 1).c_str());
}

}  // namespace

// Files, folders and cache entries for the Wine tests and the rebuild benchmark.
#pragma once
#include <windows.h>
#include <wininet.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "base/jobreport.h"
#include "base/win32/widepath.h"

namespace diskkit {

// The whole file, or "<missing>" when it cannot be opened; paths of any length.
inline std::string ReadAll(const std::string& path) {
    HANDLE h = CreateFileW(WidePath(path.c_str()).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    std::string data;
    char buffer[4096];
    DWORD n;
    while (ReadFile(h, buffer, sizeof(buffer), &n, nullptr) && n) data.append(buffer, n);
    CloseHandle(h);
    return data;
}

inline bool WriteAll(const std::string& path, const std::string& data) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    BOOL ok = WriteFile(h, data.data(), (DWORD)data.size(), &n, nullptr);
    CloseHandle(h);
    return ok && n == data.size();
}

// Deletes folder (ending with "\") and everything below it, however deep.
// Starts a program of the Unix side (Wine starts one given by its Unix path
// as it would a Windows one) with its arguments as Unix paths. Wine's
// handle of such a process cannot be waited for (WAIT_FAILED): the caller
// looks for what the program makes.
inline bool StartUnixProgram(const std::string& program, const std::string& options,
                             const std::vector<std::string>& windowsPaths) {
    typedef char*(CDECL * UnixName)(LPCWSTR);
    UnixName unixName = (UnixName)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!unixName) return false;
    std::string command = program + " " + options;
    for (const std::string& path : windowsPaths) {
        char* name = unixName(WidePath(path.c_str()).c_str());
        if (!name) return false;
        // Wine gives the Unix program its arguments split as Windows does.
        command += " \"" + std::string(name) + "\"";
        HeapFree(GetProcessHeap(), 0, name);
    }
    STARTUPINFOA start;
    ZeroMemory(&start, sizeof start);
    start.cb = sizeof start;
    PROCESS_INFORMATION process;
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    std::string windowsProgram = "Z:" + program;
    std::replace(windowsProgram.begin(), windowsProgram.end(), '/', '\\');
    if (!CreateProcessA(windowsProgram.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// Whether a listing shows path as a folder link (which is what the search sees).
inline bool IsFolderLink(const std::string& path) {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW(WidePath(path.c_str()).c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A folder link at link (no trailing "\\") leading to target. Wine 8 makes
// no junction (FSCTL_SET_REPARSE_POINT answers ERROR_NOT_SUPPORTED) and its
// CreateSymbolicLink makes nothing, but it lists a Unix symbolic link to a
// folder as a junction would be: FILE_ATTRIBUTE_DIRECTORY with
// FILE_ATTRIBUTE_REPARSE_POINT. True when the link is there as such.
inline bool MakeFolderLink(const std::string& link, const std::string& target) {
    if (!StartUnixProgram("/bin/ln", "-s", {target, link})) return false;
    for (int tries = 0; tries < 200; ++tries, Sleep(50))
        if (IsFolderLink(link)) return true;
    return false;
}

inline void RemoveFolderLink(const std::string& link) {
    if (RemoveDirectoryW(WidePath(link.c_str()).c_str()) || !StartUnixProgram("/bin/rm", "-f", {link})) return;
    for (int tries = 0; tries < 200 && IsFolderLink(link); ++tries) Sleep(50);
}

inline void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW(WidePath((folder + "*.*").c_str()).c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = AnsiName(d.cFileName);
            if (name == "." || name == "..") continue;
            // A link is removed, never followed: it may lead back up or out of the tree.
            if ((d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (d.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveFolderLink(folder + name);
            else if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(folder + name + "\\");
            else
                DeleteFileW(WidePath((folder + name).c_str()).c_str());
        } while (FindNextFileW(h, &d));
        FindClose(h);
    }
    RemoveDirectoryW(WidePath(folder.substr(0, folder.size() - 1).c_str()).c_str());
}

// Empties the URL cache of the prefix, so a run sees only its own entries.
inline void ClearCache() {
    std::vector<char> buffer(16384);
    std::vector<std::string> urls;
    DWORD size = (DWORD)buffer.size();
    HANDLE find = FindFirstUrlCacheEntryA(nullptr, (INTERNET_CACHE_ENTRY_INFOA*)buffer.data(), &size);
    if (find) {
        for (;;) {
            urls.push_back(((INTERNET_CACHE_ENTRY_INFOA*)buffer.data())->lpszSourceUrlName);
            size = (DWORD)buffer.size();
            if (FindNextUrlCacheEntryA(find, (INTERNET_CACHE_ENTRY_INFOA*)buffer.data(), &size)) continue;
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
            // A long URL: grow and read the same entry again.
            buffer.resize(size);
            if (!FindNextUrlCacheEntryA(find, (INTERNET_CACHE_ENTRY_INFOA*)buffer.data(), &size)) break;
        }
        FindCloseUrlCache(find);
    }
    for (const std::string& u : urls) DeleteUrlCacheEntryA(u.c_str());
}

// Every file below folder: its bytes followed by "@" and its last-write time.
typedef std::map<std::string, std::string> FolderSnapshot;
inline void TakeSnapshot(const std::string& folder, FolderSnapshot& out) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            TakeSnapshot(folder + name + "\\", out);
            continue;
        }
        char time[32];
        snprintf(time, sizeof time, "@%08lx%08lx", d.ftLastWriteTime.dwHighDateTime, d.ftLastWriteTime.dwLowDateTime);
        out[folder + name] = ReadAll(folder + name) + time;
    } while (FindNextFileA(h, &d));
    FindClose(h);
}

// Values of href= and src= in the translated block of a page.
inline std::vector<std::string> LinksOf(const std::string& page) {
    std::vector<std::string> links;
    std::string text = page.substr(0, page.find("Original Block"));
    for (const char* attr : {"HREF=\"", "SRC=\"", "href=\"", "src=\""}) {
        for (size_t pos = text.find(attr); pos != std::string::npos; pos = text.find(attr, pos + 1)) {
            size_t start = pos + strlen(attr);
            size_t end = text.find_first_of("\"#", start);
            if (end != std::string::npos) links.push_back(text.substr(start, end - start));
        }
    }
    return links;
}

// The url() references of a style sheet or of a page's style block, up to
// the envelope that keeps the original.
inline std::vector<std::string> StyleLinksOf(const std::string& text) {
    std::vector<std::string> links;
    std::string sheet = text.substr(0, std::min(text.find("/* zvtorsel : "), text.find("Original Block")));
    for (size_t pos = sheet.find("url("); pos != std::string::npos; pos = sheet.find("url(", pos + 1)) {
        size_t start = pos + 4;
        if (start < sheet.size() && (sheet[start] == '"' || sheet[start] == '\'')) ++start;
        size_t end = sheet.find_first_of("\"')", start);
        if (end != std::string::npos) links.push_back(sheet.substr(start, end - start));
    }
    return links;
}

// The file a translated link of the page at pagePath leads to.
inline std::string LocalTarget(const std::string& pagePath, const std::string& link) {
    if (link.compare(0, 8, "file:///") == 0) return link.substr(8);
    if (link.compare(0, 7, "file://") == 0) return link.substr(7);
    return pagePath.substr(0, pagePath.rfind('\\') + 1) + link;
}

// Creates and commits a cache entry for url holding data, with the
// response headers given.
inline bool PutInCache(const std::string& url, const std::string& data, const char* ext, const FILETIME& modified,
                       const std::string& headers = std::string()) {
    char file[MAX_PATH];
    if (!CreateUrlCacheEntryA(url.c_str(), (DWORD)data.size(), ext, file, 0)) return false;
    if (!WriteAll(file, data)) return false;
    FILETIME none = {0, 0};
    return CommitUrlCacheEntryA(url.c_str(), file, none, modified, NORMAL_CACHE_ENTRY,
                                headers.empty() ? nullptr : (LPBYTE)headers.c_str(), (DWORD)headers.size(), ext,
                                nullptr) != FALSE;
}

// Runs zvtorsel.exe from the test's own folder and waits up to two minutes:
// its exit code, or -1 when it is not built or cannot be started. With
// errorText, what it wrote to standard error.
inline int RunProgram(const std::string& arguments, std::string* errorText = nullptr) {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, sizeof(module) - 1);
    std::string program = module;
    std::string folder = program.substr(0, program.find_last_of('\\') + 1);
    program = folder + "zvtorsel.exe";
    if (GetFileAttributesA(program.c_str()) == INVALID_FILE_ATTRIBUTES) return -1;
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    std::string errorPath = folder + "zvtorsel_stderr_" + std::to_string(GetCurrentProcessId()) + ".txt";
    HANDLE errorFile = INVALID_HANDLE_VALUE;
    if (errorText) {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        errorFile = CreateFileA(errorPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        si.hStdError = errorFile;
    }
    PROCESS_INFORMATION pi;
    BOOL started = CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, errorText != nullptr, 0, nullptr,
                                  nullptr, &si, &pi);
    if (errorFile != INVALID_HANDLE_VALUE) CloseHandle(errorFile);
    if (!started) return -1;
    WaitForSingleObject(pi.hProcess, 120000);
    DWORD code = (DWORD)-1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (errorText) {
        *errorText = ReadAll(errorPath);
        DeleteFileA(errorPath.c_str());
    }
    return (int)code;
}

// String `id` of zvtorsel.exe's table, as the program writes it.
inline std::string ProgramString(UINT id) {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, sizeof(module) - 1);
    std::string program = module;
    program = program.substr(0, program.find_last_of('\\') + 1) + "zvtorsel.exe";
    HMODULE file = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[1024] = "";
    if (file) {
        LoadStringA(file, id, text, sizeof(text));
        FreeLibrary(file);
    }
    return text;
}

// Seconds of the performance counter, for the benchmarks.
inline double Now() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)frequency.QuadPart;
}

// A job report that says nothing and answers every question Yes.
class CSilentReport : public IJobReport {
public:
    void StatusText(const char*) override {}
    void StatusMessage(UINT) override {}
    void Warning(const char*, UINT) override {}
    bool Ask(UINT, const char*) override { return true; }
    void Notify(UINT, const char*) override {}
    void End(int) override {}
};

}  // namespace diskkit

// The main job at the size of a real disk, driven by scripts/bench.sh:
//   scale_bench.exe write FOLDER ENTRIES
//     writes the benchmark's Chromium simple cache (cache/tests/scalecache_kit.h)
//     of ENTRIES entries into FOLDER through Wine; the benchmark itself
//     writes it natively with the host's scalecache_writer, which is faster
//     by far, Wine looking through a folder's files for each new one;
//   scale_bench.exe tree CACHE REBUILD
//     opens the Rebuild Tree of zvtorsel.exe on the cache folder CACHE and
//     the rebuild folder REBUILD, and prints the seconds from the button
//     until the window says both sides are ready, and the program's peak
//     working set;
//   scale_bench.exe read FOLDER
//     reads every file below FOLDER once with ReadFile, the least that any
//     job on the cache does: Wine's own cost per file, which grows with
//     the files in a folder, beside the jobs' at each size.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "COMMON/windriver/windriver.h"
#include "cache/tests/scalecache_kit.h"
#include "jobs/tests/win32/diskkit.h"
#include "resource.h"

namespace {

using diskkit::Now;

bool Write(const std::string& path, const std::vector<BYTE>& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(h, bytes.data(), (DWORD)bytes.size(), &done, nullptr) && done == bytes.size();
    CloseHandle(h);
    return ok;
}

int WriteCache(const std::string& folder, int entries) {
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    CreateDirectoryA((folder + "index-dir").c_str(), nullptr);
    double start = Now();
    unsigned long long bytes = 0;
    long long failed = scalecachekit::WriteCache(
        entries,
        [&](const std::string& name, const std::vector<BYTE>& file) {
            std::string path = folder + name;
            for (char& c : path)
                if (c == '/') c = '\\';
            return Write(path, file);
        },
        &bytes);
    if (failed < 0) {
        printf("cannot write into %s (its parent folder must exist)\n", folder.c_str());
        return 1;
    }
    if (failed > 0) {
        printf("cannot write entry %lld into %s\n", failed - 1, folder.c_str());
        return 1;
    }
    printf("wrote %d entries (%.1f MB) in %.1f s\n", entries, bytes / 1e6, Now() - start);
    return 0;
}

std::string ProgramPath() {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string path = module;
    return path.substr(0, path.find_last_of('\\') + 1) + "zvtorsel.exe";
}

std::string ProgramString(UINT id) {
    HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[512] = "";
    if (program) LoadStringA(program, id, text, sizeof(text));
    return text;
}

void SetText(HKEY key, const char* name, const std::string& value) {
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
}

int OpenTree(const std::string& cache, const std::string& rebuild) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\z.v\\zvkestor\\Rebuild", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    SetText(key, "CacheFolder", cache);
    SetText(key, "RebuildFolder", rebuild);
    DWORD one = 1;
    RegSetValueExA(key, "NoWarning129", 0, REG_DWORD, (const BYTE*)&one, sizeof(one));
    RegCloseKey(key);

    windriver::Program program;
    if (!windriver::Start(ProgramPath(), program)) {
        printf("zvtorsel.exe does not start\n");
        return 1;
    }
    HWND main = windriver::WaitForWindow("z.v Torsel Sitekeeper", 20000, program.id);
    if (!main) {
        printf("no main dialog\n");
        windriver::Stop(program);
        return 1;
    }
    std::string ready = ProgramString(IDS_READY);
    double start = Now();
    windriver::Press(main, IDC_MAIN_REBUILD_TREE);
    HWND tree = windriver::WaitForWindow("再構築ツリー", 60000, program.id);
    double elapsed = -1;
    // Up to an hour: a cache of 100,000 entries under a slow Wine.
    while (tree && Now() - start < 3600) {
        if (windriver::ItemText(tree, IDC_RT_STATUS) == ready && !windriver::IsVisible(tree, IDC_RT_BUSY)) {
            elapsed = Now() - start;
            break;
        }
        Sleep(50);
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(program.process, &memory, sizeof memory);
    windriver::Stop(program);
    if (elapsed < 0) {
        printf(tree ? "the Rebuild Tree did not get ready\n" : "no Rebuild Tree window\n");
        return 1;
    }
    printf("tree %.2f s peak %.1f MB\n", elapsed, memory.PeakWorkingSetSize / 1048576.0);
    return 0;
}

// Files and bytes below folder (ending with a backslash), each read once, whole.
void ReadEveryFile(const std::string& folder, std::vector<BYTE>& buffer, size_t* files, ULONGLONG* bytes) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ReadEveryFile(folder + name + "\\", buffer, files, bytes);
            continue;
        }
        HANDLE f = CreateFileA((folder + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) continue;
        DWORD size = GetFileSize(f, nullptr), got = 0;
        if (size != INVALID_FILE_SIZE) {
            if (buffer.size() < size) buffer.resize(size);
            if (ReadFile(f, buffer.data(), size, &got, nullptr)) *bytes += got;
        }
        CloseHandle(f);
        ++*files;
    } while (FindNextFileA(h, &d));
    FindClose(h);
}

int ReadCache(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    std::vector<BYTE> buffer;
    size_t files = 0;
    ULONGLONG bytes = 0;
    double start = Now();
    ReadEveryFile(folder, buffer, &files, &bytes);
    printf("read %zu files %llu bytes in %.2f s\n", files, bytes, Now() - start);
    return files ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc == 4) return WriteCache(argv[2], atoi(argv[3]));
    if (mode == "tree" && argc == 4) return OpenTree(argv[2], argv[3]);
    if (mode == "read" && argc == 3) return ReadCache(argv[2]);
    printf("usage: scale_bench.exe write FOLDER ENTRIES | tree CACHE REBUILD | read FOLDER\n");
    return 2;
}

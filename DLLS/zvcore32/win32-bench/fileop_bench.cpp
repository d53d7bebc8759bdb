// Copies many files with the file operation engine (progress window shown)
// and with a plain CopyFileA loop in the same run, and reports the ratio.
// Run by hand under Wine with a display:
//   zvcore32_fileop_bench.exe [folder] [MiB] [files] [rounds]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "zvcore32.h"

namespace {

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

void RemoveFiles(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + "\\" + data.cFileName).c_str());
    } while (FindNextFileA(h, &data));
    FindClose(h);
    RemoveDirectoryA(folder.c_str());
}

std::string Name(int i) {
    char name[32];
    snprintf(name, sizeof name, "\\f%05d.bin", i);
    return name;
}

// The engine's file work without the engine: 1024-byte blocks, no messages.
void CopyInBlocks(const std::string& from, const std::string& to) {
    HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    HANDLE out = CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    char block[1024];
    DWORD got = 0, written = 0;
    while (ReadFile(in, block, sizeof block, &got, nullptr) && got) WriteFile(out, block, got, &written, nullptr);
    CloseHandle(in);
    CloseHandle(out);
}

}  // namespace

int main(int argc, char** argv) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string root = argc > 1 ? argv[1] : std::string(temp) + "zvfileop_bench";
    int mebibytes = argc > 2 ? atoi(argv[2]) : 1024;
    int files = argc > 3 ? atoi(argv[3]) : 2000;
    int rounds = argc > 4 ? atoi(argv[4]) : 1;
    if (mebibytes <= 0 || files <= 0 || rounds <= 0) return 2;
    ULONGLONG total = (ULONGLONG)mebibytes << 20;
    DWORD size = (DWORD)(total / (ULONGLONG)files);

    std::string source = root + "\\source";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(source.c_str(), nullptr);
    std::vector<char> data(size);
    for (DWORD i = 0; i < size; ++i) data[i] = (char)(i * 131 + 7);
    for (int i = 0; i < files; ++i) {
        HANDLE h = CreateFileA((source + Name(i)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written;
        WriteFile(h, data.data(), size, &written, nullptr);
        CloseHandle(h);
    }
    printf("%d files of %lu bytes (%d MiB) in %s\n", files, (unsigned long)size, mebibytes, root.c_str());

    // The floor of the engine: one progress message per 1024-byte block,
    // sent to the window's thread and answered.
    HZVFILEOP probe = zvCreateFileOpA(nullptr, 0);
    HWND window = FindWindowA(nullptr, "z.v File Operation");
    const int messages = 20000;
    double start = Now();
    for (int i = 0; i < messages && window; ++i) SendMessageA(window, WM_NULL, 0, 0);
    double perMessage = (Now() - start) / messages;
    zvCloseFileOp(probe);
    printf("one message to the window thread: %.1f us; %llu blocks need %.2f s of messages\n", perMessage * 1e6,
           total / 1024, perMessage * (double)(total / 1024));

    for (int round = 0; round < rounds; ++round) {
        std::string plain = root + "\\plain";
        CreateDirectoryA(plain.c_str(), nullptr);
        start = Now();
        for (int i = 0; i < files; ++i) CopyFileA((source + Name(i)).c_str(), (plain + Name(i)).c_str(), FALSE);
        double plainSeconds = Now() - start;
        RemoveFiles(plain);

        CreateDirectoryA(plain.c_str(), nullptr);
        start = Now();
        for (int i = 0; i < files; ++i) CopyInBlocks(source + Name(i), plain + Name(i));
        double blockSeconds = Now() - start;
        RemoveFiles(plain);

        double engineSeconds[2];
        for (int compact = 0; compact < 2; ++compact) {
            std::string target = root + "\\engine";
            start = Now();
            HZVFILEOP op = zvCreateFileOpA(nullptr, compact ? ZV_FOC_COMPACT : 0);
            if (!op) return 1;
            zvSetFileOpEntry(op, files, 0, (DWORD)(total & 0xFFFFFFFF), (DWORD)(total >> 32), 0, 0);
            for (int i = 0; i < files; ++i) {
                if (!zvOperateFileOpA(op, ZV_FO_COPY, (source + Name(i)).c_str(), (target + Name(i)).c_str(),
                                      ZV_FO_EXISTS_OVERWRITE)) {
                    printf("failed at %d: %08lx\n", i, (unsigned long)zvGetErrCode());
                    return 1;
                }
            }
            zvCloseFileOp(op);
            engineSeconds[compact] = Now() - start;
            RemoveFiles(target);
        }
        printf("round %d: CopyFileA %.2f s; 1 KiB block loop %.2f s (ratio %.2f); engine %.2f s (ratio %.2f); "
               "engine with the compact window %.2f s (ratio %.2f)\n",
               round + 1, plainSeconds, blockSeconds, blockSeconds / plainSeconds, engineSeconds[0],
               engineSeconds[0] / plainSeconds, engineSeconds[1], engineSeconds[1] / plainSeconds);
        fflush(stdout);
    }
    RemoveFiles(source);
    RemoveDirectoryA(root.c_str());
    return 0;
}

// Setup's copy, its copy dialog shown, beside a plain CopyFileA loop over the
// same files in the same run, alternating, and the ratio of the two.
// Run by hand under Wine with a display:
//   zvinstl_setup_bench.exe [folder] [MiB] [files] [rounds]
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "setupui.h"

namespace {

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

std::string Name(int i) {
    char name[32];
    snprintf(name, sizeof name, "\\f%03d.bin", i);
    return name;
}

void RemoveFiles(const std::string& folder, int files) {
    for (int i = 0; i < files; ++i) DeleteFileA((folder + Name(i)).c_str());
    RemoveDirectoryA(folder.c_str());
}

// The worker's file work without a window.
class Silent : public ICopyProgress {
public:
    void FileStarted(const std::string&, const std::string&, ULONGLONG) override {}
    void BytesCopied(ULONGLONG) override {}
    void CountersChanged(const CopyCounters&) override {}
    bool StopRequested() override { return false; }
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string root = argc > 1 ? argv[1] : std::string(temp) + "zvinstl_bench";
    int mebibytes = argc > 2 ? atoi(argv[2]) : 7;
    int files = argc > 3 ? atoi(argv[3]) : 15;
    int rounds = argc > 4 ? atoi(argv[4]) : 5;
    if (mebibytes <= 0 || files <= 0 || rounds <= 0) return 2;
    DWORD size = (DWORD)(((ULONGLONG)mebibytes << 20) / (ULONGLONG)files);

    std::string source = root + "\\source", plain = root + "\\plain", setup = root + "\\setup";
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

    CDialogUi ui(GetModuleHandleA(nullptr));
    std::vector<double> plainSeconds, setupSeconds, workerSeconds, windowSeconds;
    for (int round = 0; round < rounds; ++round) {
        CreateDirectoryA(plain.c_str(), nullptr);
        double start = Now();
        for (int i = 0; i < files; ++i) CopyFileA((source + Name(i)).c_str(), (plain + Name(i)).c_str(), FALSE);
        plainSeconds.push_back(Now() - start);
        RemoveFiles(plain, files);

        std::vector<CopyEntry> entries;
        for (int i = 0; i < files; ++i) entries.push_back(CopyEntry{source + Name(i), setup + Name(i), false});
        CopyJob job(ui, entries);
        start = Now();
        int result = ui.RunCopy(job);
        setupSeconds.push_back(Now() - start);
        if (result != 1 || job.Counters().installed != files) {
            printf("setup's copy failed: %d, %d installed\n", result, job.Counters().installed);
            return 1;
        }
        RemoveFiles(setup, files);

        // The dialog's own cost without files: opening and closing a window
        // (without a window manager Wine waits up to 2 s for a closed window
        // to be withdrawn).
        CopyJob none(ui, std::vector<CopyEntry>());
        start = Now();
        ui.RunCopy(none);
        windowSeconds.push_back(Now() - start);

        CopyJob alone(ui, entries);
        Silent silent;
        start = Now();
        alone.Run(silent);
        workerSeconds.push_back(Now() - start);
        RemoveFiles(setup, files);
        printf("round %d: CopyFileA %.3f s; setup %.3f s (ratio %.2f); the dialog without files %.3f s; "
               "the worker without a window %.3f s (ratio %.2f)\n",
               round + 1, plainSeconds.back(), setupSeconds.back(), setupSeconds.back() / plainSeconds.back(),
               windowSeconds.back(), workerSeconds.back(), workerSeconds.back() / plainSeconds.back());
        fflush(stdout);
    }
    double plainMedian = Median(plainSeconds), setupMedian = Median(setupSeconds);
    double windowMedian = Median(windowSeconds), workerMedian = Median(workerSeconds);
    double copyMedian = setupMedian > windowMedian ? setupMedian - windowMedian : 0;
    printf("setup %d MiB in %d files (medians of %d): CopyFileA %.3f s; setup %.3f s, of which the dialog's own "
           "%.3f s; the copy %.3f s, ratio %.2f; the worker without a window %.3f s, ratio %.2f\n",
           mebibytes, files, rounds, plainMedian, setupMedian, windowMedian, copyMedian, copyMedian / plainMedian,
           workerMedian, workerMedian / plainMedian);
    RemoveFiles(source, files);
    RemoveDirectoryA(root.c_str());
    return 0;
}

// The picture scan with thumbnails over a folder of pictures, timed under
// Wine; run_bench.sh times the peer decoders on the same files in the run.
// Usage: picturescan_bench.exe PICTURE-FOLDER OUTPUT-FOLDER [runs]
// With NONAMES set the thumbnails get no names (the caption cost left out).
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "pictures/picturescan.h"
#include "pictures/win32/win32captions.h"
#include "base/win32/win32files.h"

namespace {

class CQuietReport : public IPictureScanReport {
public:
    void Status(const char*) override {}
    void Progress(const char*) override {}
    void Message(UINT id, const char*) override { fprintf(stderr, "message %u\n", id); }
};

double Seconds() {
    static LARGE_INTEGER frequency = {};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: picturescan_bench PICTURE-FOLDER OUTPUT-FOLDER [runs]\n");
        return 2;
    }
    int runs = argc > 3 ? atoi(argv[3]) : 3;
    PictureScanJob job;
    job.searchFolder = argv[1];
    job.rebuildFolder = argv[2];
    job.settings.thumbnail = true;
    job.settings.scanLimit = 99999;
    job.settings.fontName = "MS UI Gothic";
    job.settings.thumbNaming = getenv("NONAMES") == nullptr;
    CWin32Files files;
    CQuietReport report;
    CFontCaptionMaker captions(job.settings);
    std::vector<double> times;
    PictureScanResult result;
    for (int r = 0; r < runs; ++r) {
        PictureScanServices services(files, report);
        services.captions = &captions;
        double start = Seconds();
        if (!RunPictureScan(job, services, result)) return 1;
        times.push_back(Seconds() - start);
    }
    std::sort(times.begin(), times.end());
    printf("pictures %d thumbnails %d median %.3f s\n", result.pictures, result.thumbnailsMade,
           times[times.size() / 2]);
    return 0;
}

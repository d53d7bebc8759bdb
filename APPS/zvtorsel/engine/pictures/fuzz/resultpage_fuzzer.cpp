// A hostile keyword result page read back for the picture list (/pictures
// /result:): its folders are scanned and the pages written, never outside
// the rebuild folder. The input is the page's text.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/memoryfiles.h"
#include "pictures/picturescan.h"

namespace {

const char kRebuildFolder[] = "C:\\rb\\";
const char kPage[] = "C:\\rb\\&k+1.htm";

const char kGif[] = "GIF89a\x02\x00\x03\x00\x00\x00\x00;";

// Lists each folder of the page once at most.
class CCountingFiles : public CMemoryFiles {
public:
    bool ListFolder(const char* folder, std::vector<DirEntry>& out) override {
        if (++listed > 4096) abort();
        if (strlen(folder) > 4096) abort();
        return CMemoryFiles::ListFolder(folder, out);
    }
    size_t listed = 0;
};

class CQuietReport : public IPictureScanReport {
public:
    void Status(const char*) override {}
    void Progress(const char*) override {}
    void Message(UINT, const char*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text((const char*)data, size);
    std::string searchFolder;
    std::vector<std::string> folders;
    if (ReadResultPageFolders(text, searchFolder, folders)) {
        if (searchFolder.empty() || searchFolder.back() != '\\') abort();
        for (const std::string& f : folders)
            if (f.empty() || f.back() != '/') abort();
    }
    std::string name = text.substr(0, text.find_first_of("\r\n"));
    if (name.size() > 300) name.resize(300);
    ResultPageExpression(name.c_str());
    IsKeywordResultPage(name.c_str());

    // Every folder the page names holds one small GIF.
    CCountingFiles files;
    files.AddFile(kPage, text);
    for (size_t i = 0; i < folders.size() && i < 4096; ++i)
        files.AddFile(searchFolder + folders[i] + "p.gif", std::string(kGif, sizeof kGif - 1));
    std::vector<std::string> before = files.FilePaths();
    CQuietReport report;
    PictureScanServices services(files, report);
    PictureScanJob job;
    job.rebuildFolder = kRebuildFolder;
    job.resultPage = kPage;
    job.settings.scanLimit = 64;
    PictureScanResult result;
    RunPictureScan(job, services, result);
    // Pages are written only into the rebuild folder itself.
    for (const std::string& path : files.FilePaths()) {
        if (std::find(before.begin(), before.end(), path) != before.end()) continue;
        if (strncmp(path.c_str(), kRebuildFolder, sizeof kRebuildFolder - 1) != 0) abort();
        if (strpbrk(path.c_str() + sizeof kRebuildFolder - 1, "\\/:")) abort();
    }
    return 0;
}

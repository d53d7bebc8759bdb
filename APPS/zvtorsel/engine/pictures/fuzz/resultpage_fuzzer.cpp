// A hostile keyword result page read back for the picture list (/pictures
// /result:): its folders are scanned and the pages written, never outside
// the rebuild folder. The input is the page's text.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "pictures/picturescan.h"

namespace {

const char kRebuildFolder[] = "C:\\rb\\";
const char kPage[] = "C:\\rb\\&k+1.htm";

// Every folder holds one small GIF; the page is the input.
class CPageFiles : public IPictureFiles {
public:
    explicit CPageFiles(const std::string& page) : page_(page) {}
    bool ListFolder(const char* folder, std::vector<DirEntry>& out) override {
        out.clear();
        if (++listed > 4096) abort();  // the page's folders, each once
        if (strlen(folder) > 4096) abort();
        DirEntry e;
        e.name = "p.gif";
        e.size = sizeof kGif - 1;
        out.push_back(e);
        return true;
    }
    bool ReadAt(const char*, DWORD offset, void* buffer, DWORD size, DWORD* got) override {
        DWORD length = sizeof kGif - 1;
        DWORD n = offset >= length ? 0 : (length - offset < size ? length - offset : size);
        memcpy(buffer, kGif + (offset < length ? offset : length), n);
        *got = n;
        return true;
    }
    bool ReadWhole(const char* path, std::vector<BYTE>& out) override {
        if (strcmp(path, kPage) != 0) return false;
        out.assign(page_.begin(), page_.end());
        return true;
    }
    bool WriteWhole(const char* path, const void*, size_t) override {
        if (strncmp(path, kRebuildFolder, sizeof kRebuildFolder - 1) != 0) abort();
        if (strpbrk(path + sizeof kRebuildFolder - 1, "\\/:")) abort();
        return true;
    }

    size_t listed = 0;

private:
    static constexpr char kGif[] = "GIF89a\x02\x00\x03\x00\x00\x00\x00;";
    std::string page_;
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

    CPageFiles files(text);
    CQuietReport report;
    PictureScanServices services(files, report);
    PictureScanJob job;
    job.rebuildFolder = kRebuildFolder;
    job.resultPage = kPage;
    job.settings.scanLimit = 64;
    PictureScanResult result;
    RunPictureScan(job, services, result);
    return 0;
}

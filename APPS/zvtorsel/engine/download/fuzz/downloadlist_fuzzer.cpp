// A hostile "download.lst" through both of its readers: the downloader's
// list and the load list of the rebuild jobs, which marks its URLs in the
// trees and writes the list back. The input is the file's text.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "base/memorysystem.h"
#include "cache/memcache.h"
#include "download/downloader.h"
#include "fuzzkit/profiletext.h"
#include "jobs/rebuildjobs.h"
#include "tree/paneview.h"

namespace {

const char kListPath[] = "C:\\rb\\download.lst";

class CQuietReport : public IJobReport {
public:
    void StatusText(const char*) override {}
    void StatusMessage(UINT) override {}
    void Warning(const char*, UINT) override {}
    bool Ask(UINT, const char*) override { return true; }
    void Notify(UINT, const char*) override {}
    void End(int) override {}
};

// The list file holds the input; its values are read as the system reads a
// private profile file.
class CListProfile : public CMemorySystem {
public:
    explicit CListProfile(const std::string& text) : text_(text) {
        AddFolder("C:\\rb");
        AddFile(kListPath, text);
    }
    DWORD ReadProfileString(const char* file, const char* section, const char* key, char* out, DWORD cap) override {
        ++reads;
        if (cap == 0) return 0;
        std::string value = strcmp(file, kListPath) == 0 ? fuzzkit::ProfileValue(text_, section, key, "", cap) : "";
        memcpy(out, value.c_str(), value.size() + 1);
        return (DWORD)value.size();
    }
    bool WriteProfileString(const char*, const char*, const char*, const char* value) override {
        if (value && strlen(value) >= 4096) abort();  // longer than any value read
        return true;
    }
    void FlushProfile(const char*) override {}

    size_t reads = 0;

private:
    std::string text_;
};

class CQuietView : public IDownloadView {
public:
    void RowState(int, DownloadState) override {}
    void ShowRow(int) override {}
    void SlotTexts(int, const char*, const char*) override {}
    void Refresh() override {}
};

class CNoFetcher : public IUrlFetcher {
public:
    void Arm(int) override {}
    void Cancel(int) override {}
    bool IsCancelled(int) const override { return false; }
    void Fetch(int, const char*, char* file, DWORD cap) override {
        if (cap) file[0] = 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text((const char*)data, size);
    // A damaged count must not make either reader ask for keys without end.
    size_t readLimit = 2 * (size / 7 + 2);

    CListProfile files(text);
    CMemoryUrlCache cache;
    CQuietView view;
    CNoFetcher fetcher;
    CDownloader downloader("C:\\rb", files, cache, fetcher, view);
    downloader.Load();
    if (files.reads > readLimit) abort();
    char url[kDownloadUrlSize];
    for (int row = 0; row < downloader.RowCount(); ++row) {
        if (downloader.RowUrl(row).empty()) abort();
        if (downloader.NextUrl(0, url, sizeof url) != row) abort();
        if (strlen(url) >= sizeof url) abort();
    }

    RebuildSettings settings;
    settings.rebuildFolders[0] = "C:\\rb\\";
    CNullPaneView paneView;
    CQuietReport report;
    CRebuildJobs jobs(settings, files, cache, paneView, report, 0);
    files.reads = 0;
    jobs.ReadDownloadList();
    if (files.reads > readLimit) abort();
    for (const std::string& u : jobs.loadList)
        if (u.empty()) abort();
    if (jobs.BuildTrees()) jobs.ExecuteMarks();
    return 0;
}

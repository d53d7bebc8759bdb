// Writing the archive of a Chromium simple cache (written by our writer, a
// quarter gzip-encoded) against its peer in the same run: the store's
// listing (/cachelist) plus a loop that reads every file once. The archive
// is written both ways: .warc.gz and plain .warc. At each size the peak
// working set of the listing alone (the store's own index) and of the
// archive are measured, each in a process of its own, so that the memory
// the archive adds beyond the index can be compared across sizes.
// Usage: warc_bench.exe [entries...]   (default 5000 20000)
#include <windows.h>
// After windows.h, whose types it uses.
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "archive/warcjob.h"
#include "archive/win32/win32archive.h"
#include "cache/cachelisting.h"
#include "cache/tests/browsercache_kit.h"
#include "cache/win32/cachefolder.h"
#include "jobs/tests/win32/diskkit.h"
#include "tree/tests/testkit.h"

namespace {

using namespace browsercachekit;
using diskkit::Now;

bool Write(const std::string& path, const std::vector<BYTE>& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(h, bytes.data(), (DWORD)bytes.size(), &done, nullptr) && done == bytes.size();
    CloseHandle(h);
    return ok;
}

std::vector<BYTE> Page(int i) {
    std::string text = "<html><head><title>page " + std::to_string(i) + "</title></head><body>";
    for (int k = 0; k < 40; ++k) text += "<p>line " + std::to_string(k) + " of page " + std::to_string(i) + "</p>\n";
    return Bytes(text + "</body></html>\n");
}

std::vector<BYTE> Gzip(const std::vector<BYTE>& data) {
    std::vector<BYTE> out(compressBound((uLong)data.size()) + 32);
    z_stream z = {};
    deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = (uInt)data.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

size_t ReadEveryFile(const std::string& folder, unsigned long* sum) {
    size_t files = 0;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return 0;
    std::vector<BYTE> buffer;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == ".." || (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        HANDLE f = CreateFileA((folder + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (f == INVALID_HANDLE_VALUE) continue;
        DWORD size = GetFileSize(f, nullptr), got = 0;
        buffer.resize(size);
        if (ReadFile(f, buffer.data(), size, &got, nullptr) && got) *sum += buffer[got - 1];
        CloseHandle(f);
        ++files;
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return files;
}

// The peer: the listing of /cachelist, then (readAll) every file read once.
double Peer(const std::string& folder, size_t* listed, bool readAll = true) {
    double start = Now();
    std::vector<CacheDamage> why;
    CWin32Files files;
    std::unique_ptr<IUrlCache> store = OpenUrlCache(files, folder, why);
    if (!store) return 0.0;
    CRecordingReport report;
    size_t bytes = 0;
    *listed = ListUrlCache(
        *store, [&bytes](const std::string& line) { bytes += line.size(); }, report);
    unsigned long sum = 0;
    if (readAll) ReadEveryFile(folder, &sum);
    return Now() - start;
}

double Archive(const std::string& folder, const std::string& target, WarcJobCounts& counts) {
    double start = Now();
    std::vector<CacheDamage> why;
    CWin32Files files;
    std::unique_ptr<IUrlCache> store = OpenUrlCache(files, folder, why);
    if (!store) return 0.0;
    CArchiveFile file(files);
    if (!file.Open(target)) return 0.0;
    CCryptSha1Maker sha1;
    WarcJobSettings settings;
    settings.software = "warc_bench";
    settings.fileName = target;
    settings.cacheFolder = folder;
    settings.gzip = !WarcNameIsPlain(target);
    GetSystemTimeAsFileTime(&settings.now);
    WarcJobHooks hooks;
    CRecordingReport report;
    if (WriteCacheArchive(*store, file, sha1, settings, hooks, report, counts) != WARC_DONE || !file.Commit())
        return 0.0;
    return Now() - start;
}

// The peak working set of this process, in KiB.
DWORD PeakKib() {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) return 0;
    return (DWORD)(memory.PeakWorkingSetSize / 1024);
}

// One job of the measure in a process of its own ("/peak list FOLDER" or
// "/peak warc FOLDER TARGET", FOLDER without its last "\\", which would
// quote the quote that follows); its exit code is its peak working set in
// KiB, 0 when the job failed.
int PeakChild(int argc, char** argv) {
    if (argc < 4) return 0;
    std::string job = argv[2], folder = std::string(argv[3]) + "\\";
    if (job == "list") {
        size_t listed = 0;
        return Peer(folder, &listed, false) > 0 && listed ? (int)PeakKib() : 0;
    }
    WarcJobCounts counts;
    return argc > 4 && Archive(folder, argv[4], counts) > 0 && counts.responses ? (int)PeakKib() : 0;
}

// The peak of one job run by this program again; 0 when it failed.
double PeakMib(const std::string& arguments) {
    char module[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, module, sizeof module - 1);
    std::string line = "\"" + std::string(module) + "\" /peak " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(module, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 0;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code / 1024.0;
}

struct Peaks {
    int entries;
    double listing, archive;
};

// Writes a cache of entries into base, times the archive against its peer
// and measures both peaks; false when a run failed.
bool Measure(const std::string& base, int entries, Peaks& peaks) {
    std::string simple = base + "Cache_Data\\";
    for (const std::string& f : {base, simple, simple + "index-dir\\"})
        CreateDirectoryA(f.substr(0, f.size() - 1).c_str(), nullptr);
    Write(simple + "index-dir\\the-real-index", Bytes("index"));
    const char plainHead[] =
        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nLast-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\n";
    const char gzipHead[] =
        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\nLast-Modified: Sat, 05 Apr 2003 "
        "06:07:08 GMT\r\n";
    double start = Now();
    for (int i = 0; i < entries; ++i) {
        std::string url = "https://bench" + std::to_string(i % 50) + ".example/d" + std::to_string(i % 300) + "/p" +
                          std::to_string(i) + ".html";
        bool gzip = i % 4 == 0;
        std::vector<BYTE> body = gzip ? Gzip(Page(i)) : Page(i);
        char name[64];
        snprintf(name, sizeof name, "%016x_0", i * 2654435761u);
        std::string key = "1/0/_dk_https://bench.example https://bench.example " + url;
        if (!Write(simple + name, SimpleEntryFile(key, gzip ? gzipHead : plainHead, body, 13000000000000000ULL + i)))
            return false;
    }
    printf("wrote %d entries in %.1f s\n", entries, Now() - start);

    size_t listed = 0;
    WarcJobCounts counts;
    // One untimed pass first, so that every run finds the files in memory.
    Peer(simple, &listed);
    int failures = 0;
    for (const char* name : {"bench.warc.gz", "bench.warc"}) {
        double peer = Peer(simple, &listed);
        double ours = Archive(simple, base + name, counts);
        WIN32_FILE_ATTRIBUTE_DATA data;
        GetFileAttributesExA((base + name).c_str(), GetFileExInfoStandard, &data);
        printf(
            "%s: peer (listing %zu entries + reading every file) %.3f s; archive %zu records, %lu bytes, %.3f s; "
            "ratio archive / peer %.2f\n",
            name, listed, peer, counts.records, (unsigned long)data.nFileSizeLow, ours, peer > 0 ? ours / peer : 0.0);
        if (counts.responses != (size_t)entries || ours == 0.0) ++failures;
    }
    peaks.entries = entries;
    std::string folder = "\"" + simple.substr(0, simple.size() - 1) + "\"";
    peaks.listing = PeakMib("list " + folder);
    peaks.archive = PeakMib("warc " + folder + " \"" + base + "peak.warc.gz\"");
    printf(
        "%d entries: peak working set: listing (the store's own index) %.1f MiB, archive .warc.gz %.1f MiB, "
        "archive beyond the listing %.1f MiB\n",
        entries, peaks.listing, peaks.archive, peaks.archive - peaks.listing);
    return !failures && peaks.listing > 0 && peaks.archive > 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "/peak") return PeakChild(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(atoi(argv[i]));
    if (sizes.empty()) sizes = {5000, 20000};
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string base = std::string(temp) + "zvbench_warc\\";
    std::vector<Peaks> peaks;
    int failures = 0;
    for (int entries : sizes) {
        diskkit::RemoveTree(base);
        Peaks p = {};
        if (!Measure(base, entries, p)) ++failures;
        peaks.push_back(p);
    }
    diskkit::RemoveTree(base);
    for (const Peaks& p : peaks)
        printf("peak ratio archive / listing at %d entries: %.2f\n", p.entries,
               p.listing > 0 ? p.archive / p.listing : 0.0);
    if (peaks.size() > 1) {
        const Peaks &small = peaks.front(), &large = peaks.back();
        double listingGrowth = large.listing - small.listing, archiveGrowth = large.archive - small.archive;
        printf(
            "growth from %d to %d entries: listing %+.1f MiB, archive %+.1f MiB, archive beyond the listing %+.1f MiB; "
            "ratio archive growth / listing growth %.2f\n",
            small.entries, large.entries, listingGrowth, archiveGrowth, archiveGrowth - listingGrowth,
            listingGrowth > 0 ? archiveGrowth / listingGrowth : 0.0);
    }
    return failures ? 2 : 0;
}

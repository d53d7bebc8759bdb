// Listing a Chromium simple cache, a Firefox cache2 folder and a Mozilla
// disk cache of version 1 of 20,000 entries each (written by our writers) against a bare loop that reads every
// file of the same folder once with ReadFile, in the same run, under Wine.
// A quarter of the bodies is gzip-encoded; listing takes their size from
// the gzip trailer. The listing's time is split into opening the store
// (reading and parsing) and walking it into lines.
// Usage: browsercache_bench.exe [entries] [simple|cache2|mozilla ...]
// (default 20000 entries, every kind)
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "cache/cachelisting.h"
#include "cache/tests/browsercache_kit.h"
#include "cache/tests/mozcache_writer.h"
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

// Every file below folder read once, whole, with ReadFile.
size_t ReadEveryFile(const std::string& folder, unsigned long* sum) {
    size_t files = 0;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((folder + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return 0;
    std::vector<BYTE> buffer;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files += ReadEveryFile(folder + name + "\\", sum);
            continue;
        }
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

double Listing(const std::string& folder, size_t* entries, double* opening) {
    double start = Now();
    std::vector<CacheDamage> why;
    CWin32Files files;
    std::unique_ptr<IUrlCache> store = OpenUrlCache(files, folder, why);
    *opening = Now() - start;
    if (!store) return 0.0;
    CRecordingReport report;
    size_t bytes = 0;
    double w0 = Now();
    *entries = ListUrlCache(*store, [&bytes](const std::string& line) { bytes += line.size(); }, report);
    double w1 = Now();
    fprintf(stderr, "walk %.4f\n", w1 - w0);
    return w1 - start;
}

}  // namespace

int main(int argc, char** argv) {
    int entries = argc > 1 ? atoi(argv[1]) : 20000;
    bool all = argc <= 2, writeSimple = all, writeCache2 = all, writeMozilla = all;
    for (int i = 2; i < argc; ++i) {
        std::string kind = argv[i];
        if (kind == "simple") writeSimple = true;
        else if (kind == "cache2") writeCache2 = true;
        else if (kind == "mozilla") writeMozilla = true;
        else {
            fprintf(stderr, "unknown kind %s: simple, cache2 or mozilla\n", argv[i]);
            return 1;
        }
    }
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string base = std::string(temp) + "zvbench_browsercache\\";
    diskkit::RemoveTree(base);
    std::string simple = base + "Cache_Data\\", cache2 = base + "cache2\\", mozilla = base + "Cache\\";
    for (const std::string& f : {base, simple, simple + "index-dir\\", cache2, cache2 + "entries\\", mozilla})
        CreateDirectoryA(f.substr(0, f.size() - 1).c_str(), nullptr);
    Write(simple + "index-dir\\the-real-index", Bytes("index"));
    const char plainHead[] = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nLast-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\n";
    const char gzipHead[] =
        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\nLast-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\n";
    double start = Now();
    MozCacheWriter mozillaWriter;
    for (int i = 0; i < entries; ++i) {
        std::string url = "https://bench" + std::to_string(i % 50) + ".example/d" + std::to_string(i % 300) + "/p" +
                          std::to_string(i) + ".html";
        bool gzip = i % 4 == 0;
        std::vector<BYTE> body = gzip ? Gzip(Page(i)) : Page(i);
        char name[64];
        snprintf(name, sizeof name, "%016x_0", i * 2654435761u);
        std::string key = "1/0/_dk_https://bench.example https://bench.example " + url;
        if (writeSimple && !Write(simple + name, SimpleEntryFile(key, gzip ? gzipHead : plainHead, body, 13000000000000000ULL + i)))
            return 1;
        snprintf(name, sizeof name, "%08X%032X", i, i * 40503u);
        std::string c2key = "O^partitionKey=%28https%2Cbench.example%29,:" + url;
        if (writeCache2 &&
            !Write(cache2 + "entries\\" + name, Cache2EntryFile(c2key, gzip ? gzipHead : plainHead, body, 4, 1000000000 + i)))
            return 1;
        if (writeMozilla) mozillaWriter.Add("HTTP:" + url, gzip ? gzipHead : plainHead, body);
    }
    for (const auto& f : writeMozilla ? mozillaWriter.Build() : std::map<std::string, std::vector<BYTE>>()) {
        std::string path = mozilla + f.first;
        for (size_t at = path.find('\\', mozilla.size()); at != std::string::npos; at = path.find('\\', at + 1))
            CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
        if (!Write(path, f.second)) return 1;
    }
    printf("wrote %d entries of each kind in %.1f s\n", entries, Now() - start);

    int failures = 0;
    std::vector<std::string> folders;
    if (writeSimple) folders.push_back(simple);
    if (writeCache2) folders.push_back(cache2);
    if (writeMozilla) folders.push_back(mozilla);
    for (const std::string& folder : folders) {
        unsigned long sum = 0;
        // One untimed pass of each first, so that both find the files in
        // memory; then the best of three of each, taken in turns, since the
        // others on a shared machine stretch single runs.
        ReadEveryFile(folder, &sum);
        size_t listed = 0, files = 0;
        double opening = 0, bare = 1e9, ours = 1e9, opened = 1e9;
        Listing(folder, &listed, &opening);
        for (int run = 0; run < 3; ++run) {
            start = Now();
            files = ReadEveryFile(folder, &sum);
            double once = Now() - start;
            if (once < bare) bare = once;
            once = Listing(folder, &listed, &opening);
            if (once < ours) ours = once, opened = opening;
        }
        printf("%s: ReadFile loop %zu files %.3f s; listing %zu entries %.3f s (opening %.3f s); ratio listing / "
               "ReadFile loop %.2f\n",
               folder.c_str(), files, bare, listed, ours, opened, bare > 0 ? ours / bare : 0.0);
        if (listed != (size_t)entries) ++failures;
    }
    diskkit::RemoveTree(base);
    return failures ? 2 : 0;
}

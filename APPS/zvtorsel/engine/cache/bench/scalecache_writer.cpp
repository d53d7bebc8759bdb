// Writes the scale benchmark's Chromium simple cache natively (Wine takes
// hours for 100,000 files in one folder, this seconds):
//   scalecache_writer FOLDER ENTRIES
// FOLDER is made if missing; its parent must exist.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <vector>

#include "cache/tests/scalecache_kit.h"

namespace {

bool WriteWholeFile(const std::string& path, const std::vector<BYTE>& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || atoi(argv[2]) < 0) {
        printf("usage: scalecache_writer FOLDER ENTRIES\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.empty() || folder.back() != '/') folder += '/';
    if (!MakeFolder(folder) || !MakeFolder(folder + "index-dir")) {
        printf("cannot make %s (its parent folder must exist)\n", folder.c_str());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    unsigned long long bytes = 0;
    long long failed = scalecachekit::WriteCache(
        atoi(argv[2]),
        [&](const std::string& name, const std::vector<BYTE>& file) { return WriteWholeFile(folder + name, file); },
        &bytes);
    if (failed != 0) {
        printf("cannot write %s into %s\n", failed < 0 ? "the index" : "an entry", folder.c_str());
        return 1;
    }
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    printf("wrote %s entries (%.1f MB) in %.1f s\n", argv[2], bytes / 1e6, took.count());
    return 0;
}

// Host tests and benchmarks read trees on disk into CMemoryFiles, so the
// engine runs on the one memory implementation there too.
#pragma once
#include <dirent.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "base/memoryfiles.h"

// folder ends with "/"; every file and folder below it, with "/" separators.
inline void LoadDiskTree(const std::string& folder, CMemoryFiles& files) {
    files.AddFolder(folder);
    DIR* d = opendir(folder.c_str());
    if (!d) return;
    std::vector<std::string> subfolders;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (e->d_type == DT_DIR) {
            subfolders.push_back(folder + name + "/");
            continue;
        }
        std::string data;
        if (FILE* f = fopen((folder + name).c_str(), "rb")) {
            char buffer[65536];
            size_t n;
            while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
            fclose(f);
        }
        files.AddFile(folder + name, data);
    }
    closedir(d);
    for (const std::string& sub : subfolders) LoadDiskTree(sub, files);
}

#include "oracle_corpus.h"

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>

std::vector<std::string> OracleCorpusFiles(const char* kind) {
    const char* root = getenv("ZV_ORACLE_CORPUS");
    if (!root) return {};
    return OracleFolderFiles(std::string(root) + "/" + kind);
}

std::vector<std::string> OracleFolderFiles(const std::string& dir) {
    std::vector<std::string> files;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') files.push_back(dir + "/" + e->d_name);
        closedir(d);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<BYTE> OracleReadFile(const std::string& path) {
    std::vector<BYTE> bytes;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        BYTE buf[65536];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
        fclose(f);
    }
    return bytes;
}

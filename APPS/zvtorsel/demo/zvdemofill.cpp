// Puts the pages of a site list into the URL cache: each line of the list
// is "URL<TAB>file<TAB>extension", the file relative to the list's folder.
// Usage: zvdemofill.exe LIST
#include <windows.h>
#include <wininet.h>
#include <stdio.h>
#include <string.h>

#include <string>

namespace {

bool CopyInto(const std::string& from, const char* to) { return CopyFileA(from.c_str(), to, FALSE) != FALSE; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: zvdemofill LIST\n");
        return 2;
    }
    std::string list = argv[1];
    size_t cut = list.find_last_of("\\/");
    std::string folder = cut == std::string::npos ? std::string() : list.substr(0, cut + 1);
    FILE* in = fopen(list.c_str(), "rb");
    if (!in) {
        fprintf(stderr, "cannot read %s\n", list.c_str());
        return 2;
    }
    SYSTEMTIME st = {2000, 4, 0, 1, 12, 0, 0, 0};
    FILETIME modified, none = {0, 0};
    SystemTimeToFileTime(&st, &modified);
    int filled = 0, failed = 0;
    char line[2048];
    while (fgets(line, sizeof(line), in)) {
        line[strcspn(line, "\r\n")] = 0;
        char* file = strchr(line, '\t');
        char* ext = file ? strchr(file + 1, '\t') : nullptr;
        if (!file || !ext) continue;
        *file++ = 0;
        *ext++ = 0;
        std::string source = folder + file;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &data)) {
            fprintf(stderr, "missing %s\n", source.c_str());
            ++failed;
            continue;
        }
        char cacheFile[MAX_PATH];
        if (!CreateUrlCacheEntryA(line, data.nFileSizeLow, ext, cacheFile, 0) ||
            !CopyInto(source, cacheFile) ||
            !CommitUrlCacheEntryA(line, cacheFile, none, modified, NORMAL_CACHE_ENTRY, nullptr, 0, ext,
                                  nullptr)) {
            fprintf(stderr, "cannot cache %s\n", line);
            ++failed;
            continue;
        }
        ++filled;
    }
    fclose(in);
    printf("%d URLs put into the cache\n", filled);
    return failed ? 1 : 0;
}

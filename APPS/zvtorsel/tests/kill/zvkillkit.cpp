// The cache and the checks of the kill and full-disk tests (kill_test.sh,
// fulldisk_test.sh). The cache holds N URLs of a made-up site in two
// versions: version 2 changes every even entry (new bytes, a later time).
//   zvkillkit.exe fill N VERSION       empties the URL cache and fills it
//   zvkillkit.exe originals FOLDER N   every translated page of the rebuild
//                                      FOLDER restores to the bytes of one
//                                      of the versions; exit 1 otherwise
//   zvkillkit.exe clear                empties the URL cache
#include <windows.h>
#include <wininet.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "jobs/tests/win32/diskkit.h"
#include "base/win32/win32files.h"
#include "mapping/url_mapping.h"
#include "translate/html_translator.h"
#include "zvcore32.h"

namespace {

bool IsPicture(int i) { return i % 5 == 4; }

int VersionOf(int i, int version) { return version == 2 && i % 2 == 0 ? 2 : 1; }

std::string Url(int i) {
    char url[128];
    snprintf(url, sizeof url, "http://kill%d.zvtest/d%d/p%d.%s", i % 16, i % 9, i, IsPicture(i) ? "gif" : "html");
    return url;
}

// Pages in Shift_JIS, EUC-JP and JIS in turn, with relative, absolute and
// root links, a few kilobytes each.
std::string Content(int i, int version) {
    char text[256];
    if (IsPicture(i)) {
        std::string gif = std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00", 13);
        snprintf(text, sizeof text, "%d/%d;", i, version);
        for (int k = 0; k < 40; ++k) gif += text;
        return gif;
    }
    static const char* const kCharsets[] = {"Shift_JIS", "EUC-JP", "ISO-2022-JP"};
    static const char* const kJapanese[] = {"\x93\xFA\x96\x7B\x8C\xEA", "\xC6\xFC\xCB\xDC\xB8\xEC",
                                            "\x1B$BF|K\\8l\x1B(B"};
    int code = i % 3;
    std::string page = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
    page += kCharsets[code];
    snprintf(text, sizeof text, "\"><title>p%d v%d</title></head><body>\n", i, version);
    page += text;
    snprintf(text, sizeof text,
             "<a href=\"p%d.html\">next</a> <a href=\"http://kill%d.zvtest/d%d/p%d.html\">abs</a> "
             "<img src=\"/d%d/p%d.gif\">\n",
             i + 1, (i + 3) % 16, (i + 3) % 9, i + 3, (i + 1) % 9, (i / 5) * 5 + 4);
    page += text;
    for (int k = 0; k < 24; ++k) {
        snprintf(text, sizeof text, "<p>%s %d-%d-%d <a href=\"../d%d/p%d.html\">%d</a></p>\n", kJapanese[code], i,
                 version, k, k % 9, i + k, k);
        page += text;
    }
    return page + "</body></html>\n";
}

FILETIME TimeOf(int i, int version) {
    SYSTEMTIME st = {(WORD)(version == 2 ? 2001 : 2000), 4, 0, 1, 12, 0, 0, 0};
    FILETIME t;
    SystemTimeToFileTime(&st, &t);
    ULONGLONG v = ((ULONGLONG)t.dwHighDateTime << 32 | t.dwLowDateTime) + (ULONGLONG)i * 20000000;
    t.dwLowDateTime = (DWORD)v;
    t.dwHighDateTime = (DWORD)(v >> 32);
    return t;
}

int Fill(int count, int version) {
    diskkit::ClearCache();
    for (int i = 0; i < count; ++i) {
        int v = VersionOf(i, version);
        if (!diskkit::PutInCache(Url(i), Content(i, v), IsPicture(i) ? "gif" : "html", TimeOf(i, v))) {
            fprintf(stderr, "cannot cache %s\n", Url(i).c_str());
            return 1;
        }
    }
    printf("%d URLs of version %d in the cache\n", count, version);
    return 0;
}

int CheckOriginals(std::string folder, int count) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    const MappingSettings mapping;
    CWin32Files files;
    CHtmlTranslator translator(files, nullptr, mapping);
    if (!translator.AllocBuffers(kBuffersFile)) return 2;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string restored = std::string(temp) + "zvkillkit.original";
    int pages = 0, wrong = 0;
    for (int i = 0; i < count; ++i) {
        if (IsPicture(i)) continue;
        char local[kUrlBufferSize];
        UrlToLocalPath(Url(i).c_str(), local, sizeof local, mapping);
        std::string path = folder + local;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        ++pages;
        FILETIME none = {0, 0};
        DeleteFileA(restored.c_str());
        std::string original = translator.LoadHtml(path.c_str(), FALSE) && translator.HasOriginal() &&
                                       translator.WriteOriginal(restored.c_str(), none)
                                   ? diskkit::ReadAll(restored)
                                   : std::string("<no original>");
        if (original != Content(i, 1) && original != Content(i, 2)) {
            fprintf(stderr, "%s: the original does not restore\n", path.c_str());
            ++wrong;
        }
    }
    DeleteFileA(restored.c_str());
    printf("%d translated pages, %d restore wrongly\n", pages, wrong);
    return wrong ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "fill" && argc == 4) return Fill(atoi(argv[2]), atoi(argv[3]));
    if (command == "originals" && argc == 4) return CheckOriginals(argv[2], atoi(argv[3]));
    if (command == "clear" && argc == 2) {
        diskkit::ClearCache();
        return 0;
    }
    fprintf(stderr, "usage: zvkillkit fill N VERSION | originals FOLDER N | clear\n");
    return 2;
}

// The main job at the size of a real disk, driven by scripts/bench.sh:
//   scale_bench.exe write FOLDER ENTRIES
//     writes a Chromium simple cache of ENTRIES entries into FOLDER (every
//     entry file in one folder, as Chromium keeps them): one in ten a
//     Japanese page (Shift_JIS or EUC-JP, gzip-encoded) linking its nine
//     pictures (GIF), grouped in sites and folders of constant size, so the
//     cache grows in entries, not in folder depth;
//   scale_bench.exe tree CACHE REBUILD
//     opens the Rebuild Tree of zvtorsel.exe on the cache folder CACHE and
//     the rebuild folder REBUILD, and prints the seconds from the button
//     until the window says both sides are ready, and the program's peak
//     working set.
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "COMMON/windriver/windriver.h"
#include "cache/tests/browsercache_kit.h"
#include "jobs/tests/win32/diskkit.h"
#include "resource.h"

namespace {

using browsercachekit::Bytes;
using browsercachekit::Gzip;
using diskkit::Now;

const int kGroup = 10;           // a page and its nine pictures
const int kSites = 20;
const int kEntriesPerFolder = 1000;  // of all sites together: 50 per site folder

bool Write(const std::string& path, const std::vector<BYTE>& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(h, bytes.data(), (DWORD)bytes.size(), &done, nullptr) && done == bytes.size();
    CloseHandle(h);
    return ok;
}

// Shift_JIS to EUC-JP: both are JIS X 0208 rows, only the byte pairs differ.
std::string ToEucJp(const std::string& sjis) {
    std::string out;
    for (size_t i = 0; i < sjis.size(); ++i) {
        BYTE c1 = (BYTE)sjis[i];
        bool lead = (c1 >= 0x81 && c1 <= 0x9F) || (c1 >= 0xE0 && c1 <= 0xEF);
        if (!lead || i + 1 >= sjis.size()) {
            out += (char)c1;
            continue;
        }
        unsigned j1 = c1 - (c1 >= 0xE0 ? 0xB0 : 0x70), j2 = (BYTE)sjis[++i];
        j1 <<= 1;
        if (j2 < 0x9F) {
            j1 -= 1;
            j2 -= j2 >= 0x80 ? 0x20 : 0x1F;
        } else {
            j2 -= 0x7E;
        }
        out += (char)(j1 | 0x80);
        out += (char)(j2 | 0x80);
    }
    return out;
}

struct Place {
    std::string site, folder;  // "https://wwwNN.zvbench.jp/", "dNNNN/"
};

Place PlaceOf(int i) {
    char site[64], folder[32];
    snprintf(site, sizeof site, "https://www%02d.zvbench.jp/", (i / kGroup) % kSites);
    snprintf(folder, sizeof folder, "d%04d/", i / kEntriesPerFolder);
    return {site, folder};
}

std::string PictureName(int i) { return "p" + std::to_string(i) + ".gif"; }

// A page of Japanese prose (about 8 KB) with its pictures and two links.
std::string Page(int i, int entries, bool euc) {
    Place at = PlaceOf(i);
    std::string charset = euc ? "EUC-JP" : "Shift_JIS";
    std::string text = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset +
                       "\"><title>ページ " + std::to_string(i) + " の記録</title></head><body>\n";
    for (int k = 1; k < kGroup && i + k < entries; ++k)
        text += "<p><img src=\"" + PictureName(i + k) + "\" alt=\"写真" + std::to_string(k) + "\"></p>\n";
    for (int k = 0; k < 40; ++k)
        text += "<p>この段落は" + std::to_string(k) +
                "番目です。キャッシュから再構築したページを、ローカルのフォルダーで閲覧できます。</p>\n";
    int next = i + kGroup < entries ? i + kGroup : 0;
    Place nextAt = PlaceOf(next);
    text += "<a href=\"" + nextAt.site + nextAt.folder + "p" + std::to_string(next) + ".html\">次のページ</a>\n";
    text += "<a href=\"/\">トップへ戻る</a>\n</body></html>\n";
    return euc ? ToEucJp(text) : text;
}

// A valid 1x1 GIF, padded with a comment to a few kilobytes as photos of a
// page are.
std::vector<BYTE> Picture(int i) {
    static const BYTE head[] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255};
    std::vector<BYTE> gif(head, head + sizeof head);
    size_t target = 3000 + (size_t)(i * 7919) % 5000;
    gif.push_back(0x21);
    gif.push_back(0xFE);
    while (gif.size() + 260 < target) {
        gif.push_back(255);
        for (int k = 0; k < 255; ++k) gif.push_back((BYTE)('a' + (i + k) % 26));
    }
    gif.push_back(0);
    static const BYTE image[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
    gif.insert(gif.end(), image, image + sizeof image);
    return gif;
}

// The 16 hexadecimal digits Chromium takes from the key's hash.
std::string EntryName(const std::string& key) {
    ULONGLONG h = 1469598103934665603ULL;
    for (char c : key) h = (h ^ (BYTE)c) * 1099511628211ULL;
    char name[32];
    snprintf(name, sizeof name, "%016llx_0", (unsigned long long)h);
    return name;
}

int WriteCache(const std::string& folder, int entries) {
    CreateDirectoryA(folder.substr(0, folder.size() - 1).c_str(), nullptr);
    CreateDirectoryA((folder + "index-dir").c_str(), nullptr);
    // The fake index Chromium writes beside its entries: magic and version.
    std::vector<BYTE> index;
    browsercachekit::PutLe64(index, 0xfcfb6d1ba7725c30ULL);
    browsercachekit::PutLe32(index, 9);
    index.resize(24, 0);
    if (!Write(folder + "index", index) || !Write(folder + "index-dir\\the-real-index", Bytes("index"))) {
        printf("cannot write into %s (its parent folder must exist)\n", folder.c_str());
        return 1;
    }
    const std::string dates = "Last-Modified: Sat, 05 Apr 2003 06:07:08 GMT\r\nDate: Tue, 08 Dec 2026 22:49:50 GMT\r\n";
    double start = Now();
    ULONGLONG bytes = 0;
    for (int i = 0; i < entries; ++i) {
        Place at = PlaceOf(i);
        bool page = i % kGroup == 0;
        std::string url = at.site + at.folder + (page ? "p" + std::to_string(i) + ".html" : PictureName(i));
        std::string site = at.site.substr(0, at.site.size() - 1);
        std::string key = "1/0/_dk_" + site + " " + site + " " + url;
        std::string head;
        std::vector<BYTE> body;
        if (page) {
            bool euc = i % (3 * kGroup) == 0;
            head = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=" + std::string(euc ? "EUC-JP" : "Shift_JIS") +
                   "\r\nContent-Encoding: gzip\r\n" + dates;
            body = Gzip(Page(i, entries, euc));
        } else {
            head = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n" + dates;
            body = Picture(i);
        }
        std::vector<BYTE> file = browsercachekit::SimpleEntryFile(key, head, body, 13000000000000000ULL + i);
        bytes += file.size();
        if (!Write(folder + EntryName(key), file)) {
            printf("cannot write entry %d into %s\n", i, folder.c_str());
            return 1;
        }
    }
    printf("wrote %d entries (%.1f MB) in %.1f s\n", entries, bytes / 1e6, Now() - start);
    return 0;
}

std::string ProgramPath() {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof(module));
    std::string path = module;
    return path.substr(0, path.find_last_of('\\') + 1) + "zvtorsel.exe";
}

std::string ProgramString(UINT id) {
    HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    char text[512] = "";
    if (program) LoadStringA(program, id, text, sizeof(text));
    return text;
}

void SetText(HKEY key, const char* name, const std::string& value) {
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)value.size() + 1);
}

int OpenTree(const std::string& cache, const std::string& rebuild) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\z.v\\zvkestor\\Rebuild", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    SetText(key, "CacheFolder", cache);
    SetText(key, "RebuildFolder", rebuild);
    DWORD one = 1;
    RegSetValueExA(key, "NoWarning129", 0, REG_DWORD, (const BYTE*)&one, sizeof(one));
    RegCloseKey(key);

    windriver::Program program;
    if (!windriver::Start(ProgramPath(), program)) {
        printf("zvtorsel.exe does not start\n");
        return 1;
    }
    HWND main = windriver::WaitForWindow("z.v Torsel Sitekeeper", 20000, program.id);
    if (!main) {
        printf("no main dialog\n");
        windriver::Stop(program);
        return 1;
    }
    std::string ready = ProgramString(IDS_READY);
    double start = Now();
    windriver::Press(main, IDC_MAIN_REBUILD_TREE);
    HWND tree = windriver::WaitForWindow("再構築ツリー", 60000, program.id);
    double elapsed = -1;
    // Up to an hour: a cache of 100,000 entries under a slow Wine.
    while (tree && Now() - start < 3600) {
        if (windriver::ItemText(tree, IDC_RT_STATUS) == ready && !windriver::IsVisible(tree, IDC_RT_BUSY)) {
            elapsed = Now() - start;
            break;
        }
        Sleep(50);
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(program.process, &memory, sizeof memory);
    windriver::Stop(program);
    if (elapsed < 0) {
        printf(tree ? "the Rebuild Tree did not get ready\n" : "no Rebuild Tree window\n");
        return 1;
    }
    printf("tree %.2f s peak %.1f MB\n", elapsed, memory.PeakWorkingSetSize / 1048576.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc == 4) return WriteCache(argv[2], atoi(argv[3]));
    if (mode == "tree" && argc == 4) return OpenTree(argv[2], argv[3]);
    printf("usage: scale_bench.exe write FOLDER ENTRIES | tree CACHE REBUILD\n");
    return 2;
}

// The keyword search over a rebuilt tree of 10,000 pages (about 200 MB of
// Shift_JIS, EUC-JP and JIS pages, a tenth of them translated) against
// `grep -rlF` of the same word over the same tree, and the address list
// against a bare walk of the tree in memory. The tree is made once in the temporary
// folder (ZV_REPORT_BENCH_DIR overrides it) and kept for later runs.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "base/tests/disktree.h"
#include "reports/reportjobs.h"
#include "translate/envelope.h"
#include "zvjcode.h"

namespace {

const int kHosts = 100;
const int kPagesPerHost = 100;
const size_t kPageBytes = 20000;
// "検索語": the keyword, in a fifth of the pages of every kind.
const char kKeyword[] = "\x8c\x9f\x8d\xf5\x8c\xea";
// "日本語のページです。" and "リンク" as the body text.
const char kSentence[] = "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x79\x81\x5b\x83\x57\x82\xc5\x82\xb7\x81\x42";
const char kLink[] = "\x83\x8a\x83\x93\x83\x4e";

std::string TreeFolder() {
    const char* dir = getenv("ZV_REPORT_BENCH_DIR");
    return dir ? dir : "/tmp/zvt_report_bench";
}

bool WriteFile(const std::string& path, const std::string& data) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
    return fclose(f) == 0 && ok;
}

std::string Convert(const std::string& sjis, int code) {
    std::vector<char> out(sjis.size() * 2 + 16);
    int n = zvConvertJpnCode(out.data(), code, sjis.c_str(), ZVJCODE_SJIS);
    return std::string(out.data(), (size_t)n);
}

std::string Page(int host, int page) {
    char title[128];
    snprintf(title, sizeof title, "<html><head><title>%s %d-%d</title></head><body>\n", kLink, host, page);
    std::string text = title;
    int slot = (host * kPagesPerHost + page) % 20;
    bool keyword = slot == 3 || slot == 7 || slot == 8 || slot == 9;
    int line = 0;
    while (text.size() < kPageBytes) {
        char a[160];
        snprintf(a, sizeof a, "<p><a href=\"http://h%d.test/d/p%d.html\">%s %d</a> ", host, line, kLink, line);
        text += a;
        for (int i = 0; i < 6; ++i) text += kSentence;
        if (keyword && line == 40) text += kKeyword;
        text += "</p>\n";
        ++line;
    }
    return text + "</body></html>\n";
}

std::string Translated(const std::string& original) {
    EnvelopeWriter w(original.data(), original.size(), original.data(), original.size(), true, true);
    std::string file;
    for (int i = 0; i < w.Count(); ++i) file.append((const char*)w.Pieces()[i].data, w.Pieces()[i].length);
    return file;
}

// Makes the tree unless its last page is there.
bool EnsureTree() {
    std::string root = TreeFolder() + "/";
    char last[256];
    snprintf(last, sizeof last, "%shttp$/h%d.test/p%d.htm", root.c_str(), kHosts - 1, kPagesPerHost - 1);
    struct stat st;
    if (stat(last, &st) == 0) return true;
    mkdir(root.c_str(), 0755);
    mkdir((root + "http$").c_str(), 0755);
    for (int h = 0; h < kHosts; ++h) {
        char host[256];
        snprintf(host, sizeof host, "%shttp$/h%d.test/", root.c_str(), h);
        mkdir(host, 0755);
        for (int p = 0; p < kPagesPerHost; ++p) {
            std::string sjis = Page(h, p);
            std::string data;
            switch (p % 10) {
            case 0: case 1: case 2: case 3: case 4: data = sjis; break;
            case 5: case 6: case 7: data = Convert(sjis, ZVJCODE_EUC); break;
            case 8: data = Convert(sjis, ZVJCODE_JIS); break;
            default: data = Translated(sjis); break;
            }
            char name[300];
            snprintf(name, sizeof name, "%s%s.htm", host, p == 0 ? "index" : ("p" + std::to_string(p)).c_str());
            if (!WriteFile(name, data)) return false;
        }
    }
    return true;
}

class CQuietProgress : public IReportProgress {
public:
    void Status(const char*) override {}
    void Counts(DWORD, DWORD) override {}
    void Message(UINT, const char*) override {}
};

// Output folder of the pages, apart from the tree so a search never meets them.
std::string PageFolder() {
    std::string folder = TreeFolder() + "-pages/";
    mkdir(folder.c_str(), 0755);
    return folder;
}

void KeywordSearch(benchmark::State& state) {
    if (!EnsureTree()) return state.SkipWithError("cannot make the tree");
    CQuietProgress progress;
    PageTexts texts;
    texts.searchTitle = "%s";
    KeywordRequest request;
    request.rebuildFolder = PageFolder();
    request.searchFolder = TreeFolder() + "/";
    request.keywords = {kKeyword};
    DWORD found = 0, searched = 0;
    long opens = 0;
    const MappingSettings mapping;
    for (auto _ : state) {
        // Read from disk in each run, as grep reads every file.
        CMemoryFiles files;
        LoadDiskTree(request.searchFolder, files);
        files.AddFolder(request.rebuildFolder);
        CHtmlTranslator translator(files, nullptr, mapping);
        CKeywordSearchJob job(files, translator, progress, texts, mapping);
        ReportJobResult r = job.Run(request);
        found = r.found;
        searched = r.searched;
        opens += files.opens;
    }
    state.counters["found"] = found;
    state.counters["searched"] = searched;
    state.counters["opens_per_page"] = searched ? (double)opens / state.iterations() / searched : 0;
}

void GrepRecursive(benchmark::State& state) {
    if (!EnsureTree()) return state.SkipWithError("cannot make the tree");
    std::string command = std::string("grep -rlF '") + kKeyword + "' '" + TreeFolder() + "' | wc -l > " +
                          PageFolder() + "grep.count";
    for (auto _ : state) {
        if (system(command.c_str()) != 0) return state.SkipWithError("grep failed");
    }
}

void AddressList(benchmark::State& state) {
    if (!EnsureTree()) return state.SkipWithError("cannot make the tree");
    // The list and its peer, the bare walk, both over the tree in memory.
    CMemoryFiles files;
    LoadDiskTree(TreeFolder() + "/", files);
    CQuietProgress progress;
    PageTexts texts;
    ListSettings settings;
    settings.listedFiles = {"index", "index_j", "index-j", "default"};
    // The page goes beside the tree's folders; it is no listed name.
    DWORD found = 0;
    const MappingSettings mapping;
    for (auto _ : state) {
        CHtmlTranslator translator(files, nullptr, mapping);
        CAddressListJob job(files, translator, progress, texts, mapping);
        found = job.Run(TreeFolder() + "/", 0, settings).found;
    }
    state.counters["found"] = found;
}

void BareWalk(benchmark::State& state) {
    if (!EnsureTree()) return state.SkipWithError("cannot make the tree");
    CMemoryFiles files;
    LoadDiskTree(TreeFolder() + "/", files);
    long seen = 0;
    for (auto _ : state) {
        seen = 0;
        std::vector<std::string> folders = {TreeFolder() + "/"};
        while (!folders.empty()) {
            std::string folder = folders.back();
            folders.pop_back();
            std::vector<DirEntry> entries;
            files.ListFolder(folder.c_str(), entries);
            for (const DirEntry& e : entries) {
                if (e.attributes & 0x10)
                    folders.push_back(folder + e.name + "/");
                else
                    ++seen;
            }
        }
    }
    state.counters["files"] = seen;
}

}  // namespace

BENCHMARK(GrepRecursive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(KeywordSearch)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BareWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(AddressList)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK_MAIN();

// Full translation of real HTML pages (LoadHtml with conversion, Translate
// with links, envelope written into memory) against the code converter alone
// on the same pages, and with relative links against file URL links. The pages are the machine's own HTML documentation,
// repeated up to 50 MB; nothing is kept on disk.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <stdio.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <vector>

#include "translate/html_translator.h"
#include "base/memoryfiles.h"
#include "zvjcode.h"

namespace {

const size_t kCorpusBytes = 50u << 20;

void CollectHtml(const std::string& dir, std::vector<std::string>* pages, size_t* total) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string path = dir + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            CollectHtml(path, pages, total);
        } else if (S_ISREG(st.st_mode) && st.st_size > 0 &&
                   (name.size() > 5 && (name.compare(name.size() - 5, 5, ".html") == 0 ||
                                        name.compare(name.size() - 4, 4, ".htm") == 0))) {
            FILE* f = fopen(path.c_str(), "rb");
            if (!f) continue;
            std::string data((size_t)st.st_size, 0);
            if (fread(&data[0], 1, data.size(), f) == data.size()) {
                pages->push_back(data);
                *total += data.size();
            }
            fclose(f);
        }
    }
    closedir(d);
}

// The pages, and a file store that serves them by index.
struct Corpus {
    Corpus() {
        std::vector<std::string> found;
        size_t foundBytes = 0;
        CollectHtml("/usr/share/doc", &found, &foundBytes);
        if (foundBytes < (1u << 20)) CollectHtml("/usr/share", &found, &foundBytes);
        for (size_t i = 0; !found.empty() && bytes < kCorpusBytes; ++i) {
            const std::string& page = found[i % found.size()];
            files.Content(std::to_string(names.size())) = page;
            names.push_back(std::to_string(names.size()));
            bytes += page.size();
        }
        fprintf(stderr, "corpus: %zu distinct pages, %zu pages, %.1f MB\n", found.size(),
                names.size(), bytes / 1048576.0);
    }
    std::vector<std::string> names;
    size_t bytes = 0;
    CMemoryFiles files;
};

Corpus& TheCorpus() {
    static Corpus corpus;
    return corpus;
}


// linkForm: FileProtocolType; relative links are written from a page three
// folders deep in a site.
void FullTranslation(benchmark::State& state, int linkForm) {
    Corpus& c = TheCorpus();
    MappingSettings settings;
    settings.fileProtocolType = linkForm;
    CHtmlTranslator t(c.files, nullptr, settings);
    if (!t.AllocBuffers(kBuffersAll) || !t.OpenLinkScanners(TRUE)) {
        state.SkipWithError("no buffers");
        return;
    }
    const char* folder = "C:\\My Documents\\Internet Local Files\\";
    const std::string page = std::string(folder) + "http$\\host\\a\\b\\c\\page.html";
    for (auto _ : state) {
        for (const std::string& name : c.names) {
            if (!t.LoadHtml(name.c_str(), TRUE)) continue;
            t.Translate(folder, "http://host/", TRUE, page.c_str());
            t.WriteTranslated("out", FILETIME{1, 1}, TRUE, TRUE);
        }
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)c.bytes);
}

void BM_FullTranslation(benchmark::State& state) { FullTranslation(state, 2); }
void BM_FullTranslationRelative(benchmark::State& state) { FullTranslation(state, 1); }

void BM_ConverterAlone(benchmark::State& state) {
    Corpus& c = TheCorpus();
    std::vector<std::string> texts;
    size_t longest = 0;
    for (const std::string& name : c.names) {
        texts.push_back(c.files.Content(name).c_str());  // as LoadHtml hands it over, up to a NUL
        if (texts.back().size() > longest) longest = texts.back().size();
    }
    std::vector<char> out(longest + 1);
    for (auto _ : state) {
        for (const std::string& text : texts) {
            int code = zvJudgeJpnCodeType(text.c_str());
            if (code < 0) continue;
            benchmark::DoNotOptimize(zvConvertJpnCode(out.data(), ZVJCODE_SJIS, text.c_str(), code));
        }
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)c.bytes);
}

// Prints the ratio of the two rates once both have run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            auto it = r.counters.find("bytes_per_second");
            if (it != r.counters.end()) rates[r.run_name.function_name] = it->second.value;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        double full = rates["BM_FullTranslation"], conv = rates["BM_ConverterAlone"];
        if (full > 0 && conv > 0)
            printf("full translation %.1f MB/s, converter alone %.1f MB/s: full costs %.2fx the conversion\n",
                   full / 1048576, conv / 1048576, conv / full);
        double relative = rates["BM_FullTranslationRelative"];
        if (full > 0 && relative > 0)
            printf("with relative links %.1f MB/s: %.2fx the time of file URL links\n", relative / 1048576,
                   full / relative);
    }
    std::map<std::string, double> rates;
};

}  // namespace

BENCHMARK(BM_ConverterAlone)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FullTranslation)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FullTranslationRelative)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

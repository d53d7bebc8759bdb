// Style sheet translation (LoadStyleSheet, TranslateStyleSheet with
// relative links, the envelope written into memory) over 10,000 real style
// sheets of 2 to 50 KB, beside the page translation over as many real pages
// of the same sizes, in the same run: per byte a sheet must not cost more
// than a page. Sheets are the machine's own (/usr/share, /usr/lib), pages its
// HTML documentation; nothing is kept on disk.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/memoryfiles.h"
#include "translate/html_translator.h"

namespace {

const size_t kFiles = 10000;
const size_t kSmallest = 2 << 10, kLargest = 50 << 10;

void Collect(const std::string& dir, const char* suffix, std::vector<std::string>* out, int depth = 0) {
    DIR* d = opendir(dir.c_str());
    if (!d || depth > 12) {
        if (d) closedir(d);
        return;
    }
    size_t n = strlen(suffix);
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string path = dir + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            Collect(path, suffix, out, depth + 1);
        } else if (S_ISREG(st.st_mode) && (size_t)st.st_size >= kSmallest && (size_t)st.st_size <= kLargest &&
                   name.size() > n && name.compare(name.size() - n, n, suffix) == 0) {
            FILE* f = fopen(path.c_str(), "rb");
            if (!f) continue;
            std::string data((size_t)st.st_size, 0);
            if (fread(&data[0], 1, data.size(), f) == data.size()) out->push_back(data);
            fclose(f);
        }
    }
    closedir(d);
}

struct Set {
    std::vector<std::string> names;
    size_t bytes = 0;
    CMemoryFiles files;
    void Fill(const std::vector<std::string>& found, size_t distinct, const char* kind) {
        for (size_t i = 0; !found.empty() && names.size() < kFiles; ++i) {
            const std::string& text = found[i % found.size()];
            names.push_back(std::to_string(names.size()));
            files.Content(names.back()) = text;
            bytes += text.size();
        }
        fprintf(stderr, "%s: %zu distinct, %zu files, %.1f MB\n", kind, distinct, names.size(), bytes / 1048576.0);
    }
};

Set& Sheets() {
    static Set set;
    if (set.names.empty()) {
        std::vector<std::string> found;
        Collect("/usr/share", ".css", &found);
        Collect("/usr/lib", ".css", &found);
        set.Fill(found, found.size(), "style sheets");
    }
    return set;
}

// Pages whose sizes follow the sheets': each sheet's size picks the page
// nearest to it.
Set& Pages() {
    static Set set;
    if (set.names.empty()) {
        std::vector<std::string> found;
        Collect("/usr/share/doc", ".html", &found);
        std::multimap<size_t, const std::string*> bySize;
        for (const std::string& p : found) bySize.insert({p.size(), &p});
        std::vector<std::string> matched;
        std::set<const std::string*> distinct;
        Set& sheets = Sheets();
        for (const std::string& name : sheets.names) {
            if (bySize.empty()) break;
            auto it = bySize.lower_bound(sheets.files.Content(name).size());
            if (it == bySize.end()) --it;
            matched.push_back(*it->second);
            distinct.insert(it->second);
        }
        set.Fill(matched, distinct.size(), "pages");
    }
    return set;
}

const char kFolder[] = "C:\\My Documents\\Internet Local Files\\";

void BM_StyleSheets(benchmark::State& state) {
    Set& s = Sheets();
    MappingSettings settings;
    settings.fileProtocolType = 1;
    CHtmlTranslator t(s.files, nullptr, settings);
    if (s.names.empty() || !t.AllocBuffers(kBuffersAll)) {
        state.SkipWithError("no style sheets or no buffers");
        return;
    }
    const std::string path = std::string(kFolder) + "http$\\host\\a\\b\\css\\site.css";
    for (auto _ : state) {
        for (const std::string& name : s.names) {
            if (!t.LoadStyleSheet(name.c_str(), TRUE)) continue;
            if (t.TranslateStyleSheet(kFolder, "http://host/a/b/css/site.css", path.c_str()))
                t.WriteTranslatedStyleSheet("out", FILETIME{1, 1}, TRUE);
        }
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.bytes);
}

void BM_PagesOfTheSameSizes(benchmark::State& state) {
    Set& s = Pages();
    MappingSettings settings;
    settings.fileProtocolType = 1;
    CHtmlTranslator t(s.files, nullptr, settings);
    if (s.names.empty() || !t.AllocBuffers(kBuffersAll) || !t.OpenLinkScanners(TRUE)) {
        state.SkipWithError("no pages or no buffers");
        return;
    }
    const std::string path = std::string(kFolder) + "http$\\host\\a\\b\\page.html";
    for (auto _ : state) {
        for (const std::string& name : s.names) {
            if (!t.LoadHtml(name.c_str(), TRUE)) continue;
            if (t.Translate(kFolder, "http://host/", TRUE, path.c_str()))
                t.WriteTranslated("out", FILETIME{1, 1}, TRUE, TRUE);
        }
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.bytes);
}

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
        double sheets = rates["BM_StyleSheets"], pages = rates["BM_PagesOfTheSameSizes"];
        if (sheets > 0 && pages > 0)
            printf("style sheets %.1f MB/s, pages %.1f MB/s: sheets run at %.2fx the rate of pages per byte\n",
                   sheets / 1048576, pages / 1048576, sheets / pages);
    }
    std::map<std::string, double> rates;
};

}  // namespace

BENCHMARK(BM_StyleSheets)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PagesOfTheSameSizes)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

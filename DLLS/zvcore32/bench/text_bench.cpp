// The scanner and the Japanese code converter against their glibc and
// standard-library peers, over test data made from files on this machine
// when the benchmark starts:
//  - at least 50 MB of HTML pages found below /usr/share/doc, /usr/share and
//    /root (repeated when the machine holds fewer);
//  - at least 50 MB of Japanese text from the manual pages below
//    /usr/share/man/ja, converted to EUC-JP and ISO-2022-JP with nkf.
// The ratios of each engine to its peer are printed after the run.
#include <benchmark/benchmark.h>
#include <errno.h>
#include <iconv.h>
#include <stdio.h>
#include <string.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "zvcore32.h"

namespace {

const size_t TARGET_SIZE = 50u << 20;

void Repeat(std::string& data) {
    if (data.empty()) return;
    size_t once = data.size();
    while (data.size() < TARGET_SIZE) data.append(data, 0, once);
}

std::string ReadCommand(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
    return out;
}

const std::string& Html() {
    static std::string html = [] {
        std::string data;
        namespace fs = std::filesystem;
        for (const char* root : {"/usr/share/doc", "/usr/share", "/root"}) {
            std::error_code ec;
            fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
            for (; !ec && it != end && data.size() < TARGET_SIZE; it.increment(ec)) {
                const fs::path& path = it->path();
                std::string ext = path.extension().string();
                if (ext != ".html" && ext != ".htm") continue;
                std::error_code fileEc;
                if (!it->is_regular_file(fileEc)) continue;
                FILE* f = fopen(path.c_str(), "rb");
                if (!f) continue;
                char buffer[65536];
                size_t n;
                while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
                fclose(f);
            }
            if (data.size() >= TARGET_SIZE) break;
        }
        for (char& c : data)
            if (c == 0) c = ' ';
        Repeat(data);
        return data;
    }();
    return html;
}

const std::string& Japanese(const char* nkfOption) {
    static std::map<std::string, std::string> texts;
    std::string& text = texts[nkfOption];
    if (text.empty()) {
        text = ReadCommand(std::string("zcat /usr/share/man/ja/man*/*.gz | nkf ") + nkfOption);
        for (char& c : text)
            if (c == 0) c = ' ';
        Repeat(text);
    }
    return text;
}

void RequireData(benchmark::State& state, const std::string& data) {
    if (data.size() < TARGET_SIZE) state.SkipWithError("test data could not be made from the machine's files");
}

// Counts every match from the start of the text, as the report pages do.
template <class Find>
void CountMatches(benchmark::State& state, const std::string& text, Find find) {
    RequireData(state, text);
    size_t found = 0;
    for (auto _ : state) {
        found = 0;
        const char* p = text.c_str();
        size_t length;
        while ((p = find(p, length)) != nullptr) {
            ++found;
            p += length ? length : 1;
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = (double)found;
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

void BM_Title_Scanner(benchmark::State& state) {
    HANDLE cvt = zvSaaCreateCvtA("<TITLE>", 1);
    CountMatches(state, Html(), [cvt](const char* p, size_t& length) -> const char* {
        const char* hit = zvSaaScanStringA(cvt, p);
        length = (size_t)zvSaaGetMatchLength(cvt);
        return hit;
    });
    zvSaaCloseCvt(cvt);
}

void BM_Title_Strcasestr(benchmark::State& state) {
    CountMatches(state, Html(), [](const char* p, size_t& length) -> const char* {
        length = 7;
        return strcasestr(p, "<TITLE>");
    });
}

void BM_Title_ScannerExactCase(benchmark::State& state) {
    HANDLE cvt = zvSaaCreateCvtA("<title>", 0);
    CountMatches(state, Html(), [cvt](const char* p, size_t& length) -> const char* {
        const char* hit = zvSaaScanStringA(cvt, p);
        length = (size_t)zvSaaGetMatchLength(cvt);
        return hit;
    });
    zvSaaCloseCvt(cvt);
}

void BM_Title_Memmem(benchmark::State& state) {
    const std::string& html = Html();
    const char* end = html.c_str() + html.size();
    CountMatches(state, html, [end](const char* p, size_t& length) -> const char* {
        length = 7;
        return static_cast<const char*>(memmem(p, (size_t)(end - p), "<title>", 7));
    });
}

void BM_Href_Scanner(benchmark::State& state) {
    HANDLE cvt = zvSaaCreateCvtA("[ \t\n]href[ \t\n]*=", 3);
    CountMatches(state, Html(), [cvt](const char* p, size_t& length) -> const char* {
        const char* hit = zvSaaScanStringA(cvt, p);
        length = (size_t)zvSaaGetMatchLength(cvt);
        return hit;
    });
    zvSaaCloseCvt(cvt);
}

void BM_Href_StdRegex(benchmark::State& state) {
    const std::regex re("[ \t\n]href[ \t\n]*=", std::regex::icase | std::regex::optimize);
    const std::string& html = Html();
    const char* end = html.c_str() + html.size();
    CountMatches(state, html, [&re, end](const char* p, size_t& length) -> const char* {
        std::cmatch m;
        if (!std::regex_search(p, end, m, re)) return nullptr;
        length = (size_t)m.length(0);
        return m[0].first;
    });
}

// The translator's use: the tag pattern tried at every "<" of a page.
template <class Match>
void EveryTagStart(benchmark::State& state, Match match) {
    const std::string& html = Html();
    RequireData(state, html);
    size_t tags = 0;
    for (auto _ : state) {
        tags = 0;
        for (const char* p = html.c_str(); (p = strchr(p, '<')) != nullptr; ++p) tags += match(p);
        benchmark::DoNotOptimize(tags);
    }
    state.counters["matches"] = (double)tags;
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)html.size());
}

void BM_Tag_Scanner(benchmark::State& state) {
    HANDLE cvt = zvSaaCreateCvtA("^<[a-z]+[ \t\n]", 3);
    EveryTagStart(state, [cvt](const char* p) { return zvSaaScanStringA(cvt, p) != nullptr; });
    zvSaaCloseCvt(cvt);
}

void BM_Tag_StdRegex(benchmark::State& state) {
    const std::regex re("<[a-z]+[ \t\n]", std::regex::icase | std::regex::optimize);
    const char* end = Html().c_str() + Html().size();
    EveryTagStart(state, [&re, end](const char* p) {
        std::cmatch m;
        return std::regex_search(p, end, m, re, std::regex_constants::match_continuous);
    });
}

void Convert(benchmark::State& state, const char* nkfOption, int inCode) {
    const std::string& in = Japanese(nkfOption);
    RequireData(state, in);
    std::vector<char> out(zvJpnCodeBufferSize(in.size(), 0));
    for (auto _ : state) benchmark::DoNotOptimize(zvConvertJpnCode(out.data(), 0, in.c_str(), inCode));
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)in.size());
}

void ConvertIconv(benchmark::State& state, const char* nkfOption, const char* fromCode) {
    const std::string& in = Japanese(nkfOption);
    RequireData(state, in);
    std::vector<char> out(in.size() + 16);
    iconv_t cd = iconv_open("SHIFT_JIS", fromCode);
    if (cd == (iconv_t)-1) {
        state.SkipWithError("iconv_open failed");
        return;
    }
    size_t skipped = 0;
    for (auto _ : state) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char* dst = out.data();
        size_t dstLeft = out.size();
        skipped = 0;
        while (srcLeft > 0) {
            if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != (size_t)-1) break;
            if (errno == E2BIG) break;
            ++src;  // a character without a Shift_JIS form
            --srcLeft;
            ++skipped;
        }
        benchmark::DoNotOptimize(dst);
    }
    iconv_close(cd);
    state.counters["skipped"] = (double)skipped;
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)in.size());
}

void BM_EucToSjis_Converter(benchmark::State& state) { Convert(state, "-e", 2); }
void BM_EucToSjis_Iconv(benchmark::State& state) { ConvertIconv(state, "-e", "EUC-JP"); }
void BM_JisToSjis_Converter(benchmark::State& state) { Convert(state, "-j", 1); }
void BM_JisToSjis_Iconv(benchmark::State& state) { ConvertIconv(state, "-j", "ISO-2022-JP"); }

// Each runs several times and the ratios use the medians, which a busy
// shared machine disturbs less than single runs.
#define ZV_BENCH(fn) BENCHMARK(fn)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)
ZV_BENCH(BM_Title_Scanner);
ZV_BENCH(BM_Title_Strcasestr);
ZV_BENCH(BM_Title_ScannerExactCase);
ZV_BENCH(BM_Title_Memmem);
ZV_BENCH(BM_Href_Scanner);
ZV_BENCH(BM_Href_StdRegex)->Iterations(1);
ZV_BENCH(BM_Tag_Scanner);
ZV_BENCH(BM_Tag_StdRegex)->Iterations(1);
ZV_BENCH(BM_EucToSjis_Converter);
ZV_BENCH(BM_EucToSjis_Iconv);
ZV_BENCH(BM_JisToSjis_Converter);
ZV_BENCH(BM_JisToSjis_Iconv);

// Keeps each run's processor time per iteration so the ratios can be
// printed; processor time is steadier than wall time on a shared machine.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            bool single = r.run_type == Run::RT_Iteration;
            if (r.error_occurred || r.iterations <= 0 || !(single || r.aggregate_name == "median")) continue;
            seconds[r.run_name.function_name] = r.cpu_accumulated_time / (double)r.iterations;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintRatio(const RatioReporter& r, const char* engine, const char* peer, const char* what) {
    auto e = r.seconds.find(engine);
    auto p = r.seconds.find(peer);
    if (e == r.seconds.end() || p == r.seconds.end() || e->second <= 0) return;
    printf("%-44s %6.2f x the speed of %s\n", what, p->second / e->second, peer);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\nRatios (median peer processor time / median engine processor time, same run):\n");
    PrintRatio(reporter, "BM_Title_Scanner", "BM_Title_Strcasestr", "scanner <TITLE> flags 1");
    PrintRatio(reporter, "BM_Title_ScannerExactCase", "BM_Title_Memmem", "scanner <title> flags 0");
    PrintRatio(reporter, "BM_Href_Scanner", "BM_Href_StdRegex", "scanner [ \\t\\n]href[ \\t\\n]*= flags 3");
    PrintRatio(reporter, "BM_Tag_Scanner", "BM_Tag_StdRegex", "scanner ^<[a-z]+[ \\t\\n] at every <");
    PrintRatio(reporter, "BM_EucToSjis_Converter", "BM_EucToSjis_Iconv", "converter EUC-JP to Shift_JIS");
    PrintRatio(reporter, "BM_JisToSjis_Converter", "BM_JisToSjis_Iconv", "converter ISO-2022-JP to Shift_JIS");
    benchmark::Shutdown();
    return 0;
}

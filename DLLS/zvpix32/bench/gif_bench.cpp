// GIF decoding of a 2000 × 2000 dithered 256-colour picture made at start-up,
// plain and interlaced (both written by giflib), beside giflib's DGifSlurp
// followed by copying the indexes into the same 4-byte-aligned rows.
#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "gif_decoder.h"

namespace {

const int kSize = 2000;

// Smooth colour fields and shapes, ordered-dithered to a 6 × 7 × 6 cube.
std::vector<BYTE> DitheredIndexes() {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    std::vector<BYTE> idx((size_t)kSize * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const bool disc = (x % 500 - 250) * (x % 500 - 250) + (y % 400 - 200) * (y % 400 - 200) < 120 * 120;
            const double r = 128 + 100 * sin(x * 0.003) + (disc ? 40 : 0);
            const double g = 128 + 90 * cos(y * 0.004 + x * 0.001);
            const double b = 128 + 100 * sin((x + y) * 0.002) - (disc ? 60 : 0);
            const double t = (bayer[y & 3][x & 3] + 0.5) / 16.0;
            auto level = [t](double v, int levels) {
                const double s = (v < 0 ? 0 : v > 255 ? 255 : v) / 255.0 * (levels - 1);
                const int base = (int)s;
                return base + (s - base > t ? 1 : 0) > levels - 1 ? levels - 1 : base + (s - base > t ? 1 : 0);
            };
            idx[(size_t)y * kSize + x] = (BYTE)(level(r, 6) * 42 + level(g, 7) * 6 + level(b, 6));
        }
    return idx;
}

int WriteToVector(GifFileType* gif, const GifByteType* data, int n) {
    std::vector<BYTE>* out = (std::vector<BYTE>*)gif->UserData;
    out->insert(out->end(), data, data + n);
    return n;
}

std::vector<BYTE> Encode(bool interlaced) {
    static const std::vector<BYTE> indexes = DitheredIndexes();
    std::vector<BYTE> file;
    int error = 0;
    GifFileType* gif = EGifOpen(&file, WriteToVector, &error);
    GifColorType colours[256] = {};
    for (int i = 0; i < 252; ++i) colours[i] = {(GifByteType)(i / 42 * 51), (GifByteType)(i / 6 % 7 * 42),
                                                 (GifByteType)(i % 6 * 51)};
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifPutScreenDesc(gif, kSize, kSize, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, kSize, kSize, interlaced, nullptr);
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass)
        for (int y = interlaced ? start[pass] : 0; y < kSize; y += interlaced ? step[pass] : 1)
            EGifPutLine(gif, (GifPixelType*)&indexes[(size_t)y * kSize], kSize);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return file;
}

const std::vector<BYTE>& File(bool interlaced) {
    static const std::vector<BYTE> plain = Encode(false), twin = Encode(true);
    return interlaced ? twin : plain;
}

void SetRate(benchmark::State& state) {
    state.counters["MP/s"] =
        benchmark::Counter((double)kSize * kSize / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void Ours(benchmark::State& state, bool interlaced) {
    const std::vector<BYTE>& file = File(interlaced);
    for (auto _ : state) {
        DibInfo info;
        info.size = DIBINFO_SIZE;
        HZVDIB dib = zvConvertGifToDib(file.data(), (DWORD)file.size(), nullptr, &info);
        if (!dib) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(info.bits);
        zvDeleteDIBitmap(dib);
    }
    SetRate(state);
}

struct MemoryReader {
    const BYTE* data;
    size_t size, pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
    MemoryReader* r = (MemoryReader*)gif->UserData;
    const size_t take = (size_t)n < r->size - r->pos ? (size_t)n : r->size - r->pos;
    memcpy(out, r->data + r->pos, take);
    r->pos += take;
    return (int)take;
}

void Peer(benchmark::State& state, bool interlaced) {
    const std::vector<BYTE>& file = File(interlaced);
    const size_t stride = (kSize + 3) & ~3;
    std::vector<BYTE> pixels(stride * kSize + 256);
    for (auto _ : state) {
        MemoryReader reader = {file.data(), file.size(), 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
        if (!gif || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib failed");
        const SavedImage& image = gif->SavedImages[0];
        for (int y = 0; y < image.ImageDesc.Height; ++y)
            memcpy(&pixels[y * stride], image.RasterBits + (size_t)y * image.ImageDesc.Width, image.ImageDesc.Width);
        benchmark::DoNotOptimize(pixels.data());
        DGifCloseFile(gif, &error);
    }
    SetRate(state);
}

class RateReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rates;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            const auto it = r.counters.find("MP/s");
            if (it != r.counters.end()) rates[r.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const char* const kinds[] = {"plain", "interlaced"};
    for (int i = 0; i < 2; ++i) {
        benchmark::RegisterBenchmark((std::string("ours/") + kinds[i]).c_str(), Ours, i == 1);
        benchmark::RegisterBenchmark((std::string("giflib/") + kinds[i]).c_str(), Peer, i == 1);
    }
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printf("\n%-12s %10s %12s %8s   (file %zu bytes)\n", "picture", "ours MP/s", "giflib MP/s", "ratio",
           File(false).size());
    for (const char* kind : kinds) {
        const double ours = reporter.rates[std::string("ours/") + kind];
        const double peer = reporter.rates[std::string("giflib/") + kind];
        printf("%-12s %10.1f %12.1f %8.2f\n", kind, ours, peer, peer ? ours / peer : 0);
    }
    return 0;
}

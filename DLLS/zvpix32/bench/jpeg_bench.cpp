// JPEG decoding of 4000 × 3000 pictures made at start-up (baseline 4:2:0,
// its progressive twin, 4:4:4, grey; quality 85, accurate integer DCT),
// beside libjpeg-turbo decoding the same files with the same transform, with
// its SIMD code and (in a child run with JSIMD_FORCENONE=1) without it.
// Two pairings: the decoders alone, each writing into one output buffer used
// over and over (ours through the decoder's entry behind zvConvertJpegToDib),
// and both writing every picture into new memory, as zvConvertJpegToDib
// hands it out; the first touch of fresh pages costs more than decoding on
// some machines, so the second pairing mostly measures page faults.
// The last lines sum up per kind: "jpeg KIND alone R1 R2 fresh R3 R4", our
// rate over the peer's without and with SIMD (above 1: ours is faster).
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "jpeg_decoder.h"

namespace {

const int kWidth = 4000, kHeight = 3000;
const char* const kKinds[] = {"baseline420", "progressive420", "baseline444", "grey"};

// A photograph stand-in: smooth light, textured areas, hard edges and
// sensor-like noise, so that the entropy-coded data has a realistic density.
std::vector<BYTE> Photo() {
    std::vector<BYTE> rgb((size_t)kWidth * kHeight * 3);
    unsigned seed = 2024;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = (int)((seed >> 16) % 13) - 6;
            const double light = 110 + 60 * sin(x * 0.0021) * cos(y * 0.0017);
            const double texture = ((x / 160 + y / 120) & 1) ? 25 * sin(x * 0.09 + y * 0.05) : 0;
            const bool disc = (x % 700 - 350) * (x % 700 - 350) + (y % 600 - 300) * (y % 600 - 300) < 150 * 150;
            const double base = light + texture + (disc ? 50 : 0) + noise;
            BYTE* p = &rgb[((size_t)y * kWidth + x) * 3];
            const double r = base + 30 * sin(y * 0.004), g = base + 10, b = base - 20 + (disc ? -40 : 0);
            p[0] = (BYTE)(r < 0 ? 0 : r > 255 ? 255 : r);
            p[1] = (BYTE)(g < 0 ? 0 : g > 255 ? 255 : g);
            p[2] = (BYTE)(b < 0 ? 0 : b > 255 ? 255 : b);
        }
    }
    return rgb;
}

std::vector<BYTE> Encode(const std::vector<BYTE>& rgb, int kind) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    const bool grey = kind == 3;
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    if (kind == 2) cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    if (kind == 1) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<BYTE> row((size_t)kWidth * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const BYTE* src = &rgb[(size_t)cinfo.next_scanline * kWidth * 3];
        if (grey)
            for (int x = 0; x < kWidth; ++x)
                row[x] = (BYTE)((77 * src[3 * x] + 150 * src[3 * x + 1] + 29 * src[3 * x + 2]) >> 8);
        else
            memcpy(row.data(), src, row.size());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<BYTE> file(out, out + outSize);
    free(out);
    return file;
}

const std::vector<BYTE>& File(int kind) {
    static std::vector<BYTE> files[4];
    if (files[kind].empty()) {
        static const std::vector<BYTE> photo = Photo();
        files[kind] = Encode(photo, kind);
    }
    return files[kind];
}

void SetRate(benchmark::State& state, int kind) {
    state.counters["MP/s"] =
        benchmark::Counter((double)kWidth * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["bits/px"] = (double)File(kind).size() * 8 / ((double)kWidth * kHeight);
}

// One buffer for every decode, grown when a picture needs more.
class ReusedSink : public IJpegPixelSink {
public:
    ~ReusedSink() { free(pixels_); }
    BYTE* Reserve(DWORD, DWORD, DWORD, size_t bytes) override {
        if (bytes > bytes_) {
            free(pixels_);
            pixels_ = (BYTE*)malloc(bytes);
            bytes_ = pixels_ ? bytes : 0;
        }
        return pixels_;
    }

private:
    BYTE* pixels_ = nullptr;
    size_t bytes_ = 0;
};

void OursAlone(benchmark::State& state, int kind) {
    const std::vector<BYTE>& file = File(kind);
    ReusedSink sink;
    // Untimed: the first decode allocates the buffer and the working memory.
    JpegPicture warm;
    zvJpegDecode(file.data(), file.size(), 2, 0, sink, &warm);
    for (auto _ : state) {
        JpegPicture picture;
        // Past the start-of-image pair at the file's start.
        if (zvJpegDecode(file.data(), file.size(), 2, 0, sink, &picture)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(picture.pixels);
    }
    SetRate(state, kind);
}

void Ours(benchmark::State& state, int kind) {
    const std::vector<BYTE>& file = File(kind);
    for (auto _ : state) {
        DibInfo info;
        info.size = DIBINFO_SIZE;
        HZVDIB dib = zvConvertJpegToDib(file.data(), (DWORD)file.size(), nullptr, &info);
        if (!dib) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(info.bits);
        zvDeleteDIBitmap(dib);
    }
    SetRate(state, kind);
}

// libjpeg-turbo's defaults but the accurate transform, into the same
// blue-green-red top-down layout with 4-byte rows; `pixels` is (re)allocated
// when it is empty.
void DecodeWithLibjpeg(const std::vector<BYTE>& file, BYTE*& pixels) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), (unsigned long)file.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const size_t stride = ((size_t)cinfo.output_width * 3 + 3) & ~(size_t)3;
    if (!pixels) pixels = (BYTE*)malloc(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[16];
        for (int i = 0; i < 16; ++i) {
            const size_t y = cinfo.output_scanline + i < cinfo.output_height ? cinfo.output_scanline + i : 0;
            rows[i] = &pixels[y * stride];
        }
        jpeg_read_scanlines(&cinfo, rows, 16);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

void Peer(benchmark::State& state, int kind) {
    const std::vector<BYTE>& file = File(kind);
    for (auto _ : state) {
        BYTE* pixels = nullptr;
        DecodeWithLibjpeg(file, pixels);
        benchmark::DoNotOptimize(pixels);
        free(pixels);
    }
    SetRate(state, kind);
}

void PeerReusingBuffer(benchmark::State& state, int kind) {
    const std::vector<BYTE>& file = File(kind);
    BYTE* pixels = nullptr;
    DecodeWithLibjpeg(file, pixels);  // untimed: allocates the buffer
    for (auto _ : state) {
        DecodeWithLibjpeg(file, pixels);
        benchmark::DoNotOptimize(pixels);
    }
    free(pixels);
    SetRate(state, kind);
}

// Collects the rates while printing as usual.
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

// The peer without SIMD, in a child process: the library reads
// JSIMD_FORCENONE once, at its first use.
std::map<std::string, double> RatesWithoutSimd(const char* self) {
    std::map<std::string, double> rates;
    const std::string command =
        std::string("JSIMD_FORCENONE=1 ZV_JPEG_BENCH_CHILD=1 '") + self + "' --benchmark_filter=libjpeg 2>/dev/null";
    FILE* child = popen(command.c_str(), "r");
    if (!child) return rates;
    char name[128];
    double rate;
    while (fscanf(child, "RATE %127s %lf\n", name, &rate) == 2) rates[name] = rate;
    pclose(child);
    return rates;
}

}  // namespace

int main(int argc, char** argv) {
    const bool child = getenv("ZV_JPEG_BENCH_CHILD") != nullptr;
    for (int kind = 0; kind < 4; ++kind) {
        if (!child) {
            benchmark::RegisterBenchmark((std::string("ours-alone/") + kKinds[kind]).c_str(), OursAlone, kind);
            benchmark::RegisterBenchmark((std::string("ours/") + kKinds[kind]).c_str(), Ours, kind);
        }
        benchmark::RegisterBenchmark((std::string("libjpeg/") + kKinds[kind]).c_str(), Peer, kind);
        benchmark::RegisterBenchmark((std::string("libjpeg-reused/") + kKinds[kind]).c_str(), PeerReusingBuffer, kind);
    }
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    if (child) {
        reporter.SetOutputStream(&std::cerr);
        reporter.SetErrorStream(&std::cerr);
        benchmark::RunSpecifiedBenchmarks(&reporter);
        for (const auto& r : reporter.rates) printf("RATE %s %f\n", r.first.c_str(), r.second);
        return 0;
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const std::map<std::string, double> noSimd = RatesWithoutSimd(argv[0]);
    auto rate = [&](const std::map<std::string, double>& rates, const char* run, const char* kind) {
        const auto it = rates.find(std::string(run) + "/" + kind);
        return it == rates.end() ? 0.0 : it->second;
    };
    auto ratio = [](double a, double b) { return b ? a / b : 0; };
    struct Pairing {
        const char* title;
        const char* ours;
        const char* peer;
    };
    const Pairing pairings[] = {{"decoders alone, output buffer reused", "ours-alone", "libjpeg-reused"},
                                {"fresh memory for every picture", "ours", "libjpeg"}};
    double ratios[4][4];
    for (int p = 0; p < 2; ++p) {
        printf("\n%s (MP/s)\n%-16s %9s %11s %9s %9s %9s\n", pairings[p].title, "picture", "ours", "turbo SIMD",
               "no SIMD", "vs no", "vs SIMD");
        for (int k = 0; k < 4; ++k) {
            const double ours = rate(reporter.rates, pairings[p].ours, kKinds[k]);
            const double simd = rate(reporter.rates, pairings[p].peer, kKinds[k]);
            const double plain = rate(noSimd, pairings[p].peer, kKinds[k]);
            ratios[k][2 * p] = ratio(ours, plain);
            ratios[k][2 * p + 1] = ratio(ours, simd);
            printf("%-16s %9.1f %11.1f %9.1f %9.2f %9.2f\n", kKinds[k], ours, simd, plain, ratios[k][2 * p],
                   ratios[k][2 * p + 1]);
        }
    }
    printf("\n");
    for (int k = 0; k < 4; ++k)
        printf("jpeg %s alone %.2f %.2f fresh %.2f %.2f\n", kKinds[k], ratios[k][0], ratios[k][1], ratios[k][2],
               ratios[k][3]);
    return 0;
}

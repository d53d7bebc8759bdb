// Pixel routines on a 4000 x 3000 24-bit picture, beside a plain byte copy
// of the same data (the memory-bandwidth floor). Rates count source pixels.
#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "zvpix32.h"

namespace {

const int kWidth = 4000, kHeight = 3000, kStride = kWidth * 3;

const std::vector<BYTE>& Picture() {
    static std::vector<BYTE> picture = [] {
        std::vector<BYTE> v((size_t)kStride * kHeight);
        unsigned seed = 12345;
        for (BYTE& b : v) {
            seed = seed * 1103515245u + 12345u;
            b = (BYTE)(seed >> 16);
        }
        return v;
    }();
    return picture;
}

// Megapixels of the source picture per second of CPU time.
void SetRate(benchmark::State& state) {
    state.counters["MPix/s"] =
        benchmark::Counter((double)kWidth * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void ByteCopy(benchmark::State& state) {
    const std::vector<BYTE>& src = Picture();
    std::vector<BYTE> dst(src.size());
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    SetRate(state);
}

void StretchToCell(benchmark::State& state) {
    const std::vector<BYTE>& src = Picture();
    std::vector<BYTE> dst(64 * 48);
    for (auto _ : state) {
        zvStretchDIBits(dst.data(), src.data(), 64, 48, kWidth, kHeight, 64, kStride, nullptr, 4, 6);
        benchmark::DoNotOptimize(dst.data());
    }
    SetRate(state);
}

void StretchToCanvas(benchmark::State& state) {
    const std::vector<BYTE>& src = Picture();
    std::vector<BYTE> dst(2000 * 1500);
    for (auto _ : state) {
        zvStretchDIBits(dst.data(), src.data(), 2000, 1500, kWidth, kHeight, 2000, kStride, nullptr, 4, 6);
        benchmark::DoNotOptimize(dst.data());
    }
    SetRate(state);
}

void CopyCubeDither(benchmark::State& state) {
    const std::vector<BYTE>& src = Picture();
    std::vector<BYTE> dst((size_t)kWidth * kHeight);
    for (auto _ : state) {
        zvCopyDIBits(dst.data(), src.data(), kWidth, kHeight, kWidth, kStride, nullptr, 4, 6);
        benchmark::DoNotOptimize(dst.data());
    }
    SetRate(state);
}

}  // namespace

BENCHMARK(ByteCopy)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(StretchToCell)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(StretchToCanvas)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(CopyCubeDither)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK_MAIN();

// Image loading: kal_LoadDIB of an 8192 x 2048 image from an uncompressed
// and from an RLE8 file, for a flat, a smooth and a noisy image, and the RLE8
// decoder alone (from memory) against a memset of the same pixel area (the
// floor). Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/rle8.h"
#include "core/kalengine.h"
#include "load_samples.h"
#include "ratio_reporter.h"

namespace {

using loadbench::kHeight;
using loadbench::kWidth;
using loadbench::Sample;
using loadbench::samples;

void load(benchmark::State &state, const std::string &path)
{
    for (auto _ : state) {
        void *dib = kal_LoadDIB(path.c_str(), nullptr, nullptr, 0);
        if (!dib) state.SkipWithError("load failed");
        kal_FreeResource(dib);
    }
}

void decode(benchmark::State &state, const Sample &s)
{
    std::vector<uint8_t> area(static_cast<size_t>(kWidth) * kHeight);
    for (auto _ : state) {
        MemoryByteSource source(s.rle8.data(), s.rle8.size());
        decodeRle8(source, area.data(), kWidth, kHeight);
        benchmark::ClobberMemory();
    }
}

void fill(benchmark::State &state)
{
    std::vector<uint8_t> area(static_cast<size_t>(kWidth) * kHeight);
    for (auto _ : state) {
        std::memset(area.data(), 1, area.size());
        benchmark::ClobberMemory();
    }
}

void registerAll()
{
    for (const Sample &s : samples()) {
        const std::string n = s.name;
        benchmark::RegisterBenchmark(("load/raw/" + n).c_str(), load, s.rawPath)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("load/rle8/" + n).c_str(), load, s.rle8Path)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("decode/" + n).c_str(), decode, s)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("memset", fill)->Unit(benchmark::kMillisecond);
}

void printRatios(const RatioReporter &rep)
{
    std::printf("\n%-8s %14s %14s %14s\n", "image", "rle8/raw load", "decode/memset",
                "(goals: <= 2, near 1)");
    for (const Sample &s : samples()) {
        const std::string n = s.name;
        const double raw = rep.at("load/raw/" + n), rle = rep.at("load/rle8/" + n);
        const double dec = rep.at("decode/" + n), floor = rep.at("memset");
        if (raw <= 0 || floor <= 0) continue;
        std::printf("%-8s %14.2f %14.2f\n", s.name, rle / raw, dec / floor);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    registerAll();
    runAndPrintRatios(argc, argv, printRatios);
    loadbench::removeSampleFiles();
    return 0;
}

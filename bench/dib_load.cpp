// Image loading: kal_LoadDIB of an 8192 x 2048 image from an uncompressed
// and from an RLE8 file, for a flat, a smooth and a noisy image, and the RLE8
// decoder alone (from memory) against a memset of the same pixel area (the
// floor). Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/bmp_writer.h"
#include "image/rle8.h"
#include "kalengine.h"
#include "ratio_reporter.h"

namespace {

constexpr int kWidth = 8192, kHeight = 2048;

struct Sample {
    const char *name;
    std::vector<uint8_t> rle8;  // the compressed stream alone
    std::string rawPath, rle8Path;
};

enum class Kind { Flat, Smooth, Noisy };

// Flat: bands of 200 pixels, like sky. Smooth: a gradient in runs of three
// pixels. Noisy: every other pixel on average repeats its neighbour, the
// rest are random.
std::vector<uint8_t> indices(Kind kind)
{
    std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight);
    std::mt19937 rng(7);
    for (int r = 0; r < kHeight; ++r)
        for (int c = 0; c < kWidth; ++c) {
            uint8_t &px = out[static_cast<size_t>(r) * kWidth + c];
            if (kind == Kind::Flat)
                px = static_cast<uint8_t>(c / 200 + r / 5);
            else if (kind == Kind::Smooth)
                px = static_cast<uint8_t>(c / 3 + r / 5);
            else
                px = c > 0 && (rng() & 1) ? (&px)[-1] : static_cast<uint8_t>(rng());
        }
    return out;
}

Sample makeSample(const char *name, Kind kind)
{
    const std::vector<uint8_t> pixels = indices(kind);
    Sample s{name, kaltest::encodeRle8(pixels, kWidth, kHeight),
             kaltest::tempPath(std::string("kal_bench_") + name + ".bmp"),
             kaltest::tempPath(std::string("kal_bench_") + name + "_rle8.bmp")};
    const std::vector<uint8_t> raw = kaltest::bmpBytes(kaltest::makeBmp8(pixels, kWidth, kHeight, false));
    const std::vector<uint8_t> rle = kaltest::bmpBytes(kaltest::makeBmp8(pixels, kWidth, kHeight, true));
    kaltest::writeBytes(s.rawPath, raw);
    kaltest::writeBytes(s.rle8Path, rle);
    std::printf("%s: uncompressed %.1f MB, RLE8 %.1f MB\n", name, raw.size() / 1e6, rle.size() / 1e6);
    return s;
}

std::vector<Sample> &samples()
{
    static std::vector<Sample> all = {makeSample("flat", Kind::Flat), makeSample("smooth", Kind::Smooth),
                                      makeSample("noisy", Kind::Noisy)};
    return all;
}

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
        benchmark::RegisterBenchmark(("load/raw/" + n).c_str(), load, s.rawPath)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("load/rle8/" + n).c_str(), load, s.rle8Path)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("decode/" + n).c_str(), decode, s)->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("memset", fill)->Unit(benchmark::kMillisecond);
}

void printRatios(const RatioReporter &rep)
{
    std::printf("\n%-8s %14s %14s %14s\n", "image", "rle8/raw load", "decode/memset", "(goals: <= 2, near 1)");
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
    for (const Sample &s : samples()) {
        std::remove(s.rawPath.c_str());
        std::remove(s.rle8Path.c_str());
    }
    return 0;
}

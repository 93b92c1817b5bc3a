// The images of the loading benchmarks, native and inside the DLL: 8192 x
// 2048 pixels, flat (bands of 200 pixels, like sky), smooth (a gradient in
// runs of three) or noisy (every other pixel on average repeats its
// neighbour, the rest are random), each written as an uncompressed and as
// an RLE8 BMP file.
#ifndef KAL_BENCH_LOAD_SAMPLES_H
#define KAL_BENCH_LOAD_SAMPLES_H

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/bmp_writer.h"

namespace loadbench {

constexpr int kWidth = 8192, kHeight = 2048;

enum class Kind { Flat, Smooth, Noisy };

struct Sample {
    const char *name;
    std::vector<uint8_t> rle8;  // the compressed stream alone
    std::string rawPath, rle8Path;
};

inline std::vector<uint8_t> indices(Kind kind)
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

inline Sample makeSample(const char *name, Kind kind)
{
    const std::vector<uint8_t> pixels = indices(kind);
    Sample s{name, kaltest::encodeRle8(pixels, kWidth, kHeight),
             kaltest::tempPath(std::string("kal_bench_") + name + ".bmp"),
             kaltest::tempPath(std::string("kal_bench_") + name + "_rle8.bmp")};
    const std::vector<uint8_t> raw =
        kaltest::bmpBytes(kaltest::makeBmp8(pixels, kWidth, kHeight, false));
    const std::vector<uint8_t> rle =
        kaltest::bmpBytes(kaltest::makeBmp8(pixels, kWidth, kHeight, true));
    kaltest::writeBytes(s.rawPath, raw);
    kaltest::writeBytes(s.rle8Path, rle);
    std::printf("%s: uncompressed %.1f MB, RLE8 %.1f MB\n", name, raw.size() / 1e6,
                rle.size() / 1e6);
    return s;
}

// The three samples, written on first use.
inline std::vector<Sample> &samples()
{
    static std::vector<Sample> all = {makeSample("flat", Kind::Flat),
                                      makeSample("smooth", Kind::Smooth),
                                      makeSample("noisy", Kind::Noisy)};
    return all;
}

inline void removeSampleFiles()
{
    for (const Sample &s : samples()) {
        std::remove(s.rawPath.c_str());
        std::remove(s.rle8Path.c_str());
    }
}

}  // namespace loadbench

#endif

// Render speed inside the DLL, in one process: kal_GetView against a
// full-frame offset gather (one int32 per view pixel) of the very samples
// kal_GetView reads, and a memcpy of the view (the floor), level and tilted.
#include "bench_panorama.h"
#include "best_of.h"
#include "common/test_images.h"
#include "core/kalengine.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kBatches = 9;
constexpr int kRounds = 60;

template <typename Step>
double perCall(Step step)
{
    return bestPerCall(kBatches, kRounds, step, [] {});
}

// Keeps the compiler from dropping or merging the copies.
volatile uint8_t gSink;

// The source offset of every view byte, read back from the renderer itself:
// the image (which the panorama shares with us) is filled with one byte of
// each pixel's own offset at a time and the view rendered three times.
std::vector<int32_t> probeOffsets(HPANORAMA pan, uint8_t *rows, size_t imageSize, size_t viewSize)
{
    std::vector<int32_t> offsets(viewSize, 0);
    for (int shift = 0; shift < 24; shift += 8) {
        for (size_t k = 0; k < imageSize; ++k) rows[k] = static_cast<uint8_t>(k >> shift);
        const auto *view = static_cast<const uint8_t *>(kal_GetView(pan, nullptr));
        for (size_t k = 0; k < viewSize; ++k) offsets[k] |= int32_t{view[k]} << shift;
    }
    return offsets;
}

bool measure(int width, int height, bool tilted)
{
    const int srcWidth = width * 4 + 4, srcHeight = height * 2;
    std::vector<uint8_t> dib;
    HPANORAMA pan = makeBenchPanorama(width, height, dib);
    if (!pan) return false;
    kal_SetPos(pan, srcWidth / 3, srcHeight / 2, 0);
    if (tilted) kal_SetValue(pan, KAL_VALUE_YPOS, srcHeight / 2 + height / 4);

    const size_t imageSize = size_t(kaltest::stride8(srcWidth)) * srcHeight;
    const size_t viewSize = size_t(kaltest::stride8(width)) * height;
    uint8_t *rows = kaltest::rowsOf(dib);
    const std::vector<int32_t> offsets = probeOffsets(pan, rows, imageSize, viewSize);
    for (size_t k = 0; k < imageSize; ++k) rows[k] = static_cast<uint8_t>((k * 2654435761u) >> 13);

    // The gather must reproduce the view exactly, or it measures something else.
    std::vector<uint8_t> gathered(viewSize), copy(viewSize);
    auto gather = [&] {
        const uint8_t *src = rows;
        const int32_t *off = offsets.data();
        uint8_t *out = gathered.data();
        for (size_t k = 0; k < viewSize; ++k) out[k] = src[off[k]];
        gSink = out[viewSize / 2];
    };
    const auto *view = static_cast<const uint8_t *>(kal_GetView(pan, nullptr));
    gather();
    if (std::memcmp(view, gathered.data(), viewSize) != 0) {
        std::printf("%dx%d: the probed offsets do not reproduce the view\n", width, height);
        kal_Delete(pan, FALSE);
        return false;
    }

    const double kal = perCall([&] { gSink = *static_cast<uint8_t *>(kal_GetView(pan, nullptr)); });
    const double gath = perCall(gather);
    const double mcpy = perCall([&] {
        std::memcpy(copy.data(), view, viewSize);
        gSink = copy[viewSize / 2];
    });
    const double px = double(width) * height * 1e-9;
    std::printf("%4dx%-4d %-7s %9.3f %9.0f %9.3f %9.3f | %8.2f %8.2f\n", width, height,
                tilted ? "tilted" : "level", kal / px, 1 / kal, gath / px, mcpy / px, kal / gath,
                kal / mcpy);
    kal_Delete(pan, FALSE);
    return true;
}

}  // namespace

int main()
{
    std::printf("render ratio, best of %d x %d rounds (%s DLL)\n", kBatches, kRounds,
                sizeof(void *) == 8 ? "x86-64" : "i686");
    std::printf("%-17s %9s %9s %9s %9s | %8s %8s\n", "view", "kal ns/px", "fps", "gather", "memcpy",
                "kal/gath", "kal/mcpy");
    bool ok = true;
    const int sizes[2][2] = {{320, 240}, {640, 480}};
    for (const auto &size : sizes)
        for (bool tilted : {false, true}) ok = measure(size[0], size[1], tilted) && ok;
    return ok ? 0 : 1;
}

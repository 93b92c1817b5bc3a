// Core costs: a lens table rebuild (480-row image, 320 and 640 columns) on
// the normal and the fallback path against filling the same table with
// memset (the floor), and kal_Move without a zoom change on a full and a
// partial panorama. Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/kalengine.h"
#include "projection/projection.h"
#include "stand_in_control.h"

namespace {

std::map<std::string, double> nsPerOp;  // name -> ns per iteration

// A packed 8-bit image of width x height; the pixels are never read here.
std::vector<uint8_t> packedImage(int width, int height)
{
    std::vector<uint8_t> dib(1064 + static_cast<size_t>(width) * height, 0);
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(dib.data());
    header->biSize = 40;
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 8;
    return dib;
}

struct BenchPanorama {
    std::vector<uint8_t> dib;
    HPANORAMA handle;
    BenchPanorama(int vpWidth, int angle)
        // The narrowest image at 480 rows whose radius admits the viewport.
        : dib(packedImage(vpWidth == 640 ? 2564 : 1284, 480))
    {
        const RECT vp = {0, 0, vpWidth, 240};
        KalAttribs a = {};
        a.angle = angle;
        handle = kal_Create(reinterpret_cast<BITMAPINFO *>(dib.data()), nullptr, &vp, &a);
    }
    ~BenchPanorama() { kal_Delete(handle, FALSE); }
    size_t entries() const { return static_cast<size_t>(lensColumns(handle)) * lensRows(handle); }
};

template <typename Body>
void timed(benchmark::State &state, const std::string &name, Body body)
{
    // Process CPU time: the machine is shared, so wall time would mislead.
    const std::clock_t start = std::clock();
    for (auto _ : state) body();
    const double ns = 1e9 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    nsPerOp[name] = ns / static_cast<double>(state.iterations());
}

void lensBuild(benchmark::State &state)
{
    const int columns = static_cast<int>(state.range(0));
    BenchPanorama pano(columns, 360);
    timed(state, "lens/" + std::to_string(columns), [&] {
        buildLensTable(pano.handle);
        benchmark::DoNotOptimize(pano.handle->lens[0]);
    });
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(pano.entries()));
}

void lensFallback(benchmark::State &state)
{
    const int columns = static_cast<int>(state.range(0));
    BenchPanorama pano(columns, 360);
    timed(state, "fallback/" + std::to_string(columns), [&] {
        standInFailHeapAfter(0);  // the scratch arrays are refused
        buildLensTable(pano.handle);
        standInFailHeapAfter(-1);
        benchmark::DoNotOptimize(pano.handle->lens[0]);
    });
}

void lensFloor(benchmark::State &state)
{
    const int columns = static_cast<int>(state.range(0));
    BenchPanorama pano(columns, 360);
    timed(state, "memset/" + std::to_string(columns), [&] {
        std::memset(pano.handle->lens, 1, pano.entries() * sizeof(uint32_t));
        benchmark::ClobberMemory();
    });
}

void moveView(benchmark::State &state)
{
    const int angle = static_cast<int>(state.range(0));
    BenchPanorama pano(320, angle);
    kal_SetPos(pano.handle, 642, 300, 0);  // tilted: the partial corner loops map
    int step = 7;
    timed(state, angle == 360 ? "move/full" : "move/partial", [&] {
        step = -step;
        benchmark::DoNotOptimize(kal_Move(pano.handle, step, 0, 0));
    });
}

}  // namespace

BENCHMARK(lensBuild)->Arg(320)->Arg(640)->Unit(benchmark::kMicrosecond);
BENCHMARK(lensFallback)->Arg(320)->Arg(640)->Unit(benchmark::kMicrosecond);
BENCHMARK(lensFloor)->Arg(320)->Arg(640)->Unit(benchmark::kMicrosecond);
BENCHMARK(moveView)->Arg(360)->Arg(180);

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto ratio = [](const char *a, const char *b) {
        if (nsPerOp.count(a) && nsPerOp.count(b) && nsPerOp[b] > 0)
            std::printf("  %-22s %8.2fx %s\n", a, nsPerOp[a] / nsPerOp[b], b);
    };
    std::printf("ratios (time of the left over time of the right):\n");
    for (const char *cols : {"320", "640"}) {
        const std::string lens = std::string("lens/") + cols;
        ratio(lens.c_str(), (std::string("memset/") + cols).c_str());
        ratio((std::string("fallback/") + cols).c_str(), lens.c_str());
    }
    ratio("move/partial", "move/full");
    ratio("lens/320", "move/full");
    return 0;
}

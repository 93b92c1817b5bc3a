// Render speed: kal_GetView against a straightforward per-pixel renderer in
// double precision, a precomputed full-frame offset gather (one int32 per
// view pixel) and a memcpy of the view (the floor), on three view sizes,
// level and tilted, full circle and partial. Prints the ratios at the end.
// The true-colour frames are the continuous view's (continuous_view.cpp).
#include <benchmark/benchmark.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/test_images.h"
#include "core/panorama.h"
#include "core/kalengine.h"
#include "projection/renderer.h"
#include "ratio_reporter.h"

namespace {

struct ViewCase {
    int vpWidth, vpHeight, srcWidth, srcHeight;
    int angle;
    bool tilted;
    bool seam;  // the view straddles the wrap of a full circle
    std::string name() const
    {
        return std::to_string(vpWidth) + "x" + std::to_string(vpHeight) + "/8bit" +
               (angle == 360 ? "/full" : "/partial") + (tilted ? "/tilted" : "/level") +
               (seam ? "-seam" : "");
    }
    int stride() const { return (vpWidth + 3) & ~3; }
};

std::vector<ViewCase> viewCases()
{
    const int sizes[3][4] = {{320, 240, 1284, 480}, {640, 480, 2568, 960}, {1280, 720, 8192, 2048}};
    std::vector<ViewCase> cases;
    for (const auto &s : sizes) {
        for (int angle : {360, 180})
            for (bool tilted : {false, true})
                cases.push_back({s[0], s[1], s[2], s[3], angle, tilted, false});
        for (bool tilted : {false, true})
            cases.push_back({s[0], s[1], s[2], s[3], 360, tilted, true});
    }
    return cases;
}

// A packed 8-bit DIB with a busy pattern.
std::vector<uint8_t> makeImage(int width, int height)
{
    return kaltest::makePackedDib(width, height, [width](int column, int row) {
        return static_cast<uint8_t>((static_cast<uint32_t>(row) * width + column) * 2654435761u >>
                                    13);
    });
}

struct PanoramaDeleter {
    void operator()(Panorama *p) const { kal_Delete(p, FALSE); }
};

// One view case set up: the panorama at its position and the image.
struct Scene {
    std::vector<uint8_t> image;
    std::unique_ptr<Panorama, PanoramaDeleter> pano;

    explicit Scene(const ViewCase &v)
    {
        const RECT viewPort = {0, 0, v.vpWidth, v.vpHeight};
        KalAttribs attribs = {};
        attribs.angle = v.angle;
        image = makeImage(v.srcWidth, v.srcHeight);
        pano.reset(
            kal_Create(reinterpret_cast<BITMAPINFO *>(image.data()), nullptr, &viewPort, &attribs));
        if (!pano) std::fprintf(stderr, "kal_Create failed: %d\n", kal_Error(nullptr));
        // A third of the way round, or with the wrap an eighth of the view
        // left of the centre (xPos stays in vpWidth / 2 .. srcWidth +
        // vpWidth / 2); tilted views look up by a quarter view.
        const int x = v.seam ? v.srcWidth + v.vpWidth / 8 : v.srcWidth / 3;
        kal_SetPos(pano.get(), x, v.srcHeight / 2 + (v.tilted ? v.vpHeight / 4 : 0), 0);
    }
};

// The straightforward renderer: the projection evaluated per pixel in
// double precision (arc tangent and square root), nearest sample. Calls
// out(pixel index, source offset) for every view pixel.
template <typename Out>
void projectPerPixel(const Panorama *p, Out out)
{
    const double R = p->radius, s = (R - p->zPos) / R;
    const int hs = p->srcHeight / 2, dy = p->yPos - hs, half = p->vpWidth / 2;
    const double q = (dy - p->horizon) / ((R - p->zPos) * (R - p->zPos));
    const double n = p->srcHeight + std::abs(p->horizon) + 1;
    const int stride = (p->vpWidth + 3) & ~3, w = p->srcWidth;
    for (int r = 0; r < p->vpHeight; ++r) {
        const int t = dy + r - p->vpHeight / 2;
        const double i = std::abs(t), sigma = t < 0 ? -1 : 1;
        for (int u = 0; u < p->vpWidth; ++u) {
            const double j = std::abs(u - half), tau = u < half ? -1 : 1;
            const double x = std::floor(R * std::atan(j * s / R) + 0.5);
            const double ys = sigma * std::trunc(i * R * s / std::sqrt(R * R + j * j * s * s) +
                                                 (i - n) / (2 * n));
            long col = static_cast<long>(std::floor(p->xPos + tau * (x + ys * x * q)));
            if (p->angle == 360)
                col = ((col % w) + w) % w;
            else
                col = col < 0 ? 0 : (col >= w ? w - 1 : col);
            out(r * stride + u, static_cast<long>(hs + ys) * w + col);
        }
    }
}

void runEngine(benchmark::State &state, const ViewCase &v, bool reference)
{
    Scene scene(v);
    setReferenceRendering(reference);
    for (auto _ : state) benchmark::DoNotOptimize(kal_GetView(scene.pano.get(), nullptr));
    setReferenceRendering(false);
}

void perPixel(const Panorama *p)
{
    uint8_t *view = p->viewBits;
    const uint8_t *image = p->imageBits;
    projectPerPixel(p, [view, image](long at, long src) { view[at] = image[src]; });
}

void runPerPixel(benchmark::State &state, const ViewCase &v)
{
    Scene scene(v);
    const Panorama *p = scene.pano.get();
    for (auto _ : state) {
        perPixel(p);
        benchmark::ClobberMemory();
    }
}

void gather(const Panorama *p, const std::vector<int32_t> &offsets)
{
    uint8_t *out = p->viewBits;
    const uint8_t *src = p->imageBits;
    const int32_t *off = offsets.data();
    for (size_t k = 0, n = offsets.size(); k < n; ++k) out[k] = src[off[k]];
}

void runGather(benchmark::State &state, const ViewCase &v)
{
    Scene scene(v);
    const Panorama *p = scene.pano.get();
    std::vector<int32_t> offsets(static_cast<size_t>(v.stride()) * v.vpHeight, 0);
    projectPerPixel(p, [&offsets](long at, long src) { offsets[at] = static_cast<int32_t>(src); });
    for (auto _ : state) {
        gather(p, offsets);
        benchmark::ClobberMemory();
    }
}

void runMemcpy(benchmark::State &state, const ViewCase &v)
{
    const size_t size = static_cast<size_t>(v.stride()) * v.vpHeight;
    std::vector<uint8_t> from(size, 1), to(size);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), size);
        benchmark::ClobberMemory();
    }
}

void printRatios(const RatioReporter &rep)
{
    std::printf("\n%-36s %9s %9s %9s %9s %9s | %8s %8s %8s\n", "view", "kal ns/px", "fps", "gather",
                "memcpy", "double", "kal/gath", "kal/mcpy", "dbl/kal");
    for (const ViewCase &v : viewCases()) {
        const std::string n = v.name();
        auto at = [&](const char *method) { return rep.at("render/" + n + "/" + method); };
        const double px = static_cast<double>(v.vpWidth) * v.vpHeight;
        const double kal = at("kal"), gather = at("gather"), mcpy = at("memcpy"),
                     dbl = at("double");
        if (kal <= 0) continue;
        std::printf("%-36s %9.3f %9.0f %9.3f %9.3f %9.3f | %8.2f %8.2f %8.1f\n", n.c_str(),
                    kal / px, 1e9 / kal, gather / px, mcpy / px, dbl / px, kal / gather, kal / mcpy,
                    dbl / kal);
    }
    std::printf(
        "(per-pixel columns in ns; targets: level kal/gath <= 1.0, tilted <= 1.5,\n"
        " dbl/kal >= 15)\n");
}

void registerAll()
{
    for (const ViewCase &v : viewCases()) {
        const std::string base = "render/" + v.name() + "/";
        const double pixels = static_cast<double>(v.vpWidth) * v.vpHeight;
        auto add = [&](const std::string &method, auto fn) {
            benchmark::RegisterBenchmark(
                (base + method).c_str(), [v, fn, pixels](benchmark::State &s) {
                    fn(s, v);
                    s.counters["px/s"] =
                        benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate);
                    s.counters["fps"] =
                        benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
                });
        };
        add("kal", [](benchmark::State &s, const ViewCase &c) { runEngine(s, c, false); });
        add("reference", [](benchmark::State &s, const ViewCase &c) { runEngine(s, c, true); });
        add("gather", runGather);
        add("memcpy", runMemcpy);
        add("double", runPerPixel);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    registerAll();
    runAndPrintRatios(argc, argv, printRatios);
    return 0;
}

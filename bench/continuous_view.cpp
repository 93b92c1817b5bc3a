// Continuous views: the moving frame against a plain offset gather of the
// same samples (level, tilted, a sphere), the table rebuild (1920x1080 and
// 3840x2160, a sphere while pitching), and the resting frame at 1280x720
// against OpenCV's remap (INTER_LINEAR, one thread) on the same image and
// maps where the build has OpenCV. Ratios printed from one run.
#include "ratio_reporter.h"
#include "view/continuous_view.h"
#include "view/cylinder_geometry.h"
#include "view/sphere_geometry.h"
#include "view/view_table.h"

#include <cmath>
#include <cstdio>
#include <vector>

#ifdef KAL_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

struct Scene {
    int width, height;
    std::vector<uint32_t> image;
    kal::ContinuousViewPtr view;
    std::vector<uint32_t> frame;
    std::vector<int32_t> offsets;  // the nearest samples as plain offsets
    int vw, vh;

    Scene(bool sphere, double pitch, int vw_, int vh_) : vw(vw_), vh(vh_)
    {
        width = 8192;
        height = sphere ? 4096 : 2048;
        image.resize(size_t(width) * height);
        for (size_t i = 0; i < image.size(); ++i) image[i] = uint32_t(i * 2654435761u);
        kal::PanoramaLayout l;
        l.projection = sphere ? kal::ProjectionKind::sphere : kal::ProjectionKind::cylinder;
        view.reset(kal::createContinuousView({width, height, image.data()}, l, vw, vh));
        kal::setViewDirection(view.get(), {200.3, pitch, sphere ? 90.0 : 60.0});
        frame.resize(size_t(vw) * vh);
        // The offsets the moving frame reads, found once through its mapping.
        offsets.resize(frame.size());
        for (int v = 0; v < vh; ++v)
            for (int u = 0; u < vw; ++u) {
                kal::SourcePoint p{0, 0};
                kal::viewToSource(view.get(), u + 0.5, v + 0.5, &p);
                const int c = std::min(width - 1, std::max(0, int(std::lround(p.column))));
                const int r = std::min(height - 1, std::max(0, int(std::lround(p.row))));
                offsets[size_t(v) * vw + u] = (height - 1 - r) * width + c;
            }
    }
};

Scene &scene(int k)
{
    static Scene level(false, 0, 1280, 720), tilted(false, 25, 1280, 720),
        sphere(true, 60, 1280, 720);
    return k == 0 ? level : k == 1 ? tilted : sphere;
}

void BM_Gather(benchmark::State &state)
{
    Scene &s = scene(int(state.range(0)));
    for (auto _ : state) {
        const uint32_t *img = s.image.data();
        for (size_t i = 0; i < s.frame.size(); ++i) s.frame[i] = img[s.offsets[i]];
        benchmark::DoNotOptimize(s.frame.data());
    }
}
BENCHMARK(BM_Gather)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_Moving(benchmark::State &state)
{
    Scene &s = scene(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            kal::renderMovingFrame(s.view.get(), s.frame.data(), kal::RowOrder::topDown));
}
BENCHMARK(BM_Moving)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_Resting(benchmark::State &state)
{
    Scene &s = scene(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            kal::renderRestingFrame(s.view.get(), s.frame.data(), kal::RowOrder::topDown));
}
BENCHMARK(BM_Resting)->Arg(1)->Unit(benchmark::kMillisecond);

// The table for a new pitch each time, as while pitching.
void BM_Rebuild(benchmark::State &state)
{
    const bool sphere = state.range(0) == 2;
    const int w = int(state.range(1)), h = int(state.range(2));
    kal::CylinderGeometry cylinder(8192, 2048, 360, 0, 0);
    kal::SphereGeometry sphereGeometry(8192, 4096, 360, 0, 90, -90);
    const kal::Geometry &g = sphere ? static_cast<const kal::Geometry &>(sphereGeometry)
                                    : static_cast<const kal::Geometry &>(cylinder);
    kal::ViewTable t;
    double pitch = sphere ? 30 : 5;
    for (auto _ : state) {
        pitch += 0.37;
        if (pitch > (sphere ? 89 : 10)) pitch = sphere ? 30 : 5;
        benchmark::DoNotOptimize(
            kal::buildViewTable(g, pitch, 70, w, h, kal::RowOrder::bottomUp, t));
    }
}
BENCHMARK(BM_Rebuild)
    ->Args({0, 1920, 1080})
    ->Args({0, 3840, 2160})
    ->Args({2, 1920, 1080})
    ->Unit(benchmark::kMillisecond);

#ifdef KAL_BENCH_OPENCV
void BM_OpenCvRemap(benchmark::State &state)
{
    cv::setNumThreads(1);
    Scene &s = scene(1);
    cv::Mat src(s.height, s.width, CV_8UC4, s.image.data());
    cv::Mat mapX(s.vh, s.vw, CV_32FC1), mapY(s.vh, s.vw, CV_32FC1), out;
    for (int v = 0; v < s.vh; ++v)
        for (int u = 0; u < s.vw; ++u) {
            kal::SourcePoint p{0, 0};
            kal::viewToSource(s.view.get(), u + 0.5, v + 0.5, &p);
            mapX.at<float>(v, u) = float(p.column);
            mapY.at<float>(v, u) = float(s.height - 1 - p.row);  // the rows lie bottom-up
        }
    for (auto _ : state) {
        cv::remap(src, out, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_WRAP);
        benchmark::DoNotOptimize(out.data);
    }
}
BENCHMARK(BM_OpenCvRemap)->Unit(benchmark::kMillisecond);
#endif

void printRatios(const RatioReporter &r)
{
    const char *names[] = {"level cylinder", "tilted cylinder", "sphere"};
    for (int k = 0; k < 3; ++k) {
        const std::string arg = "/" + std::to_string(k);
        std::printf("moving frame / offset gather, %s: %.2fx (goal <= 1.0x)\n", names[k],
                    r.at("BM_Moving" + arg) / r.at("BM_Gather" + arg));
    }
    std::printf(
        "table rebuild 1920x1080: %.2f ms, 3840x2160: %.2f ms, sphere while pitching "
        "1920x1080: %.2f ms (goal <= 3 ms)\n",
        r.at("BM_Rebuild/0/1920/1080") / 1e6, r.at("BM_Rebuild/0/3840/2160") / 1e6,
        r.at("BM_Rebuild/2/1920/1080") / 1e6);
#ifdef KAL_BENCH_OPENCV
    std::printf(
        "resting frame / cv::remap INTER_LINEAR 1280x720, one thread: %.2fx (goal <= 0.6x)\n",
        r.at("BM_Resting/1") / r.at("BM_OpenCvRemap"));
#else
    std::printf(
        "resting frame 1280x720: %.2f ms; no OpenCV in this build: no remap comparison "
        "(install libopencv-dev)\n",
        r.at("BM_Resting/1") / 1e6);
#endif
}

}  // namespace

int main(int argc, char **argv)
{
    runAndPrintRatios(argc, argv, printRatios);
    return 0;
}

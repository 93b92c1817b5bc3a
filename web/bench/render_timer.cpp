// Native half of the web benchmark: opens a panorama as the web viewer does
// and prints, for each view size, the best time per frame of renderViews.
//   kalweb_render_timer IMAGE.bmp ATTRIBS.KAL REPEATS WxH...
#include "../src/web_session.h"
#include "render_views.h"

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string readFile(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Best of three passes, in milliseconds per frame; negative on failure.
double timeViews(kalweb::Session &session, int repeats)
{
    double best = -1;
    for (int pass = 0; pass < 3; ++pass) {
        const auto start = std::chrono::steady_clock::now();
        const int frames = kalweb::renderViews(session.pano, repeats);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        if (frames == 0) return -1;
        const double perFrame = took.count() / frames;
        if (best < 0 || perFrame < best) best = perFrame;
    }
    return best;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: kalweb_render_timer IMAGE.bmp ATTRIBS.KAL REPEATS WxH...\n");
        return 2;
    }
    const std::string image = readFile(argv[1]), attribs = readFile(argv[2]);
    const int repeats = std::atoi(argv[3]);
    for (int i = 4; i < argc; ++i) {
        int width = 0, height = 0;
        if (std::sscanf(argv[i], "%dx%d", &width, &height) != 2) return 2;
        kalweb::Report report;
        kalweb::Session *session =
            kalweb::openSession(reinterpret_cast<const uint8_t *>(image.data()), image.size(),
                                attribs, width, height, report);
        if (!session) {
            std::fprintf(stderr, "kalweb_render_timer: %s\n", report.message.c_str());
            return 1;
        }
        std::printf("%dx%d %.4f\n", width, height, timeViews(*session, repeats));
        kalweb::closeSession(session);
    }
    return 0;
}

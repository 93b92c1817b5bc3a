// The resting frame against a double-precision bilinear reference of the
// same mapping, and the absence of steps in a level view of a gradient.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <tuple>
#include <vector>

#include "common/test_seed.h"
#include "core/colour_panorama.h"
#include "core/panorama.h"
#include "projection/projection.h"
#include "render_fixture.h"

namespace {

// The projection's exact source position of view pixel (r, u): row
// hs + t * b, column xPos +- a * (1 + t * b * q), bilinear in double with
// columns wrapped (full circle) or clamped and rows clamped.
uint32_t smoothReference(const Panorama *p, const std::vector<uint32_t> &image, int r, int u)
{
    const double R = p->radius, s = (R - p->zPos) / R;
    const int hs = p->srcHeight / 2, dy = p->yPos - hs, half = p->vpWidth / 2;
    const double q = (dy - p->horizon) / ((R - p->zPos) * (R - p->zPos));
    const double t = dy + r - p->vpHeight / 2, j = std::abs(u - half), tau = u < half ? -1 : 1;
    const double a = R * std::atan(j * s / R), b = R * s / std::sqrt(R * R + j * j * s * s);
    const int w = p->srcWidth, h = p->srcHeight;
    double col = p->xPos + tau * (a + a * q * t * b), row = hs + t * b;
    row = std::fmin(std::fmax(row, 0.0), h - 1.0);
    if (p->angle != 360) col = std::fmin(std::fmax(col, 0.0), w - 1.0);
    const double c0 = std::floor(col), r0 = std::floor(row), fx = col - c0, fy = row - r0;
    auto column = [&](double c) {
        long k = static_cast<long>(c);
        return p->angle == 360 ? ((k % w) + w) % w : std::min<long>(k, w - 1);
    };
    auto at = [&](double rr, double cc, int shift) {
        const long k = std::min<long>(static_cast<long>(rr), h - 1) * w + column(cc);
        return static_cast<double>((image[static_cast<size_t>(k)] >> shift) & 255);
    };
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const double v = (1 - fy) * ((1 - fx) * at(r0, c0, shift) + fx * at(r0, c0 + 1, shift)) +
                         fy * ((1 - fx) * at(r0 + 1, c0, shift) + fx * at(r0 + 1, c0 + 1, shift));
        out |= static_cast<uint32_t>(std::lround(v)) << shift;
    }
    return out;
}

int channelGap(uint32_t x, uint32_t y)
{
    int gap = 0;
    for (int shift = 0; shift < 32; shift += 8)
        gap = std::max(gap, std::abs(static_cast<int>((x >> shift) & 255) -
                                     static_cast<int>((y >> shift) & 255)));
    return gap;
}

struct SmoothCase {
    int width, height, vpWidth, vpHeight, angle, horizon;
};

}  // namespace

// Random noise (the hardest image for a blend), level and tilted views,
// full circles across the seam, partial panoramas at their edges, and
// magnified views.
TEST(ColourSmooth, MatchesTheDoubleReferenceWithinOne)
{
    const unsigned seed = kaltest::testSeed();
    std::mt19937 rng(seed);
    for (const SmoothCase &c :
         {SmoothCase{1283, 300, 321, 200, 360, 0}, SmoothCase{1283, 300, 320, 201, 360, 40},
          SmoothCase{900, 240, 300, 160, 150, -30}, SmoothCase{400, 100, 600, 350, 360, 10},
          SmoothCase{500, 90, 420, 300, 200, 0}}) {
        std::vector<uint32_t> image(static_cast<size_t>(c.width) * c.height);
        for (uint32_t &p : image) p = static_cast<uint32_t>(rng());
        const RECT vp = {0, 0, c.vpWidth, c.vpHeight};
        const KalAttribs attribs = kaltest::attribsFor(c.angle, c.horizon);
        HPANORAMA p = kal::createColourPanorama({c.width, c.height, image.data()}, vp, &attribs);
        ASSERT_NE(p, nullptr) << kal_Error(nullptr);
        for (int m = 0; m < 6; ++m) {
            kal_SetPos(p, std::uniform_int_distribution<int>(0, c.width * 2)(rng),
                       std::uniform_int_distribution<int>(0, c.height)(rng),
                       std::uniform_int_distribution<int>(-p->radius, p->radius)(rng));
            const auto *view = static_cast<const uint32_t *>(kal::renderSmoothView(p));
            ASSERT_EQ(view, reinterpret_cast<const uint32_t *>(p->viewBits));
            int worst = 0, worstRow = 0, worstColumn = 0;
            for (int r = 0; r < c.vpHeight; ++r)
                for (int u = 0; u < c.vpWidth; ++u) {
                    const int gap =
                        channelGap(view[r * c.vpWidth + u], smoothReference(p, image, r, u));
                    if (gap > worst)
                        std::tie(worst, worstRow, worstColumn) = std::make_tuple(gap, r, u);
                }
            EXPECT_LE(worst, 1) << "view row " << worstRow << " column " << worstColumn << " seed "
                                << seed << " viewport " << c.vpWidth << " at " << p->xPos << ", "
                                << p->yPos << ", " << p->zPos;
        }
        kal_Delete(p, FALSE);
    }
}

// A level view of a horizontal gradient (red rises by 1 every 4 columns):
// along every view row red never falls and never jumps, zoomed out, at
// zoom 1 and magnified.
TEST(ColourSmooth, LevelGradientHasNoSteps)
{
    const int width = 1024, height = 200;
    std::vector<uint32_t> image(static_cast<size_t>(width) * height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            image[static_cast<size_t>(r) * width + c] = 0xFF000000u | (c / 4) | 0x4000u;
    const RECT vp = {0, 0, 640, 300};
    const KalAttribs attribs = kaltest::attribsFor(180, 0);
    HPANORAMA p = kal::createColourPanorama({width, height, image.data()}, vp, &attribs);
    ASSERT_NE(p, nullptr) << kal_Error(nullptr);
    for (int z : {0, p->radius / 3, p->radius * 3 / 4}) {
        kal_SetPos(p, width / 2, height / 2, z);
        ASSERT_EQ(tiltFactor(p), 0.0);
        const auto *view = static_cast<const uint32_t *>(kal::renderSmoothView(p));
        for (int r = 0; r < 300; r += 7)
            for (int u = 1; u < 640; ++u) {
                const int step = static_cast<int>(view[r * 640 + u] & 255) -
                                 static_cast<int>(view[r * 640 + u - 1] & 255);
                ASSERT_GE(step, 0) << "z " << p->zPos << " row " << r << " column " << u;
                ASSERT_LE(step, 1) << "z " << p->zPos << " row " << r << " column " << u;
            }
    }
    kal_Delete(p, FALSE);
}

// An 8-bit panorama's resting frame is its nearest frame.
TEST(ColourSmooth, EightBitPanoramasGetTheNearestFrame)
{
    kaltest::CodedPanorama p(1284, 480, 320, 240);
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(kal::renderSmoothView(p.record()), p.record()->viewBits);
    const std::vector<uint8_t> expected =
        kaltest::referenceRender(kaltest::referenceViewOf(p.record()), 0);
    EXPECT_EQ(std::vector<uint8_t>(p.record()->viewBits, p.record()->viewBits + expected.size()),
              expected);
    EXPECT_EQ(kal::renderSmoothView(nullptr), nullptr);
}

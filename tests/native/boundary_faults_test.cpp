// Faults that stay inside other tests' tolerances: the continuous view's
// resting-frame rounding and its wrap at a full circle's seam, the
// pixels-per-byte and data-can-hold bounds, and the scale-down size at the
// pixel limit.
#include <gtest/gtest.h>

#include "kalhost/image_head.h"
#include "kalhost/image_limits.h"
#include "view/continuous_view.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The middle row of a level resting frame of `view` at this heading and field.
std::vector<uint32_t> restingMiddleRow(kal::ContinuousView *view, double heading, double hfov)
{
    kal::setViewDirection(view, {heading, 0, hfov});
    const kal::ViewSize size = kal::viewSize(view);
    std::vector<uint32_t> frame(size_t(size.width) * size.height);
    EXPECT_TRUE(kal::renderRestingFrame(view, frame.data(), kal::RowOrder::topDown));
    const auto middle = frame.begin() + ptrdiff_t(size.height / 2) * size.width;
    return std::vector<uint32_t>(middle, middle + size.width);
}

int channel(uint32_t p, int c)
{
    return int(p >> (8 * c) & 0xFF);
}

}  // namespace

// On a linear ramp the double-precision bilinear reference is the position
// itself, and a level view's columns lie mirrored about its centre: two
// mirrored pixels sum to twice the centre's value. Correctly rounded, few
// channels miss it by one; a biased rounding misses nearly all.
TEST(BoundaryFaults, RestingFrameRoundsToNearest)
{
    const int width = 1024, height = 64, vpWidth = 201, vpHeight = 100;
    std::vector<uint32_t> image(size_t(width) * height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const uint32_t ramp = uint32_t(std::min(std::max(c - 384, 0), 255));
            image[size_t(r) * width + c] = 0xFF000000u | 77u << 16 | (255 - ramp) << 8 | ramp;
        }
    kal::PanoramaLayout layout;
    layout.angle = 180;
    kal::ContinuousViewPtr view(
        kal::createContinuousView({width, height, image.data()}, layout, vpWidth, vpHeight));
    ASSERT_TRUE(view);
    const double natural = kal::naturalField(view.get());
    int missed = 0, seen = 0;
    // The centre of column 512 ahead (headings of pixel centres lie half a
    // column in), zoomed out, at one pixel per pixel and magnified.
    for (double hfov : {natural * 1.4, natural, natural / 2}) {
        const std::vector<uint32_t> row = restingMiddleRow(view.get(), 512.5 * 180 / width, hfov);
        const int half = vpWidth / 2;
        for (int j = 1; j <= half; ++j)
            for (int c = 0; c < 4; ++c) {
                const int sum = channel(row[half - j], c) + channel(row[half + j], c);
                missed += sum != 2 * channel(row[half], c);
                ++seen;
            }
    }
    EXPECT_LE(missed, seen / 50) << missed << " of " << seen;
    std::printf("resting-frame channels off the mirror sum: %d of %d\n", missed, seen);
}

// A magnified level view across a 360-degree panorama's seam, whose first
// column alone is white: the white column blends into both neighbours, so
// the view brightens and darkens gradually, without a step at the seam.
TEST(BoundaryFaults, RestingFrameWrapsAtTheSeam)
{
    const int width = 64, height = 32, vpWidth = 96, vpHeight = 48;
    std::vector<uint32_t> image(size_t(width) * height, 0xFF000000u);
    for (int r = 0; r < height; ++r) image[size_t(r) * width] = 0xFFFFFFFFu;
    kal::ContinuousViewPtr view(
        kal::createContinuousView({width, height, image.data()}, {}, vpWidth, vpHeight));
    ASSERT_TRUE(view);
    const double natural = kal::naturalField(view.get());
    for (int x : {0, 1, width - 1}) {
        const std::vector<uint32_t> row =
            restingMiddleRow(view.get(), (x + 0.5) * 360.0 / width, natural / 8);
        int brightest = 0;
        for (int u = 1; u < vpWidth; ++u) {
            brightest = std::max(brightest, channel(row[u], 0));
            EXPECT_LE(std::abs(channel(row[u], 0) - channel(row[u - 1], 0)), 128)
                << "centre " << x << " column " << u;
        }
        EXPECT_GT(brightest, 200) << "centre " << x;
    }
}

// Exactly at each bound a claim is taken; one pixel over, refused.
TEST(BoundaryFaults, ClaimBoundsHoldExactly)
{
    const uint64_t bytes = 4096, allowed = bytes * 1024;  // 1024 pixels a byte
    EXPECT_EQ(kalhost::claimRefusal(int64_t(allowed / 1024), 1024, bytes), "");
    EXPECT_NE(kalhost::claimRefusal(int64_t(allowed + 1), 1, bytes), "");
    // The blank part beyond what the data holds: max(64 MiB, 20 bytes a file byte).
    const uint64_t held = 1000, fileBytes = 8 << 20, blankBound = 20 * fileBytes;
    EXPECT_EQ(kalhost::holdRefusal(int64_t(held), 1, held, fileBytes, 4), "");
    EXPECT_EQ(kalhost::holdRefusal(int64_t(held + blankBound), 1, held, fileBytes, 1), "");
    EXPECT_NE(kalhost::holdRefusal(int64_t(held + blankBound + 1), 1, held, fileBytes, 1), "");
    EXPECT_EQ(kalhost::holdRefusal(int64_t(held + (64 << 20)), 1, held, 1000, 1), "");
    EXPECT_NE(kalhost::holdRefusal(int64_t(held + (64 << 20) + 1), 1, held, 1000, 1), "");
}

// Pictures just over the pixel limit end within it (and close to it).
TEST(BoundaryFaults, ScaledDownSizeStaysWithinTheLimit)
{
    for (int width = 8192; width < 8320; ++width) {
        const int height = int(kalhost::kMaxColourPixels / width) + 1;
        int fitWidth = 0, fitHeight = 0;
        kalhost::fitColourSize(width, height, 360, &fitWidth, &fitHeight);
        const int64_t pixels = int64_t{fitWidth} * fitHeight;
        ASSERT_LE(pixels, kalhost::kMaxColourPixels) << width << " x " << height;
        ASSERT_GT(pixels, kalhost::kMaxColourPixels - 2 * (int64_t{width} + height)) << width;
    }
}

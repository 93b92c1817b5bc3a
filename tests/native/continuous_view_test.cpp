// Continuous views: the table against the exact mapping, the moving frame
// against the pixel nearest that mapping, headings on a partial panorama,
// the sphere's poles, and which geometry a file gets.
#include "kalhost/view_layout.h"
#include "view/continuous_view.h"
#include "view/cylinder_geometry.h"
#include "view/sphere_geometry.h"
#include "view/view_math.h"
#include "view/view_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

struct Case {
    const char *name;
    bool sphere;
    int width, height;
    double angle, pitch, hfov;
    int viewWidth, viewHeight;
    double top = 90, bottom = -90;
};

std::unique_ptr<kal::Geometry> geometryOf(const Case &c)
{
    if (c.sphere)
        return std::make_unique<kal::SphereGeometry>(c.width, c.height, c.angle, 0, c.top,
                                                     c.bottom);
    return std::make_unique<kal::CylinderGeometry>(c.width, c.height, c.angle, 0, 0);
}

const Case kCases[] = {
    {"level cylinder", false, 4096, 1024, 360, 0, 70, 800, 600},
    {"tilted cylinder", false, 4096, 2048, 360, 30, 60, 800, 600},
    {"magnified partial cylinder", false, 720, 480, 180, -10, 8, 640, 480},
    {"sphere at the zenith", true, 4096, 2048, 360, 90, 100, 640, 480},
    {"sphere at the nadir", true, 2048, 1024, 360, -90, 120, 480, 640},
    {"sphere near the pole, narrow", true, 8192, 4096, 360, 80, 10, 320, 240},
    {"partial band of a sphere", true, 2000, 500, 180, 12, 40, 400, 300, 40, -5},
};

// The table's atan2 against the library's, so that the mapping the table
// is checked against below is the exact one: every octant, its edges, the
// axes and the signed zeros.
TEST(ContinuousView, QuickAtan2IsTheLibrarysAtan2)
{
    double worst = 0;
    for (int k = 0; k <= 7200; ++k) {
        const double a = -kal::kPi + k * (2 * kal::kPi / 7200);
        for (const double r : {1e-300, 1e-3, 1.0, 7e5, 1e300}) {
            const double y = r * std::sin(a), x = r * std::cos(a);
            worst = std::fmax(worst, std::fabs(kal::quickAtan2(y, x) - std::atan2(y, x)));
        }
    }
    EXPECT_LT(worst, 1e-13);
    for (const double y : {0.0, -0.0, 1.0, -1.0})
        for (const double x : {0.0, -0.0, 1.0, -1.0}) {
            const double q = kal::quickAtan2(y, x), l = std::atan2(y, x);
            EXPECT_NEAR(q, l, 1e-13) << y << ", " << x;
            EXPECT_EQ(std::signbit(q), std::signbit(l)) << y << ", " << x;
        }
}

// Every entry within 1/16 pixel of the double-precision mapping (rows
// clamped into the image as the table keeps them).
TEST(ContinuousView, TableFollowsTheExactMapping)
{
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.name);
        const auto g = geometryOf(c);
        kal::ViewTable t;
        ASSERT_TRUE(kal::buildViewTable(*g, c.pitch, c.hfov, c.viewWidth, c.viewHeight,
                                        kal::RowOrder::bottomUp, t));
        double worst = 0;
        for (int v = 0; v < c.viewHeight; ++v)
            for (int u = 0; u < c.viewWidth; ++u) {
                const kal::SourcePoint e =
                    kal::exactTableEntry(*g, c.pitch, c.hfov, c.viewWidth, c.viewHeight, u, v);
                const double row = std::fmin(std::fmax(e.row, 0.0), c.height - 1.0);
                const size_t at = size_t(v) * c.viewWidth + u;
                double dc = std::fabs(t.column[at] / double(kal::kTableOne) - e.column);
                // Behind a pole the heading flips: a full turn is the same column.
                if (c.sphere) dc = std::fmin(dc, std::fabs(dc - c.width));
                worst = std::fmax(worst, std::fmax(dc, std::fabs(t.row[at] / 4096.0 - row)));
            }
        EXPECT_LT(worst, 1.0 / 16);
    }
}

// Pixel (c, r) of the test image names itself: column in R and B, row in G
// and A's low bits.
std::vector<uint32_t> namedImage(int width, int height)
{
    std::vector<uint32_t> p(size_t(width) * height);
    for (int r = 0; r < height; ++r)  // bottom-up rows
        for (int c = 0; c < width; ++c) {
            const int top = height - 1 - r;
            p[size_t(r) * width + c] = uint32_t(c & 255) | uint32_t(top & 255) << 8 |
                                       uint32_t(c >> 8) << 16 | uint32_t(top >> 8) << 24;
        }
    return p;
}

// Random views, tilted, zoomed, magnified, partial and across the wrap:
// the moving frame shows the source pixel the exact ray hits (to within
// half a pixel and the table's 1/16), so it and the resting frame, which
// blends around the same entry, show the same geometry.
TEST(ContinuousView, MovingFrameShowsThePixelTheRayHits)
{
    std::mt19937 random(27);
    std::printf("seed 27\n");
    double worst = 0;
    for (int k = 0; k < 24; ++k) {
        // Now and then an image large enough that the moving frame's
        // entries keep fewer fraction bits.
        const bool sphere = k % 3 == 2, partial = k % 4 == 1, large = k % 8 == 7;
        const int width = large ? 8192 : sphere ? 1024 : 900;
        const int height = large ? 4096 : sphere ? 512 : 400;
        const std::vector<uint32_t> image = namedImage(width, height);
        kal::PanoramaLayout layout;
        layout.projection = sphere ? kal::ProjectionKind::sphere : kal::ProjectionKind::cylinder;
        layout.angle = partial ? 200 : 360;
        layout.leftHeading = 10;
        std::uniform_real_distribution<double> unit(0, 1);
        const int vw = 64 + int(unit(random) * 300), vh = 48 + int(unit(random) * 200);
        kal::ContinuousViewPtr view(
            kal::createContinuousView({width, height, image.data()}, layout, vw, vh));
        ASSERT_TRUE(view);
        const kal::ViewLimits l = kal::viewLimits(view.get());
        const kal::ViewDirection d = kal::setViewDirection(
            view.get(), {unit(random) * 360, -90 + unit(random) * 180,
                         l.narrowestField + unit(random) * (l.widestField - l.narrowestField)});
        std::vector<uint32_t> frame(size_t(vw) * vh), rest(frame.size());
        ASSERT_TRUE(kal::renderMovingFrame(view.get(), frame.data(), kal::RowOrder::topDown));
        ASSERT_TRUE(kal::renderRestingFrame(view.get(), rest.data(), kal::RowOrder::topDown));
        if (k % 2) {
            // The same picture with its rows top-down gives the same frames.
            std::vector<uint32_t> flipped(image.size());
            for (int r = 0; r < height; ++r)
                std::copy_n(image.begin() + ptrdiff_t(height - 1 - r) * width, width,
                            flipped.begin() + ptrdiff_t(r) * width);
            kal::ContinuousViewPtr down(kal::createContinuousView(
                {width, height, flipped.data(), kal::RowOrder::topDown}, layout, vw, vh));
            ASSERT_TRUE(down);
            kal::setViewDirection(down.get(), d);
            std::vector<uint32_t> a(frame.size()), b(frame.size());
            ASSERT_TRUE(kal::renderMovingFrame(down.get(), a.data(), kal::RowOrder::topDown));
            ASSERT_TRUE(kal::renderRestingFrame(down.get(), b.data(), kal::RowOrder::topDown));
            EXPECT_TRUE(a == frame && b == rest) << "rows top-down, view " << k;
        }
        for (int v = 0; v < vh; ++v)
            for (int u = 0; u < vw; ++u) {
                kal::SourcePoint e;
                ASSERT_TRUE(kal::viewToSource(view.get(), u + 0.5, v + 0.5, &e))
                    << "heading " << d.heading << " pitch " << d.pitch << " hfov " << d.hfov;
                const uint32_t p = frame[size_t(v) * vw + u];
                const int c = int(p & 255) | int((p >> 16) & 255) << 8;
                const int r = int((p >> 8) & 255) | int(p >> 24) << 8;
                double dc = std::fabs(c - e.column);
                dc = std::fmin(dc, std::fabs(dc - width));
                worst = std::fmax(worst, std::fmax(dc, std::fabs(r - e.row)));
            }
    }
    std::printf("largest moving-frame offset from the exact ray: %.4f source pixels\n", worst);
    EXPECT_LE(worst, 0.5 + 1.0 / 16);
}

// A frame drawn in shares, as two threads draw it, is the whole frame in
// either row order; a share of a table the view has left draws nothing.
TEST(ContinuousView, FrameRowsInSharesAreTheWholeFrame)
{
    const std::vector<uint32_t> image = namedImage(1024, 512);
    kal::PanoramaLayout layout;
    layout.projection = kal::ProjectionKind::sphere;
    const int vw = 301, vh = 203;
    kal::ContinuousViewPtr view(
        kal::createContinuousView({1024, 512, image.data()}, layout, vw, vh));
    ASSERT_TRUE(view);
    kal::setViewDirection(view.get(), {123.4, 37, 80});
    constexpr uint32_t kUntouched = 0xDEADBEEF;
    for (const kal::RowOrder order : {kal::RowOrder::topDown, kal::RowOrder::bottomUp})
        for (const bool smooth : {false, true}) {
            std::vector<uint32_t> whole(size_t(vw) * vh), shares(whole.size(), kUntouched);
            ASSERT_TRUE(smooth ? kal::renderRestingFrame(view.get(), whole.data(), order)
                               : kal::renderMovingFrame(view.get(), whole.data(), order));
            ASSERT_TRUE(kal::prepareFrame(view.get()));
            const int cuts[] = {0, 1, vh / 2, vh};
            for (int k = 0; k < 3; ++k)
                ASSERT_TRUE(kal::renderFrameRows(view.get(), smooth,
                                                 {shares.data(), order, cuts[k], cuts[k + 1]}));
            EXPECT_EQ(shares, whole) << (smooth ? "resting" : "moving");
        }
    kal::setViewDirection(view.get(), {123.4, 20, 80});
    std::vector<uint32_t> stale(size_t(vw) * vh, kUntouched);
    EXPECT_FALSE(kal::renderFrameRows(view.get(), false, {stale.data(), kal::RowOrder::topDown}));
    EXPECT_EQ(std::count(stale.begin(), stale.end(), kUntouched), long(stale.size()));
    ASSERT_TRUE(kal::prepareFrame(view.get()));
    EXPECT_TRUE(kal::renderFrameRows(view.get(), false, {stale.data(), kal::RowOrder::topDown}));
}

// A 180-degree panorama is the left half of the full one: the same heading
// shows the same picture.
TEST(ContinuousView, HeadingsOnAPartialPanoramaAreCompassHeadings)
{
    const int width = 1440, height = 400;
    const std::vector<uint32_t> full = namedImage(width, height);
    std::vector<uint32_t> half(size_t(width / 2) * height);
    for (int r = 0; r < height; ++r)
        std::copy_n(full.begin() + ptrdiff_t(r) * width, width / 2,
                    half.begin() + ptrdiff_t(r) * width / 2);
    kal::PanoramaLayout whole, part;
    whole.leftHeading = part.leftHeading = 135;
    part.angle = 180;
    kal::ContinuousViewPtr a(
        kal::createContinuousView({width, height, full.data()}, whole, 320, 240));
    kal::ContinuousViewPtr b(
        kal::createContinuousView({width / 2, height, half.data()}, part, 320, 240));
    ASSERT_TRUE(a && b);
    for (double heading : {200.0, 225.5, 250.25}) {
        const kal::ViewDirection want{heading, 5, 50};
        EXPECT_DOUBLE_EQ(kal::setViewDirection(b.get(), want).heading, heading);
        kal::setViewDirection(a.get(), want);
        std::vector<uint32_t> fa(320 * 240), fb(fa.size());
        ASSERT_TRUE(kal::renderRestingFrame(a.get(), fa.data(), kal::RowOrder::bottomUp));
        ASSERT_TRUE(kal::renderRestingFrame(b.get(), fb.data(), kal::RowOrder::bottomUp));
        EXPECT_EQ(fa, fb) << heading;
    }
    // Outside the arc the view stops at its nearer edge, wholly inside.
    const kal::ViewDirection edge = kal::setViewDirection(b.get(), {120, 0, 50});
    const kal::ViewLimits l = kal::viewLimits(b.get());
    EXPECT_DOUBLE_EQ(edge.heading, l.firstHeading);
    EXPECT_GE(l.firstHeading, 135 + 25);
}

// Straight up on a sphere the view's centre is the top row at any heading,
// and the pitch reaches 90 both ways.
TEST(ContinuousView, SphereReachesZenithAndNadir)
{
    const std::vector<uint32_t> image = namedImage(1024, 512);
    kal::PanoramaLayout layout;
    layout.projection = kal::ProjectionKind::sphere;
    kal::ContinuousViewPtr view(
        kal::createContinuousView({1024, 512, image.data()}, layout, 400, 300));
    ASSERT_TRUE(view);
    for (double heading : {0.0, 77.0, 181.0}) {
        EXPECT_DOUBLE_EQ(kal::setViewDirection(view.get(), {heading, 95, 90}).pitch, 90);
        kal::SourcePoint p;
        ASSERT_TRUE(kal::viewToSource(view.get(), 200, 150, &p));
        EXPECT_NEAR(p.row, -0.5, 1e-6);
        EXPECT_DOUBLE_EQ(kal::setViewDirection(view.get(), {heading, -95, 90}).pitch, -90);
        ASSERT_TRUE(kal::viewToSource(view.get(), 200, 150, &p));
        EXPECT_NEAR(p.row, 511.5, 1e-6);
    }
    // A view point and its source point map back onto each other.
    kal::setViewDirection(view.get(), {30, 40, 70});
    kal::SourcePoint p;
    ASSERT_TRUE(kal::viewToSource(view.get(), 123.5, 45.5, &p));
    double x = 0, y = 0;
    ASSERT_TRUE(kal::sourceToView(view.get(), p, &x, &y));
    EXPECT_NEAR(x, 123.5, 1e-6);
    EXPECT_NEAR(y, 45.5, 1e-6);
    EXPECT_GE(kal::viewLimits(view.get()).widestField, 120);
    // A grabbed point dragged across the view stays under the pointer.
    for (const std::array<double, 2> to : {std::array<double, 2>{300.25, 260.5}, {10.5, 20.75}}) {
        kal::setViewDirection(view.get(), kal::directionShowing(view.get(), p, to[0], to[1]));
        ASSERT_TRUE(kal::sourceToView(view.get(), p, &x, &y));
        EXPECT_NEAR(x, to[0], 1e-6);
        EXPECT_NEAR(y, to[1], 1e-6);
    }
}

// Which geometry a file gets: the attribute file, GPano's ProjectionType,
// an exact 2:1 shape, else a 360-degree cylinder; a forced one wins.
TEST(ContinuousView, GeometryFromAttributesMetadataOrShape)
{
    using kal::ProjectionKind;
    using kalhost::ForcedProjection;
    EXPECT_EQ(kalhost::viewLayoutOf(nullptr, nullptr, 4096, 2048, ForcedProjection::none)
                  .layout.projection,
              ProjectionKind::sphere);
    EXPECT_EQ(kalhost::viewLayoutOf(nullptr, nullptr, 4096, 2047, ForcedProjection::none)
                  .layout.projection,
              ProjectionKind::cylinder);
    EXPECT_EQ(kalhost::viewLayoutOf(nullptr, nullptr, 4096, 2048, ForcedProjection::cylinder)
                  .layout.projection,
              ProjectionKind::cylinder);
    KalAttribs attribs{};
    attribs.angle = 180;
    EXPECT_EQ(
        kalhost::viewLayoutOf(&attribs, nullptr, 4096, 2048, ForcedProjection::none).layout.angle,
        180);
    // A cropped sphere: 180 x 90 degrees of a 4000 x 2000 panorama, its
    // middle facing east.
    kalhost::GPanoFields f;
    f.equirectangular = f.hasFullWidth = f.hasFullHeight = f.hasCroppedWidth = true;
    f.hasCroppedHeight = f.hasCroppedLeft = f.hasCroppedTop = f.hasPoseHeading = true;
    f.fullWidth = 4000, f.fullHeight = 2000, f.croppedWidth = 2000, f.croppedHeight = 1000;
    f.croppedLeft = 1000, f.croppedTop = 500, f.poseHeading = 90;
    const kal::PanoramaLayout l =
        kalhost::viewLayoutOf(nullptr, &f, 2000, 1000, ForcedProjection::none).layout;
    EXPECT_EQ(l.projection, ProjectionKind::sphere);
    EXPECT_DOUBLE_EQ(l.angle, 180);
    EXPECT_DOUBLE_EQ(l.leftHeading, 0);
    EXPECT_DOUBLE_EQ(l.top, 45);
    EXPECT_DOUBLE_EQ(l.bottom, -45);
}

}  // namespace

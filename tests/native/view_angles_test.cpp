// Views in degrees as the web page and kalrender take them: every reachable
// position reads back as a view that places the same position, a zoom keeps
// the direction, limits return what was taken, and requests that are no view
// change nothing.
#include "kalhost/view_angles.h"
#include "core_test_support.h"

#include <cmath>

using coretest::TestPanorama;

namespace {

struct Position {
    int x, y, z;
};

Position positionOf(const TestPanorama &pano)
{
    return {pano->xPos, pano->yPos, pano->zPos};
}

bool operator==(const Position &a, const Position &b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

}  // namespace

TEST(ViewAngles, EveryPositionRoundTripsExactly)
{
    // A full circle with a horizon off the middle, and a partial one whose
    // orientation is negative.
    TestPanorama full(2000, 600, 400, 300, 360, 37), part(1500, 500, 300, 200, 120, -20);
    part->orientation = -75;
    for (TestPanorama *pano : {&full, &part}) {
        const int radius = (*pano)->radius;
        for (int z = -40; z < radius - 1; z += 7) {
            for (int y = -400; y < 1200; y += 29) {
                for (int x = 0; x < (*pano)->srcWidth + 200; x += 67) {
                    kal_SetPos(pano->handle, x, y, z);
                    const Position before = positionOf(*pano);
                    const kalhost::ViewAngles view = kalhost::viewAngles(pano->handle);
                    ASSERT_GE(view.bearing, 0.0);
                    ASSERT_LT(view.bearing, 360.0);
                    ASSERT_EQ(kalhost::placeView(pano->handle, view), 0);
                    ASSERT_TRUE(positionOf(*pano) == before)
                        << "x " << before.x << " y " << before.y << " z " << before.z;
                }
            }
        }
    }
}

TEST(ViewAngles, DegreesFollowTheCylinder)
{
    TestPanorama pano(3600, 900, 400, 300, 360, 0);
    pano->orientation = 90;
    const int radius = pano->radius;
    ASSERT_EQ(kalhost::placeView(pano.handle, {135.0, 0.0, 1.0}), 0);
    EXPECT_EQ(pano->xPos, 450);  // 45 degrees east of the orientation
    EXPECT_EQ(pano->yPos, 450);  // the horizon is the middle row
    // 20 rows above the middle at zoom 2: 40 view pixels, atan(20 / radius) up.
    const double pitch = std::atan(20.0 / radius) * 180 / 3.14159265358979323846;
    ASSERT_EQ(kalhost::placeView(pano.handle, {135.0, pitch, 2.0}), 0);
    EXPECT_EQ(pano->yPos, 450 + 40);
    // Zooming out again keeps the direction.
    ASSERT_EQ(kalhost::placeView(pano.handle, {135.0, pitch, 1.0}), 0);
    EXPECT_EQ(pano->yPos, 450 + 20);
    EXPECT_NEAR(kalhost::viewAngles(pano.handle).pitch, pitch, 1e-9);
    // A direction's view point: the centre for the view's own, and one that
    // moves with a turn by the view pixels the turn spans.
    double x = 0, y = 0;
    ASSERT_TRUE(kalhost::viewPointOf(pano.handle, 135.0, pitch, &x, &y));
    EXPECT_NEAR(x, 200, 1.0);
    EXPECT_NEAR(y, 150, 1.0);
    ASSERT_TRUE(kalhost::viewPointOf(pano.handle, 140.0, pitch - 2, &x, &y));
    EXPECT_NEAR(x, 200 + 50, 1.0);  // 5 degrees: 50 columns at zoom 1
    EXPECT_NEAR(y, 150 + 20 - radius * std::tan((pitch - 2) * 3.14159265358979323846 / 180), 1.0);
    EXPECT_FALSE(kalhost::viewPointOf(pano.handle, 135.0 + 180, 0, &x, &y));
}

TEST(ViewAngles, LimitsAndNonViews)
{
    TestPanorama pano(2000, 600, 400, 300);
    ASSERT_EQ(kalhost::placeView(pano.handle, {10.0, 5.0, 1.5}), 0);
    const Position before = positionOf(pano);
    const double nan = std::nan("");
    for (const kalhost::ViewAngles bad : {kalhost::ViewAngles{nan, 0, 1},
                                          {0, INFINITY, 1},
                                          {0, 0, 0.0},
                                          {0, 0, 1e6},
                                          {0, 0, nan}}) {
        EXPECT_EQ(kalhost::placeView(pano.handle, bad), -1);
        EXPECT_TRUE(positionOf(pano) == before);
    }
    // Too far out and straight up: the engine's limits, reported as met.
    const int bounds = kalhost::placeView(pano.handle, {10.0, 89.0, 0.02});
    EXPECT_EQ(bounds, KAL_BOUND_Y | KAL_BOUND_Z);
    const kalhost::ViewAngles taken = kalhost::viewAngles(pano.handle);
    EXPECT_GT(taken.zoom, 0.02);
    EXPECT_LT(taken.pitch, 89.0);
    EXPECT_NEAR(taken.bearing, 10.0, 360.0 / 2000);
    // A zoom or a pitch far beyond 16 bits of position stops at the limit on
    // its own side rather than wrapping to the other.
    TestPanorama wide(16000, 600, 400, 300);
    EXPECT_EQ(kalhost::placeView(wide.handle, {0.0, 0.0, 0.01}), KAL_BOUND_Z);
    EXPECT_LT(kalhost::viewAngles(wide.handle).zoom, 1.0);
    EXPECT_EQ(kalhost::placeView(wide.handle, {0.0, 89.9, 3.0}), KAL_BOUND_Y);
    EXPECT_GT(kalhost::viewAngles(wide.handle).pitch, 0.0);
}

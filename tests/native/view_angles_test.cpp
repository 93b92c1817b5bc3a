// Views in degrees for the web page: every reachable position reads back as
// a view that places the same position, a zoom keeps the direction, limits
// return what was taken, and requests that are no view change nothing.
#include "../../web/src/view_angles.h"
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
                    const kalweb::ViewAngles view = kalweb::viewAngles(*pano->handle);
                    ASSERT_GE(view.bearing, 0.0);
                    ASSERT_LT(view.bearing, 360.0);
                    ASSERT_EQ(kalweb::placeView(pano->handle, view), 0);
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
    ASSERT_EQ(kalweb::placeView(pano.handle, {135.0, 0.0, 1.0}), 0);
    EXPECT_EQ(pano->xPos, 450);  // 45 degrees east of the orientation
    EXPECT_EQ(pano->yPos, 450);  // the horizon is the middle row
    // 20 rows above the middle at zoom 2: 40 view pixels, atan(20 / radius) up.
    const double pitch = std::atan(20.0 / radius) * 180 / 3.14159265358979323846;
    ASSERT_EQ(kalweb::placeView(pano.handle, {135.0, pitch, 2.0}), 0);
    EXPECT_EQ(pano->yPos, 450 + 40);
    // Zooming out again keeps the direction.
    ASSERT_EQ(kalweb::placeView(pano.handle, {135.0, pitch, 1.0}), 0);
    EXPECT_EQ(pano->yPos, 450 + 20);
    EXPECT_NEAR(kalweb::viewAngles(*pano.handle).pitch, pitch, 1e-9);
}

TEST(ViewAngles, LimitsAndNonViews)
{
    TestPanorama pano(2000, 600, 400, 300);
    ASSERT_EQ(kalweb::placeView(pano.handle, {10.0, 5.0, 1.5}), 0);
    const Position before = positionOf(pano);
    const double nan = std::nan("");
    for (const kalweb::ViewAngles bad :
         {kalweb::ViewAngles{nan, 0, 1}, {0, INFINITY, 1}, {0, 0, 0.0}, {0, 0, 1e6}, {0, 0, nan}}) {
        EXPECT_EQ(kalweb::placeView(pano.handle, bad), -1);
        EXPECT_TRUE(positionOf(pano) == before);
    }
    // Too far out and straight up: the engine's limits, reported as met.
    const int bounds = kalweb::placeView(pano.handle, {10.0, 89.0, 0.02});
    EXPECT_EQ(bounds, KAL_BOUND_Y | KAL_BOUND_Z);
    const kalweb::ViewAngles taken = kalweb::viewAngles(*pano.handle);
    EXPECT_GT(taken.zoom, 0.02);
    EXPECT_LT(taken.pitch, 89.0);
    EXPECT_NEAR(taken.bearing, 10.0, 360.0 / 2000);
    // A zoom or a pitch far beyond 16 bits of position stops at the limit on
    // its own side rather than wrapping to the other.
    TestPanorama wide(16000, 600, 400, 300);
    EXPECT_EQ(kalweb::placeView(wide.handle, {0.0, 0.0, 0.01}), KAL_BOUND_Z);
    EXPECT_LT(kalweb::viewAngles(*wide.handle).zoom, 1.0);
    EXPECT_EQ(kalweb::placeView(wide.handle, {0.0, 89.9, 3.0}), KAL_BOUND_Y);
    EXPECT_GT(kalweb::viewAngles(*wide.handle).pitch, 0.0);
}

// View movement: zoom and position limits of the reference geometry, the
// 360-degree wrap, partial panoramas, and what a move rebuilds.
#include "core_test_support.h"

using coretest::ReferencePanorama;
using coretest::TestPanorama;

namespace {

// A lens entry that no build writes, to tell whether the table was rebuilt.
constexpr uint32_t kPoison = 0xFFFF7FFFu;

void poisonLens(TestPanorama &pano)
{
    pano->lens[0] = kPoison;
}
bool rebuilt(const TestPanorama &pano)
{
    return pano->lens[0] != kPoison;
}

}  // namespace

TEST(Movement, ZoomLimitsOfTheReferenceGeometry)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    EXPECT_EQ(kal_Move(pano.handle, 0, 0, 300), KAL_BOUND_Z);
    EXPECT_EQ(pano->zPos, 203);
    EXPECT_EQ(lensX(pano.lens(0, 160)), 1);  // rebuilt for the new zoom
    EXPECT_EQ(kal_SetPos(pano.handle, pano->xPos, pano->yPos, 0), 0);
    poisonLens(pano);
    EXPECT_EQ(kal_Move(pano.handle, 0, 0, -50), KAL_BOUND_Z);
    EXPECT_EQ(pano->zPos, 0);
    EXPECT_FALSE(rebuilt(pano));  // the zoom did not change
    EXPECT_EQ(kal_Move(pano.handle, 0, 0, 203), 0);
    EXPECT_EQ(pano->zPos, 203);
    EXPECT_TRUE(rebuilt(pano));
}

TEST(Movement, MaxZoomLimitsTheMagnification)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    pano->maxZoom = 4;
    EXPECT_EQ(kal_SetPos(pano.handle, 642, 240, 160), KAL_BOUND_Z);  // 204 / 44 = 4.64
    EXPECT_EQ(pano->zPos, 153);
    EXPECT_EQ(kal_SetPos(pano.handle, 642, 240, 150), 0);  // 204 / 54 = 3.78
    EXPECT_EQ(pano->zPos, 150);
}

TEST(Movement, WideImageZoomsFurtherOut)
{
    TestPanorama pano(2048, 480, 320, 240);
    ASSERT_NE(pano.handle, nullptr);
    EXPECT_EQ(pano->radius, 326);
    EXPECT_EQ(pano->zPos, 0);
    EXPECT_EQ(kal_Move(pano.handle, 0, 0, -1000), KAL_BOUND_Z);
    EXPECT_EQ(pano->zPos, -195);
}

TEST(Movement, VerticalLimitsFollowTheZoom)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    EXPECT_EQ(kal_Move(pano.handle, 0, 500, 0), KAL_BOUND_Y);
    EXPECT_EQ(pano->yPos, 360);
    EXPECT_EQ(kal_SetPos(pano.handle, 642, 120, 0), 0);
    EXPECT_EQ(kal_Move(pano.handle, 0, -1, 0), KAL_BOUND_Y);
    EXPECT_EQ(pano->yPos, 120);
    // Zoomed in beyond half scale the reachable rows are those of s = 0.5.
    EXPECT_EQ(kal_SetPos(pano.handle, 642, 600, 150), 0);
    EXPECT_EQ(kal_SetPos(pano.handle, 642, 601, 150), KAL_BOUND_Y);
    EXPECT_EQ(pano->yPos, 600);
    EXPECT_EQ(kal_SetPos(pano.handle, 642, -121, 150), KAL_BOUND_Y);
    EXPECT_EQ(pano->yPos, -120);
    // Zooming back out pulls the position into the narrower range.
    EXPECT_EQ(kal_Move(pano.handle, 0, 0, -150), KAL_BOUND_Y);
    EXPECT_EQ(pano->yPos, 120);
}

TEST(Movement, FullCircleWrapsWithoutFlags)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    EXPECT_EQ(kal_SetPos(pano.handle, 1440, 240, 0), 0);
    EXPECT_EQ(kal_Move(pano.handle, 10, 0, 0), 0);
    EXPECT_EQ(pano->xPos, 166);
    EXPECT_EQ(kal_SetPos(pano.handle, 165, 240, 0), 0);
    EXPECT_EQ(kal_Move(pano.handle, -10, 0, 0), 0);
    EXPECT_EQ(pano->xPos, 1439);
    EXPECT_EQ(kal_SetPos(pano.handle, 1444, 240, 0), 0);
    EXPECT_EQ(pano->xPos, 1444);
    EXPECT_EQ(kal_SetPos(pano.handle, 160, 240, 0), 0);
    EXPECT_EQ(pano->xPos, 160);
    EXPECT_EQ(kal_SetPos(pano.handle, -30000, 240, 0), 0);
    EXPECT_EQ(pano->xPos, -30000 + 24 * 1284);
}

TEST(Movement, HalfCircleStaysOnTheImage)
{
    TestPanorama pano(1284, 480, 320, 240, 180);
    ASSERT_NE(pano.handle, nullptr);
    EXPECT_EQ(pano->radius, 408);
    EXPECT_EQ(kal_SetPos(pano.handle, 100, 240, 0), KAL_BOUND_X);
    EXPECT_EQ(pano->xPos, 160);
    EXPECT_EQ(kal_SetPos(pano.handle, 1200, 240, 0), KAL_BOUND_X);
    EXPECT_EQ(pano->xPos, 1124);
    EXPECT_EQ(kal_SetPos(pano.handle, 700, 240, 0), 0);
    EXPECT_EQ(pano->xPos, 700);
    // Looking up, the corners shear outward: the corner loops move the view
    // further in, without a flag.
    EXPECT_EQ(kal_SetPos(pano.handle, 160, 360, 0), 0);
    POINT left, right;
    ASSERT_TRUE(kal_MapCoordinates(pano.handle, 0, 0, &left));
    EXPECT_EQ(left.x, 0);
    EXPECT_GT(pano->xPos, 160);
    EXPECT_EQ(kal_SetPos(pano.handle, 1124, 360, 0), 0);
    ASSERT_TRUE(kal_MapCoordinates(pano.handle, 319, 0, &right));
    EXPECT_EQ(right.x, 1284);
    EXPECT_LT(pano->xPos, 1124);
}

TEST(Movement, SetPosToTheCurrentPositionChangesNothing)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    ASSERT_EQ(kal_SetPos(pano.handle, 700, 300, 40), 0);
    poisonLens(pano);
    setError(pano.handle, KAL_ERR_COORDS);
    EXPECT_EQ(kal_SetPos(pano.handle, 700, 300, 40), 0);
    EXPECT_FALSE(rebuilt(pano));
    EXPECT_EQ(kal_Error(pano.handle), KAL_ERR_NONE);  // a move clears the last error
    EXPECT_EQ(pano->xPos, 700);
    EXPECT_EQ(pano->yPos, 300);
    EXPECT_EQ(pano->zPos, 40);
}

TEST(Movement, DeltasWrapAtSixteenBits)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    EXPECT_EQ(kal_Move(pano.handle, 65536 + 10, 65536, 65536), 0);
    EXPECT_EQ(pano->xPos, 652);
    EXPECT_EQ(pano->yPos, 240);
    EXPECT_EQ(pano->zPos, 0);
    // Low halves: x 0 (wraps), y -1 (below 120), z 0.
    EXPECT_EQ(kal_SetPos(pano.handle, INT32_MIN, INT32_MAX, INT32_MIN), KAL_BOUND_Y);
    EXPECT_EQ(pano->yPos, 120);
    // Low halves: x -1, y 0, z -1 (below the zoom limit 0).
    EXPECT_EQ(kal_Move(pano.handle, INT32_MAX, INT32_MIN, INT32_MAX), KAL_BOUND_Z);
    EXPECT_EQ(pano->xPos, 1283);
}

TEST(Movement, NullHandleIsAParameterError)
{
    setError(nullptr, KAL_ERR_NONE);
    EXPECT_EQ(kal_Move(nullptr, 1, 2, 3), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    setError(nullptr, KAL_ERR_NONE);
    EXPECT_EQ(kal_SetPos(nullptr, 1, 2, 3), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    setError(nullptr, KAL_ERR_NONE);
}

TEST(Movement, TallImagesKeepTheTopLimitSixteenBit)
{
    TestPanorama pano(16, 30000, 3, 100);  // radius 2
    ASSERT_NE(pano.handle, nullptr);
    ASSERT_EQ(pano->radius, 2);
    // zPos 1: s = 0.5, rows 15000 - 29950 ... 15000 + 29950, the top capped.
    EXPECT_EQ(kal_SetPos(pano.handle, 8, INT16_MAX, 1), 0);
    EXPECT_EQ(pano->yPos, INT16_MAX);
    EXPECT_EQ(kal_SetPos(pano.handle, 8, INT16_MIN, 1), KAL_BOUND_Y);
    EXPECT_EQ(pano->yPos, 15000 - 29950);
}

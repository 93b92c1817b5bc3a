// Mapping viewport points to image points: the worked examples of the
// reference geometry, level and tilted, and the refusals.
#include "core_test_support.h"

using coretest::ReferencePanorama;

namespace {

struct Expected {
    int x, y, imageX, imageY;
};

void expectMapped(HPANORAMA h, const Expected &e)
{
    POINT p = {-1, -1};
    ASSERT_TRUE(kal_MapCoordinates(h, e.x, e.y, &p)) << e.x << "," << e.y;
    EXPECT_EQ(p.x, e.imageX) << e.x << "," << e.y;
    EXPECT_EQ(p.y, e.imageY) << e.x << "," << e.y;
}

}  // namespace

TEST(Mapping, LevelView)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    ASSERT_EQ(pano->xPos, 642);
    ASSERT_EQ(pano->yPos, 240);
    for (const Expected &e :
         {Expected{0, 0, 506, 146}, Expected{319, 239, 777, 333}, Expected{160, 120, 642, 240}})
        expectMapped(pano.handle, e);
    EXPECT_EQ(kal_Error(pano.handle), KAL_ERR_NONE);
}

TEST(Mapping, TiltedViewAgreesWithTheShear)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    ASSERT_EQ(kal_SetPos(pano.handle, 642, 300, 0), 0);
    for (const Expected &e :
         {Expected{0, 0, 479, 99}, Expected{319, 239, 768, 286}, Expected{160, 120, 642, 181}})
        expectMapped(pano.handle, e);
}

TEST(Mapping, PointsOutsideTheViewportAreRefused)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    for (POINT outside : {POINT{320, 0}, POINT{0, 240}, POINT{-1, 0}, POINT{0, -1}}) {
        setError(nullptr, KAL_ERR_NONE);
        POINT p = {1234, 5678};
        EXPECT_FALSE(kal_MapCoordinates(pano.handle, outside.x, outside.y, &p));
        EXPECT_EQ(kal_Error(pano.handle), KAL_ERR_COORDS);
        EXPECT_EQ(kal_Error(nullptr), KAL_ERR_COORDS);
        EXPECT_EQ(p.x, 1234);
        EXPECT_EQ(p.y, 5678);
    }
    expectMapped(pano.handle, {319, 0, 777, 146});  // and clears the error again
    EXPECT_EQ(kal_Error(pano.handle), KAL_ERR_NONE);
}

TEST(Mapping, NullHandleOrPointIsAParameterError)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    POINT p;
    setError(nullptr, KAL_ERR_NONE);
    EXPECT_FALSE(kal_MapCoordinates(nullptr, 0, 0, &p));
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_FALSE(kal_MapCoordinates(pano.handle, 0, 0, nullptr));
    EXPECT_EQ(kal_Error(pano.handle), KAL_ERR_PARAM);
    setError(nullptr, KAL_ERR_NONE);
}

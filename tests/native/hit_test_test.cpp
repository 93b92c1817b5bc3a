// Hotspot hit testing: half-open rectangles, array order, the failure table
// and the unwrapped columns at the seam of a full-circle panorama.
#include <gtest/gtest.h>

#include <vector>

#include "common/test_images.h"
#include "core/kalengine.h"

namespace {

// 1284 x 480 at 360 degrees with a 320 x 240 viewport: radius 204, the view
// centre (160, 120) maps to image point (642, 240).
class HitTest : public ::testing::Test {
   protected:
    void create(std::vector<KalHotSpot> spots)
    {
        spots_ = std::move(spots);
        KalAttribs attribs = {};
        attribs.numHotSpots = static_cast<INT32>(spots_.size());
        attribs.hotSpots = spots_.empty() ? nullptr : spots_.data();
        RECT vp{0, 0, 320, 240};
        pano_ = kal_Create(kaltest::asInfo(dib_), nullptr, &vp, &attribs);
        ASSERT_NE(pano_, nullptr);
    }
    void TearDown() override
    {
        if (pano_) kal_Delete(pano_, FALSE);
    }
    static KalHotSpot spot(LONG left, LONG top, LONG right, LONG bottom)
    {
        KalHotSpot s = {};
        s.rect = RECT{left, top, right, bottom};
        return s;
    }
    POINT mapped(int x, int y)
    {
        POINT p{-1, -1};
        EXPECT_TRUE(kal_MapCoordinates(pano_, x, y, &p));
        return p;
    }

    std::vector<uint8_t> dib_ = kaltest::makePackedDib(1284, 480);
    std::vector<KalHotSpot> spots_;
    HPANORAMA pano_ = nullptr;
};

}  // namespace

TEST_F(HitTest, LeftAndTopEdgesAreInsideRightAndBottomAreNot)
{
    // All four rectangles touch the mapped centre point (642, 240) with one edge.
    create({spot(600, 200, 642, 300), spot(600, 200, 700, 240), spot(642, 100, 700, 300),
            spot(600, 240, 700, 300)});
    ASSERT_EQ(mapped(160, 120).x, 642);
    ASSERT_EQ(mapped(160, 120).y, 240);
    int index = -1;
    EXPECT_TRUE(kal_CheckHotSpot(pano_, 160, 120, &index));
    EXPECT_EQ(index, 2);  // the left edge is inside, the earlier right/bottom edges are not
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_NONE);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
}

TEST_F(HitTest, TopEdgeIsInside)
{
    create({spot(600, 200, 700, 240), spot(600, 240, 700, 241)});
    int index = -1;
    EXPECT_TRUE(kal_CheckHotSpot(pano_, 160, 120, &index));
    EXPECT_EQ(index, 1);
}

TEST_F(HitTest, OverlapReportsTheLowerIndex)
{
    create({spot(0, 0, 10, 10), spot(600, 200, 700, 300), spot(500, 100, 800, 400)});
    int index = -1;
    EXPECT_TRUE(kal_CheckHotSpot(pano_, 160, 120, &index));
    EXPECT_EQ(index, 1);
}

TEST_F(HitTest, NullIndexStillReportsTheHit)
{
    create({spot(600, 200, 700, 300)});
    EXPECT_TRUE(kal_CheckHotSpot(pano_, 160, 120, nullptr));
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_NONE);
}

TEST_F(HitTest, PointsOutsideTheViewportFailWithCoords)
{
    create({spot(-100000, -100000, 100000, 100000)});
    const POINT outside[] = {{320, 0}, {0, 240}, {-1, 0}, {0, -1}, {INT32_MIN, INT32_MAX}};
    for (const POINT &p : outside) {
        int index = 42;
        EXPECT_FALSE(kal_CheckHotSpot(pano_, p.x, p.y, &index)) << p.x << "," << p.y;
        EXPECT_EQ(kal_Error(pano_), KAL_ERR_COORDS);
        EXPECT_EQ(kal_Error(nullptr), KAL_ERR_COORDS);
        EXPECT_EQ(index, 42);
    }
    EXPECT_TRUE(kal_CheckHotSpot(pano_, 319, 239, nullptr));  // the last pixel is inside
}

TEST_F(HitTest, PanoramaWithoutHotSpotsNeverHits)
{
    create({});
    for (int y = 0; y < 240; y += 17) {
        for (int x = 0; x < 320; x += 13) {
            int index = 42;
            ASSERT_FALSE(kal_CheckHotSpot(pano_, x, y, &index));
            ASSERT_EQ(kal_Error(pano_), KAL_ERR_NONE);
            ASSERT_EQ(index, 42);
        }
    }
}

TEST_F(HitTest, DegenerateRectanglesAreNeverHit)
{
    // Empty or reversed in x or in y, each placed over the mapped centre.
    create({spot(642, 200, 642, 300), spot(700, 200, 600, 300), spot(600, 240, 700, 240),
            spot(600, 300, 700, 200)});
    int index = 42;
    EXPECT_FALSE(kal_CheckHotSpot(pano_, 160, 120, &index));
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_NONE);
    EXPECT_EQ(index, 42);
}

TEST_F(HitTest, NullHandleIsRefused)
{
    int index = 42;
    EXPECT_FALSE(kal_CheckHotSpot(nullptr, 0, 0, &index));
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_EQ(index, 42);
}

TEST_F(HitTest, FailureIsClearedByTheNextCall)
{
    create({spot(600, 200, 700, 300)});
    EXPECT_FALSE(kal_CheckHotSpot(pano_, -1, 0, nullptr));
    EXPECT_FALSE(kal_CheckHotSpot(pano_, 0, 0, nullptr));
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_NONE);
}

// Near the seam the view shows columns past the image width unwrapped: a
// hotspot is hit there only where its rectangle covers the unwrapped column,
// not the column of the image that the renderer wraps to.
TEST_F(HitTest, AcrossTheSeamColumnsAreComparedUnwrapped)
{
    create({spot(251 - 5, 200, 251 + 5, 300), spot(1284 + 251 - 5, 200, 1284 + 251 + 5, 300)});
    ASSERT_TRUE(kal_SetValue(pano_, KAL_VALUE_XPOS, 1400));
    const POINT right = mapped(319, 120);
    ASSERT_GT(right.x, 1284);
    ASSERT_EQ(right.x, 1284 + 251);  // lens column 159 reaches 135 columns out
    int index = -1;
    EXPECT_TRUE(kal_CheckHotSpot(pano_, 319, 120, &index));
    EXPECT_EQ(index, 1);

    // With the view on the image's own column 251 the first rectangle is hit.
    ASSERT_TRUE(kal_SetValue(pano_, KAL_VALUE_XPOS, 251));
    EXPECT_TRUE(kal_CheckHotSpot(pano_, 160, 120, &index));
    EXPECT_EQ(index, 0);
}

// The i686 build computes exactly the lens tables of the native build: a
// few worked entries and whole-table digests, through the exported moves.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/lens_digest.h"
#include "common/scoped_panorama.h"
#include "common/test_images.h"
#include "core/kalengine.h"
#include "core/panorama.h"
#include "projection/projection.h"

namespace {

struct Panorama32 : kaltest::ScopedPanorama {
    Panorama32(int width, int height, int vpWidth, int vpHeight, int angle, int horizon)
        : ScopedPanorama(width, height, vpWidth, vpHeight, kaltest::plainAttribs(angle, horizon))
    {
    }
    uint32_t entry(int i, int j) const { return handle->lens[i * lensColumns(handle) + j]; }
};

}  // namespace

TEST(LensTable32, WorkedEntriesOfTheReferenceGeometry)
{
    Panorama32 pano(1284, 480, 320, 240, 360, 0);
    ASSERT_NE(pano.handle, nullptr);
    EXPECT_EQ(lensY(pano.entry(2, 0)), 1);
    EXPECT_EQ(lensY(pano.entry(480, 0)), 479);
    EXPECT_EQ(lensX(pano.entry(0, 160)), 136);
    EXPECT_EQ(lensY(pano.entry(100, 160)), 78);
    EXPECT_EQ(lensY(pano.entry(480, 160)), 377);
    ASSERT_EQ(kal_SetPos(pano.handle, 642, 240, 50), 0);
    EXPECT_EQ(lensY(pano.entry(240, 0)), 180);
    EXPECT_EQ(lensX(pano.entry(0, 160)), 109);
    EXPECT_EQ(lensY(pano.entry(240, 160)), 155);
}

TEST(LensTable32, WholeTablesMatchTheNativeDigests)
{
    for (const kaltest::LensDigestCase &c : kaltest::kLensDigests) {
        Panorama32 pano(c.width, c.height, c.vpWidth, c.vpHeight, c.angle, c.horizon);
        ASSERT_NE(pano.handle, nullptr);
        kal_SetPos(pano.handle, pano.handle->xPos, pano.handle->yPos, c.zPos);
        ASSERT_EQ(pano.handle->zPos, c.zPos);
        const size_t count = static_cast<size_t>(lensColumns(pano.handle)) * lensRows(pano.handle);
        EXPECT_EQ(kaltest::lensDigest(pano.handle->lens, count), c.digest)
            << c.width << "x" << c.height << " zPos " << c.zPos;
    }
}

TEST(LensTable32, ZoomLimitsAndMappingAgreeWithNative)
{
    Panorama32 wide(2048, 480, 320, 240, 360, 0);
    ASSERT_NE(wide.handle, nullptr);
    EXPECT_EQ(kal_Move(wide.handle, 0, 0, -1000), KAL_BOUND_Z);
    EXPECT_EQ(wide.handle->zPos, -195);
    Panorama32 pano(1284, 480, 320, 240, 360, 0);
    ASSERT_NE(pano.handle, nullptr);
    ASSERT_EQ(kal_SetPos(pano.handle, 642, 300, 0), 0);
    POINT p;
    ASSERT_TRUE(kal_MapCoordinates(pano.handle, 0, 0, &p));
    EXPECT_EQ(p.x, 479);
    EXPECT_EQ(p.y, 99);
    ASSERT_TRUE(kal_MapCoordinates(pano.handle, 319, 239, &p));
    EXPECT_EQ(p.x, 768);
    EXPECT_EQ(p.y, 286);
}

// View placement shared by kalrender and the web viewer: any argument, down
// to INT_MIN and up to INT_MAX, is taken without overflow (the sanitizer
// build checks), and a pitch in degrees looks at that elevation whatever the
// zoom.
#include <gtest/gtest.h>

#include "common/bmp_writer.h"
#include "kalhost/load_image.h"
#include "kalhost/open_panorama.h"
#include "kalhost/view_angles.h"

#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

// A 360-degree panorama of width x height pattern pixels (720 x 200 for a
// 160 x 120 view unless told).
HPANORAMA makePanorama(int horizon = 0, int width = 720, int height = 200,
                       RECT view = {0, 0, 160, 120})
{
    const std::vector<uint8_t> bytes = kaltest::bmpBytes(
        kaltest::makeBmp8(kaltest::patternIndices(width, height), width, height, false));
    kalhost::LoadedImage image;
    std::string why;
    EXPECT_TRUE(kalhost::loadImage(bytes.data(), bytes.size(), 0, image, why)) << why;
    KalAttribs attribs{};
    attribs.horizon = horizon;
    HPANORAMA pano =
        kal_Create(static_cast<BITMAPINFO *>(image.dib.get()), nullptr, &view, &attribs);
    if (pano) (void)image.dib.release();  // the panorama frees it
    return pano;
}

}  // namespace

TEST(HostView, ExtremeArgumentsAreClampedNotOverflowed)
{
    HPANORAMA pano = makePanorama();
    ASSERT_NE(pano, nullptr);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int bearing : {INT_MIN, -1, 0, INT_MAX})
        for (int pitch : {INT_MIN, 0, INT_MAX})
            for (double zoom : {-1.0, 0.0, 1e-300, 1.0, 1e300, nan}) {
                kalhost::positionView(pano, bearing, pitch, zoom);
                if (zoom != 1.0) continue;
                // A far pitch stays on its side: the view goes to that limit.
                const int y = kal_GetValue(pano, KAL_VALUE_YPOS);
                if (pitch != 0) {
                    EXPECT_EQ(y > 100, pitch > 0) << bearing << " " << pitch << ": " << y;
                }
            }
    kal_Delete(pano, TRUE);
}

TEST(HostView, PitchDegreesAndRowsAgreeAroundTheHorizon)
{
    // Radius 114 (720 columns, full circle), middle row 100: at zoom 1, 45
    // degrees up is 114 rows above the horizon, which itself lies 10 rows
    // above the middle row.
    const int radius = 720 * 92160 / (360 * 1608);
    HPANORAMA pano = makePanorama(10), level = makePanorama(0);
    ASSERT_NE(pano, nullptr);
    ASSERT_NE(level, nullptr);
    ASSERT_EQ(kal_GetValue(pano, KAL_VALUE_RADIUS), radius);
    EXPECT_EQ(kalhost::yPosForPitch(pano, 45), 100 + 10 + radius);
    EXPECT_EQ(kalhost::yPosForPitch(pano, 0), 100 + 10);
    EXPECT_EQ(kalhost::yPosForPitch(level, -45), 100 - radius);
    EXPECT_EQ(kalhost::yPosForPitch(level, std::numeric_limits<double>::quiet_NaN()), 100);
    EXPECT_LE(kalhost::yPosForPitch(level, 1e9), INT16_MAX) << "kept below 90 degrees";
    EXPECT_GT(kalhost::yPosForPitch(level, 1e9), 100);
    ASSERT_TRUE(kal_SetValue(pano, KAL_VALUE_YPOS, 100 + 10 + 20));
    EXPECT_NEAR(kalhost::viewAngles(pano).pitch, std::atan(20.0 / radius) / kDegree, 1e-9);

    // Placed with it, the view centre looks at the horizon: the engine's tilt is zero.
    ASSERT_TRUE(kalhost::positionViewAtPitch(pano, 0, 0.0, 1.0));
    EXPECT_EQ(kal_GetValue(pano, KAL_VALUE_YPOS), 100 + 10);
    kal_Delete(pano, TRUE);
    kal_Delete(level, TRUE);
}

TEST(HostView, PitchInDegreesLooksAtTheSameElevationAtEveryZoom)
{
    // Radius 573, middle row 450, horizon 30 rows above it. The engine maps
    // the view's centre pixel to the source point the renderer shows there
    // (image rows counted downwards): its elevation must be the pitch asked.
    HPANORAMA pano = makePanorama(30, 3600, 900, {0, 0, 400, 300});
    ASSERT_NE(pano, nullptr);
    const int radius = kal_GetValue(pano, KAL_VALUE_RADIUS);
    for (double pitch : {20.0, -12.5})
        for (double zoom : {0.8, 1.0, 2.0}) {
            ASSERT_TRUE(kalhost::positionViewAtPitch(pano, 90, pitch, zoom));
            POINT centre{};
            ASSERT_TRUE(kal_MapCoordinates(pano, 200, 150, &centre));
            const double seen = std::atan((450.0 - centre.y - 30) / radius) / kDegree;
            // The lens rounds to whole rows: within 1.5 rows of the cylinder.
            EXPECT_NEAR(seen, pitch, std::atan(1.5 / radius) / kDegree)
                << "zoom " << zoom << ", zPos " << kal_GetValue(pano, KAL_VALUE_ZPOS);
            EXPECT_NEAR(kalhost::viewAngles(pano).pitch, pitch, 0.1);
            EXPECT_EQ(kal_GetValue(pano, KAL_VALUE_ORIENTATION), 90);
        }
    kal_Delete(pano, TRUE);
}

// View placement shared by kalrender and the web viewer: any argument, down
// to INT_MIN and up to INT_MAX, is taken without overflow (the sanitizer
// build checks), and pitch in degrees and in rows agree on the cylinder.
#include <gtest/gtest.h>

#include "common/bmp_writer.h"
#include "kalhost/load_image.h"
#include "kalhost/open_panorama.h"

#include <climits>
#include <cmath>
#include <limits>

namespace {

// A 360-degree panorama of 720 x 200 pattern pixels for a 160 x 120 view.
HPANORAMA makePanorama(int horizon = 0)
{
    const std::vector<uint8_t> bytes =
        kaltest::bmpBytes(kaltest::makeBmp8(kaltest::patternIndices(720, 200), 720, 200, false));
    kalhost::LoadedImage image;
    std::string why;
    EXPECT_TRUE(kalhost::loadImage(bytes.data(), bytes.size(), 0, image, why)) << why;
    KalAttribs attribs{};
    attribs.horizon = horizon;
    const RECT view = {0, 0, 160, 120};
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
    // Radius 114 (720 columns, full circle): 45 degrees up is 114 rows above
    // the horizon, which itself lies 10 rows above the middle row.
    const int radius = 720 * 92160 / (360 * 1608);
    EXPECT_EQ(kalhost::pitchRowsForDegrees(radius, 10, 45), 10 + radius);
    EXPECT_EQ(kalhost::pitchRowsForDegrees(radius, 10, 0), 10);
    EXPECT_EQ(kalhost::pitchRowsForDegrees(radius, 0, -45), -radius);
    EXPECT_NEAR(kalhost::pitchDegreesForRows(radius, 10, 10 + radius), 45.0, 1e-9);
    EXPECT_EQ(kalhost::pitchRowsForDegrees(radius, 0, std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_LT(kalhost::pitchRowsForDegrees(radius, 0, 1e9), INT_MAX) << "kept below 90 degrees";

    // Placed with it, the view centre looks at the horizon: the engine's tilt is zero.
    HPANORAMA pano = makePanorama(10);
    ASSERT_NE(pano, nullptr);
    ASSERT_TRUE(kalhost::positionView(pano, 0, kalhost::pitchRowsForDegrees(radius, 10, 0), 1.0));
    EXPECT_EQ(kal_GetValue(pano, KAL_VALUE_YPOS), 100 + 10);
    kal_Delete(pano, TRUE);
}

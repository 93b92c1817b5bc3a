// A picture's metadata as every program reads it: GPano from a PNG's iTXt
// chunk, the horizon counted in the rows shown, and an attribute text that
// gives only some fields merged with the metadata field by field.
#include <gtest/gtest.h>

#include "../../web/src/web_session.h"
#include "kalhost/attribute_merge.h"
#include "kalhost/gpano.h"

#include <string>
#include <vector>

namespace {

void be32(std::vector<uint8_t> &b, uint32_t v)
{
    for (int k = 3; k >= 0; --k) b.push_back(uint8_t(v >> (8 * k)));
}

// A PNG head with an iTXt XMP chunk (CRCs are not checked by the reader).
std::vector<uint8_t> pngWithXmp(const std::string &xmp)
{
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    be32(png, 13);
    png.insert(png.end(), {'I', 'H', 'D', 'R'});
    be32(png, 720);
    be32(png, 200);
    png.insert(png.end(), {8, 2, 0, 0, 0, 0, 0, 0, 0});
    const std::string text = std::string("XML:com.adobe.xmp\0\0\0\0\0", 22) + xmp;
    be32(png, uint32_t(text.size()));
    png.insert(png.end(), {'i', 'T', 'X', 't'});
    png.insert(png.end(), text.begin(), text.end());
    png.insert(png.end(), {0, 0, 0, 0});
    return png;
}

}  // namespace

TEST(HostMetadata, GPanoFromPngAndTheHorizonAtTheSizeShown)
{
    const std::vector<uint8_t> png = pngWithXmp(
        "<x xmlns:GPano=\"http://ns.google.com/photos/1.0/panorama/\" "
        "GPano:FullPanoWidthPixels=\"80000\" GPano:FullPanoHeightPixels=\"8000\" "
        "GPano:CroppedAreaTopPixels=\"1000\" GPano:ProjectionType=\"equirectangular\" "
        "GPano:InitialViewPitchDegrees=\"-10\"/>");
    kalhost::GPanoFields f;
    std::string warning;
    ASSERT_TRUE(kalhost::readGPano(png.data(), png.size(), f, warning)) << warning;
    EXPECT_TRUE(f.equirectangular && f.hasInitialPitch && f.hasFullHeight);
    EXPECT_EQ(f.initialPitch, -10);
    // 40000 x 4000 stored, shown at 23301 x 2330: the horizon in rows shown.
    EXPECT_EQ(kalhost::placementFromGPano(f, 40000, 4000).horizon, -1000);
    const kalhost::GPanoPlacement shown = kalhost::placementFromGPano(f, 40000, 4000, 2330);
    EXPECT_EQ(shown.horizon, -583);
    EXPECT_EQ(shown.angle, 180) << "the angle comes from the stored columns";
}

TEST(HostMetadata, AttributeTextWinsOnlyWhereItGivesAField)
{
    KalAttribs metadata{};
    metadata.angle = 180;
    metadata.horizon = 12;
    metadata.orientation = 90;
    const std::string onlySpots = "hotspot(1 2 3 4 a b)";
    KalAttribs attribs{};
    ASSERT_TRUE(kal_AttribString(onlySpots.data(), int(onlySpots.size()), &attribs));
    kalhost::mergeMetadata(attribs, kalhost::givenAttribs(onlySpots.data(), onlySpots.size()),
                           metadata);
    EXPECT_EQ(attribs.angle, 180);
    EXPECT_EQ(attribs.horizon, 12);
    EXPECT_EQ(attribs.orientation, 90);
    EXPECT_EQ(attribs.numHotSpots, 1);
    kal_FreeResource(attribs.hotSpots);
    const std::string some = "orientation(0) angle(360)";
    ASSERT_TRUE(kal_AttribString(some.data(), int(some.size()), &attribs));
    kalhost::mergeMetadata(attribs, kalhost::givenAttribs(some.data(), some.size()), metadata);
    EXPECT_EQ(attribs.angle, 360);
    EXPECT_EQ(attribs.orientation, 0) << "an explicit 0 is given, not left out";
    EXPECT_EQ(attribs.horizon, 12);

    // The web module's way: a half-circle GPano file with a hotspots-only text.
    kalhost::GPanoFields half;
    half.hasFullWidth = half.hasCroppedWidth = true;
    half.fullWidth = 8000;
    half.croppedWidth = 4000;
    kalweb::Opening *opening =
        kalweb::openColourBlock(400, 100, nullptr, 1 << 20, onlySpots, &half);
    ASSERT_NE(opening->image.rgba, nullptr) << opening->report.message;
    kalweb::Session *session = kalweb::finishOpen(*opening, nullptr, 64, 48);
    ASSERT_NE(session, nullptr) << opening->report.message;
    kalweb::endOpen(opening);
    EXPECT_EQ(kalweb::sessionValue(*session, KAL_VALUE_ANGLE), 180);
    kalweb::closeSession(session);
}

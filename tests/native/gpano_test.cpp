// GPano XMP: the reader finds the fields in either XMP form and stays inside
// the segments; the mapping gives the angle, orientation, horizon and start
// bearing the published field definitions call for.
#include <gtest/gtest.h>

#include "kalhost/gpano.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

using kalhost::GPanoFields;

// A JPEG head: SOI, one APP1 XMP segment holding `xmp`, then SOS.
std::vector<uint8_t> jpegWithXmp(const std::string &xmp)
{
    const std::string ns("http://ns.adobe.com/xap/1.0/\0", 29);
    const size_t length = 2 + ns.size() + xmp.size();
    std::vector<uint8_t> b = {0xFF,
                              0xD8,
                              0xFF,
                              0xE0,
                              0x00,
                              0x04,
                              0,
                              0,  // an APP0 to skip
                              0xFF,
                              0xE1,
                              uint8_t(length >> 8),
                              uint8_t(length)};
    b.insert(b.end(), ns.begin(), ns.end());
    b.insert(b.end(), xmp.begin(), xmp.end());
    b.insert(b.end(), {0xFF, 0xDA, 0x00, 0x02});
    return b;
}

GPanoFields crop(double full, double width, double left, double pose)
{
    GPanoFields f;
    f.hasFullWidth = f.hasCroppedWidth = f.hasCroppedLeft = f.hasPoseHeading = true;
    f.fullWidth = full;
    f.croppedWidth = width;
    f.croppedLeft = left;
    f.poseHeading = pose;
    return f;
}

}  // namespace

TEST(GPano, ReadsAttributeAndElementForms)
{
    const std::vector<uint8_t> attributes = jpegWithXmp(
        "<rdf:Description GPano:FullPanoWidthPixels=\"8000\" "
        "GPano:CroppedAreaImageWidthPixels='4000'"
        " GPano:ProjectionType=\"cylindrical\"/>");
    GPanoFields f;
    std::string warning;
    ASSERT_TRUE(kalhost::readGPano(attributes.data(), attributes.size(), f, warning));
    EXPECT_EQ(f.fullWidth, 8000);
    EXPECT_EQ(f.croppedWidth, 4000);
    EXPECT_TRUE(f.cylindrical);
    EXPECT_FALSE(f.hasPoseHeading);

    const std::vector<uint8_t> elements = jpegWithXmp(
        "<GPano:PoseHeadingDegrees>12.5</GPano:PoseHeadingDegrees>"
        "<GPano:InitialViewHeadingDegrees> 90 </GPano:InitialViewHeadingDegrees>"
        "<GPano:FullPanoWidthPixels>abc</GPano:FullPanoWidthPixels>");
    ASSERT_TRUE(kalhost::readGPano(elements.data(), elements.size(), f, warning));
    EXPECT_EQ(f.poseHeading, 12.5);
    EXPECT_EQ(f.initialHeading, 90);
    EXPECT_FALSE(f.hasFullWidth) << "not a number";
}

TEST(GPano, ReadsByNamespaceWhateverThePrefixAndSkipsSenselessValues)
{
    const std::string ns = "http://ns.google.com/photos/1.0/panorama/";
    const std::string variants[] = {
        // the namespace under another prefix, an element form, a comment first
        "<!-- GPano:FullPanoWidthPixels=\"1\" --><x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
        "<rdf:Description xmlns:rdf=\"r\" xmlns:p=\"" +
            ns +
            "\" p:FullPanoWidthPixels=\" 8000 \">"
            "<p:CroppedAreaImageWidthPixels>4000</p:CroppedAreaImageWidthPixels>"
            "</rdf:Description></x:xmpmeta>",
        // the default namespace on the elements, an entity in a value
        "<d><FullPanoWidthPixels xmlns=\"" + ns +
            "\">80&#48;0</FullPanoWidthPixels>"
            "<g:CroppedAreaImageWidthPixels xmlns:g=\"" +
            ns +
            "\"><![CDATA[4000]]>"
            "</g:CroppedAreaImageWidthPixels></d>",
    };
    for (const std::string &xmp : variants) {
        SCOPED_TRACE(xmp);
        GPanoFields f;
        std::string warning;
        ASSERT_TRUE(kalhost::readGPanoXmp(xmp, f, warning));
        EXPECT_EQ(f.fullWidth, 8000);
        EXPECT_EQ(f.croppedWidth, 4000);
        EXPECT_EQ(warning, "");
    }
    // A GPano prefix bound to another namespace is not GPano.
    GPanoFields f;
    std::string warning;
    EXPECT_FALSE(kalhost::readGPanoXmp(
        "<a xmlns:GPano=\"urn:other\" GPano:FullPanoWidthPixels=\"8000\"/>", f, warning));
    // Senseless values are left out, each with its sentence.
    ASSERT_TRUE(kalhost::readGPanoXmp(
        "<a xmlns:GPano=\"" + ns +
            "\" GPano:FullPanoWidthPixels=\"1e308\" "
            "GPano:CroppedAreaImageHeightPixels=\"-5\" GPano:FullPanoHeightPixels=\"100\" "
            "GPano:CroppedAreaImageWidthPixels=\"nan\" GPano:InitialViewPitchDegrees=\"30\" "
            "GPano:ProjectionType=\"equirectangular\"/>",
        f, warning));
    EXPECT_FALSE(f.hasFullWidth || f.hasCroppedHeight || f.hasCroppedWidth);
    EXPECT_TRUE(f.hasInitialPitch && f.equirectangular && f.hasFullHeight);
    EXPECT_NE(warning.find("FullPanoWidthPixels of \"1e308\" makes no sense"), std::string::npos)
        << warning;
    EXPECT_NE(warning.find("CroppedAreaImageHeightPixels"), std::string::npos) << warning;
    EXPECT_NE(warning.find("CroppedAreaImageWidthPixels of \"nan\" is not a number"),
              std::string::npos)
        << warning;
}

TEST(GPano, StaysInsideTheSegments)
{
    std::vector<uint8_t> b =
        jpegWithXmp("<GPano:FullPanoWidthPixels>100</GPano:FullPanoWidthPixels>");
    GPanoFields f;
    std::string warning;
    for (size_t keep = 0; keep + 4 < b.size(); ++keep)  // every cut: no read past it
        EXPECT_FALSE(kalhost::readGPano(std::vector<uint8_t>(b.begin(), b.begin() + keep).data(),
                                        keep, f, warning));
    b[10] = 0xFF;  // APP1 length beyond the file
    EXPECT_FALSE(kalhost::readGPano(b.data(), b.size(), f, warning));
    const std::vector<uint8_t> noXmp = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02};
    EXPECT_FALSE(kalhost::readGPano(noXmp.data(), noXmp.size(), f, warning));
}

TEST(GPano, MapsCoverageOntoTheCylinder)
{
    // Half the circle, starting a quarter in; the full circle's middle faces 225.
    GPanoFields f = crop(1440, 720, 360, 225);
    f.hasInitialHeading = true;
    f.initialHeading = 180;
    kalhost::GPanoPlacement p = kalhost::placementFromGPano(f, 720, 320);
    EXPECT_EQ(p.angle, 180);
    EXPECT_EQ(p.orientation, 135);  // column 0: 225 - 90
    ASSERT_TRUE(p.hasStart);
    // The column facing 180 is a quarter of the width in; the engine counts
    // 360 degrees to the width, so its bearing there is 135 + 90.
    EXPECT_EQ(p.startBearing, 225);

    f.initialHeading = 100;  // outside the covered arc, nearer its start
    EXPECT_EQ(kalhost::placementFromGPano(f, 720, 320).startBearing, 135);
    EXPECT_EQ(kalhost::placementFromGPano(crop(1000, 3, 0, 0), 3, 1).angle, 1)
        << "kept within 1..360";
    EXPECT_EQ(kalhost::placementFromGPano(crop(1000, 2000, 0, 0), 2000, 1).angle, 360);
    EXPECT_EQ(kalhost::placementFromGPano(crop(1000, 1000, 0, 0), 1000, 500).orientation, 180)
        << "column 0 lies half a turn from the middle";
    EXPECT_EQ(kalhost::placementFromGPano(GPanoFields{}, 100, 100).angle, 360);
}

TEST(GPano, PlacesTheHorizon)
{
    GPanoFields f = crop(4000, 4000, 0, 0);
    f.hasFullHeight = f.hasCroppedHeight = f.hasCroppedTop = true;
    f.fullHeight = 2000;  // equirectangular: the horizon is the full height's middle
    f.croppedHeight = 600;
    f.croppedTop = 600;  // horizon row 400 of 600: 100 rows below the middle
    EXPECT_EQ(kalhost::placementFromGPano(f, 4000, 600).horizon, -100);
    EXPECT_EQ(kalhost::placementFromGPano(f, 2000, 300).horizon, -50) << "scaled image";
    f.cylindrical = true;
    f.croppedTop = -200;  // the top 200 rows above the horizon
    EXPECT_EQ(kalhost::placementFromGPano(f, 4000, 600).horizon, 100);
}

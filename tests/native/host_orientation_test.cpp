// EXIF orientation: a phone photo stored sideways or upside down opens
// upright, as the browser shows it.
#include <gtest/gtest.h>

#include "common/test_jpeg.h"
#include "kalhost/load_image.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kRed[3] = {255, 0, 0}, kGreen[3] = {0, 255, 0}, kBlue[3] = {0, 0, 255},
                  kWhite[3] = {255, 255, 255};

// A 32 x 16 JPEG in four quadrants: red, green above blue, white.
Bytes quadrantJpeg()
{
    const int w = 32, h = 16;
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t *c =
                y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kWhite);
            rgb.insert(rgb.end(), c, c + 3);
        }
    return kaltest::jpegOf(rgb, w, h, TJPF_RGB);
}

// The JPEG with an APP1 EXIF block after its start marker: a TIFF header
// in the given byte order whose IFD0 holds another tag, then Orientation.
Bytes withOrientation(Bytes jpeg, int orientation, bool bigEndian)
{
    auto put16 = [&](Bytes &b, unsigned v) {
        const uint8_t hi = uint8_t(v >> 8), lo = uint8_t(v);
        b.push_back(bigEndian ? hi : lo), b.push_back(bigEndian ? lo : hi);
    };
    auto put32 = [&](Bytes &b, unsigned v) {
        put16(b, bigEndian ? v >> 16 : v & 0xFFFF), put16(b, bigEndian ? v & 0xFFFF : v >> 16);
    };
    Bytes tiff = bigEndian ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
    put16(tiff, 42), put32(tiff, 8), put16(tiff, 2);
    put16(tiff, 0x0100), put16(tiff, 4), put32(tiff, 1), put32(tiff, 32);  // ImageWidth
    put16(tiff, 0x0112), put16(tiff, 3), put32(tiff, 1), put16(tiff, unsigned(orientation)),
        put16(tiff, 0);
    put32(tiff, 0);
    Bytes app1 = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    app1[2] = uint8_t((app1.size() - 2) >> 8), app1[3] = uint8_t(app1.size() - 2);
    jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
    return jpeg;
}

// The colour at a quarter of the way in from each corner, top-down terms:
// top-left, top-right, bottom-left, bottom-right.
void expectCorners(const kalhost::RgbaImage &image, const uint8_t *const (&want)[4])
{
    const int xs[2] = {image.width / 4, image.width * 3 / 4};
    const int ys[2] = {image.height / 4, image.height * 3 / 4};
    for (int k = 0; k < 4; ++k) {
        const int x = xs[k % 2], yTop = ys[k / 2];
        const uint32_t p = image.pixels[size_t(image.height - 1 - yTop) * image.width + x];
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(int(p >> (8 * c) & 0xFF), want[k][c], 24)
                << "corner " << k << " channel " << c;
    }
}

}  // namespace

TEST(HostOrientation, TurnedPhotosOpenUpright)
{
    struct Case {
        int orientation;
        bool bigEndian;
        int width, height;
        const uint8_t *corners[4];
    };
    const Case cases[] = {
        {1, false, 32, 16, {kRed, kGreen, kBlue, kWhite}},
        {6, false, 16, 32, {kBlue, kRed, kWhite, kGreen}},  // turned a quarter clockwise
        {3, true, 32, 16, {kWhite, kBlue, kGreen, kRed}},   // half a turn
        {8, true, 16, 32, {kGreen, kWhite, kRed, kBlue}},   // a quarter anticlockwise
    };
    const Bytes plain = quadrantJpeg();
    for (const Case &c : cases) {
        SCOPED_TRACE("orientation " + std::to_string(c.orientation));
        const Bytes jpeg = withOrientation(plain, c.orientation, c.bigEndian);
        kalhost::LoadedImage image;
        std::string why;
        ASSERT_TRUE(kalhost::loadImage(jpeg.data(), jpeg.size(), 0, image, why)) << why;
        ASSERT_EQ(image.colour.width, c.width);
        ASSERT_EQ(image.colour.height, c.height);
        EXPECT_EQ(image.storedWidth, c.width);
        expectCorners(image.colour, c.corners);
    }
}

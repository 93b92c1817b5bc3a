// loadImage, the one door for image files: each format by its first bytes,
// colours intact in RGBA bottom-up rows, hostile sizes refused before any
// allocation, files that end early flagged, oversized images scaled down.
#include <gtest/gtest.h>

#include "common/bmp_writer.h"
#include "core/kalengine.h"
#include "kalhost/image_limits.h"
#include "kalhost/image_writer.h"
#include "kalhost/load_image.h"

#include <fstream>
#include <string>
#include <vector>

namespace {

using kalhost::LoadedImage;
using kalhost::rgba;

const std::string kSamples = std::string(KAL_BINARY_DIR) + "/samples/";

std::vector<uint8_t> readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A width x height image: red rises along the columns, blue is the row
// (bottom row 0), green fixed.
std::vector<uint32_t> pattern(int width, int height)
{
    std::vector<uint32_t> pixels;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) pixels.push_back(rgba(c * 40 % 256, 77, r * 50 % 256));
    return pixels;
}

// The pattern as a BMP of 24 or 32 bits, rows bottom-up or top-down.
std::vector<uint8_t> colourBmp(int width, int height, int bits, bool topDown)
{
    kaltest::BmpFile file;
    file.info.width = width;
    file.info.height = topDown ? -height : height;
    file.info.bitCount = static_cast<uint16_t>(bits);
    file.info.clrUsed = 0;
    const std::vector<uint32_t> pixels = pattern(width, height);
    const size_t stride = (size_t(width) * bits / 8 + 3) & ~size_t{3};
    file.pixels.assign(stride * height, 0);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const uint32_t p = pixels[size_t(r) * width + c];
            uint8_t *out =
                &file.pixels[size_t(topDown ? height - 1 - r : r) * stride + c * bits / 8];
            out[0] = uint8_t(p >> 16), out[1] = uint8_t(p >> 8), out[2] = uint8_t(p);
        }
    return kaltest::bmpBytes(file);
}

bool load(const std::vector<uint8_t> &bytes, LoadedImage &image, std::string &why, int angle = 0)
{
    return kalhost::loadImage(bytes.data(), bytes.size(), angle, image, why);
}

}  // namespace

TEST(HostLoadImage, TrueColourFormatsKeepTheirPixels)
{
    const std::vector<uint32_t> expected = pattern(6, 3);
    const kalhost::ColourView view = {6, 3, expected.data()};
    const struct {
        const char *name;
        std::vector<uint8_t> bytes;
    } cases[] = {{"bmp24", colourBmp(6, 3, 24, false)},
                 {"bmp32", colourBmp(6, 3, 32, false)},
                 {"bmp24 top-down", colourBmp(6, 3, 24, true)},
                 {"png", kalhost::pngFileOf(view)}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        LoadedImage image;
        std::string why;
        ASSERT_TRUE(load(c.bytes, image, why)) << why;
        ASSERT_TRUE(image.isColour());
        EXPECT_FALSE(image.endsEarly);
        EXPECT_EQ(image.colour.width, 6);
        EXPECT_EQ(image.colour.pixels, expected);
    }
}

TEST(HostLoadImage, EightBitBmpTakesTheEnginePathAndJpegDecodes)
{
    LoadedImage image;
    std::string why;
    ASSERT_TRUE(load(readFile(kSamples + "courtyard_rle8.bmp"), image, why)) << why;
    ASSERT_FALSE(image.isColour());
    EXPECT_EQ(static_cast<BITMAPINFOHEADER *>(image.dib.get())->biWidth, 2880);

    ASSERT_TRUE(load(readFile(kSamples + "courtyard.jpg"), image, why)) << why;
    ASSERT_TRUE(image.isColour());
    EXPECT_EQ(image.colour.width, 2880);
    EXPECT_FALSE(image.hasGPano);
    // The top row is sky: blue above red, opaque.
    const uint32_t sky = image.colour.pixels.back();
    EXPECT_GT(sky >> 16 & 0xFF, sky & 0xFF);
    EXPECT_EQ(sky >> 24, 0xFFu);

    ASSERT_TRUE(load(readFile(kSamples + "courtyard_180.jpg"), image, why)) << why;
    EXPECT_TRUE(image.hasGPano);
    EXPECT_EQ(
        kalhost::placementFromGPano(image.gpano, image.colour.width, image.colour.height).angle,
        180);
}

TEST(HostLoadImage, NamesWhatItCannotOpen)
{
    LoadedImage image;
    std::string why;
    EXPECT_FALSE(load({'G', 'I', 'F', '8', '9', 'a', 0, 0}, image, why));
    EXPECT_NE(why.find("not an image file"), std::string::npos) << why;
    kaltest::BmpFile four = kaltest::makeBmp8(std::vector<uint8_t>(16), 4, 4, false);
    four.info.bitCount = 4;
    EXPECT_FALSE(load(kaltest::bmpBytes(four), image, why));
    EXPECT_NE(why.find("4 bits per pixel"), std::string::npos) << why;
}

TEST(HostLoadImage, FilesThatEndEarlyOpenBlankBeyondTheirData)
{
    std::vector<uint8_t> bmp = colourBmp(6, 4, 24, false);
    bmp.resize(bmp.size() - 24 * 2);  // the top two rows are missing
    LoadedImage image;
    std::string why;
    ASSERT_TRUE(load(bmp, image, why)) << why;
    EXPECT_TRUE(image.endsEarly);
    EXPECT_EQ(image.colour.pixels[0], pattern(6, 4)[0]);
    EXPECT_EQ(image.colour.pixels.back(), rgba(0, 0, 0));

    const std::vector<uint32_t> pixels = pattern(64, 64);
    std::vector<uint8_t> png = kalhost::pngFileOf(kalhost::ColourView{64, 64, pixels.data()});
    png.resize(png.size() / 2);
    ASSERT_TRUE(load(png, image, why)) << why;
    EXPECT_TRUE(image.endsEarly);

    std::vector<uint8_t> jpeg = readFile(kSamples + "courtyard.jpg");
    jpeg.resize(jpeg.size() / 2);
    ASSERT_TRUE(load(jpeg, image, why)) << why;
    EXPECT_TRUE(image.endsEarly);
}

TEST(HostLoadImage, ImagesWiderThanTheEngineTakesAreAreaScaled)
{
    // 1200 columns of alternating black and white: at 1 degree the engine
    // takes 571 columns, and an area filter averages them to grey.
    std::vector<uint32_t> stripes;
    for (int k = 0; k < 1200 * 4; ++k)
        stripes.push_back(k % 2 ? rgba(255, 255, 255) : rgba(0, 0, 0));
    const std::vector<uint8_t> png =
        kalhost::pngFileOf(kalhost::ColourView{1200, 4, stripes.data()});
    LoadedImage image;
    std::string why;
    ASSERT_TRUE(load(png, image, why, 1)) << why;
    EXPECT_EQ(image.storedWidth, 1200);
    EXPECT_EQ(image.colour.width, kalhost::maxColourWidth(1));
    EXPECT_LT(image.colour.height, 4);
    for (uint32_t p : image.colour.pixels) EXPECT_NEAR(int(p & 0xFF), 128, 30);
    // Never larger than the image: a small one stays as it is.
    ASSERT_TRUE(load(png, image, why, 360)) << why;
    EXPECT_EQ(image.colour.width, 1200);
}

// An RLE8 file cut short, whose header stores a compressed size of 4 GB:
// it opens with the lost rows blank, and the blank part costs no more than
// the rows.
TEST(HostLoadImage, ShortRle8OpensWithItsStoredRows)
{
    kaltest::BmpFile file = kaltest::makeBmp8(kaltest::patternIndices(16, 8), 16, 8, true);
    file.info.sizeImage = 0xFFFFFFF0;
    std::vector<uint8_t> bytes = kaltest::bmpBytes(file);
    bytes.resize(bytes.size() - 20);
    LoadedImage image;
    std::string why;
    ASSERT_TRUE(load(bytes, image, why)) << why;
    EXPECT_TRUE(image.endsEarly);
    const auto *rows = static_cast<const uint8_t *>(image.dib.get()) + 1064;
    EXPECT_EQ(rows[0], kaltest::patternIndices(16, 8)[0]);
    EXPECT_EQ(rows[16 * 7 + 15], 0) << "the last row is lost";
}

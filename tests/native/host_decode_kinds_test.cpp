// JPEG and PNG kinds that open the same natively as in the browser: CMYK
// inks, decoder warnings that are not an early end, short interlaced PNGs,
// and transparency shown opaque.
#include <gtest/gtest.h>

#include "common/test_jpeg.h"
#include "kalhost/load_image.h"

#include <spng.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kSide = 128;

// kSide x kSide RGBA noise (so the compressed data spans several chunks),
// top-down, every pixel transparent.
std::vector<uint8_t> transparentNoise()
{
    std::vector<uint8_t> rgba;
    uint32_t seed = 1;
    for (int k = 0; k < kSide * kSide; ++k) {
        seed = seed * 1103515245u + 12345u;
        rgba.insert(rgba.end(), {uint8_t(seed >> 24), uint8_t(seed >> 16), 200, 0});
    }
    return rgba;
}

// The noise shown opaque at (x, y from the top).
uint32_t opaqueAt(const std::vector<uint8_t> &rgba, int x, int y)
{
    const uint8_t *p = &rgba[(size_t(y) * kSide + x) * 4];
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | 0xFF000000u;
}

// The noise as a PNG, plainly stored or interlaced.
Bytes transparentPng(bool interlaced)
{
    std::vector<uint8_t> rgba = transparentNoise();
    spng_ctx *ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{};
    ihdr.width = ihdr.height = kSide;
    ihdr.bit_depth = 8;
    ihdr.color_type = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
    ihdr.interlace_method = interlaced ? SPNG_INTERLACE_ADAM7 : SPNG_INTERLACE_NONE;
    spng_set_ihdr(ctx, &ihdr);
    int error =
        spng_encode_image(ctx, rgba.data(), rgba.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    size_t size = 0;
    auto *png = static_cast<uint8_t *>(error ? nullptr : spng_get_png_buffer(ctx, &size, &error));
    Bytes bytes(png, png + (png ? size : 0));
    free(png);
    spng_ctx_free(ctx);
    return bytes;
}

bool load(const Bytes &bytes, kalhost::LoadedImage &image, std::string &why)
{
    return kalhost::loadImage(bytes.data(), bytes.size(), 0, image, why);
}

int channel(uint32_t p, int c)
{
    return int(p >> (8 * c) & 0xFF);
}

}  // namespace

// TurboJPEG writes CMYK pixels as a YCCK JPEG with an Adobe segment, whose
// inks are stored inverted: red stored as C=255, M=Y=0, K=255 opens red.
TEST(HostDecodeKinds, YcckJpegOpensInRgb)
{
    std::vector<uint8_t> cmyk;
    for (int k = 0; k < 16 * 16; ++k) cmyk.insert(cmyk.end(), {255, 0, 0, 255});
    kalhost::LoadedImage image;
    std::string why;
    ASSERT_TRUE(load(kaltest::jpegOf(cmyk, 16, 16, TJPF_CMYK), image, why)) << why;
    EXPECT_FALSE(image.endsEarly);
    const uint32_t p = image.colour.pixels[8 * 16 + 8];
    EXPECT_NEAR(channel(p, 0), 255, 6);
    EXPECT_NEAR(channel(p, 1), 0, 6);
    EXPECT_NEAR(channel(p, 2), 0, 6);
    EXPECT_EQ(p >> 24, 0xFFu);
}

// Bytes before the end marker draw a decoder warning, yet the picture is
// whole; cut short, the same file has a missing part.
TEST(HostDecodeKinds, ExtraneousBytesAreNotAnEarlyEnd)
{
    // Noise, so that the coded data is most of the file.
    std::vector<uint8_t> noise(64 * 64 * 3);
    uint32_t seed = 12345;
    for (uint8_t &v : noise) v = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
    Bytes jpeg = kaltest::jpegOf(noise, 64, 64, TJPF_RGB);
    Bytes padded = jpeg;
    padded.insert(padded.end() - 2, {0x12, 0x34, 0x56});
    kalhost::LoadedImage image;
    std::string why;
    ASSERT_TRUE(load(padded, image, why)) << why;
    EXPECT_FALSE(image.endsEarly);
    const std::vector<uint32_t> whole = image.colour.pixels;
    ASSERT_TRUE(load(kaltest::jpegOf(noise, 64, 64, TJPF_RGB), image, why)) << why;
    EXPECT_EQ(image.colour.pixels, whole);

    jpeg.resize(jpeg.size() * 2 / 3);
    ASSERT_TRUE(load(jpeg, image, why)) << why;
    EXPECT_TRUE(image.endsEarly);
}

// A short interlaced PNG opens as a short plain one does: the passes it has,
// the rest blank, one early-end mark.
TEST(HostDecodeKinds, ShortInterlacedPngOpensBlankBeyondItsData)
{
    Bytes png = transparentPng(true);
    png.resize(png.size() * 3 / 4);
    kalhost::LoadedImage image;
    std::string why;
    ASSERT_TRUE(load(png, image, why)) << why;
    EXPECT_TRUE(image.endsEarly);
    ASSERT_EQ(image.colour.width, kSide);
    // The first passes arrived (the top-left pixel is in the first); the
    // last, which holds the bottom row, did not (rows are stored bottom-up).
    const std::vector<uint8_t> noise = transparentNoise();
    EXPECT_EQ(image.colour.pixels[size_t(kSide - 1) * kSide], opaqueAt(noise, 0, 0));
    EXPECT_EQ(image.colour.pixels[5], 0xFF000000u);
}

// Transparency is dropped in every decoded image: shown opaque.
TEST(HostDecodeKinds, AlphaIsIgnored)
{
    const std::vector<uint8_t> noise = transparentNoise();
    for (bool interlaced : {false, true}) {
        kalhost::LoadedImage image;
        std::string why;
        ASSERT_TRUE(load(transparentPng(interlaced), image, why)) << why;
        EXPECT_FALSE(image.endsEarly);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                ASSERT_EQ(image.colour.pixels[size_t(kSide - 1 - y) * kSide + x],
                          opaqueAt(noise, x, y));
    }
}

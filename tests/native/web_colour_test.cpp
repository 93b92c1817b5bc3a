// The web module's true-colour way in: the size a decoded image gets, the
// block the page fills with its pixels, GPano fields, and the session.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "../../web/src/colour_view.h"
#include "../../web/src/image_check.h"
#include "../../web/src/pixel_rows.h"
#include "../../web/src/web_session.h"
#include "core/colour_panorama.h"

namespace {

TEST(WebColour, DecodedSizeIsScaledToTheEngineOrRefusedOverTheBudget)
{
    kalweb::ColourFit fit;
    std::string error, warning;
    ASSERT_TRUE(kalweb::fitColourImage(8000, 2000, 360, fit, error, warning));
    EXPECT_FALSE(fit.scaled);
    EXPECT_TRUE(warning.empty());
    const int widest = kal::maxImageWidth(90);
    ASSERT_TRUE(kalweb::fitColourImage(int64_t{widest} * 2, 1000, 90, fit, error, warning));
    EXPECT_EQ(fit.width, widest);
    EXPECT_EQ(fit.height, 500);
    EXPECT_NE(warning.find("it is shown at"), std::string::npos) << warning;
    EXPECT_FALSE(kalweb::fitColourImage(20000, 20000, 360, fit, error, warning));
    EXPECT_NE(error.find("20000 x 20000 pixels needs 1526 MiB"), std::string::npos) << error;
    EXPECT_FALSE(kalweb::fitColourImage(0, 100, 360, fit, error, warning));
}

TEST(WebColour, HostileSizeGetsNoBlockAndAttributesDecideTheAngle)
{
    kalweb::Opening *refused = kalweb::openColourBlock(60000, 60000, nullptr, 1 << 20, "", nullptr);
    EXPECT_EQ(refused->image.rgba, nullptr);
    EXPECT_NE(refused->report.message.find("60000 x 60000"), std::string::npos)
        << refused->report.message;
    EXPECT_EQ(kalweb::finishOpen(*refused, nullptr, 64, 48), nullptr);  // nothing to open
    kalweb::endOpen(refused);
    // The text's angle wins over the file's: 10 degrees take a narrow image.
    kalhost::GPanoFields half;
    half.hasFullWidth = half.hasCroppedWidth = true;
    half.fullWidth = 8000;
    half.croppedWidth = 4000;
    kalweb::Opening *narrow =
        kalweb::openColourBlock(8000, 100, nullptr, 1 << 20, "angle(10)", &half);
    ASSERT_NE(narrow->image.rgba, nullptr);
    EXPECT_EQ(narrow->size[0], kal::maxImageWidth(10));
    EXPECT_NE(narrow->report.warning.find("larger than the engine takes"), std::string::npos);
    kalweb::Opening *wide = kalweb::openColourBlock(8000, 100, nullptr, 1 << 20, "", &half);
    ASSERT_NE(wide->image.rgba, nullptr);
    EXPECT_EQ(wide->size[0], 8000);
    EXPECT_TRUE(wide->report.warning.empty());
    kalweb::endOpen(narrow);
    kalweb::endOpen(wide);
}

// A decoded picture, top half red and bottom half blue, in a session: the
// frame is top-down RGBA, the file's start view is taken, and a smaller
// view keeps the image.
TEST(WebColour, ColourSessionFramesAreTopDownRgba)
{
    kalhost::GPanoFields fields;
    fields.hasFullWidth = fields.hasCroppedWidth = fields.hasInitialHeading = true;
    fields.fullWidth = 1440;
    fields.croppedWidth = 720;
    fields.initialHeading = 30;
    kalweb::Opening *opening = kalweb::openColourBlock(720, 200, nullptr, 1 << 20, "", &fields);
    uint32_t *block = opening->image.rgba;
    ASSERT_NE(block, nullptr) << opening->report.message;
    for (int y = 0; y < 200; ++y)  // top-down, as the page decodes
        std::fill(block + y * 720, block + (y + 1) * 720, y < 100 ? 0xFF140AC8u : 0xFFC80A14u);
    kalweb::Session *session = kalweb::finishOpen(*opening, nullptr, 64, 48);
    ASSERT_NE(session, nullptr) << opening->report.message;
    kalweb::endOpen(opening);
    EXPECT_EQ(kalweb::sessionValue(*session, KAL_VALUE_ANGLE), 180);
    EXPECT_NEAR(kalweb::pageView(*session->colour).bearing, 30, 1e-9);  // the file's start heading
    for (bool smooth : {false, true}) {
        const auto *frame =
            reinterpret_cast<const uint8_t *>(kalweb::renderFrame(*session, smooth));
        const uint8_t *last = frame + (64 * 47) * 4;
        EXPECT_EQ(std::vector<uint8_t>(frame, frame + 4),
                  (std::vector<uint8_t>{0xC8, 0x0A, 0x14, 0xFF}));
        EXPECT_EQ(std::vector<uint8_t>(last, last + 4),
                  (std::vector<uint8_t>{0x14, 0x0A, 0xC8, 0xFF}));
    }
    EXPECT_TRUE(kalweb::resizeSession(*session, 32, 24));
    EXPECT_NE(kalweb::renderFrame(*session), nullptr);
    kalweb::closeSession(session);
}

// A view made before the pixels came shows them as one made after, also
// when the view size changed between.
TEST(WebColour, PreparedViewShowsThePixelsThatCameLater)
{
    std::vector<uint32_t> frames[3];
    for (int k = 0; k < 3; ++k) {
        kalweb::Opening *opening = kalweb::openColourBlock(900, 300, nullptr, 1 << 20, "", nullptr);
        ASSERT_NE(opening->image.rgba, nullptr) << opening->report.message;
        if (k) kalweb::prepareOpen(*opening, nullptr, k == 1 ? 64 : 40, 48);
        for (uint32_t p = 0; p < 900 * 300; ++p)
            opening->image.rgba[p] = p * 2654435761u | 0xFF000000u;
        kalweb::Session *session = kalweb::finishOpen(*opening, nullptr, 64, 48);
        ASSERT_NE(session, nullptr) << opening->report.message;
        kalweb::endOpen(opening);
        const uint32_t *frame = kalweb::renderFrame(*session);
        frames[k].assign(frame, frame + 64 * 48);
        kalweb::closeSession(session);
    }
    EXPECT_EQ(frames[1], frames[0]);
    EXPECT_EQ(frames[2], frames[0]);
}

// Decoded BGRX pixels become opaque RGBA where they lie; RGBA ones stay.
TEST(WebColour, DecodedPixelsArriveInRgbaOrder)
{
    std::vector<uint32_t> rows;
    for (uint32_t y = 0; y < 3; ++y)
        rows.insert(rows.end(), {0x00030201u + y * 0x100, 0x00060504u + y * 0x100});  // B G R X
    const std::vector<uint32_t> decoded = rows;
    kalweb::arrangeRows(rows.data(), 2, 3, 0);
    EXPECT_EQ(rows, decoded);
    kalweb::arrangeRows(rows.data(), 2, 3, kalweb::kBlueFirst | kalweb::kNoAlpha);
    for (uint32_t y = 0; y < 3; ++y) {
        EXPECT_EQ(rows[2 * y], 0xFF010203u + y * 0x100) << "row " << y;
        EXPECT_EQ(rows[2 * y + 1], 0xFF040506u + y * 0x100);
    }
}

}  // namespace

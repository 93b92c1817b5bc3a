// The smallest image for a viewport and an angle, worked numbers and refusals.
#include <gtest/gtest.h>

#include <vector>

#include "common/test_images.h"
#include "kalengine.h"

namespace {

RECT viewport(int width, int height) { return RECT{10, 20, 10 + width, 20 + height}; }

}  // namespace

TEST(MinImageSize, WorkedSizes)
{
    struct Case { int vpWidth, vpHeight, angle, width, height; };
    const Case cases[] = {
        {320, 240, 360, 1284, 240},  // radius bound 204
        {320, 240, 0, 1284, 240},    // 0 means a full circle
        {320, 241, 360, 1284, 242},  // odd heights round up to even
        {320, 240, 90, 324, 240},
        {0, 0, 360, 0, 0},
    };
    for (const Case &c : cases) {
        RECT vp = viewport(c.vpWidth, c.vpHeight);
        int width = -1, height = -1;
        EXPECT_TRUE(kal_MinImageSize(&width, &height, &vp, c.angle)) << c.vpWidth << " " << c.angle;
        EXPECT_EQ(width, c.width) << c.vpWidth << "x" << c.vpHeight << " at " << c.angle;
        EXPECT_EQ(height, c.height) << c.vpWidth << "x" << c.vpHeight << " at " << c.angle;
    }
}

TEST(MinImageSize, SuccessLeavesTheLastErrorAlone)
{
    int width = 0, height = 0;
    RECT vp = viewport(320, 240);
    kal_MinImageSize(&width, &height, &vp, 400);
    EXPECT_TRUE(kal_MinImageSize(&width, &height, &vp, 360));
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_ANGLE);
}

TEST(MinImageSize, BadAngleLeavesTheResultsUntouched)
{
    RECT vp = viewport(320, 240);
    for (int angle : {400, 361, -1, -360}) {
        int width = 77, height = 88;
        EXPECT_FALSE(kal_MinImageSize(&width, &height, &vp, angle));
        EXPECT_EQ(kal_Error(nullptr), KAL_ERR_ANGLE);
        EXPECT_EQ(width, 77);
        EXPECT_EQ(height, 88);
    }
}

TEST(MinImageSize, RefusesMissingPointersAndUnusableViewports)
{
    RECT vp = viewport(320, 240);
    int width = 77, height = 88;
    EXPECT_FALSE(kal_MinImageSize(nullptr, &height, &vp, 360));
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_FALSE(kal_MinImageSize(&width, nullptr, &vp, 360));
    EXPECT_FALSE(kal_MinImageSize(&width, &height, nullptr, 360));
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);

    RECT reversed{100, 0, 0, 10};
    EXPECT_FALSE(kal_MinImageSize(&width, &height, &reversed, 360));
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_VPSIZE);
    RECT huge{INT32_MIN, 0, INT32_MAX, 10};  // no int holds the answer
    EXPECT_FALSE(kal_MinImageSize(&width, &height, &huge, 360));
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_VPSIZE);
    EXPECT_EQ(width, 77);
    EXPECT_EQ(height, 88);
}

// The returned width gives a radius whose viewport limit admits the viewport,
// and four pixels less would not: checked with the creation's own formulas
// over every width and angle.
TEST(MinImageSize, WidthIsTheSmallestAcceptedMultipleOfFour)
{
    for (int vpWidth = 2; vpWidth <= 1280; ++vpWidth) {
        RECT vp = viewport(vpWidth, 2);
        for (int angle = 1; angle <= 360; ++angle) {
            int width = 0, height = 0;
            ASSERT_TRUE(kal_MinImageSize(&width, &height, &vp, angle));
            ASSERT_EQ(width % 4, 0);
            auto admits = [&](int imageWidth) {
                const int radius = (imageWidth * 92160) / (angle * 1608);
                return vpWidth <= (radius * 804) / 512;
            };
            ASSERT_TRUE(admits(width)) << vpWidth << " at " << angle;
            if (width - 4 >= 4) {
                ASSERT_FALSE(admits(width - 4)) << vpWidth << " at " << angle;
            }
        }
    }
}

TEST(MinImageSize, NinetyDegreeSizeIsAcceptedByCreate)
{
    RECT vp = viewport(320, 240);
    int width = 0, height = 0;
    ASSERT_TRUE(kal_MinImageSize(&width, &height, &vp, 90));
    std::vector<uint8_t> dib = kaltest::makePackedDib(width, height);
    KalAttribs attribs = {};
    attribs.angle = 90;
    HPANORAMA pano = kal_Create(kaltest::asInfo(dib), nullptr, &vp, &attribs);
    ASSERT_NE(pano, nullptr);
    kal_Delete(pano, FALSE);
}

// The returned size passes panorama creation and four columns less do not,
// over a sample of viewport widths and every angle (rows kept to two, so
// each creation is cheap).
TEST(MinImageSize, CreateAcceptsTheSizeAndRefusesFourColumnsLess)
{
    std::vector<int> widths;
    for (int w = 2; w <= 1280; w += 37) widths.push_back(w);
    for (int w : {3, 4, 5, 319, 320, 321, 1279, 1280}) widths.push_back(w);
    for (int vpWidth : widths) {
        RECT vp = viewport(vpWidth, 2);
        for (int angle = 1; angle <= 360; angle += (vpWidth % 5) + 1) {
            int width = 0, height = 0;
            ASSERT_TRUE(kal_MinImageSize(&width, &height, &vp, angle));
            KalAttribs attribs = {};
            attribs.angle = angle;
            std::vector<uint8_t> dib = kaltest::makePackedDib(width, height);
            HPANORAMA pano = kal_Create(kaltest::asInfo(dib), nullptr, &vp, &attribs);
            ASSERT_NE(pano, nullptr) << vpWidth << " at " << angle << ": " << width;
            kal_Delete(pano, FALSE);
            if (width - 4 < 4) continue;
            std::vector<uint8_t> narrow = kaltest::makePackedDib(width - 4, height);
            ASSERT_EQ(kal_Create(kaltest::asInfo(narrow), nullptr, &vp, &attribs), nullptr)
                << vpWidth << " at " << angle << ": " << width - 4;
            ASSERT_EQ(kal_Error(nullptr), KAL_ERR_VPSIZE);
        }
    }
}

// The smallest image for a viewport and an angle, worked numbers and refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_images.h"
#include "core/kalengine.h"
#include "core/panorama.h"

namespace {

RECT viewport(int width, int height)
{
    return RECT{10, 20, 10 + width, 20 + height};
}

}  // namespace

TEST(MinImageSize, WorkedSizes)
{
    struct Case {
        int vpWidth, vpHeight, angle, width, height;
    };
    const Case cases[] = {
        {320, 240, 360, 1284, 240},                      // radius bound 204
        {320, 240, 0, 1284, 240},                        // 0 means a full circle
        {320, 241, 360, 1284, 242},                      // odd heights round up to even
        {320, 240, 90, 324, 240},   {2, 1, 360, 16, 2},  // the smallest viewport creation accepts
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

namespace {

// Creation of an image of the given size: only the header is read, the rows
// are passed separately and never rendered. Returns the error code.
int createError(int width, int height, const RECT &vp, int angle)
{
    static uint8_t rows[4];
    std::vector<uint8_t> dib = kaltest::makePackedDib(4, 1);
    kaltest::asInfo(dib)->bmiHeader.biWidth = width;
    kaltest::asInfo(dib)->bmiHeader.biHeight = height;
    KalAttribs attribs = {};
    attribs.angle = angle;
    setError(nullptr, KAL_ERR_INDEX);
    HPANORAMA pano = kal_Create(kaltest::asInfo(dib), rows, &vp, &attribs);
    if (pano) kal_Delete(pano, FALSE);
    return kal_Error(nullptr);
}

// The widest image creation accepts at an angle, found by creation itself.
int widestImage(int angle)
{
    const RECT small = viewport(2, 1);
    int width = 23300;
    while (createError(width, 1, small, angle) == KAL_ERR_IMGSIZE) width -= 4;
    return width;
}

}  // namespace

// Every answer is an image that creation accepts; where there is none (too
// narrow, no rows, wider or taller than the largest image serves), the call
// fails with creation's own code, KAL_ERR_VPSIZE, and writes nothing.
// Viewport widths run across each angle's limit.
TEST(MinImageSize, EveryAnswerIsAcceptedAndEveryRefusalIsCreations)
{
    int answers = 0, refusals = 0;
    for (int angle : {1, 2, 7, 45, 90, 180, 359, 360}) {
        const int widest = widestImage(angle);
        const int limit = (widest * 92160 / (angle * 1608)) * 804 / 512;
        std::vector<int> widths = {1, 2, 3, 320, limit - 1, limit, limit + 1, limit + 4, 70000};
        for (int vpWidth : widths) {
            for (int vpHeight : {0, 1, 3, 65534, 65535, 65536}) {
                if (vpHeight > 3 && vpWidth > 3) continue;  // tall lens tables: narrow only
                const RECT vp = viewport(vpWidth, vpHeight);
                int width = -7, height = -9;
                const std::string what = std::to_string(vpWidth) + "x" + std::to_string(vpHeight) +
                                         " at " + std::to_string(angle);
                if (kal_MinImageSize(&width, &height, &vp, angle)) {
                    ASSERT_EQ(createError(width, height, vp, angle), KAL_ERR_NONE) << what;
                    ++answers;
                    continue;
                }
                EXPECT_EQ(kal_Error(nullptr), KAL_ERR_VPSIZE) << what;
                EXPECT_EQ(width, -7) << what;
                EXPECT_EQ(height, -9) << what;
                EXPECT_EQ(createError(widest, 65535, vp, angle), KAL_ERR_VPSIZE) << what;
                ++refusals;
            }
        }
    }
    EXPECT_EQ(answers, 8 * 14);
    EXPECT_EQ(refusals, 8 * 22);
}

// The demo's size test and scaling arithmetic for images that are too small
// for the viewport or have a width that is not a multiple of 4.
#include <gtest/gtest.h>

#include "kalhost/image_fit.h"

using kalhost::checkImageFit;
using kalhost::ImageFit;
using kalhost::scaledImageSize;

TEST(DemoImageFit, SizeTest)
{
    EXPECT_EQ(checkImageFit(1284, 240, 1284, 240), ImageFit::Fits);
    EXPECT_EQ(checkImageFit(1000, 200, 1284, 240), ImageFit::TooSmall);
    EXPECT_EQ(checkImageFit(1284, 239, 1284, 240), ImageFit::TooSmall);
    EXPECT_EQ(checkImageFit(1286, 240, 1284, 240), ImageFit::WidthNotMultipleOf4);
    // Too small wins over the width when both hold.
    EXPECT_EQ(checkImageFit(1282, 240, 1284, 240), ImageFit::TooSmall);
}

TEST(DemoImageFit, ScalesToTheWorkedSizes)
{
    int w = 0, h = 0;
    // 1000 x 200 -> 1200 x 240 -> 1284 x 256 (256.8 truncated).
    ASSERT_TRUE(scaledImageSize(1000, 200, 1284, 240, &w, &h));
    EXPECT_EQ(w, 1284);
    EXPECT_EQ(h, 256);
    // Only the width needs rounding up.
    ASSERT_TRUE(scaledImageSize(1286, 240, 1284, 240, &w, &h));
    EXPECT_EQ(w, 1288);
    EXPECT_EQ(h, 240);
    // Too low but wide enough: the height rises, the width follows.
    ASSERT_TRUE(scaledImageSize(2000, 120, 1284, 240, &w, &h));
    EXPECT_EQ(w, 4000);
    EXPECT_EQ(h, 240);
    // High but narrow: the width rises, the height follows.
    ASSERT_TRUE(scaledImageSize(642, 300, 1284, 240, &w, &h));
    EXPECT_EQ(w, 1284);
    EXPECT_EQ(h, 600);
}

TEST(DemoImageFit, RefusesEmptyImagesAndSizesBeyond32Bits)
{
    int w = -7, h = -7;
    EXPECT_FALSE(scaledImageSize(0, 200, 1284, 240, &w, &h));
    EXPECT_FALSE(scaledImageSize(1000, 0, 1284, 240, &w, &h));
    EXPECT_FALSE(scaledImageSize(1000, -200, 1284, 240, &w, &h));
    // 2564 x 1,000,000 rows would wrap a 32-bit product.
    EXPECT_FALSE(scaledImageSize(1, 1000000, 2564, 480, &w, &h));
    EXPECT_EQ(w, -7);
    EXPECT_EQ(h, -7);
    // Large but in range: formed without wrapping.
    ASSERT_TRUE(scaledImageSize(1, 30000, 1284, 240, &w, &h));
    EXPECT_EQ(w, 1284);
    EXPECT_EQ(h, 1284 * 30000);
}

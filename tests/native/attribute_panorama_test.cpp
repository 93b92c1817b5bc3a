// From attribute file to panorama: the record takes the block's values and
// its hotspot array, and deleting the panorama releases the array.
#include <gtest/gtest.h>

#include "common/test_images.h"
#include "core/kalengine.h"
#include "core/panorama.h"
#include "stand_in_control.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// A 1000-pixel 360-degree image has radius 159 and admits 249 columns.
constexpr int kWidth = 1000;
constexpr int kHeight = 200;
constexpr RECT kViewPort = {0, 0, 200, 100};

class AttribPanorama : public ::testing::Test {
   protected:
    void SetUp() override
    {
        path_ = "/tmp/kal_attrib_panorama_" + std::to_string(getpid()) + ".kal";
        live_ = standInLiveHeapBlocks();
    }
    void TearDown() override { std::remove(path_.c_str()); }
    void write(const std::string &content) { std::ofstream(path_, std::ios::binary) << content; }

    std::string path_;
    long live_ = 0;
    std::vector<uint8_t> dib_ = kaltest::makePackedDib(kWidth, kHeight);
};

}  // namespace

TEST_F(AttribPanorama, FileToPanoramaAndBack)
{
    write(
        "/* mill */\r\nangle(180)\r\nhorizon(-12)\r\norientation(65806)\r\n"
        "hotspot(10 20 110 80 Door 'Go to the hall')\r\n"
        "hotspot(300,40,360,90 \"@close\",Leave)\r\nuserstring(mill)\r\n");
    KalAttribs block{};
    ASSERT_EQ(kal_AttribFile(path_.c_str(), &block), 1);
    ASSERT_EQ(block.numHotSpots, 2);
    EXPECT_EQ(standInLiveHeapBlocks(), live_ + 1);

    // 180 degrees: radius (1000 x 92160) / (180 x 1608) = 318.
    HPANORAMA pano = kal_Create(kaltest::asInfo(dib_), nullptr, &kViewPort, &block);
    ASSERT_NE(pano, nullptr);
    EXPECT_EQ(pano->angle, 180);
    EXPECT_EQ(pano->radius, 318);
    EXPECT_EQ(pano->horizon, -12);
    EXPECT_EQ(pano->orientation, 270);  // the low 16 bits of 65806
    EXPECT_EQ(pano->numHotSpots, 2);
    EXPECT_EQ(pano->hotSpots, block.hotSpots);
    EXPECT_NE(pano->ownsHotSpots, 0);
    EXPECT_EQ(pano->hotSpots[1].rect.left, 300);
    EXPECT_STREQ(pano->hotSpots[1].label, "@close");
    EXPECT_STREQ(pano->hotSpots[1].text, "Leave");

    EXPECT_EQ(kal_Delete(pano, FALSE), TRUE);
    EXPECT_EQ(standInLiveHeapBlocks(), live_);  // the array went with it
}

TEST_F(AttribPanorama, BlockWithoutHotSpotsOwnsNothing)
{
    write("angle(0) horizon(3)");
    KalAttribs block{};
    ASSERT_EQ(kal_AttribFile(path_.c_str(), &block), 1);
    HPANORAMA pano = kal_Create(kaltest::asInfo(dib_), nullptr, &kViewPort, &block);
    ASSERT_NE(pano, nullptr);
    EXPECT_EQ(pano->angle, 360);
    EXPECT_EQ(pano->horizon, 3);
    EXPECT_EQ(pano->hotSpots, nullptr);
    EXPECT_EQ(pano->ownsHotSpots, 0);
    EXPECT_EQ(kal_Delete(pano, FALSE), TRUE);
    EXPECT_EQ(standInLiveHeapBlocks(), live_);
}

// No panorama, no hand-over: the caller still owns the array.
TEST_F(AttribPanorama, RefusedBlockLeavesTheArrayWithTheCaller)
{
    write("angle(361) hotspot(1 2 3 4 a b)");
    KalAttribs block{};
    ASSERT_EQ(kal_AttribFile(path_.c_str(), &block), 1);
    EXPECT_EQ(kal_Create(kaltest::asInfo(dib_), nullptr, &kViewPort, &block), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_ANGLE);
    EXPECT_EQ(standInLiveHeapBlocks(), live_ + 1);
    kal_FreeResource(block.hotSpots);
    EXPECT_EQ(standInLiveHeapBlocks(), live_);
}

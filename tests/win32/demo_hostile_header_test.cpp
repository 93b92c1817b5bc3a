// The demo judges a file's header before kal_LoadDIB: a 1 KB file claiming
// 46000 x 46000 pixels is refused at once, with its size and the limit
// named, instead of being loaded into gigabytes first.
#include <gtest/gtest.h>

#include "common/bmp_writer.h"
#include "demo_driver.h"

using namespace demotest;

TEST(DemoHostileHeader, HugeClaimIsRefusedBeforeLoading)
{
    kaltest::BmpFile file = kaltest::makeBmp8(std::vector<uint8_t>(4), 2, 2, true);
    file.info.width = 46000;
    file.info.height = 46000;
    const std::string path = testFolder() + "\\hostile_rle8.bmp";
    ASSERT_TRUE(kaltest::writeBytes(path, kaltest::bmpBytes(file)));
    DemoProcess demo(path);
    const std::string text = demo.takeMessageBox();
    EXPECT_NE(text.find("46000 x 46000"), std::string::npos) << text;
    EXPECT_NE(text.find("23301"), std::string::npos) << text;
    EXPECT_TRUE(demo.waitForNoViewer());
}

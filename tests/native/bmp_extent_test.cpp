// BMP files that end before their image data: cut
// copies of plain and RLE8 files, files with a gap before the pixels, and
// files too short for their headers.
#include <gtest/gtest.h>

#include "kalhost/bmp_extent.h"
#include "common/bmp_writer.h"

using kalhost::bmpEndsEarly;

namespace {

bool endsEarly(const std::vector<uint8_t> &bytes, size_t keep)
{
    return bmpEndsEarly(bytes.data(), std::min(keep, bytes.size()), keep);
}

std::vector<uint8_t> fileBytes(int width, int height, bool rle8, uint32_t gap = 0)
{
    kaltest::BmpFile file =
        kaltest::makeBmp8(kaltest::patternIndices(width, height), width, height, rle8);
    file.gap = gap;
    return kaltest::bmpBytes(file);
}

}  // namespace

TEST(BmpExtent, CutCopiesOfAPlainFileEndEarly)
{
    const std::vector<uint8_t> bytes = fileBytes(1000, 200, false);
    ASSERT_EQ(bytes.size(), 1078u + 200000u);
    EXPECT_FALSE(endsEarly(bytes, bytes.size()));
    EXPECT_TRUE(endsEarly(bytes, bytes.size() - 1));
    EXPECT_TRUE(endsEarly(bytes, 5000));
    EXPECT_TRUE(endsEarly(bytes, 100));  // inside the colour table
    // Too short for the headers: the engine refuses it, nothing ends early.
    EXPECT_FALSE(endsEarly(bytes, 53));
    std::vector<uint8_t> longer = bytes;
    longer.resize(bytes.size() + 7, 0);
    EXPECT_FALSE(endsEarly(longer, longer.size()));
}

TEST(BmpExtent, PixelsBehindAGapAndRle8StreamsAreMeasuredWhereTheyAre)
{
    const std::vector<uint8_t> gapped = fileBytes(64, 8, false, 100);
    EXPECT_FALSE(endsEarly(gapped, gapped.size()));
    EXPECT_TRUE(endsEarly(gapped, gapped.size() - 100));
    const std::vector<uint8_t> rle = fileBytes(64, 8, true);
    EXPECT_FALSE(endsEarly(rle, rle.size()));
    EXPECT_TRUE(endsEarly(rle, rle.size() - 2));
}

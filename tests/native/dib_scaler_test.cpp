// kal_ScaleDIB: the row and column mapping against its closed forms, both
// call forms, the destination header, ownership of the source, refusals.
#include "common/test_seed.h"
#include "dib_load_helpers.h"

#include <random>

using namespace kaltest;

namespace {

// One row of `width` pixels with the given indices, as a packed block.
void *rowImage(const Bytes &pixels)
{
    const int width = static_cast<int>(pixels.size());
    return makePackedDibBlock(width, 1, [&](int c, int) { return pixels[c]; });
}

Bytes firstRow(void *block, int width)
{
    const auto *rows = static_cast<const uint8_t *>(block) + 1064;
    return Bytes(rows, rows + width);
}

// Where destination element j comes from, by the closed forms.
int sourceOf(int j, int s, int t)
{
    if (s >= t) return static_cast<int>(int64_t{j} * s / t);
    return static_cast<int>((int64_t{j + 1} * s + t - 1) / t) - 1;
}

class DibScale : public ::testing::Test {
   protected:
    void SetUp() override { blocksBefore_ = standInLiveHeapBlocks(); }
    void TearDown() override
    {
        standInFailHeapAfter(-1);
        setError(nullptr, KAL_ERR_NONE);
        EXPECT_EQ(standInLiveHeapBlocks(), blocksBefore_) << "heap blocks left behind";
    }

   private:
    long blocksBefore_ = 0;
};

}  // namespace

TEST_F(DibScale, RowExamples)
{
    struct Case {
        Bytes from;
        int width;
        Bytes to;
    };
    const Case cases[] = {
        {{10, 11, 12}, 5, {10, 11, 11, 12, 12}},
        {{10, 11, 12, 13, 14}, 3, {10, 11, 13}},
        {{10, 11}, 7, {10, 10, 10, 11, 11, 11, 11}},
    };
    for (const Case &c : cases) {
        void *src = rowImage(c.from);
        void *dst =
            kal_ScaleDIB(static_cast<BITMAPINFOHEADER *>(src), nullptr, nullptr, c.width, 1, TRUE);
        ASSERT_NE(dst, nullptr);
        EXPECT_EQ(firstRow(dst, c.width), c.to);
        kal_FreeResource(dst);
    }
}

TEST_F(DibScale, RowsFollowTheSameRule)
{
    // Three stored rows to five: rows 0, 1, 1, 2, 2; a repeated row is whole,
    // padding included.
    std::vector<uint8_t> src =
        makePackedDib(6, 3, [](int c, int r) { return uint8_t(r * 10 + c); });
    void *dst = kal_ScaleDIB(reinterpret_cast<BITMAPINFOHEADER *>(src.data()), nullptr, nullptr, 6,
                             5, FALSE);
    ASSERT_NE(dst, nullptr);
    const auto *rows = static_cast<const uint8_t *>(dst) + 1064;
    const int from[] = {0, 1, 1, 2, 2};
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 6; ++c) EXPECT_EQ(rows[r * 8 + c], from[r] * 10 + c) << r << "," << c;
        EXPECT_EQ(rows[r * 8 + 6], 0);
        EXPECT_EQ(rows[r * 8 + 7], 0);
    }
    kal_FreeResource(dst);
}

TEST_F(DibScale, EveryPixelComesFromItsClosedFormSource)
{
    const unsigned seed = kaltest::testSeed();
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> size(1, 70);
    for (int round = 0; round < 60; ++round) {
        const int sw = size(rng), sh = size(rng), tw = size(rng), th = size(rng);
        // Each pixel names its own column and row.
        std::vector<uint8_t> src = makePackedDib(sw, sh, [](int c, int) { return uint8_t(c); });
        std::vector<uint8_t> rowIds = makePackedDib(sw, sh, [](int, int r) { return uint8_t(r); });
        void *cols = kal_ScaleDIB(reinterpret_cast<BITMAPINFOHEADER *>(src.data()), nullptr,
                                  nullptr, tw, th, FALSE);
        void *rows = kal_ScaleDIB(reinterpret_cast<BITMAPINFOHEADER *>(rowIds.data()), nullptr,
                                  nullptr, tw, th, FALSE);
        ASSERT_TRUE(cols && rows);
        const int stride = stride8(tw);
        const auto *c8 = static_cast<const uint8_t *>(cols) + 1064;
        const auto *r8 = static_cast<const uint8_t *>(rows) + 1064;
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x) {
                ASSERT_EQ(c8[y * stride + x], sourceOf(x, sw, tw)) << "seed " << seed;
                ASSERT_EQ(r8[y * stride + x], sourceOf(y, sh, th)) << "seed " << seed;
            }
        kal_FreeResource(cols);
        kal_FreeResource(rows);
    }
}

TEST_F(DibScale, SameSizeIsACopyWithANewHeader)
{
    std::vector<uint8_t> src = makePackedDib(10, 10);
    auto *srcHeader = reinterpret_cast<BITMAPINFOHEADER *>(src.data());
    srcHeader->biClrImportant = 7;
    srcHeader->biXPelsPerMeter = 1234;
    void *dst = kal_ScaleDIB(srcHeader, nullptr, nullptr, 10, 10, FALSE);
    ASSERT_NE(dst, nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    Bytes out(static_cast<uint8_t *>(dst), static_cast<uint8_t *>(dst) + src.size());
    BITMAPINFOHEADER h = headerOf(out);
    EXPECT_EQ(h.biSizeImage, 12u * 10);
    EXPECT_EQ(h.biClrUsed, 256u);
    EXPECT_EQ(h.biClrImportant, 256u);
    EXPECT_EQ(h.biXPelsPerMeter, 1234);
    EXPECT_EQ(Bytes(out.begin() + 40, out.begin() + 1064),
              Bytes(src.begin() + 40, src.begin() + 1064));
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c) EXPECT_EQ(out[1064 + r * 12 + c], src[1064 + r * 12 + c]);
    kal_FreeResource(dst);
}

TEST_F(DibScale, SeparateFormUpdatesAHeaderInPlaceOrWritesNone)
{
    std::vector<uint8_t> src = makePackedDib(10, 4);
    auto *header = reinterpret_cast<BITMAPINFOHEADER *>(src.data());
    const Bytes tableBefore(src.begin() + 40, src.begin() + 1064);
    void *bits = kal_ScaleDIB(header, src.data() + 1064, header, 241, 3, FALSE);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(header->biWidth, 241);
    EXPECT_EQ(header->biHeight, 3);
    EXPECT_EQ(header->biSizeImage, 244u * 3) << "stride 244";
    EXPECT_EQ(header->biClrUsed, 256u);
    EXPECT_EQ(header->biClrImportant, 256u);
    EXPECT_EQ(Bytes(src.begin() + 40, src.begin() + 1064), tableBefore);
    kal_FreeResource(bits);

    std::vector<uint8_t> again = makePackedDib(10, 4);
    const std::vector<uint8_t> untouched = again;
    bits = kal_ScaleDIB(reinterpret_cast<BITMAPINFOHEADER *>(again.data()), again.data() + 1064,
                        nullptr, 20, 8, FALSE);
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(again, untouched);
    EXPECT_EQ(static_cast<uint8_t *>(bits)[20 * 8 - 1], untouched[1064 + 3 * 12 + 9]);
    kal_FreeResource(bits);
}

TEST_F(DibScale, LoadedImageRoundTripFreesTheSource)
{
    const long before = standInLiveHeapBlocks();
    void *src = makePackedDibBlock(40, 30);
    void *dst = kal_ScaleDIB(static_cast<BITMAPINFOHEADER *>(src), nullptr, nullptr, 61, 45, TRUE);
    ASSERT_NE(dst, nullptr);
    EXPECT_EQ(standInLiveHeapBlocks(), before + 1) << "source freed";
    void *back = kal_ScaleDIB(static_cast<BITMAPINFOHEADER *>(dst), nullptr, nullptr, 40, 30, TRUE);
    ASSERT_NE(back, nullptr);
    // 61 -> 40 picks floor(j * 61 / 40) of the enlarged row, which is j again.
    Bytes out(static_cast<uint8_t *>(back), static_cast<uint8_t *>(back) + 1064 + 40 * 30);
    std::vector<uint8_t> original = makePackedDib(40, 30);
    for (int r = 0; r < 30; ++r)
        for (int c = 0; c < 40; ++c) ASSERT_EQ(out[1064 + r * 40 + c], original[1064 + r * 40 + c]);
    kal_FreeResource(back);
}

TEST_F(DibScale, ShortPackedTableYieldsAFullTable)
{
    // 16 stored entries: rows begin 40 + 64 bytes into the source block,
    // which is exactly as long as it needs to be.
    std::vector<uint8_t> full = makePackedDib(8, 2);
    std::vector<uint8_t> src(full.begin(), full.begin() + 40 + 64);
    src.insert(src.end(), full.begin() + 1064, full.end());
    reinterpret_cast<BITMAPINFOHEADER *>(src.data())->biClrUsed = 16;
    void *dst = kal_ScaleDIB(reinterpret_cast<BITMAPINFOHEADER *>(src.data()), nullptr, nullptr, 8,
                             2, FALSE);
    ASSERT_NE(dst, nullptr);
    Bytes out(static_cast<uint8_t *>(dst), static_cast<uint8_t *>(dst) + 1064 + 16);
    EXPECT_EQ(headerOf(out).biClrUsed, 256u);
    Bytes table(full.begin() + 40, full.begin() + 40 + 64);
    table.resize(1024, 0);
    EXPECT_EQ(Bytes(out.begin() + 40, out.begin() + 1064), table);
    EXPECT_EQ(Bytes(out.begin() + 1064, out.end()), Bytes(full.begin() + 1064, full.end()));
    kal_FreeResource(dst);
}

TEST_F(DibScale, RefusalsSetTheLastErrorAndKeepTheSource)
{
    void *src = makePackedDibBlock(8, 8);
    auto *header = static_cast<BITMAPINFOHEADER *>(src);
    auto expectRefused = [&](int width, int height, int code) {
        EXPECT_EQ(kal_ScaleDIB(header, nullptr, nullptr, width, height, TRUE), nullptr);
        EXPECT_EQ(kal_Error(nullptr), code) << width << "x" << height;
    };
    expectRefused(0, 8, KAL_ERR_PARAM);
    expectRefused(8, -5, KAL_ERR_PARAM);
    expectRefused(32768, 8, KAL_ERR_PARAM);
    expectRefused(8, 40000, KAL_ERR_PARAM);
    header->biHeight = 40000;
    expectRefused(8, 8, KAL_ERR_PARAM);
    header->biHeight = -8;
    expectRefused(8, 8, KAL_ERR_PARAM);
    header->biHeight = 8;
    header->biBitCount = 24;
    expectRefused(0, 8, KAL_ERR_WRONGFORMAT);
    header->biBitCount = 4;
    expectRefused(8, 8, KAL_ERR_WRONGFORMAT);
    header->biBitCount = 8;
    header->biCompression = BI_RLE8;
    expectRefused(8, 8, KAL_ERR_WRONGFORMAT);
    header->biCompression = BI_RGB;
    header->biClrUsed = 300;
    expectRefused(8, 8, KAL_ERR_WRONGFORMAT);
    header->biClrUsed = 256;
    standInFailHeapAfter(0);
    expectRefused(8, 8, KAL_ERR_MEMORY);
    standInFailHeapAfter(-1);

    void *ok = kal_ScaleDIB(header, nullptr, nullptr, 4, 4, FALSE);
    EXPECT_NE(ok, nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    kal_FreeResource(ok);
    kal_FreeResource(src);
}

// The lens table: the worked entries of the reference geometry at three
// zoom depths, the fixed row and column, and the fallback path.
#include "core_test_support.h"

#include "common/lens_digest.h"

#include <vector>

using coretest::ReferencePanorama;

namespace {

struct Expected {
    int i, j, x, y;
};

void expectEntries(const ReferencePanorama &pano, const std::vector<Expected> &entries)
{
    for (const Expected &e : entries) {
        const uint32_t entry = pano.lens(e.i, e.j);
        EXPECT_EQ(lensX(entry), e.x) << "(" << e.i << ", " << e.j << ")";
        EXPECT_EQ(lensY(entry), e.y) << "(" << e.i << ", " << e.j << ")";
    }
}

void rebuildAt(ReferencePanorama &pano, int zPos)
{
    pano->zPos = static_cast<int16_t>(zPos);
    buildLensTable(pano.handle);
}

}  // namespace

TEST(LensTable, ReferenceGeometryAtZoomZero)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    EXPECT_EQ(lensColumns(pano.handle), 161);
    EXPECT_EQ(lensRows(pano.handle), 481);
    expectEntries(pano, {{0, 0, 0, 0},
                         {1, 0, 0, 0},
                         {2, 0, 0, 1},
                         {240, 0, 0, 239},
                         {480, 0, 0, 479},
                         {0, 160, 136, 0},
                         {100, 160, 136, 78},
                         {240, 160, 136, 188},
                         {480, 160, 136, 377}});
}

TEST(LensTable, ReferenceGeometryZoomedInAndOut)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    rebuildAt(pano, 50);
    expectEntries(pano, {{240, 0, 0, 180}, {0, 160, 109, 0}, {240, 160, 109, 155}});
    rebuildAt(pano, -100);
    expectEntries(pano, {{240, 0, 0, 357}, {0, 160, 176, 0}, {240, 160, 176, 232}});
}

TEST(LensTable, ColumnZeroHasNoSidewaysOffsetAndRowZeroNoVerticalOne)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    for (int z : {-100, 0, 120, 203}) {
        rebuildAt(pano, z);
        for (int i = 0; i < lensRows(pano.handle); ++i) EXPECT_EQ(lensX(pano.lens(i, 0)), 0);
        for (int j = 0; j < lensColumns(pano.handle); ++j) EXPECT_EQ(lensY(pano.lens(0, j)), 0);
        // Near the centre at scale 1 the bias lowers each row by one.
        if (z == 0) {
            for (int i = 1; i < 480; ++i) ASSERT_EQ(lensY(pano.lens(i, 0)), i - 1) << i;
        }
    }
}

TEST(LensTable, FallbackWithoutTemporaryArraysGivesTheSameTable)
{
    ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    const size_t count = static_cast<size_t>(lensColumns(pano.handle)) * lensRows(pano.handle);
    for (int z : {-100, 0, 50, 203}) {
        rebuildAt(pano, z);
        const std::vector<uint32_t> normal(pano->lens, pano->lens + count);
        for (int failAfter : {0, 1}) {  // first or second array refused
            std::fill(pano->lens, pano->lens + count, 0xDEADBEEFu);
            coretest::LeakCheck leaks;
            standInFailHeapAfter(failAfter);
            buildLensTable(pano.handle);
            standInFailHeapAfter(-1);
            leaks.expectBalanced();
            int rounding = 0;
            for (size_t k = 0; k < count; ++k) {
                ASSERT_EQ(lensX(pano->lens[k]), lensX(normal[k])) << k;
                const int dy = lensY(pano->lens[k]) - lensY(normal[k]);
                ASSERT_LE(std::abs(dy), 1) << k;  // last-bit rounding of the products
                rounding += dy != 0;
            }
            EXPECT_LE(rounding, 3) << "zPos " << z;
        }
    }
}

TEST(LensTable, WholeTablesMatchTheirGoldenDigests)
{
    // The Windows build checks the same digests: both compute identical tables.
    for (const kaltest::LensDigestCase &c : kaltest::kLensDigests) {
        coretest::TestPanorama pano(c.width, c.height, c.vpWidth, c.vpHeight, c.angle, c.horizon);
        ASSERT_NE(pano.handle, nullptr);
        kal_SetPos(pano.handle, pano->xPos, pano->yPos, c.zPos);
        ASSERT_EQ(pano->zPos, c.zPos);
        const size_t count = static_cast<size_t>(lensColumns(pano.handle)) * lensRows(pano.handle);
        EXPECT_EQ(kaltest::lensDigest(pano->lens, count), c.digest)
            << c.width << "x" << c.height << " zPos " << c.zPos << " digest 0x" << std::hex
            << kaltest::lensDigest(pano->lens, count);
    }
}

// The view renderer on the worked geometry (R 204, 1284 x 480 image, 320 x
// 240 view): sampled source pixels, the shear factors, the wrap, and the
// guarantees about the view buffer and the BitsInfo copy.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "projection/projection.h"
#include "projection/renderer.h"
#include "render_fixture.h"

using kaltest::CodedPanorama;
using kaltest::Sample;

namespace {

struct Golden {
    int r, u, column, row;
};

void expectSamples(CodedPanorama &p, const std::vector<Golden> &golden)
{
    p.render();
    for (const Golden &g : golden) {
        const Sample s = p.sampleAt(g.r, g.u);
        EXPECT_EQ(s.column, g.column) << "view (" << g.r << ", " << g.u << ")";
        EXPECT_EQ(s.row, g.row) << "view (" << g.r << ", " << g.u << ")";
    }
}

class RendererGolden : public ::testing::TestWithParam<bool> {
   protected:
    void SetUp() override { setReferenceRendering(GetParam()); }
    void TearDown() override { setReferenceRendering(false); }
};

TEST_P(RendererGolden, LevelViewSamplesTheWorkedPixels)
{
    CodedPanorama p(1284, 480, 320, 240);
    ASSERT_TRUE(p.ok());
    ASSERT_EQ(p.record()->radius, 204);
    ASSERT_EQ(p.record()->xPos, 642);
    ASSERT_EQ(p.record()->yPos, 240);
    expectSamples(p, {{120, 160, 642, 240},
                      {120, 0, 506, 240},
                      {120, 319, 777, 240},
                      {0, 0, 506, 146},
                      {0, 160, 642, 121},
                      {239, 319, 777, 333}});
}

TEST_P(RendererGolden, TiltedViewShearsTheWorkedPixels)
{
    CodedPanorama p(1284, 480, 320, 240);
    ASSERT_TRUE(p.ok());
    p.setPos(642, 300, 0);
    ASSERT_EQ(p.record()->yPos, 300);
    EXPECT_EQ(p.record()->shearCount, 160);
    expectSamples(
        p, {{60, 160, 642, 240}, {0, 0, 515, 194}, {239, 0, 479, 380}, {239, 319, 803, 380}});
    const int32_t *shear = p.record()->shear;
    EXPECT_EQ(shear[0], 0);
    EXPECT_EQ(shear[136], 50);  // trunc(136 * 60 / 204^2 * 256)
    EXPECT_EQ(shear[159], 58);
}

TEST_P(RendererGolden, TiltMovesTheBottomCornerInAndTheTopCornerOut)
{
    CodedPanorama p(1284, 480, 320, 240);
    ASSERT_TRUE(p.ok());
    p.setPos(642, 300, 0);
    p.render();
    const Sample bottom = p.sampleAt(0, 0), top = p.sampleAt(239, 0);
    // Untilted, lens column 160 lies 136 columns left of the centre.
    EXPECT_EQ(642 - 136 - bottom.column, -9);
    EXPECT_EQ(642 - 136 - top.column, 27);
}

TEST_P(RendererGolden, FullCircleWrapsNearTheTopOfTheRange)
{
    CodedPanorama p(1284, 480, 320, 240);
    ASSERT_TRUE(p.ok());
    p.render();
    std::vector<Sample> unwrapped;
    for (int u = 0; u < 320; ++u) unwrapped.push_back(p.sampleAt(120, u));
    p.setPos(1434, 240, 0);
    ASSERT_EQ(p.record()->xPos, 1434);
    p.render();
    EXPECT_EQ(p.sampleAt(120, 160).column, 150);
    EXPECT_EQ(p.sampleAt(120, 319).column, 285);
    for (int u = 0; u < 320; ++u) {
        const Sample s = p.sampleAt(120, u);
        EXPECT_EQ(s.row, unwrapped[u].row) << u;
        EXPECT_EQ((s.column - (unwrapped[u].column + 1434 - 642) + 1284 * 2) % 1284, 0) << u;
    }
}

INSTANTIATE_TEST_SUITE_P(BothPaths, RendererGolden, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? "Reference" : "Spans";
                         });

TEST(Renderer, LevelViewIsMirroredAcrossTheCentreColumn)
{
    CodedPanorama p(1284, 480, 320, 240);
    ASSERT_TRUE(p.ok());
    p.render();
    for (int r = 0; r < 240; r += 17)
        for (int u = 1; u < 320; ++u) {
            const Sample a = p.sampleAt(r, u), b = p.sampleAt(r, 320 - u);
            ASSERT_EQ(a.column - 642, 642 - b.column) << r << ", " << u;
            ASSERT_EQ(a.row, b.row) << r << ", " << u;
        }
}

TEST(Renderer, ViewCentredOnTheHorizonIsNotSheared)
{
    CodedPanorama p(1284, 480, 320, 240, 360, 40);
    ASSERT_TRUE(p.ok());
    p.setPos(642, 280, 0);
    ASSERT_EQ(p.record()->yPos, 280);
    p.render();
    const Panorama *rec = p.record();
    for (int r = 0; r < 240; r += 7) {
        const int t = 40 + r - 120;
        const uint32_t *row = rec->lens + (t < 0 ? -t : t) * lensColumns(rec);
        for (int u = 0; u < 320; ++u) {
            const int j = u < 160 ? 160 - u : u - 160;
            const int x = lensX(row[j]);
            ASSERT_EQ(p.sampleAt(r, u).column, u < 160 ? 642 - x : 642 + x) << r << ", " << u;
        }
    }
}

TEST(Renderer, NullHandleReturnsNullWithParamError)
{
    BITMAPINFO *info = nullptr;
    EXPECT_EQ(kal_GetView(nullptr, info), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
}

TEST(Renderer, ClearsTheLastErrorAndReturnsTheViewBuffer)
{
    CodedPanorama p(1284, 480, 320, 240);
    ASSERT_TRUE(p.ok());
    POINT pt;
    kal_MapCoordinates(p.record(), 320, 0, &pt);  // sets KAL_ERR_COORDS
    ASSERT_EQ(kal_Error(p.record()), KAL_ERR_COORDS);
    EXPECT_EQ(kal_GetView(p.record(), nullptr), p.record()->viewBits);
    EXPECT_EQ(kal_Error(p.record()), KAL_ERR_NONE);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
}

TEST(Renderer, RenderingTwiceGivesIdenticalBuffers)
{
    CodedPanorama p(1284, 480, 320, 240);
    ASSERT_TRUE(p.ok());
    p.setPos(1400, 330, 60);
    const Panorama *rec = p.record();
    const size_t size = static_cast<size_t>(rec->vpHeight) * ((rec->vpWidth + 3) & ~3);
    const uint8_t *view = static_cast<const uint8_t *>(kal_GetView(p.record(), nullptr));
    const std::vector<uint8_t> first(view, view + size);
    kal_GetView(p.record(), nullptr);
    EXPECT_EQ(std::memcmp(first.data(), rec->viewBits, size), 0);
}

TEST(Renderer, RowPaddingIsNeverWritten)
{
    for (int vpWidth : {317, 318, 319}) {
        CodedPanorama p(1284, 480, vpWidth, 200);
        ASSERT_TRUE(p.ok());
        Panorama *rec = p.record();
        const int stride = (vpWidth + 3) & ~3;
        for (int r = 0; r < 200; ++r)
            std::memset(rec->viewBits + r * stride + vpWidth, 0xA5, stride - vpWidth);
        for (int y : {240, 330, 150}) {
            p.setPos(700, y, 0);
            kal_GetView(rec, nullptr);
        }
        for (int r = 0; r < 200; ++r)
            for (int k = vpWidth; k < stride; ++k)
                ASSERT_EQ(rec->viewBits[r * stride + k], 0xA5) << vpWidth << ": " << r;
    }
}

TEST(Renderer, BitsInfoCopyDescribesTheViewBuffer)
{
    std::vector<uint8_t> image = kaltest::makePackedDib(1284, 480);
    const RECT viewPort = {10, 20, 311, 220};
    HPANORAMA p = kal_Create(kaltest::asInfo(image), nullptr, &viewPort, nullptr);
    ASSERT_NE(p, nullptr);
    std::vector<uint8_t> copy(1100, 0x5A);
    EXPECT_EQ(kal_GetView(p, reinterpret_cast<BITMAPINFO *>(copy.data())), p->viewBits);
    BITMAPINFOHEADER header;
    std::memcpy(&header, copy.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 301);
    EXPECT_EQ(header.biHeight, 200);
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(header.biSizeImage, 304u * 200u);
    EXPECT_EQ(std::memcmp(copy.data() + 40, image.data() + 40, 1024), 0);
    for (size_t k = 1064; k < copy.size(); ++k) ASSERT_EQ(copy[k], 0x5A) << k;
    kal_Delete(p, FALSE);
}

}  // namespace

// The renderer against the plain reference over random panoramas, and the
// agreement of the picture with the point mapping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "projection/projection.h"
#include "projection/renderer.h"
#include "common/test_seed.h"
#include "render_fixture.h"

namespace {

struct Geometry {
    int width, height, vpWidth, vpHeight, angle, horizon;
};

int radiusOf(int width, int angle)
{
    return width * 92160 / (angle * 1608);
}

// A random geometry kal_Create accepts: odd and even viewports, any angle,
// horizons up to the image height and beyond.
Geometry randomGeometry(std::mt19937 &rng)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    Geometry g;
    do {
        g.angle = pick(0, 2) == 0 ? pick(1, 359) : 360;
        g.width = 4 * pick(8, 500);
    } while (radiusOf(g.width, g.angle) > 32767 || radiusOf(g.width, g.angle) < 2);
    g.height = pick(4, 500);
    const int maxVp = radiusOf(g.width, g.angle) * 804 / 512;
    g.vpWidth = pick(2, std::min(std::max(maxVp, 2), 330));
    g.vpHeight = pick(1, std::min(g.height, 260));
    g.horizon =
        pick(0, 5) == 0 ? pick(-2 * g.height, 2 * g.height) : pick(-g.height / 4, g.height / 4);
    return g;
}

std::vector<uint8_t> viewCopy(const Panorama *rec)
{
    const size_t size = static_cast<size_t>(rec->vpHeight) * viewStride(rec);
    return std::vector<uint8_t>(rec->viewBits, rec->viewBits + size);
}

// A panorama of random pixels over `dib`; null when the geometry is refused.
HPANORAMA randomPanorama(const Geometry &g, std::mt19937 &rng, std::vector<uint8_t> &dib)
{
    const RECT viewPort = {0, 0, g.vpWidth, g.vpHeight};
    const KalAttribs attribs = kaltest::attribsFor(g.angle, g.horizon);
    dib = kaltest::makePackedDib(g.width, g.height,
                                 [&rng](int, int) { return static_cast<uint8_t>(rng()); });
    return kal_Create(kaltest::asInfo(dib), nullptr, &viewPort, &attribs);
}

// A panorama over an image of fixed-seed noise: every row and column differs,
// so that any pixel taken from the wrong place shows (with odds 255 in 256).
struct NoisePanorama {
    std::vector<uint8_t> image;
    HPANORAMA handle = nullptr;

    NoisePanorama(int width, int height, int vpWidth, int vpHeight, int angle, int horizon = 0)
    {
        std::mt19937 rng(static_cast<unsigned>(width * 31 + height));
        image = kaltest::makePackedDib(width, height,
                                       [&rng](int, int) { return static_cast<uint8_t>(rng()); });
        const RECT viewPort = {0, 0, vpWidth, vpHeight};
        const KalAttribs attribs = kaltest::attribsFor(angle, horizon);
        handle = kal_Create(kaltest::asInfo(image), nullptr, &viewPort, &attribs);
    }
    ~NoisePanorama()
    {
        if (handle) kal_Delete(handle, FALSE);
    }
    NoisePanorama(const NoisePanorama &) = delete;
    NoisePanorama &operator=(const NoisePanorama &) = delete;
};

// The spans' view and the reference's, for the panorama's present position.
void expectReferenceView(Panorama *rec, const std::string &where)
{
    const std::vector<uint8_t> expected =
        kaltest::referenceRender(kaltest::referenceViewOf(rec), 0);
    std::memset(rec->viewBits, 0, expected.size());
    kal_GetView(rec, nullptr);
    ASSERT_EQ(viewCopy(rec), expected) << where;
}

class RenderCompare : public ::testing::Test {
   protected:
    void TearDown() override { setReferenceRendering(false); }
};

// Random geometries and positions: the spans and the reference path
// against the reference, and the tables cover the view.
TEST_F(RenderCompare, MatchesTheReferenceOverRandomPanoramas)
{
    const int count = 60;
    const unsigned seed = kaltest::testSeed();
    std::mt19937 rng(seed);
    int compared = 0;
    for (int n = 0; n < count; ++n) {
        const Geometry g = randomGeometry(rng);
        std::vector<uint8_t> dib;
        HPANORAMA p = randomPanorama(g, rng, dib);
        ASSERT_NE(p, nullptr) << "seed " << seed << " n " << n << " error " << kal_Error(nullptr);
        for (int m = 0; m < 8; ++m) {
            const int x = std::uniform_int_distribution<int>(-g.width, 2 * g.width)(rng);
            const int y = std::uniform_int_distribution<int>(-g.height, 2 * g.height)(rng);
            const int z = std::uniform_int_distribution<int>(-p->radius, p->radius)(rng);
            kal_SetPos(p, x, y, z);
            const std::string where = "seed " + std::to_string(seed) + " n " + std::to_string(n) +
                                      " m " + std::to_string(m);
            // Every lens column the view reads has a shear entry, and every
            // row distance a lens row.
            ASSERT_LT(lensX(p->lens[lensColumns(p) - 1]), p->shearCount) << where;
            const int dy = p->yPos - p->srcHeight / 2;
            const int maxRow = std::max(std::abs(dy - p->vpHeight / 2),
                                        std::abs(dy + p->vpHeight - 1 - p->vpHeight / 2));
            ASSERT_LT(maxRow, lensRows(p)) << where;
            int rowsOutside = 0;
            const std::vector<uint8_t> expected =
                kaltest::referenceRender(kaltest::referenceViewOf(p), 0, &rowsOutside);
            EXPECT_EQ(rowsOutside, 0) << where;
            std::memset(p->viewBits, 0, expected.size());
            setReferenceRendering(false);
            kal_GetView(p, nullptr);
            ASSERT_EQ(viewCopy(p), expected) << where << " (spans)";
            setReferenceRendering(true);
            kal_GetView(p, nullptr);
            ASSERT_EQ(viewCopy(p), expected) << where << " (reference path)";
            ++compared;
        }
        kal_Delete(p, FALSE);
    }
    EXPECT_EQ(compared, 8 * count);
}

// Views that cross the seam of a full circle and the edges of a partial
// panorama at every tilt: the places where the spans are cut into runs. The
// image differs from row to row, so that a row pair's lower row drawn from
// the wrong source row shows.
TEST_F(RenderCompare, MatchesTheReferenceAtSeamsAndEdges)
{
    for (int angle : {360, 180, 90}) {
        for (int horizon : {0, 100, -300}) {
            NoisePanorama p(1284, 480, 319, 240, angle, horizon);
            ASSERT_TRUE(p.handle);
            Panorama *rec = p.handle;
            for (int x = 0; x <= 1284 + 320; x += 97)
                for (int y = 0; y <= 480; y += 120) {
                    kal_SetPos(rec, x, y, (x / 97) % 3 * 40 - 20);
                    const std::vector<uint8_t> expected =
                        kaltest::referenceRender(kaltest::referenceViewOf(rec), 0);
                    kal_GetView(rec, nullptr);
                    ASSERT_EQ(viewCopy(rec), expected)
                        << "angle " << angle << " horizon " << horizon << " x " << rec->xPos
                        << " y " << rec->yPos << " z " << rec->zPos;
                }
        }
    }
}

// Positions and tilts the limits never produce: a horizon so far off that
// the shear factors leave the range the spans multiply in, and vertical
// positions written past the limits. The renderer must stay inside its
// blocks and draw what the reference draws, with rows taken from the
// nearest edge.
TEST_F(RenderCompare, GeometriesBeyondTheLimitsStayInsideTheImage)
{
    for (int horizon : {30000, -30000, 5000, 3000, -2500, 1500}) {
        kaltest::CodedPanorama p(64, 40, 14, 12, 360, horizon);
        ASSERT_TRUE(p.ok());
        Panorama *rec = p.record();
        for (int x : {0, 10, 40, 70}) {
            kal_SetPos(rec, x, 20, 0);
            const std::vector<uint8_t> expected =
                kaltest::referenceRender(kaltest::referenceViewOf(rec), 0);
            kal_GetView(rec, nullptr);
            ASSERT_EQ(viewCopy(rec), expected) << "horizon " << horizon << " x " << x;
        }
    }
    kaltest::CodedPanorama p(1284, 480, 320, 240, 180);
    ASSERT_TRUE(p.ok());
    Panorama *rec = p.record();
    for (int y : {-100, 0, 60, 420, 480, 590}) {
        rec->yPos = static_cast<int16_t>(y);  // past what clampPosition allows
        const std::vector<uint8_t> expected =
            kaltest::referenceRender(kaltest::referenceViewOf(rec), 0);
        kal_GetView(rec, nullptr);
        ASSERT_EQ(viewCopy(rec), expected) << "y " << y;
    }
    // Row distances past the lens table: drawn from its last row, safely.
    for (int y : {-400, 1000}) {
        rec->yPos = static_cast<int16_t>(y);
        kal_GetView(rec, nullptr);
        const std::vector<uint8_t> spans = viewCopy(rec);
        setReferenceRendering(true);
        kal_GetView(rec, nullptr);
        EXPECT_EQ(viewCopy(rec), spans) << "y " << y;
        setReferenceRendering(false);
    }
}

// The pixel drawn at a viewport point is the source pixel that the mapping
// returns for it, within one row. The mapping looks up the lens row next to
// the renderer's, so on a tilted view the column may also differ by that
// row's shear (|offset| * |q|), plus one for the different roundings.
TEST_F(RenderCompare, PictureAgreesWithTheMapping)
{
    const unsigned seed = kaltest::testSeed();
    std::mt19937 rng(seed);
    for (int angle : {360, 120}) {
        kaltest::CodedPanorama p(2048, 600, 330, 250, angle, angle == 360 ? 0 : 25);
        ASSERT_TRUE(p.ok());
        Panorama *rec = p.record();
        for (int m = 0; m < 20; ++m) {
            p.setPos(std::uniform_int_distribution<int>(0, 2048)(rng),
                     std::uniform_int_distribution<int>(0, 600)(rng),
                     std::uniform_int_distribution<int>(-100, 200)(rng));
            p.render();
            for (int k = 0; k < 200; ++k) {
                const int x = std::uniform_int_distribution<int>(0, 329)(rng);
                const int y = std::uniform_int_distribution<int>(0, 249)(rng);
                POINT pt;
                ASSERT_TRUE(kal_MapCoordinates(rec, x, y, &pt));
                const kaltest::Sample s = p.sampleAt(249 - y, x);
                const int mappedColumn = angle == 360 ? ((pt.x % 2048) + 2048) % 2048 : pt.x;
                const int sampledTopRow = 599 - s.row;
                EXPECT_LE(std::abs(sampledTopRow - pt.y), 1)
                    << "seed " << seed << " point " << x << ", " << y << " mapped " << pt.x << ", "
                    << pt.y << " sampled " << s.column << ", " << sampledTopRow;
                const double q = tiltFactor(rec);
                const int columnSlack =
                    1 + static_cast<int>(std::ceil(std::abs((pt.x - rec->xPos) * q)));
                int columnGap = std::abs(s.column - mappedColumn);
                if (angle == 360)
                    columnGap = std::min(columnGap, 2048 - columnGap);  // across the seam
                EXPECT_LE(columnGap, columnSlack)
                    << "seed " << seed << " point " << x << ", " << y << " mapped " << pt.x << ", "
                    << pt.y << " sampled " << s.column << ", " << sampledTopRow;
            }
        }
    }
}

// A level view of a partial panorama pushed against its right edge, where
// the rightmost view column samples the last image column or, rounded up,
// the column just past it, which only the clamp keeps inside the image. The
// top row's column past the image would lie past the whole block.
TEST_F(RenderCompare, RightEdgeOfAPartialPanorama)
{
    int onLast = 0, pastLast = 0;
    for (int angle : {45, 90, 180}) {
        for (int vpWidth = 151; vpWidth <= 190; ++vpWidth) {
            NoisePanorama p(1284, 60, vpWidth, 40, angle);
            ASSERT_TRUE(p.handle);
            Panorama *rec = p.handle;
            for (int z : {-30, 0, 45}) {
                kal_SetPos(rec, 30000, 30, z);
                ASSERT_EQ(tiltFactor(rec), 0.0);
                const int rightmost = rec->xPos + lensX(rec->lens[vpWidth - 1 - vpWidth / 2]);
                onLast += rightmost == 1283;
                pastLast += rightmost == 1284;
                expectReferenceView(rec, "angle " + std::to_string(angle) + " viewport " +
                                             std::to_string(vpWidth) + " z " +
                                             std::to_string(rec->zPos));
            }
        }
    }
    EXPECT_GT(onLast, 0);
    EXPECT_GT(pastLast, 0);
}

// Views wider than one chunk of lens columns (2,048 columns and more), level
// and tilted, across the seam and against the edges of a partial panorama.
TEST_F(RenderCompare, ViewsWiderThanOneChunk)
{
    struct Wide {
        int width, vpWidth, angle, horizon;
    };
    for (const Wide &w :
         {Wide{8400, 2048, 360, 0}, Wide{8400, 2049, 360, 25}, Wide{8400, 2099, 360, -40},
          Wide{4200, 4101, 90, 0}, Wide{4200, 4100, 90, 30}}) {
        NoisePanorama p(w.width, 90, w.vpWidth, 24, w.angle, w.horizon);
        ASSERT_TRUE(p.handle) << w.vpWidth;
        Panorama *rec = p.handle;
        ASSERT_GT(lensColumns(rec), 1024);
        for (int x : {0, 1000, w.width / 2, w.width - 300}) {
            for (int y : {0, 45, 90}) {
                kal_SetPos(rec, x, y, x % 7 == 0 ? 0 : 60);
                expectReferenceView(rec, "viewport " + std::to_string(w.vpWidth) + " x " +
                                             std::to_string(rec->xPos) + " y " +
                                             std::to_string(rec->yPos));
            }
        }
    }
}

}  // namespace

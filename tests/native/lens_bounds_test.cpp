// Randomised proof that clamped views stay inside the lens table and the
// image: over many accepted geometries, zooms and positions, every lens row
// the renderer or the mapping can reach exists, its source rows lie inside the
// image and its source columns inside the shear table.
#include "common/test_seed.h"
#include "core_test_support.h"

#include <algorithm>
#include <cstdlib>
#include <random>

namespace {

struct Geometry {
    int width, height, angle, horizon, vpWidth, vpHeight;
};

int pick(std::mt19937 &rng, int lo, int hi)
{
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}

Geometry randomGeometry(std::mt19937 &rng)
{
    Geometry g;
    g.angle = pick(rng, 0, 2) == 0 ? pick(rng, 1, 359) : 360;
    // Widths whose radius fits the 16-bit zoom; radii of at least 2.
    const int widest =
        static_cast<int>(std::min<int64_t>(23300, 32767LL * g.angle * 1608 / 92160)) & ~3;
    const int narrowest = ((2 * g.angle * 1608 + 92159) / 92160 + 3) & ~3;
    do g.width = pick(rng, 1, std::min(widest, 6000) / 4) * 4;
    while (g.width < narrowest);
    const int limit = std::min((g.width * 92160 / (g.angle * 1608)) * 804 / 512, 1200);
    g.vpWidth = pick(rng, 0, 3) == 0 ? limit : pick(rng, 2, std::max(2, limit));
    if (pick(rng, 0, 5) == 0) {
        // Extremes with narrow views (small tables): images up to the 16-bit
        // height, any 16-bit horizon.
        g.vpWidth = std::min(g.vpWidth, 12);
        g.height = pick(rng, 1, 65535);
        g.horizon = pick(rng, INT16_MIN, INT16_MAX);
    } else {
        g.height = pick(rng, 0, 5) == 0 ? pick(rng, 1, 40) : pick(rng, 1, 1200);
        g.horizon = pick(rng, 0, 1) == 0 ? 0 : pick(rng, -g.height - 50, g.height + 50);
    }
    g.vpHeight = pick(rng, 0, 3) == 0 ? g.height : pick(rng, 1, g.height);
    return g;
}

// Lens rows that the renderer (t = dy + r - vpHeight / 2) and the mapping
// (t = y - vpHeight / 2 - dy) reach at the present position.
int deepestRow(const Panorama *rec)
{
    const int dy = rec->yPos - rec->srcHeight / 2, half = rec->vpHeight / 2;
    const int top = rec->vpHeight - 1 - half;
    return std::max(
        {std::abs(dy - half), std::abs(dy + top), std::abs(-half - dy), std::abs(top - dy)});
}

// Every entry of rows 0 ... deepest: source rows hs +- y inside the image,
// columns inside the shear table and positive as signed 16-bit numbers.
void expectReachableEntriesInside(const Panorama *rec, int deepest)
{
    ASSERT_LT(deepest, lensRows(rec));
    const int hs = rec->srcHeight / 2, columns = lensColumns(rec);
    for (int i = 0; i <= deepest; ++i)
        for (int j = 0; j < columns; ++j) {
            const uint32_t e = rec->lens[i * columns + j];
            const int x = lensX(e), y = lensY(e);
            ASSERT_GE(y, 0) << i << "," << j;
            ASSERT_LE(hs + y, rec->srcHeight - 1) << i << "," << j;
            ASSERT_GE(hs - y, 0) << i << "," << j;
            ASSERT_LT(x, 32768) << j;
            ASSERT_LT(x, rec->shearCount) << j;
        }
}

void expectPositionSound(Panorama *rec)
{
    ASSERT_LT(rec->zPos, rec->radius);
    ASSERT_LT(deepestRow(rec), lensRows(rec));
    if (rec->angle == 360) {
        ASSERT_GE(rec->xPos, rec->vpWidth / 2);
        ASSERT_LE(rec->xPos, rec->srcWidth + rec->vpWidth / 2);
    }
    const int corners[4][2] = {{0, 0},
                               {rec->vpWidth - 1, 0},
                               {0, rec->vpHeight - 1},
                               {rec->vpWidth - 1, rec->vpHeight - 1}};
    for (const auto &c : corners) {
        POINT p;
        ASSERT_TRUE(mapCoordinates(rec, c[0], c[1], &p));
        ASSERT_GE(p.y, 0);
        ASSERT_LT(p.y, rec->srcHeight);
    }
}

// The zoom settles at `z`, then the extreme vertical positions give the
// deepest rows any position at this zoom reaches.
void checkZoom(Panorama *rec, int z, std::mt19937 &rng)
{
    kal_SetPos(rec, rec->xPos, rec->yPos, z);
    const int zoom = rec->zPos;
    int deepest = 0;
    for (int y : {INT16_MAX, INT16_MIN}) {
        kal_SetPos(rec, rec->xPos, y, zoom);
        ASSERT_EQ(rec->zPos, zoom);
        deepest = std::max(deepest, deepestRow(rec));
    }
    expectReachableEntriesInside(rec, deepest);
    for (int k = 0; k < 6; ++k) {
        kal_SetPos(rec, pick(rng, INT16_MIN, INT16_MAX), pick(rng, INT16_MIN, INT16_MAX), zoom);
        expectPositionSound(rec);
        kal_Move(rec, pick(rng, -3000, 3000), pick(rng, -3000, 3000), 0);
        expectPositionSound(rec);
    }
}

}  // namespace

TEST(LensBounds, ClampedViewsStayInsideTableAndImage)
{
    const unsigned seed = kaltest::testSeed();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 rng(seed);
    static uint8_t rows[4];  // never read: only the tables are under test
    for (int n = 0; n < 250; ++n) {
        const Geometry g = randomGeometry(rng);
        SCOPED_TRACE(testing::Message()
                     << g.width << "x" << g.height << " angle " << g.angle << " horizon "
                     << g.horizon << " view " << g.vpWidth << "x" << g.vpHeight);
        auto dib = kaltest::makePackedDib(4, 1);
        dib.resize(1064);
        kaltest::asInfo(dib)->bmiHeader.biWidth = g.width;
        kaltest::asInfo(dib)->bmiHeader.biHeight = g.height;
        const RECT vp = coretest::viewPort(g.vpWidth, g.vpHeight);
        const KalAttribs a = coretest::attribs(g.angle, g.horizon);
        HPANORAMA h = kal_Create(kaltest::asInfo(dib), rows, &vp, &a);
        ASSERT_NE(h, nullptr) << kal_Error(nullptr);
        expectPositionSound(h);
        const int r = h->radius;
        for (int z : {INT16_MIN, 0, r - 1, INT16_MAX, pick(rng, -2 * r, r), pick(rng, 0, r)})
            checkZoom(h, z, rng);
        h->maxZoom = static_cast<int16_t>(pick(rng, 1, 8));
        checkZoom(h, pick(rng, 0, r), rng);
        kal_Delete(h, FALSE);
        if (HasFatalFailure()) return;
    }
}

// Panorama lifecycle: what creation fills in, the order and codes of its
// checks, the inputs it refuses, memory refusals and deletion.
#include "core_test_support.h"

#include <cstring>

using coretest::LeakCheck;
using coretest::TestPanorama;
using coretest::viewPort;

namespace {

struct CreateCase {
    std::vector<uint8_t> dib;
    KalAttribs attr = coretest::attribs(360);
    RECT vp = viewPort(320, 240);

    explicit CreateCase(int width = 1284, int height = 480) : dib(kaltest::makePackedDib(64, 64))
    {
        header().biWidth = width;
        header().biHeight = height;
    }
    BITMAPINFOHEADER &header() { return kaltest::asInfo(dib)->bmiHeader; }
    // Creates with separate (unread) rows and returns the resulting error,
    // deleting a panorama that was made.
    int errorOf()
    {
        static uint8_t rows[4];
        setError(nullptr, KAL_ERR_INDEX);
        HPANORAMA h = kal_Create(kaltest::asInfo(dib), rows, &vp, &attr);
        const int code = kal_Error(nullptr);
        if (h) {
            EXPECT_EQ(code, KAL_ERR_NONE);
            kal_Delete(h, FALSE);
        }
        return code;
    }
};

}  // namespace

TEST(Lifecycle, CreationFillsTheRecord)
{
    LeakCheck leaks;
    {
        TestPanorama pano(1284, 480, 320, 240);
        ASSERT_NE(pano.handle, nullptr);
        EXPECT_EQ(kal_Error(pano.handle), KAL_ERR_NONE);
        EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
        EXPECT_EQ(pano->srcWidth, 1284);
        EXPECT_EQ(pano->srcHeight, 480);
        EXPECT_EQ(pano->vpWidth, 320);
        EXPECT_EQ(pano->vpHeight, 240);
        EXPECT_EQ(pano->radius, 204);
        EXPECT_EQ(pano->angle, 360);
        EXPECT_EQ(pano->xPos, 642);
        EXPECT_EQ(pano->yPos, 240);
        EXPECT_EQ(pano->zPos, 0);
        EXPECT_EQ(pano->maxZoom, 0);
        EXPECT_EQ(pano->msgNum, 1103);
        EXPECT_EQ(pano->speed, 50);
        EXPECT_EQ(pano->hitHotSpot, -1);
        EXPECT_EQ(pano->hotSpots, nullptr);
        EXPECT_EQ(pano->shearCount, 160);  // 1284 * 360 / (360 * 8)
        EXPECT_EQ(pano->ownsPalette, 1);
        EXPECT_NE(pano->palette, nullptr);
        EXPECT_EQ(pano->dibBlock, pano.dib.data());
        EXPECT_EQ(pano->imageBits, pano.dib.data() + 1064);
        EXPECT_EQ(pano->viewInfo.biWidth, 320);
        EXPECT_EQ(pano->viewInfo.biHeight, 240);
        EXPECT_EQ(pano->viewInfo.biSizeImage, 320u * 240);
        EXPECT_EQ(pano->viewInfo.biBitCount, 8);
        EXPECT_EQ(std::memcmp(pano->colors, pano.dib.data() + 40, 1024), 0);
        for (int k = 0; k < 320 * 240; ++k) ASSERT_EQ(pano->viewBits[k], 0);
    }
    leaks.expectBalanced();
}

TEST(Lifecycle, ViewportLeftTopAndOddWidthBuffer)
{
    auto dib = kaltest::makePackedDib(1284, 480);
    const RECT vp = viewPort(301, 200, -20, 35);
    HPANORAMA h = kal_Create(kaltest::asInfo(dib), nullptr, &vp, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->vpLeft, -20);
    EXPECT_EQ(h->vpTop, 35);
    EXPECT_EQ(h->viewInfo.biSizeImage, 304u * 200);  // rows padded to 4 bytes
    EXPECT_EQ(h->angle, 360);                        // no block: full circle
    EXPECT_EQ(kal_Delete(h, FALSE), TRUE);
}

TEST(Lifecycle, RadiusAndViewportWidthLimit)
{
    CreateCase c(1000, 240);
    c.vp = viewPort(249, 240);
    EXPECT_EQ(c.errorOf(), KAL_ERR_NONE);
    c.vp = viewPort(250, 240);
    EXPECT_EQ(c.errorOf(), KAL_ERR_VPSIZE);
    EXPECT_EQ(kal_Error(nullptr), 2);
    TestPanorama narrow(1000, 240, 249, 240);
    ASSERT_NE(narrow.handle, nullptr);
    EXPECT_EQ(narrow->radius, 159);
    CreateCase wide(1284, 240);
    wide.vp = viewPort(321, 240);
    EXPECT_EQ(wide.errorOf(), KAL_ERR_VPSIZE);
    wide.vp = viewPort(320, 241);  // taller than the image
    EXPECT_EQ(wide.errorOf(), KAL_ERR_VPSIZE);
}

TEST(Lifecycle, ChecksComeInOrderFormatWidthAngleHotspots)
{
    CreateCase c(1002, 480);
    c.header().biBitCount = 24;
    c.attr.angle = 361;
    c.attr.numHotSpots = -1;
    EXPECT_EQ(c.errorOf(), KAL_ERR_WRONGFORMAT);
    c.header().biBitCount = 8;
    EXPECT_EQ(c.errorOf(), KAL_ERR_IMGSIZE);
    c.header().biWidth = 1284;
    EXPECT_EQ(c.errorOf(), KAL_ERR_ANGLE);
    c.attr.angle = -5;
    EXPECT_EQ(c.errorOf(), KAL_ERR_ANGLE);
    c.attr.angle = 0;  // means 360
    EXPECT_EQ(c.errorOf(), KAL_ERR_PARAM);
    c.attr.numHotSpots = 0;
    EXPECT_EQ(c.errorOf(), KAL_ERR_NONE);
    EXPECT_EQ(kal_Error(nullptr), 0);
}

TEST(Lifecycle, RefusesUnusableImages)
{
    struct Bad {
        const char *what;
        int width, height, compression, clrUsed, angle, code;
    } cases[] = {
        {"compressed", 1284, 480, BI_RLE8, 0, 360, KAL_ERR_WRONGFORMAT},
        {"zero width", 0, 480, BI_RGB, 0, 360, KAL_ERR_IMGSIZE},
        {"negative width", -1284, 480, BI_RGB, 0, 360, KAL_ERR_IMGSIZE},
        {"width beyond 16 bits", 65536, 480, BI_RGB, 0, 360, KAL_ERR_IMGSIZE},
        {"radius product overflows", 23304, 480, BI_RGB, 0, 360, KAL_ERR_IMGSIZE},
        {"zero height", 1284, 0, BI_RGB, 0, 360, KAL_ERR_IMGSIZE},
        {"top-down", 1284, -480, BI_RGB, 0, 360, KAL_ERR_IMGSIZE},
        {"height beyond 16 bits", 1284, 65536, BI_RGB, 0, 360, KAL_ERR_IMGSIZE},
        {"radius beyond 16-bit zoom", 1000, 480, BI_RGB, 0, 1, KAL_ERR_IMGSIZE},
    };
    for (const Bad &b : cases) {
        CreateCase c(b.width, b.height);
        c.header().biCompression = b.compression;
        c.header().biClrUsed = b.clrUsed;
        c.attr.angle = b.angle;
        EXPECT_EQ(c.errorOf(), b.code) << b.what;
    }
    CreateCase widest(23300, 480);  // the widest whose radius product fits
    EXPECT_EQ(widest.errorOf(), KAL_ERR_NONE);
}

// With separate rows the colour count places nothing: 256 colours are read
// whatever it says, so a count over 256 is no reason to refuse the image.
TEST(Lifecycle, ColourCountOverTheTableOnlyRefusedForPackedBlocks)
{
    auto dib = kaltest::makePackedDib(1284, 480);
    kaltest::asInfo(dib)->bmiHeader.biClrUsed = 300;
    const RECT vp = viewPort(320, 240);
    HPANORAMA h = kal_Create(kaltest::asInfo(dib), kaltest::rowsOf(dib), &vp, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(std::memcmp(h->colors, dib.data() + 40, 1024), 0);
    kal_Delete(h, FALSE);
    EXPECT_EQ(kal_Create(kaltest::asInfo(dib), nullptr, &vp, nullptr), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_WRONGFORMAT);
}

TEST(Lifecycle, RefusesUnusableViewportsAndNullPointers)
{
    CreateCase c;
    const RECT bad[] = {viewPort(0, 240),
                        viewPort(1, 240),
                        viewPort(320, 0),
                        RECT{320, 0, 0, 240},
                        RECT{0, 240, 320, 0},
                        RECT{INT32_MIN, 0, INT32_MAX, 240},
                        RECT{0, INT32_MIN, 320, INT32_MAX}};
    for (const RECT &vp : bad) {
        LeakCheck leaks;
        c.vp = vp;
        EXPECT_EQ(c.errorOf(), KAL_ERR_VPSIZE)
            << vp.left << "," << vp.top << "," << vp.right << "," << vp.bottom;
        leaks.expectBalanced();
    }
    c.vp = viewPort(2, 1);  // the smallest viewport
    EXPECT_EQ(c.errorOf(), KAL_ERR_NONE);

    setError(nullptr, KAL_ERR_NONE);
    EXPECT_EQ(kal_Create(nullptr, nullptr, &c.vp, &c.attr), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    setError(nullptr, KAL_ERR_NONE);
    EXPECT_EQ(kal_Create(kaltest::asInfo(c.dib), nullptr, nullptr, &c.attr), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
}

TEST(Lifecycle, EveryRefusedAllocationFailsCleanly)
{
    auto dib = kaltest::makePackedDib(1284, 480);
    const RECT vp = viewPort(320, 240);
    int refusals = 0;
    for (int successes = 0; successes < 20; ++successes) {
        LeakCheck leaks;
        standInFailHeapAfter(successes);
        HPANORAMA h = kal_Create(kaltest::asInfo(dib), nullptr, &vp, nullptr);
        standInFailHeapAfter(-1);
        if (h) {
            // Only the lens builder's scratch arrays were refused: it falls back.
            EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
            EXPECT_EQ(lensY(h->lens[240 * 161 + 160]), 188);
            kal_Delete(h, FALSE);
        } else {
            ++refusals;
            EXPECT_EQ(kal_Error(nullptr), KAL_ERR_MEMORY);
        }
        leaks.expectBalanced();
    }
    EXPECT_EQ(refusals, 4);  // record, view buffer, shear table, lens table
}

TEST(Lifecycle, PackedBlockRowsFollowItsColourTable)
{
    auto dib = kaltest::makePackedDib(1284, 480);
    const RECT vp = viewPort(320, 240);
    for (DWORD used : {0u, 256u, 16u}) {
        kaltest::asInfo(dib)->bmiHeader.biClrUsed = used;
        HPANORAMA h = kal_Create(kaltest::asInfo(dib), nullptr, &vp, nullptr);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->imageBits - dib.data(), used == 16 ? 104 : 1064);
        // The colour table is copied whole whatever biClrUsed says.
        EXPECT_EQ(std::memcmp(h->colors, dib.data() + 40, 1024), 0);
        kal_Delete(h, FALSE);
    }
    uint8_t rows[16];
    HPANORAMA h = kal_Create(kaltest::asInfo(dib), rows, &vp, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->imageBits, rows);
    EXPECT_EQ(h->dibBlock, nullptr);
    kal_Delete(h, FALSE);
}

TEST(Lifecycle, AttributeBlockValuesAndHotspotOwnership)
{
    auto dib = kaltest::makePackedDib(1284, 480);
    const RECT vp = viewPort(320, 240);
    KalAttribs a = coretest::attribs(0, -12);
    a.orientation = 90;
    a.numHotSpots = 0;
    a.hotSpots = reinterpret_cast<KalHotSpot *>(&a);  // must be ignored
    a.flags = KAL_ATTRIB_OWNHOTSPOTS;
    LeakCheck leaks;
    HPANORAMA h = kal_Create(kaltest::asInfo(dib), nullptr, &vp, &a);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->angle, 360);
    EXPECT_EQ(h->horizon, -12);
    EXPECT_EQ(h->orientation, 90);
    EXPECT_EQ(lensRows(h), 480 + 12 + 1);
    EXPECT_EQ(h->hotSpots, nullptr);
    EXPECT_EQ(h->ownsHotSpots, 0);
    kal_Delete(h, FALSE);

    a.numHotSpots = 2;
    a.hotSpots = static_cast<KalHotSpot *>(kal_AllocResource(2 * sizeof(KalHotSpot)));
    h = kal_Create(kaltest::asInfo(dib), nullptr, &vp, &a);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->hotSpots, a.hotSpots);
    EXPECT_EQ(h->ownsHotSpots, 1);
    kal_Delete(h, FALSE);  // releases the array it owned
    leaks.expectBalanced();
}

TEST(Lifecycle, DeleteReleasesTheImageOnlyWhenAsked)
{
    const RECT vp = viewPort(320, 240);
    void *block = kaltest::makePackedDibBlock(1284, 480);
    ASSERT_NE(block, nullptr);
    const long withImage = standInLiveHeapBlocks();
    HPANORAMA h = kal_Create(static_cast<BITMAPINFO *>(block), nullptr, &vp, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(kal_Delete(h, FALSE), TRUE);
    EXPECT_EQ(standInLiveHeapBlocks(), withImage);  // the image stays the caller's
    h = kal_Create(static_cast<BITMAPINFO *>(block), nullptr, &vp, nullptr);
    ASSERT_NE(h, nullptr);
    setError(nullptr, KAL_ERR_COORDS);
    EXPECT_EQ(kal_Delete(h, TRUE), TRUE);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
    EXPECT_EQ(standInLiveHeapBlocks(), withImage - 1);  // the packed block went too

    // Separate rows from the heap are released through imageBits.
    auto dib = kaltest::makePackedDib(1284, 480);
    void *rows = kal_AllocResource(1284 * 480);
    h = kal_Create(kaltest::asInfo(dib), rows, &vp, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(kal_Delete(h, TRUE), TRUE);
    EXPECT_EQ(standInLiveHeapBlocks(), withImage - 1);
}

TEST(Lifecycle, NullHandlesAndNullResources)
{
    setError(nullptr, KAL_ERR_NONE);
    EXPECT_EQ(kal_Delete(nullptr, TRUE), FALSE);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_EQ(kal_FreeResource(nullptr), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);  // untouched
    setError(nullptr, KAL_ERR_NONE);
}

TEST(Lifecycle, TinyCylindersGetShearEntriesForEveryLensColumn)
{
    // Radius 2: the view edge rounds to source column 1 while 45 degrees span
    // only one column; the renderer reads shear[1].
    TestPanorama tiny(8, 12, 2, 12, 182);
    ASSERT_NE(tiny.handle, nullptr);
    ASSERT_EQ(tiny->radius, 2);
    EXPECT_EQ(tiny->shearCount, 3);
    for (int z : {INT16_MIN, 0, 1}) {
        kal_SetPos(tiny.handle, tiny->xPos, tiny->yPos, z);
        EXPECT_LT(lensX(tiny.lens(0, 1)), tiny->shearCount) << z;
    }
}

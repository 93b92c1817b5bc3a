// Image replacement: refusals that change nothing, the re-centred view, who
// releases what, and tables that grow for a larger image.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/test_images.h"
#include "core/kalengine.h"
#include "core/panorama.h"
#include "stand_in_control.h"

namespace {

constexpr int kVpWidth = 320, kVpHeight = 240;

KalAttribs attribsFor(int angle, int horizon = 0)
{
    KalAttribs a = {};
    a.angle = angle;
    a.horizon = horizon;
    return a;
}

HPANORAMA create(std::vector<uint8_t> &dib, const KalAttribs &attribs)
{
    RECT vp{5, 7, 5 + kVpWidth, 7 + kVpHeight};
    return kal_Create(kaltest::asInfo(dib), nullptr, &vp, &attribs);
}

std::vector<uint8_t> render(HPANORAMA pano)
{
    auto *bits = static_cast<uint8_t *>(kal_GetView(pano, nullptr));
    return std::vector<uint8_t>(bits, bits + kVpWidth * kVpHeight);
}

// The record as bytes, without the error code that every call rewrites.
std::vector<uint8_t> recordBytes(HPANORAMA pano)
{
    Panorama copy;
    std::memcpy(&copy, pano, sizeof copy);
    copy.error = 0;
    std::vector<uint8_t> bytes(sizeof copy);
    std::memcpy(bytes.data(), &copy, sizeof copy);
    return bytes;
}

// A distinct image: other pixels and one changed colour.
std::vector<uint8_t> otherDib(int width, int height)
{
    std::vector<uint8_t> dib = kaltest::makePackedDib(
        width, height, [](int c, int r) { return static_cast<uint8_t>(c * 3 + r * 5 + 1); });
    dib[40 + 4 * 7] = 0x12;  // blue of colour 7
    return dib;
}

class Replace : public ::testing::Test {
   protected:
    void SetUp() override
    {
        attribs_ = attribsFor(360);
        pano_ = create(dib_, attribs_);
        ASSERT_NE(pano_, nullptr);
    }
    void TearDown() override
    {
        standInFailHeapAfter(-1);
        if (pano_) kal_Delete(pano_, FALSE);
    }

    std::vector<uint8_t> dib_ = kaltest::makePackedDib(1284, 480);
    KalAttribs attribs_;
    HPANORAMA pano_ = nullptr;
};

}  // namespace

TEST_F(Replace, RefusalsChangeNothing)
{
    ASSERT_TRUE(kal_SetValue(pano_, KAL_VALUE_YPOS, 300));
    const std::vector<uint8_t> before = recordBytes(pano_);
    const std::vector<uint8_t> view = render(pano_);

    std::vector<uint8_t> narrow = otherDib(1000, 480);  // radius 159 admits 249 columns
    std::vector<uint8_t> low = otherDib(1284, 239);
    std::vector<uint8_t> deep = otherDib(1284, 480);
    reinterpret_cast<BITMAPINFOHEADER *>(deep.data())->biBitCount = 24;
    std::vector<uint8_t> odd = otherDib(1282, 480);
    const KalAttribs full = attribsFor(360), wide = attribsFor(400);
    KalAttribs negative = attribsFor(360);
    negative.numHotSpots = -1;
    struct Case {
        std::vector<uint8_t> *dib;
        const KalAttribs *attribs;
        int code;
    };
    const Case cases[] = {
        {&narrow, &full, KAL_ERR_VPSIZE},    {&low, &full, KAL_ERR_VPSIZE},
        {&deep, &full, KAL_ERR_WRONGFORMAT}, {&odd, &full, KAL_ERR_IMGSIZE},
        {&dib_, &wide, KAL_ERR_ANGLE},       {&dib_, &negative, KAL_ERR_PARAM},
    };
    for (const Case &c : cases) {
        EXPECT_FALSE(kal_Replace(pano_, kaltest::asInfo(*c.dib), nullptr, c.attribs, TRUE));
        EXPECT_EQ(kal_Error(pano_), c.code);
        EXPECT_EQ(kal_Error(nullptr), c.code);
        EXPECT_EQ(recordBytes(pano_), before) << c.code;
    }
    EXPECT_FALSE(kal_Replace(pano_, nullptr, nullptr, nullptr, FALSE));
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_PARAM);
    EXPECT_EQ(recordBytes(pano_), before);
    EXPECT_EQ(render(pano_), view);  // still the old image

    EXPECT_FALSE(kal_Replace(nullptr, kaltest::asInfo(dib_), nullptr, nullptr, FALSE));
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
}

TEST_F(Replace, NewImageStartsCentredAndKeepsTheSettings)
{
    ASSERT_TRUE(kal_SetValue(pano_, KAL_VALUE_ZPOS, 50));
    ASSERT_TRUE(kal_SetValue(pano_, KAL_VALUE_XPOS, 1000));
    ASSERT_TRUE(kal_SetValue(pano_, KAL_VALUE_ID, 9));
    ASSERT_TRUE(kal_SetValue(pano_, KAL_VALUE_SPEED, 70));
    ASSERT_TRUE(kal_SetValue(pano_, KAL_VALUE_MSGNUM, 2000));
    ASSERT_TRUE(kal_SetValue(pano_, KAL_VALUE_MAXZOOM, 3));
    auto *info = static_cast<BITMAPINFO *>(kal_GetData(pano_, KAL_DATA_BITMAPINFO, 0));
    void *viewBits = kal_GetData(pano_, KAL_DATA_VIEWPORT, 0);

    std::vector<uint8_t> next = otherDib(1600, 500);
    KalAttribs attribs = attribsFor(0, 3);
    attribs.orientation = -20;
    ASSERT_TRUE(kal_Replace(pano_, kaltest::asInfo(next), nullptr, &attribs, FALSE));
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_NONE);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_XPOS), 800);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_YPOS), 250);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_ZPOS), 0);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_SRCWIDTH), 1600);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_SRCHEIGHT), 500);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_RADIUS), 1600 * 92160 / (360 * 1608));
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_ANGLE), 360);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_HORIZON), 3);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_ORIENTATION), 180 - 20);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_ID), 9);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_SPEED), 70);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_MSGNUM), 2000);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_MAXZOOM), 3);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_VPWIDTH), kVpWidth);

    EXPECT_EQ(kal_GetData(pano_, KAL_DATA_IMAGE, 0), kaltest::rowsOf(next));
    EXPECT_EQ(kal_GetData(pano_, KAL_DATA_VIEWPORT, 0), viewBits);
    EXPECT_EQ(kal_GetData(pano_, KAL_DATA_BITMAPINFO, 0), info);
    EXPECT_EQ(info->bmiHeader.biWidth, kVpWidth);
    EXPECT_EQ(info->bmiHeader.biHeight, kVpHeight);
    EXPECT_EQ(info->bmiHeader.biSizeImage, static_cast<DWORD>(kVpWidth * kVpHeight));
    EXPECT_EQ(info->bmiHeader.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(info->bmiColors[7].rgbBlue, 0x12);
}

TEST_F(Replace, DeleteDibReleasesTheOldImageOnlyWhenAsked)
{
    void *first = kaltest::makePackedDibBlock(1284, 480);
    void *second = kaltest::makePackedDibBlock(1284, 480);
    auto *secondInfo = static_cast<BITMAPINFO *>(second);
    uint8_t *secondRows = static_cast<uint8_t *>(second) + 1064;
    std::vector<uint8_t> bits = otherDib(1284, 480);
    RECT vp{0, 0, kVpWidth, kVpHeight};
    HPANORAMA pano = kal_Create(static_cast<BITMAPINFO *>(first), nullptr, &vp, nullptr);
    ASSERT_NE(pano, nullptr);
    const long live = standInLiveHeapBlocks();

    // DeleteDIB 0: the old block stays the caller's.
    ASSERT_TRUE(kal_Replace(pano, secondInfo, nullptr, nullptr, FALSE));
    EXPECT_EQ(standInLiveHeapBlocks(), live);
    kal_FreeResource(first);

    // A block that still holds the new image is kept, whatever DeleteDIB says.
    ASSERT_TRUE(kal_Replace(pano, secondInfo, nullptr, nullptr, TRUE));
    ASSERT_TRUE(kal_Replace(pano, secondInfo, secondRows, nullptr, TRUE));
    EXPECT_EQ(standInLiveHeapBlocks(), live - 1);
    EXPECT_EQ(kal_GetData(pano, KAL_DATA_IMAGE, 0), secondRows);

    // Separate rows: DeleteDIB 1 releases them.
    void *rows = kal_AllocResource(1284 * 480);
    std::memcpy(rows, kaltest::rowsOf(bits), 1284 * 480);
    ASSERT_TRUE(kal_Replace(pano, kaltest::asInfo(bits), rows, nullptr, FALSE));
    kal_FreeResource(second);
    EXPECT_EQ(standInLiveHeapBlocks(), live - 1);
    ASSERT_TRUE(kal_Replace(pano, kaltest::asInfo(bits), kaltest::rowsOf(bits), nullptr, TRUE));
    EXPECT_EQ(standInLiveHeapBlocks(), live - 2);
    EXPECT_EQ(kal_GetData(pano, KAL_DATA_IMAGE, 0), kaltest::rowsOf(bits));
    kal_Delete(pano, FALSE);
}

TEST_F(Replace, TallerAndWiderImagesRenderLikeAFreshPanorama)
{
    struct Case {
        int width, height, angle, horizon, yPos;
    };
    const Case cases[] = {
        {1284, 900, 360, 40, 700},   // more lens rows
        {2048, 480, 360, -25, 130},  // more shear entries
        {2400, 1000, 270, 90, 900},  // both, partial circle
        {660, 300, 180, 0, 200},     // smaller tables suffice
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> next = otherDib(c.width, c.height);
        const KalAttribs attribs = attribsFor(c.angle, c.horizon);
        ASSERT_TRUE(kal_Replace(pano_, kaltest::asInfo(next), nullptr, &attribs, FALSE));
        HPANORAMA fresh = create(next, attribs);
        ASSERT_NE(fresh, nullptr);
        for (HPANORAMA p : {pano_, fresh}) {
            kal_SetValue(p, KAL_VALUE_ZPOS, 30);
            kal_SetValue(p, KAL_VALUE_YPOS, c.yPos);
            kal_SetValue(p, KAL_VALUE_XPOS, c.width / 3);
        }
        EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_YPOS), kal_GetValue(fresh, KAL_VALUE_YPOS));
        EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_XPOS), kal_GetValue(fresh, KAL_VALUE_XPOS));
        EXPECT_EQ(render(pano_), render(fresh)) << c.width << "x" << c.height;
        EXPECT_GE(pano_->lensRowsAllocated,
                  c.height + (c.horizon < 0 ? -c.horizon : c.horizon) + 1);
        EXPECT_GE(pano_->shearAllocated, pano_->shearCount);
        kal_Delete(fresh, FALSE);
    }
}

TEST_F(Replace, RefusedGrowthLeavesThePanoramaAsItWas)
{
    ASSERT_TRUE(kal_SetValue(pano_, KAL_VALUE_YPOS, 300));
    const std::vector<uint8_t> before = recordBytes(pano_);
    const std::vector<uint8_t> view = render(pano_);
    const long live = standInLiveHeapBlocks(), palettes = standInLivePalettes();
    std::vector<uint8_t> big = otherDib(2048, 900);  // needs both tables larger

    standInFailHeapAfter(0);  // the shear table cannot grow
    EXPECT_FALSE(kal_Replace(pano_, kaltest::asInfo(big), nullptr, nullptr, TRUE));
    standInFailHeapAfter(-1);
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_MEMORY);
    EXPECT_EQ(recordBytes(pano_), before);
    EXPECT_EQ(standInLiveHeapBlocks(), live);
    EXPECT_EQ(standInLivePalettes(), palettes);

    standInFailHeapAfter(1);  // the shear table grows, the lens table cannot
    EXPECT_FALSE(kal_Replace(pano_, kaltest::asInfo(big), nullptr, nullptr, TRUE));
    standInFailHeapAfter(-1);
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_MEMORY);
    Panorama after;
    std::memcpy(&after, pano_, sizeof after);
    after.shear = reinterpret_cast<const Panorama *>(before.data())->shear;
    after.shearAllocated = reinterpret_cast<const Panorama *>(before.data())->shearAllocated;
    after.error = 0;
    EXPECT_EQ(std::memcmp(&after, before.data(), sizeof after), 0);
    EXPECT_EQ(render(pano_), view);
    EXPECT_EQ(standInLiveHeapBlocks(), live);

    ASSERT_TRUE(kal_Replace(pano_, kaltest::asInfo(big), nullptr, nullptr, FALSE));
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_SRCHEIGHT), 900);
}

TEST_F(Replace, OwnedHotSpotsOfTheOldImageAreReleased)
{
    auto *spots = static_cast<KalHotSpot *>(kal_AllocResource(2 * sizeof(KalHotSpot)));
    std::memset(spots, 0, 2 * sizeof(KalHotSpot));
    KalAttribs owned = attribsFor(360);
    owned.numHotSpots = 2;
    owned.hotSpots = spots;
    owned.flags = KAL_ATTRIB_OWNHOTSPOTS;
    ASSERT_TRUE(kal_Replace(pano_, kaltest::asInfo(dib_), nullptr, &owned, FALSE));
    const long live = standInLiveHeapBlocks();

    // Handing the same array on again keeps it.
    ASSERT_TRUE(kal_Replace(pano_, kaltest::asInfo(dib_), nullptr, &owned, FALSE));
    EXPECT_EQ(standInLiveHeapBlocks(), live);
    EXPECT_EQ(kal_GetData(pano_, KAL_DATA_HOTSPOTLIST, 0), spots);

    // The same array without a count is not taken: released, not leaked.
    owned.numHotSpots = 0;
    ASSERT_TRUE(kal_Replace(pano_, kaltest::asInfo(dib_), nullptr, &owned, FALSE));
    EXPECT_EQ(standInLiveHeapBlocks(), live - 1);
    EXPECT_EQ(kal_GetValue(pano_, KAL_VALUE_NUMHOTSPOTS), 0);
    EXPECT_EQ(kal_GetData(pano_, KAL_DATA_HOTSPOTLIST, 0), nullptr);
}

TEST_F(Replace, TheEnginesPaletteIsRenewedAndACallersIsLeftAlone)
{
    const long palettes = standInLivePalettes();
    ASSERT_TRUE(kal_Replace(pano_, kaltest::asInfo(dib_), nullptr, nullptr, FALSE));
    EXPECT_EQ(standInLivePalettes(), palettes);  // the old one deleted, a new one made
    EXPECT_NE(kal_GetHandle(pano_, KAL_HANDLE_PALETTE), nullptr);

    std::vector<uint8_t> entries(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY), 0);
    auto *log = reinterpret_cast<LOGPALETTE *>(entries.data());
    log->palVersion = 0x300;
    log->palNumEntries = 256;
    HPALETTE callers = CreatePalette(log);
    ASSERT_TRUE(kal_SetHandle(pano_, KAL_HANDLE_PALETTE, callers));
    EXPECT_EQ(standInLivePalettes(), palettes);
    ASSERT_TRUE(kal_Replace(pano_, kaltest::asInfo(dib_), nullptr, nullptr, FALSE));
    EXPECT_EQ(standInLivePalettes(), palettes + 1);
    EXPECT_NE(kal_GetHandle(pano_, KAL_HANDLE_PALETTE), callers);
    EXPECT_TRUE(DeleteObject(callers));  // still alive: the caller deletes it
}

// An engine-made array handed on to the same panorama by a block whose flags
// say nothing of it: the record already owned it and goes on releasing it.
TEST_F(Replace, ArrayHandedBackWithoutItsFlagStaysOwned)
{
    kal_Delete(pano_, FALSE);  // a panorama made from the attribute block instead
    pano_ = nullptr;
    const long live = standInLiveHeapBlocks();
    KalAttribs attribs = {};
    ASSERT_TRUE(kal_AttribString("hotspot(1 2 3 4 a b) hotspot(5 6 7 8 c d)", -1, &attribs));
    ASSERT_EQ(attribs.flags, KAL_ATTRIB_OWNHOTSPOTS);
    pano_ = create(dib_, attribs);
    ASSERT_NE(pano_, nullptr);

    attribs.flags = 0;
    ASSERT_TRUE(kal_Replace(pano_, kaltest::asInfo(dib_), nullptr, &attribs, FALSE));
    EXPECT_EQ(kal_GetData(pano_, KAL_DATA_HOTSPOTLIST, 0), attribs.hotSpots);
    EXPECT_STREQ(static_cast<const char *>(kal_GetData(pano_, KAL_DATA_HOTSPOTLBL, 1)), "c");
    ASSERT_TRUE(kal_Delete(pano_, FALSE));
    pano_ = nullptr;
    EXPECT_EQ(standInLiveHeapBlocks(), live);
}

// More than 256 colours only matter where the rows follow the table.
TEST_F(Replace, ColourCountOverTheTableOnlyRefusedForPackedBlocks)
{
    std::vector<uint8_t> next = otherDib(1284, 480);
    kaltest::asInfo(next)->bmiHeader.biClrUsed = 300;
    EXPECT_FALSE(kal_Replace(pano_, kaltest::asInfo(next), nullptr, nullptr, FALSE));
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_WRONGFORMAT);
    ASSERT_TRUE(kal_Replace(pano_, kaltest::asInfo(next), kaltest::rowsOf(next), nullptr, FALSE));
    EXPECT_EQ(pano_->colors[7].rgbBlue, 0x12);
    EXPECT_EQ(pano_->imageBits, kaltest::rowsOf(next));
}

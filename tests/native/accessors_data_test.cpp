// Pointers, rectangles and handles by code: hotspot index bounds, the view
// description, and who deletes which palette.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/scoped_panorama.h"
#include "common/test_images.h"
#include "core/kalengine.h"
#include "stand_in_control.h"

namespace {

// The hotspots outlive the panorama that points at them: a base made first.
struct Spots {
    std::vector<KalHotSpot> spots;
    KalAttribs attribs()
    {
        KalAttribs a = {};
        a.numHotSpots = static_cast<INT32>(spots.size());
        a.hotSpots = spots.empty() ? nullptr : spots.data();
        return a;
    }
};

struct Pano : Spots, kaltest::ScopedPanorama {
    explicit Pano(std::vector<KalHotSpot> spotsIn = {})
        : Spots{std::move(spotsIn)}, ScopedPanorama(1284, 480, 318, 240, attribs())
    {
    }
};

KalHotSpot spot(const char *label, const char *text)
{
    KalHotSpot s = {};
    s.rect = RECT{1, 2, 3, 4};
    std::strcpy(s.label, label);
    std::strcpy(s.text, text);
    return s;
}

HPALETTE makePalette()
{
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY), 0);
    auto *log = reinterpret_cast<LOGPALETTE *>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = 256;
    return CreatePalette(log);
}

}  // namespace

TEST(AccessorsData, PointersLeadIntoThePanorama)
{
    Pano p;
    ASSERT_NE(p.handle, nullptr);
    EXPECT_EQ(kal_GetData(p.handle, KAL_DATA_IMAGE, 0), kaltest::rowsOf(p.dib));
    EXPECT_NE(kal_GetData(p.handle, KAL_DATA_VIEWPORT, 0), nullptr);
    EXPECT_NE(kal_GetData(p.handle, KAL_DATA_LENS, 0), nullptr);

    auto *info = static_cast<BITMAPINFO *>(kal_GetData(p.handle, KAL_DATA_BITMAPINFO, 0));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->bmiHeader.biWidth, 318);
    EXPECT_EQ(info->bmiHeader.biHeight, 240);
    EXPECT_EQ(info->bmiHeader.biSizeImage, 320u * 240u);
    EXPECT_EQ(std::memcmp(info->bmiColors, p.dib.data() + 40, 1024), 0);
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_NONE);

    EXPECT_EQ(kal_GetData(p.handle, KAL_DATA_HOTSPOTLIST, 0), nullptr);  // none: not an error
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_NONE);
    EXPECT_EQ(kal_GetData(p.handle, 107, 0), nullptr);
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_PARAM);
    EXPECT_EQ(kal_GetData(p.handle, KAL_VALUE_XPOS, 0), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
}

TEST(AccessorsData, HotSpotStringsAndRectanglesCheckTheIndex)
{
    Pano p({spot("door", "a door"), spot("@close", "leave")});
    ASSERT_NE(p.handle, nullptr);
    EXPECT_EQ(kal_GetValue(p.handle, KAL_VALUE_NUMHOTSPOTS), 2);
    EXPECT_STREQ(static_cast<char *>(kal_GetData(p.handle, KAL_DATA_HOTSPOTLBL, 1)), "@close");
    EXPECT_STREQ(static_cast<char *>(kal_GetData(p.handle, KAL_DATA_HOTSPOTTEXT, 0)), "a door");
    EXPECT_EQ(kal_GetData(p.handle, KAL_DATA_HOTSPOTLIST, 99), p.spots.data());
    EXPECT_EQ(kal_GetData(p.handle, KAL_DATA_IMAGE, -7), kaltest::rowsOf(p.dib));  // index unread
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_NONE);

    for (int bad : {2, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(kal_GetData(p.handle, KAL_DATA_HOTSPOTLBL, bad), nullptr) << bad;
        EXPECT_EQ(kal_Error(p.handle), KAL_ERR_INDEX);
        EXPECT_EQ(kal_GetData(p.handle, KAL_DATA_HOTSPOTTEXT, bad), nullptr) << bad;
        EXPECT_EQ(kal_Error(nullptr), KAL_ERR_INDEX);
        EXPECT_EQ(kal_GetRect(p.handle, KAL_RECT_HOTSPOT, bad), nullptr) << bad;
        EXPECT_EQ(kal_Error(p.handle), KAL_ERR_INDEX);
    }

    RECT *rect = kal_GetRect(p.handle, KAL_RECT_HOTSPOT, 1);
    EXPECT_EQ(rect, &p.spots[1].rect);
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_NONE);
    EXPECT_EQ(kal_GetRect(p.handle, 301, 1), nullptr);
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_PARAM);
}

TEST(AccessorsHandle, HandlesByCode)
{
    Pano p;
    EXPECT_EQ(kal_GetHandle(p.handle, KAL_HANDLE_VIEWERWND), nullptr);
    EXPECT_EQ(kal_GetHandle(p.handle, KAL_HANDLE_NOTIFYWND), nullptr);
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_NONE);
    EXPECT_EQ(kal_GetHandle(p.handle, 203), nullptr);
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_PARAM);

    EXPECT_FALSE(kal_SetHandle(p.handle, KAL_HANDLE_VIEWERWND, nullptr));
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_PARAM);
    EXPECT_FALSE(kal_SetHandle(p.handle, 199, nullptr));
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_PARAM);

    // Not a live window: notifications off, and no error.
    EXPECT_FALSE(kal_SetHandle(p.handle, KAL_HANDLE_NOTIFYWND, nullptr));
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_NONE);
    EXPECT_EQ(kal_GetHandle(p.handle, KAL_HANDLE_NOTIFYWND), nullptr);
}

TEST(AccessorsHandle, OnlyTheEnginesOwnPaletteIsDeleted)
{
    const long before = standInLivePalettes();
    {
        Pano p;
        ASSERT_EQ(standInLivePalettes(), before + 1);
        HPALETTE first = makePalette();
        HPALETTE second = makePalette();
        ASSERT_EQ(standInLivePalettes(), before + 3);

        EXPECT_TRUE(kal_SetHandle(p.handle, KAL_HANDLE_PALETTE, first));
        EXPECT_EQ(standInLivePalettes(), before + 2);  // the engine's palette went
        EXPECT_EQ(kal_GetHandle(p.handle, KAL_HANDLE_PALETTE), first);
        EXPECT_TRUE(kal_SetHandle(p.handle, KAL_HANDLE_PALETTE, second));
        EXPECT_EQ(standInLivePalettes(), before + 2);  // the caller's first stays
        EXPECT_TRUE(kal_SetHandle(p.handle, KAL_HANDLE_PALETTE, nullptr));
        EXPECT_EQ(kal_GetHandle(p.handle, KAL_HANDLE_PALETTE), nullptr);
        EXPECT_TRUE(kal_SetHandle(p.handle, KAL_HANDLE_PALETTE, second));
        kal_Delete(p.handle, FALSE);
        p.handle = nullptr;
        EXPECT_EQ(standInLivePalettes(), before + 2);  // deletion leaves the caller's alone
        DeleteObject(first);
        DeleteObject(second);
    }
    EXPECT_EQ(standInLivePalettes(), before);
}

TEST(AccessorsHandle, HandingBackTheEnginesPaletteKeepsItAlive)
{
    const long before = standInLivePalettes();
    {
        Pano p;
        HANDLE own = kal_GetHandle(p.handle, KAL_HANDLE_PALETTE);
        ASSERT_NE(own, nullptr);
        EXPECT_TRUE(kal_SetHandle(p.handle, KAL_HANDLE_PALETTE, own));
        EXPECT_EQ(standInLivePalettes(), before + 1);
        EXPECT_EQ(kal_GetHandle(p.handle, KAL_HANDLE_PALETTE), own);
    }
    EXPECT_EQ(standInLivePalettes(), before);  // still the engine's to delete
}

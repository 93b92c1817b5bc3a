// The display palette of a new panorama, read back with GetPaletteEntries:
// the image's colours on a true-colour screen; on an 8-bit palette screen the
// system's reserved colours at both ends and the image's in between.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/scoped_panorama.h"
#include "common/test_images.h"
#include "core/kalengine.h"
#include "core/panorama.h"

namespace {

bool screenHasPalette()
{
    HDC dc = GetDC(nullptr);
    const bool palette = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, dc);
    return palette;
}

// The colours that makePackedDib puts at index k.
PALETTEENTRY imageColour(int k, BYTE flags)
{
    return PALETTEENTRY{static_cast<BYTE>(k), static_cast<BYTE>(255 - k), static_cast<BYTE>(k / 2),
                        flags};
}

void expectEntry(const PALETTEENTRY &got, const PALETTEENTRY &want, int k)
{
    EXPECT_EQ(got.peRed, want.peRed) << "entry " << k;
    EXPECT_EQ(got.peGreen, want.peGreen) << "entry " << k;
    EXPECT_EQ(got.peBlue, want.peBlue) << "entry " << k;
    EXPECT_EQ(got.peFlags, want.peFlags) << "entry " << k;
}

struct PalettePanorama : kaltest::ScopedPanorama {
    PALETTEENTRY entries[256];

    PalettePanorama() : ScopedPanorama(1284, 480, 320, 240)
    {
        std::memset(entries, 0xAB, sizeof entries);  // sentinel bytes
    }
    UINT readBack() { return GetPaletteEntries(handle->palette, 0, 256, entries); }
};

}  // namespace

TEST(Palette, TrueColourScreenTakesTheImageColours)
{
    if (screenHasPalette()) GTEST_SKIP() << "palette screen";
    PalettePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    ASSERT_NE(pano.handle->palette, nullptr);
    EXPECT_EQ(pano.handle->ownsPalette, 1);
    ASSERT_EQ(pano.readBack(), 256u);
    for (int k = 0; k < 256; ++k) expectEntry(pano.entries[k], imageColour(k, 0), k);
}

TEST(Palette, EightBitScreenKeepsTheReservedColours)
{
    if (!screenHasPalette()) GTEST_SKIP() << "no palette screen";
    HDC dc = GetDC(nullptr);
    const int reserved = GetDeviceCaps(dc, NUMRESERVED);
    const UINT use = GetSystemPaletteUse(dc);
    PALETTEENTRY system[256] = {};
    GetSystemPaletteEntries(dc, 0, 256, system);
    ReleaseDC(nullptr, dc);
    if (use != SYSPAL_STATIC) GTEST_SKIP() << "system palette not in static use";
    ASSERT_EQ(reserved, 20);

    PalettePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    ASSERT_EQ(pano.readBack(), 256u);
    for (int k = 0; k < 256; ++k) {
        const bool systemEntry = k < reserved / 2 || k >= 256 - reserved / 2;
        PALETTEENTRY want = systemEntry ? system[k] : imageColour(k, PC_NOCOLLAPSE);
        if (systemEntry) want.peFlags = 0;
        expectEntry(pano.entries[k], want, k);
    }
}

TEST(Palette, EightBitScreenWithoutStaticColoursTakesThemAll)
{
    if (!screenHasPalette()) GTEST_SKIP() << "no palette screen";
    HDC dc = GetDC(nullptr);
    const UINT before = SetSystemPaletteUse(dc, SYSPAL_NOSTATIC);
    const bool noStatic = GetSystemPaletteUse(dc) == SYSPAL_NOSTATIC;
    if (!noStatic) {
        ReleaseDC(nullptr, dc);
        GTEST_SKIP() << "the display keeps its static colours";
    }
    PalettePanorama pano;
    SetSystemPaletteUse(dc, before);
    ReleaseDC(nullptr, dc);
    ASSERT_NE(pano.handle, nullptr);
    ASSERT_EQ(pano.readBack(), 256u);
    expectEntry(pano.entries[0], imageColour(0, 0), 0);
    for (int k = 1; k < 256; ++k) expectEntry(pano.entries[k], imageColour(k, PC_NOCOLLAPSE), k);
}

TEST(Palette, DeletingThePanoramaDeletesItsPalette)
{
    PalettePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    HPALETTE palette = pano.handle->palette;
    ASSERT_NE(palette, nullptr);
    ASSERT_EQ(GetObjectType(palette), static_cast<DWORD>(OBJ_PAL));
    kal_Delete(pano.handle, FALSE);
    pano.handle = nullptr;
    EXPECT_EQ(GetObjectType(palette), 0u);
}

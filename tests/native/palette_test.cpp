// The display palette on the native stand-in, which is never a palette
// device: every entry is the image's colour with flags 0.
#include "core_test_support.h"

#include "core/palette.h"

TEST(Palette, NativeScreenIsNoPaletteDevice)
{
    EXPECT_FALSE(probePaletteDevice());
    EXPECT_FALSE(paletteDevice());
}

TEST(Palette, CopiesTheImageColoursWithoutFlags)
{
    coretest::ReferencePanorama pano;
    ASSERT_NE(pano.handle, nullptr);
    ASSERT_NE(pano->palette, nullptr);
    PALETTEENTRY entries[256];
    ASSERT_EQ(GetPaletteEntries(pano->palette, 0, 256, entries), 256u);
    for (int k = 0; k < 256; ++k) {
        EXPECT_EQ(entries[k].peRed, pano->colors[k].rgbRed) << k;
        EXPECT_EQ(entries[k].peGreen, pano->colors[k].rgbGreen) << k;
        EXPECT_EQ(entries[k].peBlue, pano->colors[k].rgbBlue) << k;
        EXPECT_EQ(entries[k].peFlags, 0) << k;
    }
}

TEST(Palette, DeletedWithItsPanoramaOnlyWhileOwned)
{
    coretest::LeakCheck leaks;
    {
        coretest::ReferencePanorama pano;
        ASSERT_NE(pano.handle, nullptr);
        EXPECT_EQ(standInLivePalettes(), leaks.palettes + 1);
    }
    leaks.expectBalanced();
    RGBQUAD colours[256] = {};
    HPALETTE mine = buildPalette(colours, true);
    {
        coretest::ReferencePanorama pano;
        ASSERT_NE(pano.handle, nullptr);
        DeleteObject(pano->palette);
        pano->palette = mine;  // a palette the host keeps
        pano->ownsPalette = 0;
    }
    EXPECT_EQ(standInLivePalettes(), leaks.palettes + 1);
    DeleteObject(mine);
    leaks.expectBalanced();
}

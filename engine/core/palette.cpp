// The display palette: a logical palette of a panorama's 256 image colours,
// shaped by what the screen can do.
#include "core/palette.h"

namespace {

bool paletteDeviceFlag = false;  // set once at library start-up

// LOGPALETTE with room for all 256 entries.
struct LogPalette256 {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[256];
};

void takeImageColours(LogPalette256 &pal, const RGBQUAD *colors, int first, int last, BYTE flags)
{
    for (int k = first; k <= last; ++k) {
        PALETTEENTRY &e = pal.palPalEntry[k];
        e.peRed = colors[k].rgbRed;
        e.peGreen = colors[k].rgbGreen;
        e.peBlue = colors[k].rgbBlue;
        e.peFlags = flags;
    }
}

// The system's colours everywhere, the image's in the middle, leaving
// numReserved / 2 static entries at each end.
void keepSystemColoursAtEnds(LogPalette256 &pal, const RGBQUAD *colors, HDC dc)
{
    int half = GetDeviceCaps(dc, NUMRESERVED) / 2;
    if (half < 0) half = 0;
    if (half > 128) half = 128;
    GetSystemPaletteEntries(dc, 0, 256, pal.palPalEntry);
    for (int k = 0; k < 256; ++k) pal.palPalEntry[k].peFlags = 0;
    if (half < 128) takeImageColours(pal, colors, half, 255 - half, PC_NOCOLLAPSE);
}

}  // namespace

void setPaletteDevice(bool isPaletteDevice)
{
    paletteDeviceFlag = isPaletteDevice;
}
bool paletteDevice()
{
    return paletteDeviceFlag;
}

bool probePaletteDevice()
{
    HDC dc = GetDC(nullptr);
    const int caps = GetDeviceCaps(dc, RASTERCAPS);
    const int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(nullptr, dc);
    return (caps & RC_PALETTE) != 0 && bits == 8;
}

HPALETTE buildPalette(const RGBQUAD *colors, bool reserveSystemColours)
{
    LogPalette256 pal = {};
    pal.palVersion = 0x300;
    pal.palNumEntries = 256;
    if (!paletteDeviceFlag) {
        takeImageColours(pal, colors, 0, 255, 0);
    } else {
        HDC dc = GetDC(nullptr);
        if (GetSystemPaletteUse(dc) == SYSPAL_NOSTATIC) {
            takeImageColours(pal, colors, 0, 255, PC_NOCOLLAPSE);
            pal.palPalEntry[0].peFlags = 0;
        } else if (reserveSystemColours) {
            keepSystemColoursAtEnds(pal, colors, dc);
        } else {
            takeImageColours(pal, colors, 0, 255, 0);
        }
        ReleaseDC(nullptr, dc);
    }
    return CreatePalette(reinterpret_cast<const LOGPALETTE *>(&pal));
}

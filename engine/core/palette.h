// The display palette: the screen probe run once at library start-up and the
// builder of a panorama's logical palette from its image colours.
#ifndef KAL_PALETTE_H
#define KAL_PALETTE_H

#include <windows.h>

// True when the screen is an 8-bit palette device.
bool probePaletteDevice();

// The process-wide palette-device flag that buildPalette reads. Library
// start-up sets it from probePaletteDevice(); it is false until then.
void setPaletteDevice(bool isPaletteDevice);
bool paletteDevice();

// A logical palette of the 256 colours; on a palette device the system's
// reserved colours stay at both ends when reserveSystemColours is set.
// Null when the platform refuses the palette.
HPALETTE buildPalette(const RGBQUAD *colors, bool reserveSystemColours);

#endif

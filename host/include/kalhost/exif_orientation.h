// The EXIF Orientation tag (IFD0, 0x0112) of a TIFF block, and the turn or
// flip it asks for applied to a decoded picture, so it opens upright.
#ifndef KALHOST_EXIF_ORIENTATION_H
#define KALHOST_EXIF_ORIENTATION_H

#include "kalhost/colour_image.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kalhost {

// 1..8 as the tag gives it; 1 (as stored) when the block, its IFD0 or the
// tag is absent, damaged or out of range. Reads stay inside the block.
int exifOrientation(std::string_view tiff);

// Whether the orientation swaps width and height (5..8).
inline bool orientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

// The picture shown as orientation asks (2..8 turn or flip it; others leave it).
void applyOrientation(RgbaImage &image, int orientation);

}  // namespace kalhost

#endif

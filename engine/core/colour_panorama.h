// Public. True-colour images as the portable engine takes them: the pixels a
// continuous view (view/continuous_view.h) shows and the largest view side.
// The 8-bit exported interface keeps refusing every other format.
#ifndef KAL_COLOUR_PANORAMA_H
#define KAL_COLOUR_PANORAMA_H

#include "core/kalengine.h"
#include "core/kalinput.h"

#include <cstdint>

namespace kal {

// 32-bit pixels, bytes R, G, B, A in memory order (a little-endian word
// reads 0xAABBGGRR, as a canvas's ImageData holds them); rows bottom-up as
// in every DIB, `width` pixels a row with no padding. Any width >= 1.
struct ColourImage {
    int width;
    int height;
    const uint32_t *pixels;
};

// Largest view side of a true-colour view.
constexpr int kMaxColourViewSide = 16384;

}  // namespace kal

#endif

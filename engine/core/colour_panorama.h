// Public. True-colour images as the portable engine takes them: the pixels a
// continuous view (view/continuous_view.h) shows and the largest view side.
// The 8-bit exported interface keeps refusing every other format.
#ifndef KAL_COLOUR_PANORAMA_H
#define KAL_COLOUR_PANORAMA_H

#include "core/kalengine.h"
#include "core/kalinput.h"

#include <cstdint>

namespace kal {

// Rows of an image in memory: the top row first (a canvas, a decoder's
// output), or the bottom row first (a DIB).
enum class RowOrder { topDown, bottomUp };

// 32-bit pixels, bytes R, G, B, A in memory order (a little-endian word
// reads 0xAABBGGRR, as a canvas's ImageData holds them); rows bottom-up as
// in every DIB unless `rows` says otherwise, `width` pixels a row with no
// padding. Any width >= 1.
struct ColourImage {
    int width;
    int height;
    const uint32_t *pixels;
    RowOrder rows = RowOrder::bottomUp;
};

// Largest view side of a true-colour view.
constexpr int kMaxColourViewSide = 16384;

}  // namespace kal

#endif

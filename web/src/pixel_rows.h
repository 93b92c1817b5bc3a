// Decoded pixels as the browser hands them over, put into the engine's
// order in place: rows bottom-up, bytes R, G, B, A.
#ifndef KALWEB_PIXEL_ROWS_H
#define KALWEB_PIXEL_ROWS_H

#include <cstdint>

namespace kalweb {

// The order of decoded rows in a block.
enum PixelOrder {
    kRowsTopDown = 1,  // first row at the top: flip
    kBlueFirst = 2,    // B, G, R, A bytes: swap red and blue
    kNoAlpha = 4,      // the fourth byte is undefined (BGRX, RGBX): make it opaque
};

// Rearranges width x height pixels in place; `order` is a set of PixelOrder bits.
void arrangeRows(uint32_t *pixels, int width, int height, int order);

}  // namespace kalweb

#endif

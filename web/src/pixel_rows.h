// Decoded pixels as the browser hands them over, put into the engine's
// order in place: bytes R, G, B, A, opaque (the rows stay top-down, as the
// module keeps them); 8-bit rows expanded through a palette.
#ifndef KALWEB_PIXEL_ROWS_H
#define KALWEB_PIXEL_ROWS_H

#include <cstddef>
#include <cstdint>

namespace kalweb {

// The order of decoded pixels in a block.
enum PixelOrder {
    kBlueFirst = 2,  // B, G, R, A bytes: swap red and blue
    kNoAlpha = 4,    // the fourth byte is undefined (BGRX, RGBX): make it opaque
};

// Rearranges width x height pixels in place; `order` is a set of PixelOrder bits.
void arrangeRows(uint32_t *pixels, int width, int height, int order);

// One row of 8-bit indices through `palette` into RGBA; the pointers never overlap.
void expandRow(const uint8_t *__restrict row, uint32_t *__restrict out,
               const uint32_t *__restrict palette, size_t width);

}  // namespace kalweb

#endif

// In-place row flip and channel swap of decoded pixels: one pass over the
// block, two rows at a time, with no second full-size buffer.
#include "pixel_rows.h"

#include <cstddef>

namespace kalweb {

namespace {

// Little-endian words: B, G, R, A bytes read 0xAARRGGBB.
inline uint32_t fix(uint32_t pixel, bool swap, uint32_t alpha)
{
    if (swap) pixel = (pixel & 0xFF00FF00u) | (pixel >> 16 & 0xFFu) | (pixel & 0xFFu) << 16;
    return pixel | alpha;
}

}  // namespace

void arrangeRows(uint32_t *pixels, int width, int height, int order)
{
    if (!pixels || width < 1 || height < 1) return;
    const bool flip = order & kRowsTopDown, swap = order & kBlueFirst;
    const uint32_t alpha = order & kNoAlpha ? 0xFF000000u : 0;
    const size_t w = size_t(width);
    for (size_t low = 0, high = size_t(height) - 1; low <= high && high < size_t(height);
         ++low, --high) {
        uint32_t *a = pixels + low * w, *b = pixels + high * w;
        if (!flip || a == b) {
            for (size_t x = 0; x < w; ++x) a[x] = fix(a[x], swap, alpha);
            if (a != b)
                for (size_t x = 0; x < w; ++x) b[x] = fix(b[x], swap, alpha);
        } else {
            for (size_t x = 0; x < w; ++x) {
                const uint32_t top = a[x];
                a[x] = fix(b[x], swap, alpha);
                b[x] = fix(top, swap, alpha);
            }
        }
        if (high == 0) break;
    }
}

}  // namespace kalweb

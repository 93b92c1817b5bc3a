// In-place channel swap and opaque alpha of decoded pixels, one pass over
// the block (none when the decoder's order is already the engine's);
// palette rows expanded to RGBA.
#include "pixel_rows.h"

#include <cstddef>
#include <cstring>

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
    if (!pixels || width < 1 || height < 1 || !(order & (kBlueFirst | kNoAlpha))) return;
    const bool swap = order & kBlueFirst;
    const uint32_t alpha = order & kNoAlpha ? 0xFF000000u : 0;
    const size_t n = size_t(width) * size_t(height);
    for (size_t k = 0; k < n; ++k) pixels[k] = fix(pixels[k], swap, alpha);
}

// Four indices per load.
void expandRow(const uint8_t *__restrict row, uint32_t *__restrict out,
               const uint32_t *__restrict palette, size_t width)
{
    size_t x = 0;
    for (; x + 4 <= width; x += 4) {
        uint32_t four;
        std::memcpy(&four, row + x, 4);
        out[x] = palette[four & 0xFF];
        out[x + 1] = palette[(four >> 8) & 0xFF];
        out[x + 2] = palette[(four >> 16) & 0xFF];
        out[x + 3] = palette[four >> 24];
    }
    for (; x < width; ++x) out[x] = palette[row[x]];
}

}  // namespace kalweb

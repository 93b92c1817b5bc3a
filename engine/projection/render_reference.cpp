// The plain per-pixel render loop: each view pixel looks up its lens entry,
// applies sign, side and shear, and keeps the column inside the image by a
// modulo (full circle) or by the nearest edge (partial panorama).
#include "projection/render_context.h"

#include "projection/shear_table.h"

namespace {

int64_t wrapColumn(int64_t col, int width)
{
    int64_t m = col % width;
    return m < 0 ? m + width : m;
}

int64_t clampTo(int64_t v, int64_t lo, int64_t hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// The shear factor of source offset k: the table's entry, or the same value
// computed directly when k lies beyond the table.
int64_t shearOf(const RenderContext &c, int k)
{
    return k < c.shearCount ? c.shear[k] : shearFactor(k, c.q);
}

uint8_t samplePixel(const RenderContext &c, const uint32_t *lensRow, int j, int sigma, int tau)
{
    const uint32_t entry = lensRow[j];
    const int x = lensX(entry);
    const int64_t ys = static_cast<int64_t>(sigma) * lensY(entry);
    const int64_t a = c.tilted ? (ys * shearOf(c, x)) >> 8 : 0;
    const int64_t row = clampTo(c.hs + ys, 0, c.srcHeight - 1);
    int64_t col = c.xPos + tau * (x + a);
    col = c.wrap ? wrapColumn(col, c.srcWidth) : clampTo(col, 0, c.srcWidth - 1);
    return c.image[row * c.srcWidth + col];
}

}  // namespace

void renderReferenceRow(const RenderContext &c, int r)
{
    const int t = c.dy + r - c.vpHeight / 2;
    const int sigma = t >= 0 ? 1 : -1;
    int i = t >= 0 ? t : -t;
    // Rows past the table (a position the limits should have refused) take
    // the table's last row.
    if (i >= c.lensRows) i = c.lensRows - 1;
    const uint32_t *lensRow = c.lens + static_cast<ptrdiff_t>(i) * c.lensColumns;
    uint8_t *out = viewRow(c, r);
    for (int u = 0; u < c.half; ++u) out[u] = samplePixel(c, lensRow, c.half - u, sigma, -1);
    for (int u = c.half; u < c.vpWidth; ++u) out[u] = samplePixel(c, lensRow, u - c.half, sigma, 1);
}

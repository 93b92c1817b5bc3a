// The moving and the resting frame: per pixel the table entry plus the
// heading's column; rows come from the table already inside the image, so
// only columns wrap (a full circle) or stop at the edge.
#include "view/view_frames.h"

#include "projection/bilinear_blend.h"

namespace kal {
namespace {

constexpr int32_t kHalf = kTableOne / 2;
constexpr int32_t kFractionMask = kTableOne - 1;

uint32_t *rowOut(const FrameTarget &t, int width, int height, int v)
{
    const int r = t.order == RowOrder::topDown ? v : height - 1 - v;
    return t.pixels + static_cast<ptrdiff_t>(r) * width;
}

// A column within one width of the image brought into it, branch free so
// that the frames' set-up loops vectorise.
inline int32_t wrapped(int32_t x, int32_t w)
{
    x += (x >> 31) & w;
    return x - (((w - 1 - x) >> 31) & w);
}

// The image's top row: the rows lie bottom-up, so row r is r widths below.
const uint32_t *topRow(const ColourImage &image)
{
    return image.pixels + static_cast<ptrdiff_t>(image.height - 1) * image.width;
}

template <bool Wrap>
void nearest(const ViewTable &table, const ColourImage &image, int32_t heading,
             const FrameTarget &target)
{
    const int32_t w = image.width, last = w - 1;
    const uint32_t *top = topRow(image);
    const uint16_t imageWidth = static_cast<uint16_t>(w);  // below 65536
    const int32_t shifted = heading + kHalf;
    // Locals: the stores below could otherwise alias the table's size.
    const int width = table.width, height = table.height;
    for (int v = 0; v < height; ++v) {
        const ptrdiff_t at = static_cast<ptrdiff_t>(v) * width;
        const int32_t *column = table.column.get() + at;
        const uint16_t *row = table.nearRow.get() + at;
        uint32_t *out = rowOut(target, width, height, v);
        // The row's offsets first, into the row itself, branch free so that
        // the compiler vectorises it; then a plain gather over them.
        int32_t *offset = reinterpret_cast<int32_t *>(out);
        for (int u = 0; u < width; ++u) {
            int32_t x = (column[u] + shifted) >> kTableFraction;
            if (Wrap) {
                x = wrapped(x, w);
            } else {
                x = x < 0 ? 0 : x;
                x = x > last ? last : x;
            }
            // 16 by 16 bits: a multiply the compiler widens in vector lanes.
            offset[u] = x - static_cast<int32_t>(uint32_t{row[u]} * imageWidth);
        }
        for (int u = 0; u < width; ++u) out[u] = top[offset[u]];
    }
}

// Pixels of a row the resting frame sets up at a time (on the stack).
constexpr int kSmoothSpan = 256;

template <bool Wrap>
void smooth(const ViewTable &table, const ColourImage &image, int32_t heading,
            const FrameTarget &target)
{
    const int32_t w = image.width, lastRow = image.height - 1;
    const int32_t lastColumn = (w - 1) << kTableFraction;
    const uint16_t imageWidth = static_cast<uint16_t>(w);  // below 65536
    const uint32_t *top = topRow(image);
    const int width = table.width, height = table.height;
    // A span's four samples as the top left's offset from the top row and
    // the steps to its right and lower neighbours, and the weight pairs:
    // set up branch free, so that the compiler vectorises it, then blended.
    alignas(16) int32_t base[kSmoothSpan], right[kSmoothSpan], down[kSmoothSpan];
    alignas(16) int32_t wxs[kSmoothSpan], wys[kSmoothSpan];
    constexpr int kUp = kWeightBits - kTableFraction;
    for (int v = 0; v < height; ++v) {
        const ptrdiff_t at = static_cast<ptrdiff_t>(v) * width;
        const int32_t *column = table.column.get() + at, *row = table.row.get() + at;
        uint32_t *out = rowOut(target, width, height, v);
        for (int u0 = 0; u0 < width; u0 += kSmoothSpan) {
            const int n = width - u0 < kSmoothSpan ? width - u0 : kSmoothSpan;
            int32_t edge = 0;  // non-zero: a sample at the wrap or an edge
            for (int k = 0; k < n; ++k) {
                int32_t c = column[u0 + k] + heading;
                if (!Wrap) c = c < 0 ? 0 : (c > lastColumn ? lastColumn : c);
                int32_t x0 = c >> kTableFraction;
                // x0 == w - 1 (a negative w - 2 - x0): the right neighbour
                // is column 0 (wrapping) or x0 itself (at the edge).
                int32_t step;
                if (Wrap) {
                    x0 = wrapped(x0, w);
                    step = 1 - (((w - 2 - x0) >> 31) & w);
                } else {
                    step = 1 + ((w - 2 - x0) >> 31);
                }
                const int32_t r = row[u0 + k], y0 = r >> kTableFraction;
                // 16 by 16 bits: a multiply the compiler widens in vector lanes.
                base[k] =
                    x0 - static_cast<int32_t>(uint32_t{static_cast<uint16_t>(y0)} * imageWidth);
                const int32_t below = -w & ~((lastRow - 1 - y0) >> 31);
                right[k] = step;
                down[k] = below;
                edge |= (step - 1) | (below + w);
                wxs[k] = weightPair((c & kFractionMask) << kUp);
                wys[k] = weightPair((r & kFractionMask) << kUp);
            }
            uint32_t *o = out + u0;
            if (edge == 0) {
                for (int k = 0; k < n; ++k) {
                    const uint32_t *p = top + base[k], *q = p - w;
                    o[k] = blend(p[0], p[1], q[0], q[1], wxs[k], wys[k]);
                }
                continue;
            }
            for (int k = 0; k < n; ++k) {
                const uint32_t *p = top + base[k], *q = p + down[k];
                o[k] = blend(p[0], p[right[k]], q[0], q[right[k]], wxs[k], wys[k]);
            }
        }
    }
}

}  // namespace

void renderNearestFrame(const ViewTable &table, const ColourImage &image, bool wraps,
                        int32_t heading, const FrameTarget &target)
{
    wraps ? nearest<true>(table, image, heading, target)
          : nearest<false>(table, image, heading, target);
}

void renderSmoothFrame(const ViewTable &table, const ColourImage &image, bool wraps,
                       int32_t heading, const FrameTarget &target)
{
    wraps ? smooth<true>(table, image, heading, target)
          : smooth<false>(table, image, heading, target);
}

}  // namespace kal

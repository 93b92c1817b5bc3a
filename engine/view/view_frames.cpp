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
                x += (x >> 31) & w;
                x -= ((last - x) >> 31) & w;
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

template <bool Wrap>
void smooth(const ViewTable &table, const ColourImage &image, int32_t heading,
            const FrameTarget &target)
{
    const int32_t w = image.width, lastRow = image.height - 1;
    const int32_t lastColumn = (w - 1) << kTableFraction;
    const uint32_t *top = topRow(image);
    for (int v = 0; v < table.height; ++v) {
        const ptrdiff_t at = static_cast<ptrdiff_t>(v) * table.width;
        const int32_t *column = table.column.get() + at, *row = table.row.get() + at;
        uint32_t *out = rowOut(target, table.width, table.height, v);
        for (int u = 0; u < table.width; ++u) {
            int32_t c = column[u] + heading;
            if (!Wrap) c = c < 0 ? 0 : (c > lastColumn ? lastColumn : c);
            int32_t x0 = c >> kTableFraction, x1;
            if (Wrap) {
                x0 += x0 < 0 ? w : 0;
                x0 -= x0 >= w ? w : 0;
                x1 = x0 + 1 == w ? 0 : x0 + 1;
            } else {
                x1 = x0 < w - 1 ? x0 + 1 : x0;
            }
            const int32_t r = row[u], y0 = r >> kTableFraction;
            const int32_t y1 = y0 < lastRow ? y0 + 1 : y0;
            constexpr int kUp = kWeightBits - kTableFraction;
            const int32_t wx = weightPair((c & kFractionMask) << kUp);
            const int32_t wy = weightPair((r & kFractionMask) << kUp);
            const uint32_t *p = top - static_cast<ptrdiff_t>(y0) * w;
            const uint32_t *q = top - static_cast<ptrdiff_t>(y1) * w;
            out[u] = blend(p[x0], p[x1], q[x0], q[x1], wx, wy);
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

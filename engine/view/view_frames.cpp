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

// The target's rows, inside the table's.
struct RowSpan {
    int first, end;
};
RowSpan rowsOf(const FrameTarget &t, int height)
{
    return {t.firstRow < 0 ? 0 : t.firstRow, t.endRow < 0 || t.endRow > height ? height : t.endRow};
}

// A column within one width of the image brought into it, branch free so
// that the frames' set-up loops vectorise.
inline int32_t wrapped(int32_t x, int32_t w)
{
    x += (x >> 31) & w;
    return x - (((w - 1 - x) >> 31) & w);
}

// The image's top row, and the step from a row to the one below it: a
// width back where the rows lie bottom-up.
const uint32_t *topRow(const ColourImage &image)
{
    return image.rows == RowOrder::topDown
               ? image.pixels
               : image.pixels + static_cast<ptrdiff_t>(image.height - 1) * image.width;
}

int32_t rowDown(const ColourImage &image)
{
    return image.rows == RowOrder::topDown ? image.width : -image.width;
}

// The moving frame's column of a table column, the heading added at the
// near entries' fraction: one rounding shared by the gathered runs and the
// ones taken pixel by pixel, so that both give the same sample.
struct NearColumns {
    int shift, fraction;
    int32_t heading;
    int32_t of(int32_t column) const { return ((column >> shift) + heading) >> fraction; }
};

NearColumns nearColumns(const ViewTable &table, int32_t heading)
{
    const int shift = kTableFraction - table.nearFraction;
    // The half for rounding, and a unit more where the column's and the
    // heading's dropped bits would otherwise always round down.
    const int32_t h = ((heading + kHalf) >> shift) + (shift > 0 ? 1 : 0);
    return {shift, table.nearFraction, h};
}

// The step that brings every column of a..b (moving frame columns) into
// the image at once: none, or a width back or on across the wrap; kNoStep
// where none does (the run straddles the wrap or an edge).
constexpr int32_t kNoStep = 1;

template <bool Wrap>
inline int32_t stepOf(int32_t a, int32_t b, int32_t w)
{
    if (a >= 0 && b < w) return 0;
    if (!Wrap) return kNoStep;
    if (a >= w && b < 2 * w) return -w;
    return a >= -w && b < 0 ? w : kNoStep;
}

// Pixels the moving frame gathers at a time: offsets first, in vector
// lanes into a block on the stack, then the plain gather over them.
constexpr int kNearBlock = 64;

inline void gatherNear(const int32_t *entry, int n, int32_t heading, int fraction, int32_t step,
                       const uint32_t *top, uint32_t *out)
{
    alignas(16) int32_t offset[kNearBlock];
    for (int k = 0; k < n; ++k) offset[k] = ((entry[k] + heading) >> fraction) + step;
    // Four at a time: the loop's own count and test would otherwise cost
    // as much as a pixel's loads.
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        const uint32_t a = top[offset[k]], b = top[offset[k + 1]];
        const uint32_t c = top[offset[k + 2]], d = top[offset[k + 3]];
        out[k] = a;
        out[k + 1] = b;
        out[k + 2] = c;
        out[k + 3] = d;
    }
    for (; k < n; ++k) out[k] = top[offset[k]];
}

template <bool Wrap>
void nearest(const ViewTable &table, const ColourImage &image, int32_t heading,
             const FrameTarget &target)
{
    const int32_t w = image.width, last = w - 1, down = rowDown(image);
    const uint32_t *top = topRow(image);
    const NearColumns columns = nearColumns(table, heading);
    // Locals: the stores below could otherwise alias the table's size.
    const int width = table.width, height = table.height, runs = table.runs;
    // Without near entries, or a heading beyond a width either way (whose
    // sums could leave 32 bits): every pixel from its column and row.
    const bool entries = table.nearOffset && table.rows == image.rows &&
                         heading >= -(w << kTableFraction) && heading <= w << kTableFraction;
    const RowSpan span = rowsOf(target, height);
    for (int v = span.first; v < span.end; ++v) {
        const ptrdiff_t at = static_cast<ptrdiff_t>(v) * width;
        const int32_t *column = table.column.get() + at, *row = table.row.get() + at;
        const int32_t *entry = entries ? table.nearOffset.get() + at : nullptr;
        uint32_t *out = rowOut(target, width, height, v);
        const int32_t whole =
            stepOf<Wrap>(columns.of(table.lineLow[v]), columns.of(table.lineHigh[v]), w);
        if (entries && whole != kNoStep) {
            for (int u = 0; u < width; u += kNearBlock)
                gatherNear(entry + u, width - u < kNearBlock ? width - u : kNearBlock,
                           columns.heading, columns.fraction, whole, top, out + u);
            continue;
        }
        const int32_t *low = table.runLow.get() + static_cast<ptrdiff_t>(v) * runs;
        const int32_t *high = table.runHigh.get() + static_cast<ptrdiff_t>(v) * runs;
        for (int k = 0; k < runs; ++k) {
            const int u0 = k * kTableCell;
            const int n = width - u0 < kTableCell ? width - u0 : kTableCell;
            const int32_t step = stepOf<Wrap>(columns.of(low[k]), columns.of(high[k]), w);
            if (entries && step != kNoStep) {
                gatherNear(entry + u0, n, columns.heading, columns.fraction, step, top, out + u0);
                continue;
            }
            for (int u = u0; u < u0 + n; ++u) {
                int32_t x = columns.of(column[u]);
                if (Wrap) {
                    x = wrapped(x, w);
                } else {
                    x = x < 0 ? 0 : x;
                    x = x > last ? last : x;
                }
                const int32_t r = (row[u] + kHalf) >> kTableFraction;
                out[u] = top[x + static_cast<ptrdiff_t>(r) * down];
            }
        }
    }
}

// Pixels of a row the resting frame sets up at a time (on the stack).
constexpr int kSmoothSpan = 256;

template <bool Wrap>
void smooth(const ViewTable &table, const ColourImage &image, int32_t heading,
            const FrameTarget &target)
{
    const int32_t w = image.width, lastRow = image.height - 1, down = rowDown(image);
    // All ones where a lower row is earlier in memory (rows bottom-up).
    const int32_t up = down < 0 ? -1 : 0;
    const int32_t lastColumn = (w - 1) << kTableFraction;
    const uint16_t imageWidth = static_cast<uint16_t>(w);  // below 65536
    const uint32_t *top = topRow(image);
    const int width = table.width, height = table.height;
    // A span's four samples as the top left's offset from the top row and
    // the steps to its right and lower neighbours, and the weight pairs:
    // set up branch free, so that the compiler vectorises it, then blended.
    alignas(16) int32_t base[kSmoothSpan], right[kSmoothSpan], lower[kSmoothSpan];
    alignas(16) int32_t wxs[kSmoothSpan], wys[kSmoothSpan];
    constexpr int kUp = kWeightBits - kTableFraction;
    const RowSpan span = rowsOf(target, height);
    for (int v = span.first; v < span.end; ++v) {
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
                const auto offset =
                    static_cast<int32_t>(uint32_t{static_cast<uint16_t>(y0)} * imageWidth);
                base[k] = x0 + ((offset ^ up) - up);
                const int32_t below = down & ~((lastRow - 1 - y0) >> 31);
                right[k] = step;
                lower[k] = below;
                edge |= (step - 1) | (below - down);
                wxs[k] = weightPair((c & kFractionMask) << kUp);
                wys[k] = weightPair((r & kFractionMask) << kUp);
            }
            uint32_t *o = out + u0;
            if (edge == 0) {
                for (int k = 0; k < n; ++k) {
                    const uint32_t *p = top + base[k], *q = p + down;
                    o[k] = blend(p[0], p[1], q[0], q[1], wxs[k], wys[k]);
                }
                continue;
            }
            for (int k = 0; k < n; ++k) {
                const uint32_t *p = top + base[k], *q = p + lower[k];
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

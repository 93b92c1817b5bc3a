// Building the view's table: exact on a coarse grid, interpolated between
// grid points where the mapping is smooth enough, exact cell by cell where
// it is not (near a pole, across the wrap behind it).
#include "view/view_table.h"

#include "view/view_camera.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kal {
namespace {

struct Mapper {
    const Geometry &g;
    Camera camera;
    double cpr;
    double lastRow, widestColumn;

    SourcePoint at(double x, double y) const
    {
        const SourcePoint p = relativeSource(g, cpr, camera.rayAt(x, y));
        // A ray straight up or down meets a cylinder nowhere: its row goes
        // to the image's edge, where the limits never let a view reach.
        const double row = std::isnan(p.row) ? 0 : std::min(std::max(p.row, 0.0), lastRow);
        return {std::min(std::max(p.column, -widestColumn), widestColumn), row};
    }
};

// Rounded half away from zero, as llround, but inline: the table rounds
// four times per cell row.
inline int64_t roundOf(double v)
{
    return static_cast<int64_t>(v < 0 ? v - 0.5 : v + 0.5);
}

inline int32_t fixedOf(double v)
{
    return static_cast<int32_t>(roundOf(v * kTableOne));
}

// Where a cell's entries go: the table's arrays, `stride` a row;
// `nearOffset` null when the table has none.
struct Out {
    int32_t *column, *row, *nearOffset, *runLow, *runHigh;
    int stride, runs;
    int32_t imageWidth;
    int nearShift, nearFraction;  // the near entries' column: column >> nearShift
    // All ones where the image's rows lie bottom-up: a row lower in the
    // view is then earlier in memory, and its offset is negated.
    int32_t rowsUp;
    ptrdiff_t at(int u, int v) const { return static_cast<ptrdiff_t>(v) * stride + u; }

    // The near entries of n pixels from their columns and rows.
    void fillNear(const int32_t *__restrict c, const int32_t *__restrict r, int32_t *__restrict out,
                  int n) const
    {
        const int shift = nearShift, fraction = nearFraction;
        const int32_t w = imageWidth, up = rowsUp;
        // Rows lie within the image's, so the product stays below 2^31.
        for (int k = 0; k < n; ++k) {
            const auto offset = static_cast<int32_t>(
                static_cast<uint32_t>(((r[k] + kTableOne / 2) >> kTableFraction) * w) << fraction);
            out[k] = (c[k] >> shift) + ((offset ^ up) - up);
        }
    }
    // Widens the run holding (u, v) to columns a and b.
    void note(int u, int v, int32_t a, int32_t b) const
    {
        const ptrdiff_t k = static_cast<ptrdiff_t>(v) * runs + u / kTableCell;
        if (a > b) std::swap(a, b);
        runLow[k] = std::min(runLow[k], a);
        runHigh[k] = std::max(runHigh[k], b);
    }
};

// Fraction bits the near entries keep: as many as the image's offsets leave
// free in 32 bits (the column, the heading and the row's offset summed).
int nearFractionFor(int width, int height)
{
    const int64_t span = (int64_t{height} + 2) * width + 2;
    int f = kTableFraction;
    while (f > 0 && (span << f) >= (int64_t{1} << 31)) --f;
    return f;
}

#if defined(__SSE2__)
// Four 32-bit lanes times the same value below 2^32, the low halves.
inline __m128i timesWidth(__m128i a, __m128i width, __m128i widthHigh)
{
    const __m128i even = _mm_mul_epu32(a, width);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), widthHigh);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

// `quads` times four pixels of a cell row, four lanes at a time, the
// pointers aligned: the same values as the scalar loop. A whole 16-pixel
// row is stored past the caches, which a table this size would only pass
// through.
void interpolateQuads(int32_t hc, int32_t lc, int32_t sc, int32_t hr, int32_t lr, int32_t sr,
                      int bits, int quads, const Out &o, int32_t *oc, int32_t *orow, int32_t *onear)
{
    const __m128i count = _mm_cvtsi32_si128(bits);
    __m128i c = _mm_setr_epi32(lc, lc + sc, lc + 2 * sc, lc + 3 * sc);
    __m128i r = _mm_setr_epi32(lr, lr + sr, lr + 2 * sr, lr + 3 * sr);
    const __m128i stepC = _mm_set1_epi32(4 * sc), stepR = _mm_set1_epi32(4 * sr);
    const __m128i wholeC = _mm_set1_epi32(hc), wholeR = _mm_set1_epi32(hr);
    const __m128i half = _mm_set1_epi32(kTableOne / 2);
    const __m128i width = _mm_set1_epi32(o.imageWidth), widthHigh = _mm_srli_epi64(width, 32);
    const __m128i shift = _mm_cvtsi32_si128(o.nearShift);
    const __m128i fraction = _mm_cvtsi32_si128(o.nearFraction);
    const __m128i up = _mm_set1_epi32(o.rowsUp);
    const bool stream = quads == 4;
    for (int q = 0; q < quads; ++q) {
        const __m128i cq = _mm_add_epi32(wholeC, _mm_sra_epi32(c, count));
        const __m128i rq = _mm_add_epi32(wholeR, _mm_sra_epi32(r, count));
        // Rows lie within the image's: the products stay below 2^31.
        const __m128i offset =
            timesWidth(_mm_srai_epi32(_mm_add_epi32(rq, half), kTableFraction), width, widthHigh);
        const __m128i signedOffset =
            _mm_sub_epi32(_mm_xor_si128(_mm_sll_epi32(offset, fraction), up), up);
        const __m128i nq = _mm_add_epi32(_mm_sra_epi32(cq, shift), signedOffset);
        __m128i *to[3] = {reinterpret_cast<__m128i *>(oc) + q,
                          reinterpret_cast<__m128i *>(orow) + q,
                          reinterpret_cast<__m128i *>(onear) + q};
        if (stream) {
            _mm_stream_si128(to[0], cq);
            _mm_stream_si128(to[1], rq);
            _mm_stream_si128(to[2], nq);
        } else {
            _mm_store_si128(to[0], cq);
            _mm_store_si128(to[1], rq);
            _mm_store_si128(to[2], nq);
        }
        c = _mm_add_epi32(c, stepC);
        r = _mm_add_epi32(r, stepR);
    }
}
#endif

// One row of a cell at (u, v): a + d k over `bits` more fraction bits, k < n.
void interpolateRow(int64_t ac, int64_t dc, int64_t ar, int64_t dr, int bits, int n, int u, int v,
                    const Out &o)
{
    const ptrdiff_t at = o.at(u, v);
    int32_t *oc = o.column + at, *orow = o.row + at,
            *onear = o.nearOffset ? o.nearOffset + at : nullptr;
    // In 32 bits where the steps allow: the whole part apart, the fraction
    // and the steps together; the same values as the 64-bit sums.
    constexpr int64_t kStepLimit = int64_t{1} << 26;
    if (dc > -kStepLimit && dc < kStepLimit && dr > -kStepLimit && dr < kStepLimit) {
        const int32_t mask = (1 << bits) - 1;
        const auto hc = static_cast<int32_t>(ac >> bits), hr = static_cast<int32_t>(ar >> bits);
        const int32_t lc = static_cast<int32_t>(ac & mask), lr = static_cast<int32_t>(ar & mask);
        const auto sc = static_cast<int32_t>(dc), sr = static_cast<int32_t>(dr);
        // Linear along the row: its ends bound its columns.
        o.note(u, v, hc + (lc >> bits), hc + ((lc + sc * (n - 1)) >> bits));
#if defined(__SSE2__)
        if (n % 4 == 0 && onear &&
            ((reinterpret_cast<uintptr_t>(oc) | reinterpret_cast<uintptr_t>(orow) |
              reinterpret_cast<uintptr_t>(onear)) &
             15) == 0) {
            interpolateQuads(hc, lc, sc, hr, lr, sr, bits, n / 4, o, oc, orow, onear);
            return;
        }
#endif
        for (int k = 0; k < n; ++k) {
            oc[k] = hc + ((lc + sc * k) >> bits);
            orow[k] = hr + ((lr + sr * k) >> bits);
        }
        if (onear) o.fillNear(oc, orow, onear, n);
        return;
    }
    for (int k = 0; k < n; ++k) {
        oc[k] = static_cast<int32_t>((ac + dc * k) >> bits);
        orow[k] = static_cast<int32_t>((ar + dr * k) >> bits);
    }
    if (onear) o.fillNear(oc, orow, onear, n);
    o.note(u, v, oc[0], oc[n - 1]);
}

// Row j of a cell of `size` (a power of two) pixels from its corners (top
// left, top right, bottom left, bottom right), n pixels of it in the view.
void interpolateCellRow(const SourcePoint (&c)[4], int size, int bits, int u0, int v0, int j, int n,
                        const Out &o)
{
    const double scale = double(kTableOne) * size, t = j / double(size);
    const double lc = c[0].column + (c[2].column - c[0].column) * t;
    const double rc = c[1].column + (c[3].column - c[1].column) * t;
    const double lr = c[0].row + (c[2].row - c[0].row) * t;
    const double rr = c[1].row + (c[3].row - c[1].row) * t;
    const int64_t half = size / 2;
    interpolateRow(roundOf(lc * scale) + half, roundOf((rc - lc) * kTableOne),
                   roundOf(lr * scale) + half, roundOf((rr - lr) * kTableOne), bits, n, u0, v0 + j,
                   o);
}

void interpolateCell(const SourcePoint (&c)[4], int size, int u0, int v0, int cw, int ch,
                     const Out &o)
{
    int bits = 0;
    while ((1 << bits) < size) ++bits;
    for (int j = 0; j < ch; ++j) interpolateCellRow(c, size, bits, u0, v0, j, cw, o);
}

void exactCell(const Mapper &m, int u0, int v0, int cw, int ch, const Out &o)
{
    for (int j = 0; j < ch; ++j)
        for (int k = 0; k < cw; ++k) {
            const SourcePoint p = m.at(u0 + k + 0.5, v0 + j + 0.5);
            const ptrdiff_t at = o.at(u0 + k, v0 + j);
            const int32_t c = fixedOf(p.column);
            o.column[at] = c;
            o.row[at] = fixedOf(p.row);
            if (o.nearOffset) o.fillNear(o.column + at, o.row + at, o.nearOffset + at, 1);
            o.note(u0 + k, v0 + j, c, c);
        }
}

// The bilinear value of the corners at fractions (a, b) against the exact
// mapping there.
bool closeEnough(const SourcePoint (&c)[4], double a, double b, const SourcePoint &exact)
{
    auto lerp = [a, b](double p00, double p10, double p01, double p11) {
        return (p00 * (1 - a) + p10 * a) * (1 - b) + (p01 * (1 - a) + p11 * a) * b;
    };
    const double col = lerp(c[0].column, c[1].column, c[2].column, c[3].column);
    const double row = lerp(c[0].row, c[1].row, c[2].row, c[3].row);
    return std::fabs(col - exact.column) <= kTableTolerance &&
           std::fabs(row - exact.row) <= kTableTolerance;
}

// A cell's midpoints: of its top, left, right and bottom edges and its centre.
enum { kTopMid, kLeftMid, kCentre, kRightMid, kBottomMid };

bool smoothCell(const SourcePoint (&c)[4], const SourcePoint (&mid)[5])
{
    return closeEnough(c, 0.5, 0.5, mid[kCentre]) && closeEnough(c, 0.5, 0, mid[kTopMid]) &&
           closeEnough(c, 0, 0.5, mid[kLeftMid]) && closeEnough(c, 1, 0.5, mid[kRightMid]) &&
           closeEnough(c, 0.5, 1, mid[kBottomMid]);
}

// Cells this small that are not smooth go pixel by pixel.
constexpr int kSmallestCell = 4;
static_assert(kTableCell == 16, "the band's rows step with 4 more fraction bits");

// A cell: interpolated where smooth, else its four quarters in turn (whose
// corners are its corners and midpoints), down to kSmallestCell; then
// exact. Counts the cells computed exactly (in 16-pixel cells).
void fillCell(const Mapper &m, const SourcePoint (&c)[4], const SourcePoint (&mid)[5], int size,
              int u0, int v0, int cw, int ch, const Out &o, int &exactPixels)
{
    if (smoothCell(c, mid)) {
        interpolateCell(c, size, u0, v0, cw, ch, o);
        return;
    }
    if (size <= kSmallestCell) {
        exactCell(m, u0, v0, cw, ch, o);
        exactPixels += cw * ch;
        return;
    }
    const int h = size / 2;
    const SourcePoint quarters[4][4] = {{c[0], mid[kTopMid], mid[kLeftMid], mid[kCentre]},
                                        {mid[kTopMid], c[1], mid[kCentre], mid[kRightMid]},
                                        {mid[kLeftMid], mid[kCentre], c[2], mid[kBottomMid]},
                                        {mid[kCentre], mid[kRightMid], mid[kBottomMid], c[3]}};
    for (int q = 0; q < 4; ++q) {
        const int du = (q & 1) * h, dv = (q >> 1) * h;
        const int qw = std::min(h, cw - du), qh = std::min(h, ch - dv);
        if (qw <= 0 || qh <= 0) continue;
        const double x = u0 + du + 0.5, y = v0 + dv + 0.5, e = h / 2.0;
        const SourcePoint qm[5] = {m.at(x + e, y), m.at(x, y + e), m.at(x + e, y + e),
                                   m.at(x + h, y + e), m.at(x + e, y + h)};
        fillCell(m, quarters[q], qm, h, u0 + du, v0 + dv, qw, qh, o, exactPixels);
    }
}

}  // namespace

SourcePoint exactTableEntry(const Geometry &g, double pitch, double hfov, int width, int height,
                            int u, int v)
{
    const Camera camera = Camera::of(pitch, hfov, width, height);
    return relativeSource(g, g.columnsPerRadian(), camera.rayAt(u + 0.5, v + 0.5));
}

bool buildViewTable(const Geometry &g, double pitch, double hfov, int width, int height,
                    RowOrder rows, ViewTable &table)
{
    const size_t n = static_cast<size_t>(width) * height;
    const int runs = (width + kTableCell - 1) / kTableCell;
    const size_t runCount = static_cast<size_t>(runs) * height;
    const int fraction = nearFractionFor(g.width(), g.height());
    // Below 4 bits the near entries would round too coarsely: none then.
    const bool wantNear = fraction >= 4 && g.width() < 65536;
    if (table.width != width || table.height != height || !table.column ||
        wantNear != bool(table.nearOffset)) {
        table = ViewTable{};
        table.column.reset(new (std::nothrow) int32_t[n]);
        table.row.reset(new (std::nothrow) int32_t[n]);
        if (wantNear) table.nearOffset.reset(new (std::nothrow) int32_t[n]);
        table.runLow.reset(new (std::nothrow) int32_t[runCount]);
        table.runHigh.reset(new (std::nothrow) int32_t[runCount]);
        table.lineLow.reset(new (std::nothrow) int32_t[height]);
        table.lineHigh.reset(new (std::nothrow) int32_t[height]);
        if (!table.column || !table.row || (wantNear && !table.nearOffset) || !table.runLow ||
            !table.runHigh || !table.lineLow || !table.lineHigh) {
            table = ViewTable{};
            return false;
        }
    }
    table.nearFraction = wantNear ? fraction : kTableFraction;
    table.runs = runs;
    std::fill_n(table.runLow.get(), runCount, INT32_MAX);
    std::fill_n(table.runHigh.get(), runCount, INT32_MIN);
    table.width = width;
    table.height = height;
    table.pitch = pitch;
    table.hfov = hfov;
    table.rows = rows;
    table.exactCells = 0;
    const Mapper m{g, Camera::of(pitch, hfov, width, height), g.columnsPerRadian(),
                   g.height() - 1.0, g.width() + 1.0};
    const int nx = (width + kTableCell - 1) / kTableCell + 1;
    const int ny = (height + kTableCell - 1) / kTableCell + 1;
    const Out o{table.column.get(),
                table.row.get(),
                table.nearOffset.get(),
                table.runLow.get(),
                table.runHigh.get(),
                width,
                runs,
                g.width(),
                kTableFraction - table.nearFraction,
                table.nearFraction,
                rows == RowOrder::bottomUp ? -1 : 0};
    constexpr double h = kTableCell / 2.0;
    // Band by band: the grid points and the edge midpoints on its top and
    // bottom edges, the midpoints of its vertical edges; neighbours share them.
    std::vector<SourcePoint> top(nx), bottom(nx), topMid(nx), bottomMid(nx), side(nx);
    for (int i = 0; i < nx; ++i) {
        top[i] = m.at(i * kTableCell + 0.5, 0.5);
        topMid[i] = m.at(i * kTableCell + h + 0.5, 0.5);
    }
    std::vector<int> smooth;
    smooth.reserve(nx);
    int exactPixels = 0;
    for (int gy = 0; gy + 1 < ny; ++gy) {
        const int v0 = gy * kTableCell;
        const double y = v0 + 0.5;
        for (int i = 0; i < nx; ++i) {
            const double x = i * kTableCell + 0.5;
            bottom[i] = m.at(x, y + kTableCell);
            bottomMid[i] = m.at(x + h, y + kTableCell);
            side[i] = m.at(x, y + h);
        }
        const int ch = std::min(kTableCell, height - v0);
        // Cells that are not smooth fill themselves; the smooth ones then
        // row by row across the band, so that the writes stream.
        smooth.clear();
        for (int gx = 0; gx + 1 < nx; ++gx) {
            const int u0 = gx * kTableCell;
            const int cw = std::min(kTableCell, width - u0);
            const SourcePoint c[4] = {top[gx], top[gx + 1], bottom[gx], bottom[gx + 1]};
            const SourcePoint mid[5] = {topMid[gx], side[gx], m.at(u0 + h + 0.5, y + h),
                                        side[gx + 1], bottomMid[gx]};
            if (smoothCell(c, mid))
                smooth.push_back(gx);
            else
                fillCell(m, c, mid, kTableCell, u0, v0, cw, ch, o, exactPixels);
        }
        for (int j = 0; j < ch; ++j)
            for (const int gx : smooth) {
                const int u0 = gx * kTableCell;
                const SourcePoint c[4] = {top[gx], top[gx + 1], bottom[gx], bottom[gx + 1]};
                interpolateCellRow(c, kTableCell, 4, u0, v0, j, std::min(kTableCell, width - u0),
                                   o);
            }
        top.swap(bottom);
        topMid.swap(bottomMid);
    }
    table.exactCells = exactPixels / (kTableCell * kTableCell);
    for (int v = 0; v < height; ++v) {
        const int32_t *low = table.runLow.get() + static_cast<ptrdiff_t>(v) * runs;
        const int32_t *high = table.runHigh.get() + static_cast<ptrdiff_t>(v) * runs;
        table.lineLow[v] = *std::min_element(low, low + runs);
        table.lineHigh[v] = *std::max_element(high, high + runs);
    }
#if defined(__SSE2__)
    _mm_sfence();  // the streamed stores before any reader
#endif
    return true;
}

}  // namespace kal

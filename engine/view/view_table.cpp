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

// Where a cell's entries go: the table's three arrays, `stride` a row.
struct Out {
    int32_t *column, *row;
    uint16_t *nearRow;
    int stride;
    ptrdiff_t at(int u, int v) const { return static_cast<ptrdiff_t>(v) * stride + u; }
};

inline uint16_t nearRowOf(int32_t row)
{
    // Rows lie within the image's, below kMaxImageHeight.
    return static_cast<uint16_t>((row + kTableOne / 2) >> kTableFraction);
}

// One row of a cell: a + d k over `bits` more fraction bits, k < n.
void interpolateRow(int64_t ac, int64_t dc, int64_t ar, int64_t dr, int bits, int n, int32_t *oc,
                    int32_t *orow, uint16_t *onear)
{
    // In 32 bits where the steps allow: the whole part apart, the fraction
    // and the steps together; the same values as the 64-bit sums.
    constexpr int64_t kStepLimit = int64_t{1} << 26;
    if (dc > -kStepLimit && dc < kStepLimit && dr > -kStepLimit && dr < kStepLimit) {
        const int32_t mask = (1 << bits) - 1;
        const auto hc = static_cast<int32_t>(ac >> bits), hr = static_cast<int32_t>(ar >> bits);
        const int32_t lc = static_cast<int32_t>(ac & mask), lr = static_cast<int32_t>(ar & mask);
        const auto sc = static_cast<int32_t>(dc), sr = static_cast<int32_t>(dr);
#if defined(__SSE2__)
        // A whole aligned cell row: stored past the caches, which a table
        // this size would only pass through.
        if (n == kTableCell && bits == 4 &&
            ((reinterpret_cast<uintptr_t>(oc) | reinterpret_cast<uintptr_t>(orow) |
              reinterpret_cast<uintptr_t>(onear)) &
             15) == 0) {
            __m128i c = _mm_setr_epi32(lc, lc + sc, lc + 2 * sc, lc + 3 * sc);
            __m128i r = _mm_setr_epi32(lr, lr + sr, lr + 2 * sr, lr + 3 * sr);
            const __m128i stepC = _mm_set1_epi32(4 * sc), stepR = _mm_set1_epi32(4 * sr);
            const __m128i wholeC = _mm_set1_epi32(hc), wholeR = _mm_set1_epi32(hr);
            // Rows to 16 bits unsigned through the signed pack.
            const __m128i near = _mm_set1_epi32(kTableOne / 2 - (32768 << kTableFraction));
            const __m128i flip = _mm_set1_epi16(-32768);
            __m128i rows[4];
            for (int q = 0; q < 4; ++q) {
                const __m128i rq = _mm_add_epi32(wholeR, _mm_srai_epi32(r, 4));
                _mm_stream_si128(reinterpret_cast<__m128i *>(oc) + q,
                                 _mm_add_epi32(wholeC, _mm_srai_epi32(c, 4)));
                _mm_stream_si128(reinterpret_cast<__m128i *>(orow) + q, rq);
                rows[q] = _mm_srai_epi32(_mm_add_epi32(rq, near), kTableFraction);
                c = _mm_add_epi32(c, stepC);
                r = _mm_add_epi32(r, stepR);
            }
            _mm_stream_si128(reinterpret_cast<__m128i *>(onear),
                             _mm_xor_si128(_mm_packs_epi32(rows[0], rows[1]), flip));
            _mm_stream_si128(reinterpret_cast<__m128i *>(onear) + 1,
                             _mm_xor_si128(_mm_packs_epi32(rows[2], rows[3]), flip));
            return;
        }
#endif
        for (int k = 0; k < n; ++k) {
            const int32_t r = hr + ((lr + sr * k) >> bits);
            oc[k] = hc + ((lc + sc * k) >> bits);
            orow[k] = r;
            onear[k] = nearRowOf(r);
        }
        return;
    }
    for (int k = 0; k < n; ++k) {
        const auto r = static_cast<int32_t>((ar + dr * k) >> bits);
        oc[k] = static_cast<int32_t>((ac + dc * k) >> bits);
        orow[k] = r;
        onear[k] = nearRowOf(r);
    }
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
    const ptrdiff_t at = o.at(u0, v0 + j);
    interpolateRow(roundOf(lc * scale) + half, roundOf((rc - lc) * kTableOne),
                   roundOf(lr * scale) + half, roundOf((rr - lr) * kTableOne), bits, n,
                   o.column + at, o.row + at, o.nearRow + at);
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
            o.column[at] = fixedOf(p.column);
            o.row[at] = fixedOf(p.row);
            o.nearRow[at] = nearRowOf(o.row[at]);
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
                    ViewTable &table)
{
    const size_t n = static_cast<size_t>(width) * height;
    if (table.width != width || table.height != height || !table.column) {
        table.column.reset(new (std::nothrow) int32_t[n]);
        table.row.reset(new (std::nothrow) int32_t[n]);
        table.nearRow.reset(new (std::nothrow) uint16_t[n]);
        if (!table.column || !table.row || !table.nearRow) {
            table = ViewTable{};
            return false;
        }
    }
    table.width = width;
    table.height = height;
    table.pitch = pitch;
    table.hfov = hfov;
    table.exactCells = 0;
    const Mapper m{g, Camera::of(pitch, hfov, width, height), g.columnsPerRadian(),
                   g.height() - 1.0, g.width() + 1.0};
    const int nx = (width + kTableCell - 1) / kTableCell + 1;
    const int ny = (height + kTableCell - 1) / kTableCell + 1;
    const Out o{table.column.get(), table.row.get(), table.nearRow.get(), width};
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
#if defined(__SSE2__)
    _mm_sfence();  // the streamed stores before any reader
#endif
    return true;
}

}  // namespace kal

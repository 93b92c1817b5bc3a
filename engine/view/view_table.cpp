// Building the view's table: exact on a coarse grid, interpolated between
// grid points where the mapping is smooth enough, exact cell by cell where
// it is not (near a pole, across the wrap behind it).
#include "view/view_table.h"

#include "view/view_camera.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

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

inline int32_t fixedOf(double v)
{
    return static_cast<int32_t>(std::lround(v * kTableOne));
}

// One cell's pixels from its four corners, along each row in fixed point
// with four more fraction bits (kTableCell is 16).
void interpolateCell(const SourcePoint (&c)[4], int u0, int v0, int cw, int ch, int stride,
                     int32_t *column, int32_t *row)
{
    static_assert(kTableCell == 16, "the row step keeps 4 extra fraction bits");
    constexpr double kScale = kTableOne * 16.0;
    for (int j = 0; j < ch; ++j) {
        const double t = j / double(kTableCell);
        const double lc = c[0].column + (c[2].column - c[0].column) * t;
        const double rc = c[1].column + (c[3].column - c[1].column) * t;
        const double lr = c[0].row + (c[2].row - c[0].row) * t;
        const double rr = c[1].row + (c[3].row - c[1].row) * t;
        const int64_t ac = std::llround(lc * kScale) + 8, dc = std::llround((rc - lc) * kTableOne);
        const int64_t ar = std::llround(lr * kScale) + 8, dr = std::llround((rr - lr) * kTableOne);
        int32_t *oc = column + static_cast<ptrdiff_t>(v0 + j) * stride + u0;
        int32_t *orow = row + static_cast<ptrdiff_t>(v0 + j) * stride + u0;
        for (int k = 0; k < cw; ++k) {
            oc[k] = static_cast<int32_t>((ac + dc * k) >> 4);
            orow[k] = static_cast<int32_t>((ar + dr * k) >> 4);
        }
    }
}

void exactCell(const Mapper &m, int u0, int v0, int cw, int ch, int stride, int32_t *column,
               int32_t *row)
{
    for (int j = 0; j < ch; ++j)
        for (int k = 0; k < cw; ++k) {
            const SourcePoint p = m.at(u0 + k + 0.5, v0 + j + 0.5);
            const ptrdiff_t at = static_cast<ptrdiff_t>(v0 + j) * stride + u0 + k;
            column[at] = fixedOf(p.column);
            row[at] = fixedOf(p.row);
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

bool smoothCell(const Mapper &m, const SourcePoint (&c)[4], double x0, double y0)
{
    constexpr double h = kTableCell / 2.0;
    return closeEnough(c, 0.5, 0.5, m.at(x0 + h, y0 + h)) &&
           closeEnough(c, 0.5, 0, m.at(x0 + h, y0)) && closeEnough(c, 0, 0.5, m.at(x0, y0 + h)) &&
           closeEnough(c, 1, 0.5, m.at(x0 + 2 * h, y0 + h)) &&
           closeEnough(c, 0.5, 1, m.at(x0 + h, y0 + 2 * h));
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
    // Two rows of grid points at a time: the top and the bottom of a band.
    std::vector<SourcePoint> top(nx), bottom(nx);
    for (int i = 0; i < nx; ++i) top[i] = m.at(i * kTableCell + 0.5, 0.5);
    for (int gy = 0; gy + 1 < ny; ++gy) {
        const int v0 = gy * kTableCell;
        for (int i = 0; i < nx; ++i) bottom[i] = m.at(i * kTableCell + 0.5, v0 + kTableCell + 0.5);
        const int ch = std::min(kTableCell, height - v0);
        for (int gx = 0; gx + 1 < nx; ++gx) {
            const int u0 = gx * kTableCell;
            const int cw = std::min(kTableCell, width - u0);
            const SourcePoint c[4] = {top[gx], top[gx + 1], bottom[gx], bottom[gx + 1]};
            if (smoothCell(m, c, u0 + 0.5, v0 + 0.5)) {
                interpolateCell(c, u0, v0, cw, ch, width, table.column.get(), table.row.get());
            } else {
                exactCell(m, u0, v0, cw, ch, width, table.column.get(), table.row.get());
                ++table.exactCells;
            }
        }
        top.swap(bottom);
    }
    const int32_t *row = table.row.get();
    uint16_t *nearRow = table.nearRow.get();
    // Rows lie within the image's, below kMaxImageHeight.
    for (size_t i = 0; i < n; ++i)
        nearRow[i] = static_cast<uint16_t>((row[i] + kTableOne / 2) >> kTableFraction);
    return true;
}

}  // namespace kal

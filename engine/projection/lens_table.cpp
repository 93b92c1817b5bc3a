// The lens table: for every view offset from the view centre, the source
// offset to sample. All of the projection's trigonometry happens here.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "projection/projection.h"

namespace {

struct BlockFree {
    void operator()(double *p) const { freeBlock(p); }
};
using DoubleArray = std::unique_ptr<double[], BlockFree>;

DoubleArray allocDoubles(int count)
{
    return DoubleArray(static_cast<double *>(allocBlock(sizeof(double) * count)));
}

// Truncation toward zero into a 32-bit integer. Values beyond its range only
// occur in rows that no view position reaches; they saturate instead of
// overflowing.
inline int32_t truncToInt32(double v)
{
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

inline uint32_t packEntry(int32_t x, int32_t y)
{
    return (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) | static_cast<uint16_t>(x);
}

struct LensGeometry {
    int columns, rows;  // H and N
    double r, s;
};

LensGeometry geometryOf(const Panorama *rec)
{
    const double r = rec->radius;
    return {lensColumns(rec), lensRows(rec), r, (r - rec->zPos) / r};
}

// Normal path: one arc tangent and one square root per column. Row 0 holds
// the x halves alone (its y is always 0); later rows add their y half to them.
void fillFromColumns(uint32_t *lens, const LensGeometry &g, const double *a, const double *b)
{
    for (int j = 0; j < g.columns; ++j)
        lens[j] = packEntry(truncToInt32(a[j] + 0.5), truncToInt32(-g.rows / (g.rows * 2.0)));
    for (int i = 1; i < g.rows; ++i) {
        const double bias = (i - g.rows) / (g.rows * 2.0);
        uint32_t *row = lens + static_cast<size_t>(i) * g.columns;
        // i * b[j] >= 0 and bias >= -0.5, so only the top needs a bound: the
        // branch-free min lets the loop vectorise.
        for (int j = 0; j < g.columns; ++j) {
            const double y = std::min(i * b[j] + bias, 2147483647.0);
            row[j] = (lens[j] & 0xFFFFu) |
                     (static_cast<uint32_t>(static_cast<uint16_t>(static_cast<int32_t>(y))) << 16);
        }
    }
}

// Fallback when the temporary arrays cannot be had: every entry directly.
void fillDirectly(uint32_t *lens, const LensGeometry &g)
{
    const double r = g.r, s = g.s;
    for (int i = 0; i < g.rows; ++i) {
        const double bias = (i - g.rows) / (g.rows * 2.0);
        uint32_t *row = lens + static_cast<size_t>(i) * g.columns;
        for (int j = 0; j < g.columns; ++j) {
            const int32_t x = truncToInt32(r * std::atan(j * s / r) + 0.5);
            const int32_t y = truncToInt32((r * i * s) / std::sqrt(r * r + j * j * s * s) + bias);
            row[j] = packEntry(x, y);
        }
    }
}

}  // namespace

void lensColumnTerms(const Panorama *rec, double *a, double *b)
{
    const LensGeometry g = geometryOf(rec);
    const double r = g.r, s = g.s;
    for (int j = 0; j < g.columns; ++j) {
        a[j] = r * std::atan(j * s / r);
        b[j] = (r * s) / std::sqrt(r * r + j * j * s * s);
    }
}

void buildLensTable(Panorama *rec)
{
    const LensGeometry g = geometryOf(rec);
    DoubleArray a = allocDoubles(g.columns);
    DoubleArray b = a ? allocDoubles(g.columns) : nullptr;
    if (a && b) {
        lensColumnTerms(rec, a.get(), b.get());
        fillFromColumns(rec->lens, g, a.get(), b.get());
    } else
        fillDirectly(rec->lens, g);
}

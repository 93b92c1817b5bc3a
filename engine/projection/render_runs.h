// Cutting a row half of a full circle into runs: the longest stretches of
// lens columns whose source columns stay between two wraps, each drawn by the
// span specialised for its side, sign and shear. Only rows sheared by more
// than an image width need it; the bounds make it safe for any shear.
#ifndef KAL_RENDER_RUNS_H
#define KAL_RENDER_RUNS_H

#include <cstdint>

#include "projection/render_context.h"
#include "projection/render_spans.h"

namespace renderruns {

inline int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t d = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? d - 1 : d;
}

// A stretch of source columns [lo, hi] between two wraps, and the shift (a
// multiple of the width) that brings it into the image.
struct Stretch {
    int64_t lo, hi;
    int64_t shift;
};

inline Stretch stretchOf(const RenderContext &c, int64_t col)
{
    const int64_t w = c.srcWidth;
    const int64_t k = floorDiv(col, w);
    return {k * w, k * w + w - 1, -k * w};
}

// Bounds of the source columns of lens columns j0 .. j1-1 in one row half.
// They rely on the lens table's shape: X never falls and Y never rises
// along a row, and the shear factor is monotonic in X.
template <int Tau, int Sigma, bool Sheared>
void columnBounds(const RenderContext &c, const uint32_t *lensRow, int j0, int j1, int64_t *lo,
                  int64_t *hi)
{
    const uint32_t first = lensRow[j0], last = lensRow[j1 - 1];
    int64_t cmin = lensX(first), cmax = lensX(last);
    if (Sheared) {
        const int64_t y0 = Sigma * lensY(first), y1 = Sigma * lensY(last);
        const int64_t s0 = c.shear[lensX(first)], s1 = c.shear[lensX(last)];
        int64_t p[4] = {y0 * s0, y0 * s1, y1 * s0, y1 * s1};
        int64_t pmin = p[0], pmax = p[0];
        for (int64_t v : p) {
            pmin = v < pmin ? v : pmin;
            pmax = v > pmax ? v : pmax;
        }
        cmin += pmin >> 8;
        cmax += pmax >> 8;
    }
    *lo = Tau > 0 ? c.xPos + cmin : c.xPos - cmax;
    *hi = Tau > 0 ? c.xPos + cmax : c.xPos - cmin;
}

// The end of the longest run from j0 (before j1) inside stretch s.
template <int Tau, int Sigma, bool Sheared>
int runEnd(const RenderContext &c, const uint32_t *lensRow, int j0, int j1, const Stretch &s)
{
    int64_t lo, hi;
    columnBounds<Tau, Sigma, Sheared>(c, lensRow, j0, j1, &lo, &hi);
    if (lo >= s.lo && hi <= s.hi) return j1;
    int good = j0 + 1, bad = j1;  // a single column always fits its own stretch
    while (bad - good > 1) {
        const int mid = good + (bad - good) / 2;
        columnBounds<Tau, Sigma, Sheared>(c, lensRow, j0, mid, &lo, &hi);
        (lo >= s.lo && hi <= s.hi ? good : bad) = mid;
    }
    return good;
}

// Lens columns j0 .. j1-1 of one row half; out is the view pixel of j0.
template <int Tau, int Sigma, bool Sheared>
void renderHalf(const RenderContext &c, uint8_t *out, const uint32_t *lensRow, int j0, int j1)
{
    const uint8_t *centre = centreOf(c);
    while (j0 < j1) {
        int64_t col, unused;
        columnBounds<Tau, Sigma, Sheared>(c, lensRow, j0, j0 + 1, &col, &unused);
        const Stretch s = stretchOf(c, col);
        const int end = runEnd<Tau, Sigma, Sheared>(c, lensRow, j0, j1, s);
        straightSpan<Tau, Sigma, Sheared>(out, lensRow, j0, end, centre + c.xPos + s.shift,
                                          c.srcWidth, c.shear);
        out += Tau * (end - j0);
        j0 = end;
    }
}

}  // namespace renderruns

#endif

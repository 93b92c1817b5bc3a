// The resting frame of a colour panorama: every view pixel bilinear from the
// exact source position of which the lens entries are the roundings.
#include "core/colour_panorama.h"
#include "projection/projection.h"
#include "projection/smooth_view.h"
#include "projection/bilinear_blend.h"

#include <cstdint>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using kal::blend;
using kal::kWeightBits;
using kal::kWeightOne;
using kal::weightPair;

namespace {

struct BlockFree {
    void operator()(void *p) const { freeBlock(p); }
};

// Floor into a 64-bit integer without a library call.
inline int64_t floorOf(double v)
{
    const auto f = static_cast<int64_t>(v);
    return v < static_cast<double>(f) ? f - 1 : f;
}

// The two neighbours of a source position along one axis and the weight of
// the second: wrapped around a full circle, or clamped to the edge.
struct Neighbours {
    int64_t first, second;
    int32_t weight;
};

inline int32_t weightOf(double pos, int64_t base)
{
    return static_cast<int32_t>((pos - static_cast<double>(base)) * kWeightOne + 0.5);
}

inline Neighbours wrapped(double pos, int64_t size)
{
    int64_t base = floorOf(pos);
    const int32_t weight = weightOf(pos, base);
    // Positions lie within a width or two of the image: a division is rare.
    if (base < 0 || base >= size) {
        base %= size;
        if (base < 0) base += size;
    }
    return {base, base + 1 == size ? 0 : base + 1, weight};
}

inline Neighbours clamped(double pos, int64_t size)
{
    const double last = static_cast<double>(size - 1);
    pos = pos < 0 ? 0 : (pos > last ? last : pos);
    const int64_t base = floorOf(pos);
    return {base, base + 1 < size ? base + 1 : base, weightOf(pos, base)};
}

// What every row of one frame shares, and its per-view-column tables: the
// signed column term colA[u] = +-a[j], its shear colAq[u] = +-a[j] * q and
// b[j]; the two source columns of every view column and the weight pair (a level view's for the
// whole frame, a tilted view's per row), and a row's two source row offsets and weights.
struct SmoothFrame {
    const uint32_t *image;
    int64_t width, height;
    double xPos, hs;
    int dy;
    int vpWidth, vpHeight;
    bool wrap, level;
    double *colA, *colAq, *colB;
    int32_t *x0, *x1, *wx;
    int32_t *y0, *y1, *wy;
    uint32_t *view;
};

inline Neighbours columnsAt(const SmoothFrame &f, double col)
{
    return f.wrap ? wrapped(col, f.width) : clamped(col, f.width);
}

inline void setColumns(const SmoothFrame &f, int u, double col)
{
    const Neighbours x = columnsAt(f, col);
    f.x0[u] = static_cast<int32_t>(x.first);
    f.x1[u] = static_cast<int32_t>(x.second);
    f.wx[u] = weightPair(x.weight);
}

// One tilted column from its position, clamped to 0 .. hi: wrapped once
// either way (Wrap, positions shifted by a width) or clamped to the edge.
template <bool Wrap>
inline void shearedColumn(double pos, double hi, int32_t width, int32_t *x0, int32_t *x1,
                          int32_t *wx)
{
    pos = pos < 0 ? 0 : pos;
    pos = pos > hi ? hi : pos;
    auto base = static_cast<int32_t>(pos);
    *wx = weightPair(static_cast<int32_t>((pos - base) * kWeightOne + 0.5));
    if (Wrap) {
        base -= width;
        base += base < 0 ? width : 0;
        base -= base >= width ? width : 0;
        *x1 = base + 1 == width ? 0 : base + 1;
    } else {
        *x1 = base + 1 < width ? base + 1 : base;
    }
    *x0 = base;
}

#if defined(__SSE2__)
// Four tilted columns u .. u+3 at once, the same arithmetic as shearedColumn;
// returns the lanes whose positions lay within 0 .. hi.
template <bool Wrap>
inline __m128d shearedColumns4(const SmoothFrame &f, int u, double xPos, double t, double hi,
                               int32_t width)
{
    const __m128d zero = _mm_setzero_pd(), top = _mm_set1_pd(hi);
    __m128i bases[2], weights[2];
    __m128d inside = _mm_castsi128_pd(_mm_set1_epi32(-1));
    for (int h = 0; h < 2; ++h) {
        const int k = u + 2 * h;
        const __m128d shear = _mm_mul_pd(_mm_set1_pd(t), _mm_loadu_pd(f.colB + k));
        __m128d pos = _mm_add_pd(_mm_add_pd(_mm_set1_pd(xPos), _mm_loadu_pd(f.colA + k)),
                                 _mm_mul_pd(_mm_loadu_pd(f.colAq + k), shear));
        inside = _mm_and_pd(inside, _mm_and_pd(_mm_cmpge_pd(pos, zero), _mm_cmple_pd(pos, top)));
        pos = _mm_min_pd(_mm_max_pd(pos, zero), top);
        bases[h] = _mm_cvttpd_epi32(pos);
        const __m128d frac = _mm_sub_pd(pos, _mm_cvtepi32_pd(bases[h]));
        weights[h] = _mm_cvttpd_epi32(
            _mm_add_pd(_mm_mul_pd(frac, _mm_set1_pd(kWeightOne)), _mm_set1_pd(0.5)));
    }
    const __m128i w = _mm_set1_epi32(width), one = _mm_set1_epi32(1);
    const __m128i weight = _mm_unpacklo_epi64(weights[0], weights[1]);
    __m128i base = _mm_unpacklo_epi64(bases[0], bases[1]), next;
    if (Wrap) {
        base = _mm_sub_epi32(base, w);
        base = _mm_add_epi32(base, _mm_and_si128(_mm_cmplt_epi32(base, _mm_setzero_si128()), w));
        base = _mm_sub_epi32(base, _mm_andnot_si128(_mm_cmpgt_epi32(w, base), w));
        next = _mm_add_epi32(base, one);
        next = _mm_andnot_si128(_mm_cmpeq_epi32(next, w), next);
    } else {
        // base + 1 where that is still inside: the mask is -1 there.
        next = _mm_sub_epi32(base, _mm_cmpgt_epi32(w, _mm_add_epi32(base, one)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(f.x0 + u), base);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(f.x1 + u), next);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(f.wx + u),
                     _mm_or_si128(_mm_slli_epi32(weight, 16),
                                  _mm_sub_epi32(_mm_set1_epi32(kWeightOne), weight)));
    return inside;
}
#endif

// A tilted row's columns, without branches: within a width of the image,
// a full circle's wrap is one step either way; only a row sheared further
// takes the general wrap.
template <bool Wrap>
void shearedColumns(const SmoothFrame &f, double t)
{
    // Locals: a store through the tables may alias the frame record.
    const int n = f.vpWidth;
    const double *colA = f.colA, *colAq = f.colAq, *colB = f.colB;
    int32_t *x0 = f.x0, *x1 = f.x1, *wx = f.wx;
    const auto width = static_cast<int32_t>(f.width);
    const double w = static_cast<double>(f.width), xPos = f.xPos + (Wrap ? w : 0);
    const double hi = Wrap ? 3 * w - 1 : w - 1;
    bool beyond = false;
    int u = 0;
#if defined(__SSE2__)
    __m128d inside = _mm_castsi128_pd(_mm_set1_epi32(-1));
    for (; u + 4 <= n; u += 4)
        inside = _mm_and_pd(inside, shearedColumns4<Wrap>(f, u, xPos, t, hi, width));
    beyond = _mm_movemask_pd(inside) != 3;
#endif
    for (; u < n; ++u) {
        const double pos = xPos + colA[u] + colAq[u] * (t * colB[u]);  // >= 0 unless beyond
        if (Wrap) beyond |= !(pos >= 0 && pos <= hi);
        shearedColumn<Wrap>(pos, hi, width, x0 + u, x1 + u, wx + u);
    }
    if (Wrap && beyond)
        for (u = 0; u < n; ++u) setColumns(f, u, f.xPos + colA[u] + colAq[u] * (t * colB[u]));
}

// View row r: source row hs + t * b[j] for row distance t, source column
// xPos +- a[j] * (1 + t * b[j] * q), the shear's continuous form. The
// positions go first (a loop without branches for the rows), the blends
// after.
void smoothRow(const SmoothFrame &f, int r)
{
    // Locals: a store through the tables may alias the frame record.
    const int n = f.vpWidth;
    const double *colB = f.colB;
    int32_t *y0 = f.y0, *y1 = f.y1, *wy = f.wy;
    const double t = f.dy + r - f.vpHeight / 2, hs = f.hs;
    const double last = static_cast<double>(f.height - 1);
    const auto width = static_cast<int32_t>(f.width), lastRow = static_cast<int32_t>(f.height - 1);
    for (int u = 0; u < n; ++u) {
        double pos = hs + t * colB[u];
        pos = pos < 0 ? 0 : pos;
        pos = pos > last ? last : pos;
        const auto base = static_cast<int32_t>(pos);  // pos >= 0: truncation is the floor
        y0[u] = base * width;
        y1[u] = (base < lastRow ? base + 1 : base) * width;
        wy[u] = weightPair(static_cast<int32_t>((pos - base) * kWeightOne + 0.5));
    }
    if (!f.level) f.wrap ? shearedColumns<true>(f, t) : shearedColumns<false>(f, t);
    uint32_t *out = f.view + static_cast<ptrdiff_t>(r) * n;
    const uint32_t *image = f.image;
    const int32_t *x0 = f.x0, *x1 = f.x1, *wx = f.wx;
    // The blend is long enough that few loads are in flight at once: source
    // lines are fetched kAhead pixels early, the misses overlapped.
    constexpr int kAhead = 24;
    const int ahead = n > kAhead ? n - kAhead : 0;
    for (int u = 0; u < n; ++u) {
        if (u < ahead) {
            __builtin_prefetch(image + y0[u + kAhead] + x0[u + kAhead]);
            __builtin_prefetch(image + y1[u + kAhead] + x0[u + kAhead]);
        }
        const uint32_t *row0 = image + y0[u], *row1 = image + y1[u];
        out[u] = blend(row0[x0[u]], row0[x1[u]], row1[x0[u]], row1[x1[u]], wx[u], wy[u]);
    }
}

// The per-view-column tables after the lens's column terms a and b, all
// in one block.
size_t frameBytes(int columns, int vpWidth)
{
    return sizeof(double) * (2 * static_cast<size_t>(columns) + 3 * static_cast<size_t>(vpWidth)) +
           6 * sizeof(int32_t) * static_cast<size_t>(vpWidth);
}

void carve(SmoothFrame &f, void *block, int columns, double **a, double **b)
{
    *a = static_cast<double *>(block);
    *b = *a + columns;
    f.colA = *b + columns;
    f.colAq = f.colA + f.vpWidth;
    f.colB = f.colAq + f.vpWidth;
    f.x0 = reinterpret_cast<int32_t *>(f.colB + f.vpWidth);
    f.x1 = f.x0 + f.vpWidth;
    f.wx = f.x1 + f.vpWidth;
    f.y0 = f.wx + f.vpWidth;
    f.y1 = f.y0 + f.vpWidth;
    f.wy = f.y1 + f.vpWidth;
}

void fillColumns(const SmoothFrame &f, const double *a, const double *b, double q)
{
    const int half = f.vpWidth / 2;
    for (int u = 0; u < f.vpWidth; ++u) {
        const int j = u < half ? half - u : u - half;
        const double tau = u < half ? -1.0 : 1.0;
        f.colA[u] = tau * a[j];
        f.colAq[u] = tau * a[j] * q;
        f.colB[u] = b[j];
        if (f.level) setColumns(f, u, f.xPos + f.colA[u]);
    }
}

}  // namespace

bool renderSmooth(Panorama *rec)
{
    const int columns = lensColumns(rec);
    std::unique_ptr<void, BlockFree> block(allocBlock(frameBytes(columns, rec->vpWidth)));
    if (!block) return false;
    const int hs = rec->srcHeight / 2;
    const double q = tiltFactor(rec);
    SmoothFrame f;
    f.image = reinterpret_cast<const uint32_t *>(rec->imageBits);
    f.width = rec->srcWidth;
    f.height = rec->srcHeight;
    f.xPos = rec->xPos;
    f.hs = hs;
    f.dy = rec->yPos - hs;
    f.vpWidth = rec->vpWidth;
    f.vpHeight = rec->vpHeight;
    f.wrap = rec->angle == 360;
    f.level = q == 0.0;
    f.view = reinterpret_cast<uint32_t *>(rec->viewBits);
    double *a, *b;
    carve(f, block.get(), columns, &a, &b);
    lensColumnTerms(rec, a, b);
    fillColumns(f, a, b, q);
    for (int r = 0; r < f.vpHeight; ++r) smoothRow(f, r);
    return true;
}

const void *kal::renderSmoothView(HPANORAMA pano)
{
    if (!pano) {
        setError(nullptr, KAL_ERR_PARAM);
        return nullptr;
    }
    // Without the room for the column terms the nearest frame stands in.
    if (pano->pixelBytes != 4 || !renderSmooth(pano)) return kal_GetView(pano, nullptr);
    setError(pano, KAL_ERR_NONE);
    return pano->viewBits;
}

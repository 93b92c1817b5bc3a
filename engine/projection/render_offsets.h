// The first pass of a tilted span: the source offsets, from the view
// centre's source row, of a block of lens columns in up to four quadrants.
// With SSE2, four lens entries at a time: a lens entry is the 16-bit pair
// (X, Y), so one multiply-add against (0, width) gives Y * width and one
// against (0, shear factor) gives Y * factor.
#ifndef KAL_RENDER_OFFSETS_H
#define KAL_RENDER_OFFSETS_H

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Column tables of one chunk of lens columns, filled once per render:
// colRight[k] and colLeft[k] are the source columns of lens column j0 + k
// right and left of the centre (for a level view already wrapped or clamped,
// for a tilted one before the shear), shear[k] its shear factor, and
// shearHigh[k] that factor in the upper 16 bits, or null when the factors or
// the image width do not fit 16 bits.
struct ColumnTables {
    const int32_t *colRight;
    const int32_t *colLeft;
    const int32_t *shear;
    const int32_t *shearHigh;
};

// How a tilted span keeps its columns in the image: not at all (the row's
// columns are known to lie inside), by one wrap (a full circle whose row
// columns lie within one image width of it: down from above the image, up
// from below it, or either), or by the nearest edge (a partial panorama).
enum class ColumnFix { None, WrapHigh, WrapLow, Wrap, Clamp };

template <ColumnFix Fix>
inline int32_t fixColumn(int32_t col, int32_t width)
{
    if (Fix == ColumnFix::Wrap || Fix == ColumnFix::WrapLow) col += col < 0 ? width : 0;
    if (Fix == ColumnFix::Wrap || Fix == ColumnFix::WrapHigh) col -= col >= width ? width : 0;
    if (Fix == ColumnFix::Clamp) {
        col = col < 0 ? 0 : col;
        col = col >= width ? width - 1 : col;
    }
    return col;
}

#if defined(__SSE2__)
template <ColumnFix Fix>
inline __m128i fixColumns(__m128i col, __m128i width)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i last = _mm_sub_epi32(width, _mm_set1_epi32(1));
    if (Fix == ColumnFix::Wrap || Fix == ColumnFix::WrapLow)
        col = _mm_add_epi32(col, _mm_and_si128(_mm_cmpgt_epi32(zero, col), width));
    if (Fix == ColumnFix::Wrap || Fix == ColumnFix::WrapHigh)
        col = _mm_sub_epi32(col, _mm_and_si128(_mm_cmpgt_epi32(col, last), width));
    if (Fix == ColumnFix::Clamp) {
        col = _mm_andnot_si128(_mm_cmpgt_epi32(zero, col), col);
        const __m128i over = _mm_cmpgt_epi32(col, last);
        col = _mm_or_si128(_mm_and_si128(over, last), _mm_andnot_si128(over, col));
    }
    return col;
}
#endif

struct QuadrantOffsets {
    int32_t *right, *left, *pairRight, *pairLeft;
};

template <bool Pair, int Sigma, ColumnFix Fix>
inline void tiltedOffsets(int m, const uint32_t *lens, const ColumnTables &t, int32_t width,
                          const QuadrantOffsets &o)
{
    int k = 0;
#if defined(__SSE2__)
    if (t.shearHigh) {
        const __m128i widthHigh =
            _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(width) << 16));
        const __m128i zero = _mm_setzero_si128();
        const __m128i widthAll = _mm_set1_epi32(width);
        auto fix = [&widthAll](__m128i col) { return fixColumns<Fix>(col, widthAll); };
        auto load = [](const void *p) { return _mm_loadu_si128(static_cast<const __m128i *>(p)); };
        auto store = [](int32_t *p, __m128i v) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v);
        };
        for (; k + 4 <= m; k += 4) {
            const __m128i entries = load(lens + k);
            const __m128i rowOffset = _mm_madd_epi16(entries, widthHigh);
            __m128i p = _mm_madd_epi16(entries, load(t.shearHigh + k));
            if (Sigma < 0) p = _mm_sub_epi32(zero, p);
            const __m128i a = _mm_srai_epi32(p, 8);
            const __m128i row = Sigma > 0 ? rowOffset : _mm_sub_epi32(zero, rowOffset);
            const __m128i right = load(t.colRight + k), left = load(t.colLeft + k);
            store(o.right + k, _mm_add_epi32(row, fix(_mm_add_epi32(right, a))));
            store(o.left + k, _mm_add_epi32(row, fix(_mm_sub_epi32(left, a))));
            if (Pair) {  // the row at -i shears the other way
                const __m128i aPair = _mm_srai_epi32(_mm_sub_epi32(zero, p), 8);
                store(o.pairRight + k, _mm_sub_epi32(fix(_mm_add_epi32(right, aPair)), rowOffset));
                store(o.pairLeft + k, _mm_sub_epi32(fix(_mm_sub_epi32(left, aPair)), rowOffset));
            }
        }
    }
#endif
    for (; k < m; ++k) {
        const int32_t yv = static_cast<int32_t>(lens[k]) >> 16;
        const int32_t rowOffset = yv * width;
        const int32_t p = Sigma * yv * t.shear[k];
        o.right[k] = Sigma * rowOffset + fixColumn<Fix>(t.colRight[k] + (p >> 8), width);
        o.left[k] = Sigma * rowOffset + fixColumn<Fix>(t.colLeft[k] - (p >> 8), width);
        if (Pair) {
            o.pairRight[k] = fixColumn<Fix>(t.colRight[k] + ((-p) >> 8), width) - rowOffset;
            o.pairLeft[k] = fixColumn<Fix>(t.colLeft[k] - ((-p) >> 8), width) - rowOffset;
        }
    }
}

#endif

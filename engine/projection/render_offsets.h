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

struct QuadrantOffsets {
    int32_t *right, *left, *pairRight, *pairLeft;
};

template <bool Pair, int Sigma>
inline void tiltedOffsets(int m, const uint32_t *lens, const ColumnTables &t, int32_t width,
                          const QuadrantOffsets &o)
{
    int k = 0;
#if defined(__SSE2__)
    if (t.shearHigh) {
        const __m128i widthHigh = _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(width) << 16));
        const __m128i zero = _mm_setzero_si128();
        auto load = [](const void *p) { return _mm_loadu_si128(static_cast<const __m128i *>(p)); };
        auto store = [](int32_t *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); };
        for (; k + 4 <= m; k += 4) {
            const __m128i entries = load(lens + k);
            const __m128i rowOffset = _mm_madd_epi16(entries, widthHigh);
            __m128i p = _mm_madd_epi16(entries, load(t.shearHigh + k));
            if (Sigma < 0) p = _mm_sub_epi32(zero, p);
            const __m128i a = _mm_srai_epi32(p, 8);
            const __m128i row = Sigma > 0 ? rowOffset : _mm_sub_epi32(zero, rowOffset);
            const __m128i right = load(t.colRight + k), left = load(t.colLeft + k);
            store(o.right + k, _mm_add_epi32(_mm_add_epi32(row, right), a));
            store(o.left + k, _mm_sub_epi32(_mm_add_epi32(row, left), a));
            if (Pair) {  // the row at -i shears the other way
                const __m128i aPair = _mm_srai_epi32(_mm_sub_epi32(zero, p), 8);
                store(o.pairRight + k, _mm_sub_epi32(_mm_add_epi32(right, aPair), rowOffset));
                store(o.pairLeft + k, _mm_sub_epi32(_mm_sub_epi32(left, aPair), rowOffset));
            }
        }
    }
#endif
    for (; k < m; ++k) {
        const int32_t yv = static_cast<int32_t>(lens[k]) >> 16;
        const int32_t rowOffset = yv * width;
        const int32_t p = Sigma * yv * t.shear[k];
        o.right[k] = Sigma * rowOffset + t.colRight[k] + (p >> 8);
        o.left[k] = Sigma * rowOffset + t.colLeft[k] - (p >> 8);
        if (Pair) {
            o.pairRight[k] = t.colRight[k] + ((-p) >> 8) - rowOffset;
            o.pairLeft[k] = t.colLeft[k] - ((-p) >> 8) - rowOffset;
        }
    }
}

#endif

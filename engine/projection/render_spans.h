// The specialised inner loops of the renderer. Each is named by what its
// caller guarantees for the whole span: the side (Tau: +1 right half, -1
// left half, which also sets the direction in which the view row is
// written) or both sides at once, the sign of the row distance (Sigma),
// whether the row's partner at -i comes along (Pair), whether a shear
// applies, and how columns are kept inside the image. No branch, division
// or floating point inside.
#ifndef KAL_RENDER_SPANS_H
#define KAL_RENDER_SPANS_H

#include <cstddef>
#include <cstdint>

#include "projection/render_offsets.h"

// How the two rows of a pair are copied: with 32-bit pointers (seven general
// registers) one row after the other, so that a loop over one row keeps its
// pointers in registers, which pays more than reading each lens entry once
// for both; with 64-bit pointers jointly. KAL_SPLIT_ROW_PAIRS (0 or 1)
// forces either, so both loops are tested on every machine.
#ifdef KAL_SPLIT_ROW_PAIRS
constexpr bool kSplitRowPairs = KAL_SPLIT_ROW_PAIRS != 0;
#else
constexpr bool kSplitRowPairs = sizeof(void *) < 8;
#endif

// Lens columns j0 .. j1-1 of one row half whose columns all lie in one
// straight stretch of the image: origin is the source pixel (row hs, column
// xPos) moved by the stretch's wrap shift, so every sample is
// origin[Ys * width + Tau * (X + a)]. out is the view pixel of lens column j0.
template <int Tau, int Sigma, bool Sheared>
inline void straightSpan(uint8_t *out, const uint32_t *lensRow, int j0, int j1,
                         const uint8_t *origin, ptrdiff_t width, const int32_t *shear)
{
    for (int j = j0; j < j1; ++j, out += Tau) {
        const uint32_t entry = lensRow[j];
        const int x = static_cast<int>(entry & 0xFFFFu);
        const int ys = Sigma * (static_cast<int32_t>(entry) >> 16);
        int c = x;
        if (Sheared) c += (ys * shear[x]) >> 8;
        *out = origin[ys * width + Tau * c];
    }
}

// Both halves of one view row (Pair false, sign Sigma) or of the two rows
// at +i and -i that share lens row i (Pair true: out is the row at +i,
// outPair the row at -i), for lens columns j0 .. j0+n-1 present in both
// halves. out and outPair point at the view pixel of lens column j0 in the
// right half; the left half's pixel of the same lens column lies 2 * j0
// columns to its left. centre is the first pixel of source row hs; every
// sample lies within +-2^31 pixels of it.

// One row of a level view, both halves: out is the view pixel of lens
// column j0 in the right half.
template <int Sigma>
inline void levelRow(uint8_t *out, int j0, int n, const uint32_t *lens, const ColumnTables &t,
                     const uint8_t *centre, int32_t width)
{
    // Local copies: a pixel store may alias the tables record.
    const int32_t *colRight = t.colRight, *colLeft = t.colLeft;
    uint8_t *outLeft = out - 2 * j0;
#pragma GCC unroll 2
    for (int k = 0; k < n; ++k) {
        const ptrdiff_t rowOffset = ptrdiff_t{static_cast<int32_t>(lens[k]) >> 16} * width;
        const uint8_t *row = centre + Sigma * rowOffset;
        out[k] = row[colRight[k]];
        outLeft[-k] = row[colLeft[k]];
    }
}

// A level view: the columns come wrapped or clamped from the tables, one
// lens entry serves up to four pixels (two rows of a pair at once unless
// kSplitRowPairs).
template <bool Pair, int Sigma>
inline void levelSpan(uint8_t *out, uint8_t *outPair, int j0, int n, const uint32_t *lens,
                      const ColumnTables &t, const uint8_t *centre, int32_t width)
{
    if constexpr (kSplitRowPairs) {
        levelRow<Sigma>(out, j0, n, lens, t, centre, width);
        if (Pair) levelRow<-1>(outPair, j0, n, lens, t, centre, width);
        return;
    }
    uint8_t *outLeft = out - 2 * j0;
    uint8_t *outPairLeft = Pair ? outPair - 2 * j0 : nullptr;
#pragma GCC unroll 2
    for (int k = 0; k < n; ++k) {
        const ptrdiff_t rowOffset = ptrdiff_t{static_cast<int32_t>(lens[k]) >> 16} * width;
        const ptrdiff_t right = t.colRight[k], left = t.colLeft[k];
        const uint8_t *row = centre + Sigma * rowOffset;
        out[k] = row[right];
        outLeft[-k] = row[left];
        if (Pair) {
            const uint8_t *rowPair = centre - rowOffset;
            outPair[k] = rowPair[right];
            outPairLeft[-k] = rowPair[left];
        }
    }
}

// A tilted view; Fix says how its columns are kept inside the image.
// Blocks of lens columns go in two passes: the source offsets of a block
// first (four lens entries at a time where the processor allows), then the
// pixel copies, which are then a gather as cheap as from a per-pixel table.
template <bool Pair, int Sigma, ColumnFix Fix>
inline void tiltedSpan(uint8_t *out, uint8_t *outPair, int j0, int n, const uint32_t *lens,
                       const ColumnTables &t, const uint8_t *centre, int32_t width)
{
    constexpr int kBlock = 128;
    constexpr bool kJointCopy = !kSplitRowPairs;
    int32_t offRight[kBlock], offLeft[kBlock], offPairRight[kBlock], offPairLeft[kBlock];
    uint8_t *outLeft = out - 2 * j0;
    uint8_t *outPairLeft = Pair ? outPair - 2 * j0 : nullptr;
    for (int b = 0; b < n; b += kBlock) {
        const int m = n - b < kBlock ? n - b : kBlock;
        const ColumnTables block = {t.colRight + b, t.colLeft + b, t.shear + b,
                                    t.shearHigh ? t.shearHigh + b : nullptr};
        tiltedOffsets<Pair, Sigma, Fix>(m, lens + b, block, width,
                                        {offRight, offLeft, offPairRight, offPairLeft});
        for (int k = 0; k < m; ++k) {
            out[b + k] = centre[offRight[k]];
            outLeft[-(b + k)] = centre[offLeft[k]];
            if (Pair && kJointCopy) {
                outPair[b + k] = centre[offPairRight[k]];
                outPairLeft[-(b + k)] = centre[offPairLeft[k]];
            }
        }
        if (Pair && !kJointCopy) {
            for (int k = 0; k < m; ++k) {
                outPair[b + k] = centre[offPairRight[k]];
                outPairLeft[-(b + k)] = centre[offPairLeft[k]];
            }
        }
    }
}

#endif

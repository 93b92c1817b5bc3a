// The bilinear blend of four RGBA pixels that every resting frame uses, and
// the fixed-point weights it takes.
#ifndef KAL_BILINEAR_BLEND_H
#define KAL_BILINEAR_BLEND_H

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kal {

// Weights are fixed point with kWeightBits fraction bits: fine enough that
// a blend stays within a hundredth of a level of the exact one.
constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;

// The tables keep a weight w as the 16-bit pair (1 - w, w), the form the
// blend multiplies by.
inline int32_t weightPair(int32_t w)
{
    return (w << 16) | (kWeightOne - w);
}

// The bilinear blend of four RGBA pixels by weight pairs, rounded per
// channel: along the rows first, kept to 15 bits, then across them.
inline uint32_t blend(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, int32_t wxPair,
                      int32_t wyPair)
{
    constexpr int kKeep = kWeightBits - 7;  // bits the row blends drop
    constexpr int kShift = kWeightBits + kKeep;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    // Channel pairs (first, second) as 16-bit lanes, against (1 - w, w).
    auto pairs = [&zero](uint32_t a, uint32_t b) {
        const __m128i bytes = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(a)),
                                                _mm_cvtsi32_si128(static_cast<int>(b)));
        return _mm_unpacklo_epi8(bytes, zero);
    };
    const __m128i wxs = _mm_set1_epi32(wxPair);
    const __m128i top = _mm_srli_epi32(_mm_madd_epi16(pairs(p00, p01), wxs), kKeep);
    const __m128i bottom = _mm_srli_epi32(_mm_madd_epi16(pairs(p10, p11), wxs), kKeep);
    __m128i sum =
        _mm_madd_epi16(_mm_or_si128(top, _mm_slli_epi32(bottom, 16)), _mm_set1_epi32(wyPair));
    sum = _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << (kShift - 1))), kShift);
    const __m128i words = _mm_packs_epi32(sum, zero);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, zero)));
#else
    const int32_t wx = wxPair >> 16, wy = wyPair >> 16;
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        auto at = [shift](uint32_t p) { return static_cast<int32_t>((p >> shift) & 0xFF); };
        const int32_t top = (at(p00) * (kWeightOne - wx) + at(p01) * wx) >> kKeep;
        const int32_t bottom = (at(p10) * (kWeightOne - wx) + at(p11) * wx) >> kKeep;
        const int32_t v = (top * (kWeightOne - wy) + bottom * wy + (1 << (kShift - 1))) >> kShift;
        out |= static_cast<uint32_t>(v) << shift;
    }
    return out;
#endif
}

}  // namespace kal

#endif

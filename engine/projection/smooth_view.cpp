// The resting frame of a colour panorama: every view pixel bilinear from the
// exact source position of which the lens entries are the roundings.
#include "core/colour_panorama.h"
#include "projection/projection.h"
#include "projection/smooth_view.h"

#include <cstdint>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct BlockFree {
    void operator()(double *p) const { freeBlock(p); }
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
    float weight;
};

inline Neighbours wrapped(double pos, int64_t size)
{
    int64_t base = floorOf(pos);
    const auto weight = static_cast<float>(pos - static_cast<double>(base));
    base %= size;
    if (base < 0) base += size;
    return {base, base + 1 == size ? 0 : base + 1, weight};
}

inline Neighbours clamped(double pos, int64_t size)
{
    const double last = static_cast<double>(size - 1);
    pos = pos < 0 ? 0 : (pos > last ? last : pos);
    const int64_t base = floorOf(pos);
    return {base, base + 1 < size ? base + 1 : base,
            static_cast<float>(pos - static_cast<double>(base))};
}

// The bilinear blend of four RGBA pixels, rounded per channel.
inline uint32_t blend(uint32_t p00, uint32_t p01, uint32_t p10, uint32_t p11, float wx, float wy)
{
    const float w00 = (1 - wx) * (1 - wy), w01 = wx * (1 - wy), w10 = (1 - wx) * wy, w11 = wx * wy;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    auto channels = [&zero](uint32_t p) {
        const __m128i bytes = _mm_cvtsi32_si128(static_cast<int>(p));
        return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));
    };
    __m128 sum = _mm_mul_ps(channels(p00), _mm_set1_ps(w00));
    sum = _mm_add_ps(sum, _mm_mul_ps(channels(p01), _mm_set1_ps(w01)));
    sum = _mm_add_ps(sum, _mm_mul_ps(channels(p10), _mm_set1_ps(w10)));
    sum = _mm_add_ps(sum, _mm_mul_ps(channels(p11), _mm_set1_ps(w11)));
    const __m128i ints = _mm_cvttps_epi32(_mm_add_ps(sum, _mm_set1_ps(0.5f)));
    const __m128i words = _mm_packs_epi32(ints, zero);
    return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, zero)));
#else
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        auto at = [shift](uint32_t p) { return static_cast<float>((p >> shift) & 0xFF); };
        const float v = at(p00) * w00 + at(p01) * w01 + at(p10) * w10 + at(p11) * w11;
        out |= static_cast<uint32_t>(v + 0.5f) << shift;
    }
    return out;
#endif
}

// What every row of one frame shares.
struct SmoothFrame {
    const uint32_t *image;
    int64_t width, height;
    double xPos, hs;
    int dy;
    int vpWidth, vpHeight, half;
    bool wrap;
    const double *a, *aq, *b;  // per lens column: a[j], a[j] * q, b[j]
    uint32_t *view;
};

// View row r: source row hs + t * b[j] for row distance t, source column
// xPos +- a[j] * (1 + t * b[j] * q), the shear's continuous form.
void smoothRow(const SmoothFrame &f, int r)
{
    const int t = f.dy + r - f.vpHeight / 2;
    uint32_t *out = f.view + static_cast<ptrdiff_t>(r) * f.vpWidth;
    for (int u = 0; u < f.vpWidth; ++u) {
        const int j = u < f.half ? f.half - u : u - f.half;
        const double tau = u < f.half ? -1.0 : 1.0;
        const double ys = t * f.b[j];
        const double col = f.xPos + tau * (f.a[j] + f.aq[j] * ys);
        const Neighbours x = f.wrap ? wrapped(col, f.width) : clamped(col, f.width);
        const Neighbours y = clamped(f.hs + ys, f.height);
        const uint32_t *row0 = f.image + y.first * f.width, *row1 = f.image + y.second * f.width;
        out[u] =
            blend(row0[x.first], row0[x.second], row1[x.first], row1[x.second], x.weight, y.weight);
    }
}

}  // namespace

bool renderSmooth(Panorama *rec)
{
    const int columns = lensColumns(rec);
    std::unique_ptr<double[], BlockFree> terms(
        static_cast<double *>(allocBlock(sizeof(double) * 3 * static_cast<size_t>(columns))));
    if (!terms) return false;
    double *a = terms.get(), *aq = a + columns, *b = aq + columns;
    lensColumnTerms(rec, a, b);
    const double q = tiltFactor(rec);
    for (int j = 0; j < columns; ++j) aq[j] = a[j] * q;

    const int hs = rec->srcHeight / 2;
    SmoothFrame f;
    f.image = reinterpret_cast<const uint32_t *>(rec->imageBits);
    f.width = rec->srcWidth;
    f.height = rec->srcHeight;
    f.xPos = rec->xPos;
    f.hs = hs;
    f.dy = rec->yPos - hs;
    f.vpWidth = rec->vpWidth;
    f.vpHeight = rec->vpHeight;
    f.half = rec->vpWidth / 2;
    f.wrap = rec->angle == 360;
    f.a = a;
    f.aq = aq;
    f.b = b;
    f.view = reinterpret_cast<uint32_t *>(rec->viewBits);
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

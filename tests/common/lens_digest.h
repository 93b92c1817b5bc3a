// Digests of whole lens tables for a few geometries and zooms, so that the
// i686 build can be checked to compute exactly the tables of the native one.
#ifndef KAL_LENS_DIGEST_H
#define KAL_LENS_DIGEST_H

#include <cstddef>
#include <cstdint>

namespace kaltest {

// FNV-1a over the entries' bytes, low byte first.
inline uint64_t lensDigest(const uint32_t *lens, size_t count)
{
    uint64_t h = 1469598103934665603ull;
    for (size_t k = 0; k < count; ++k)
        for (int b = 0; b < 4; ++b) {
            h ^= (lens[k] >> (8 * b)) & 0xFF;
            h *= 1099511628211ull;
        }
    return h;
}

struct LensDigestCase {
    int width, height, angle, horizon, vpWidth, vpHeight, zPos;
    uint64_t digest;
};

// Golden digests computed by the native build.
constexpr LensDigestCase kLensDigests[] = {
    {1284, 480, 360, 0, 320, 240, 0, 0x84686fe1e0bc1933ull},
    {1284, 480, 360, 0, 320, 240, 50, 0x41585982d2a49340ull},
    {1284, 480, 360, 0, 320, 240, 203, 0x8a7109ee8bb12563ull},
    {2048, 480, 360, 0, 320, 240, -195, 0xb41392adca14a85eull},
    {1284, 480, 180, 0, 320, 240, 100, 0x6d78c04a93e759d6ull},
    {2048, 480, 360, -37, 500, 300, 120, 0xf23ddf061efd3cb4ull},
    {324, 240, 90, 12, 320, 240, 7, 0x29f483f6f214eec7ull},
};

}  // namespace kaltest

#endif

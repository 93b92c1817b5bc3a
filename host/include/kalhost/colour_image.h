// A decoded true-colour image owned by the program: RGBA pixels, rows
// bottom-up, as the engine's continuous views take them.
#ifndef KALHOST_COLOUR_IMAGE_H
#define KALHOST_COLOUR_IMAGE_H

#include <cstdint>
#include <vector>

namespace kalhost {

// Bytes R, G, B, A in memory order (a little-endian word 0xAABBGGRR).
inline uint32_t rgba(uint32_t r, uint32_t g, uint32_t b)
{
    return r | g << 8 | b << 16 | 0xFF000000u;
}

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // width x height, bottom row first
};

// Decodes above this many pixels are refused outright (4 GiB of RGBA); below
// it a larger image than the engine takes is decoded, then scaled down.
constexpr int64_t kMaxDecodePixels = int64_t{1} << 30;

}  // namespace kalhost

#endif

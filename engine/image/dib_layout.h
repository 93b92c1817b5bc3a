// Layout arithmetic of 8-bit DIBs shared by the loader and the scaler:
// overflow-checked strides and block sizes, colour-table counts.
#ifndef KAL_DIB_LAYOUT_H
#define KAL_DIB_LAYOUT_H

#include "core/panorama.h"

#include <cstdint>
#include <cstring>

namespace dib {

constexpr size_t kHeaderBytes = 40;
constexpr size_t kTableBytes = 256 * 4;
constexpr size_t kInfoBytes = kHeaderBytes + kTableBytes;  // 1064

// Row stride in bytes of an image of this many bits per pixel and width:
// (bitCount * width + 31) with the low five bits cleared, over 8.
constexpr uint64_t rowStride(unsigned bitCount, uint64_t width)
{
    return ((bitCount * width + 31) & ~uint64_t{31}) / 8;
}

// Colour entries stored with an image: biClrUsed when 1..255, else 256.
constexpr unsigned storedColors(DWORD clrUsed)
{
    return clrUsed > 0 && clrUsed < 256 ? static_cast<unsigned>(clrUsed) : 256u;
}

// Bytes of the pixel rows of a positive-sized 8-bit image, or 0 when the
// size is not positive or the rows plus `extra` bytes exceed kMaxBlockBytes.
inline size_t pixelBytes(LONG width, LONG height, size_t extra)
{
    if (width <= 0 || height <= 0) return 0;
    uint64_t bytes = rowStride(8, static_cast<uint64_t>(width)) * static_cast<uint64_t>(height);
    if (bytes > kMaxBlockBytes - extra) return 0;
    return static_cast<size_t>(bytes);
}

// Clears the bytes of every row beyond `width`, so that no block leaves the
// engine with undefined padding.
inline void clearRowPadding(uint8_t *rows, size_t width, size_t stride, size_t height)
{
    if (width >= stride) return;
    for (size_t r = 0; r < height; ++r) std::memset(rows + r * stride + width, 0, stride - width);
}

}  // namespace dib

#endif

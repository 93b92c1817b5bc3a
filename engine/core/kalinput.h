// Public: what programs read their input with, beside kalengine.h and
// colour_panorama.h: the image size limits, BMP bytes loaded from memory,
// little-endian header fields and the attribute text reader. Beside the DLL
// (which exports only C) the memory loader is not there, and programs build
// the attribute reader in themselves.
#ifndef KAL_INPUT_H
#define KAL_INPUT_H

#include "core/kalengine.h"

#include <cstddef>
#include <cstdint>

namespace kal {

// Widest image whose radius product width * 92160 stays in 32 bits.
constexpr int kMaxImageWidth = INT32_MAX / 92160;
// Tallest image of either pixel kind: srcHeight is 16-bit.
constexpr int kMaxImageHeight = 65535;
// Largest radius: zoom depths up to radius - 1 must fit the 16-bit zPos.
constexpr int kMaxRadius = 32767;

// The widest image a panorama of `angle` degrees (1..360) takes, of either
// pixel kind: the radius and width limits together. 0 for a bad angle.
constexpr int maxImageWidth(int angle)
{
    if (angle < 1 || angle > 360) return 0;
    // The cylinder radius (width * 92160) / (angle * 1608) <= kMaxRadius,
    // solved for the width.
    const int64_t byRadius = (int64_t{kMaxRadius + 1} * angle * 1608 - 1) / 92160;
    return static_cast<int>(byRadius < kMaxImageWidth ? byRadius : kMaxImageWidth);
}

}  // namespace kal

namespace dib {

// The one reader of little-endian fields in stored headers (BMP files).
inline uint32_t readLe32(const uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}

// kal_LoadDIB's loader over BMP bytes in memory (a resource, or a file the
// program has read itself). `wholeFile`: the data starts with a 14-byte file
// header. Null when the bytes are no BMP the engine takes.
void *loadDibMemory(const uint8_t *data, size_t size, bool wholeFile, BITMAPINFO *bitsInfo);

}  // namespace dib

// The attribute text being read: `length` bytes from `chars`; a NUL inside is
// a plain byte that is neither a word character nor a digit.
struct AttribText {
    const unsigned char *chars;
    size_t length;
};

bool isAttribWordChar(unsigned char c);

// Runs the statement loop over the whole text. Counting (store false) sets
// the plain values and counts complete hotspot statements in numHotSpots;
// storing also fills block->hotSpots, which must hold `capacity` entries.
// Returns 1 when reading ended normally, 0 on a syntax error, whose offset
// (the token that broke the statement, or the text's length) goes to
// *failedAt when given, so that a program can point at it.
int interpretAttribs(const AttribText &text, KalAttribs *block, bool store, int32_t capacity,
                     size_t *failedAt = nullptr);

#endif

// In-memory 8-bit DIBs for tests: a packed block (header, 256 colours, rows)
// with a recognisable pixel pattern.
#ifndef KAL_TEST_IMAGES_H
#define KAL_TEST_IMAGES_H

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace kaltest {

using PixelFn = std::function<uint8_t(int column, int storedRow)>;

// Row stride of an 8-bit image: width rounded up to a multiple of 4.
inline int stride8(int width)
{
    return (width + 3) & ~3;
}

// Default pattern: every (column, row) gets a distinct-ish index.
uint8_t defaultPixel(int column, int storedRow);

// A packed 8-bit DIB: 40-byte header, 256-entry colour table (entry k is
// (k, 255 - k, k / 2)), then bottom-up rows. Padding bytes are 0xEE.
std::vector<uint8_t> makePackedDib(int width, int height, const PixelFn &pixel = defaultPixel);

// Same bytes in a caller memory block from kal_AllocResource.
void *makePackedDibBlock(int width, int height, const PixelFn &pixel = defaultPixel);

inline BITMAPINFO *asInfo(std::vector<uint8_t> &dib)
{
    return reinterpret_cast<BITMAPINFO *>(dib.data());
}
inline uint8_t *rowsOf(std::vector<uint8_t> &dib)
{
    return dib.data() + 1064;
}

}  // namespace kaltest

#endif

// Whether a BMP file holds all the data its headers describe. The engine
// loads a file that ends early with the missing part zero-filled, so the
// programs check the file itself to say what is wrong.
#ifndef KALHOST_BMP_EXTENT_H
#define KALHOST_BMP_EXTENT_H

#include "image/little_endian.h"
#include "panorama_setup.h"

#include <cstddef>
#include <cstdint>

namespace kalhost {

// The file header and the 40-byte info header.
constexpr size_t kBmpHeadBytes = 54;

// `head` holds the file's first `headBytes` bytes. The length the file
// needs for the colour table and the pixel data its headers describe; 0 for
// a file too short for its headers, or with an 8-bit size the engine refuses
// whatever the angle (bmpSizeRefusal says what is wrong with it). Pixel data
// is sought where the engine seeks it: at bfOffBits when that lies behind
// the table and inside the file. An RLE8 file is measured by the compressed
// size it stores, when it stores one.
inline uint64_t bmpExtent(const uint8_t *head, size_t headBytes, uint64_t fileSize)
{
    const auto le32 = dib::readLe32;
    if (headBytes < kBmpHeadBytes) return 0;
    const uint32_t offBits = le32(head + 10), infoSize = le32(head + 14);
    const auto width = static_cast<int32_t>(le32(head + 18));
    const auto storedHeight = static_cast<int32_t>(le32(head + 22));
    const uint32_t bits = head[28] | head[29] << 8;
    const uint32_t compression = le32(head + 30), sizeImage = le32(head + 34);
    const uint32_t clrUsed = le32(head + 46);
    // Only true-colour rows may be stored top-down (a negative height).
    const int64_t height = bits > 8 && storedHeight < 0 ? -int64_t{storedHeight} : storedHeight;
    if (width <= 0 || height <= 0 || bits == 0 || bits > 32) return 0;
    if (bits == 8 && (width > kMaxImageWidth || height > kMaxImageHeight)) return 0;

    const uint64_t colors = bits > 8 ? clrUsed : clrUsed > 0 && clrUsed < 256 ? clrUsed : 256;
    const uint64_t masks = bits > 8 && compression == 3 && infoSize == 40 ? 12 : 0;
    const uint64_t afterTable = 14 + uint64_t{infoSize} + masks + 4 * colors;
    if (fileSize < afterTable) return afterTable;
    const uint64_t pixelsAt = offBits >= afterTable && offBits < fileSize ? offBits : afterTable;
    const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
    const uint64_t pixels = compression == 1 ? sizeImage : stride * uint64_t(height);
    return pixelsAt + pixels;
}

// True when the file ends before the colour table or the pixel data its
// headers describe (bmpExtent).
inline bool bmpEndsEarly(const uint8_t *head, size_t headBytes, uint64_t fileSize)
{
    return fileSize < bmpExtent(head, headBytes, fileSize);
}

}  // namespace kalhost

#endif

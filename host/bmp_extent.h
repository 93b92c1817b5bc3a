// Whether a BMP file holds all the data its headers describe. The engine
// loads a file that ends early with the missing part zero-filled, so the
// programs check the file itself to say what is wrong.
#ifndef KALHOST_BMP_EXTENT_H
#define KALHOST_BMP_EXTENT_H

#include <cstddef>
#include <cstdint>

namespace kalhost {

// The file header and the 40-byte info header.
constexpr size_t kBmpHeadBytes = 54;

namespace bmpfield {
inline uint32_t le32(const uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}
}  // namespace bmpfield

// `head` holds the file's first `headBytes` bytes. The bytes the file needs
// for the colour table and the pixel data its headers describe, or 0 for a
// file too short for its headers or with a size the engine refuses. Pixel
// data is sought where the engine seeks it: at bfOffBits when that lies
// behind the table and inside the file. An RLE8 file is measured by the
// compressed size it stores, when it stores one.
inline uint64_t bmpExtent(const uint8_t *head, size_t headBytes, uint64_t fileSize)
{
    using bmpfield::le32;
    if (headBytes < kBmpHeadBytes) return 0;
    const uint32_t offBits = le32(head + 10), infoSize = le32(head + 14);
    const auto width = static_cast<int32_t>(le32(head + 18));
    const auto height = static_cast<int32_t>(le32(head + 22));
    const uint32_t compression = le32(head + 30), sizeImage = le32(head + 34);
    const uint32_t clrUsed = le32(head + 46);
    if (width <= 0 || height <= 0) return 0;

    const uint64_t colors = clrUsed > 0 && clrUsed < 256 ? clrUsed : 256;
    const uint64_t afterTable = 14 + uint64_t{infoSize} + 4 * colors;
    if (fileSize < afterTable) return afterTable;
    const uint64_t pixelsAt = offBits >= afterTable && offBits < fileSize ? offBits : afterTable;
    const uint64_t stride = (uint64_t(width) * 8 + 31) / 32 * 4;
    const uint64_t pixels = compression == 1 ? sizeImage : stride * uint64_t(height);
    return pixelsAt + pixels;
}

// True when the file ends before the colour table or the pixel data its
// headers describe.
inline bool bmpEndsEarly(const uint8_t *head, size_t headBytes, uint64_t fileSize)
{
    return fileSize < bmpExtent(head, headBytes, fileSize);
}

}  // namespace kalhost

#endif

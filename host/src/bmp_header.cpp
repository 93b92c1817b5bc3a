// BMP header fields, where the pixels lie, and the size verdict programs
// give before loading.
#include "kalhost/bmp_header.h"

#include "kalhost/bmp_extent.h"
#include "kalhost/image_head.h"
#include "kalhost/image_limits.h"
#include "core/kalinput.h"

#include <algorithm>
#include <cstdlib>

namespace kalhost {

bool readBmpHeader(const uint8_t *h, size_t got, BmpHeader &header)
{
    const auto le32 = dib::readLe32;
    if (got < kBmpHeadBytes || h[0] != 'B' || h[1] != 'M') return false;
    header.offBits = le32(h + 10);
    header.infoSize = le32(h + 14);
    header.width = static_cast<int32_t>(le32(h + 18));
    header.height = static_cast<int32_t>(le32(h + 22));
    header.bitCount = static_cast<uint16_t>(h[28] | h[29] << 8);
    header.compression = le32(h + 30);
    header.sizeImage = le32(h + 34);
    header.clrUsed = le32(h + 46);
    return true;
}

int64_t bmpRows(const BmpHeader &h)
{
    return h.bitCount > 8 && h.height < 0 ? -int64_t{h.height} : h.height;
}

uint64_t bmpStride(const BmpHeader &h)
{
    return (uint64_t(std::max<int32_t>(h.width, 0)) * h.bitCount + 31) / 32 * 4;
}

uint64_t bmpTableEnd(const BmpHeader &h)
{
    const uint64_t colors = h.bitCount > 8                     ? h.clrUsed
                            : h.clrUsed > 0 && h.clrUsed < 256 ? h.clrUsed
                                                               : 256;
    const uint64_t masks =
        h.bitCount > 8 && h.compression == kBiBitfields && h.infoSize == 40 ? 12 : 0;
    return 14 + uint64_t{h.infoSize} + masks + 4 * colors;
}

uint64_t bmpPixelsAt(const BmpHeader &h, uint64_t fileSize)
{
    const uint64_t afterTable = bmpTableEnd(h);
    return h.offBits >= afterTable && h.offBits < fileSize ? h.offBits : afterTable;
}

uint64_t bmpExtent(const uint8_t *head, size_t headBytes, uint64_t fileSize)
{
    // A head that is no BMP (callers check the signature first) has no extent.
    BmpHeader h;
    if (!readBmpHeader(head, headBytes, h)) return 0;
    const int64_t height = bmpRows(h);
    if (h.width <= 0 || height <= 0 || h.bitCount == 0 || h.bitCount > 32) return 0;
    if (h.bitCount == 8 && (h.width > kal::kMaxImageWidth || height > kal::kMaxImageHeight))
        return 0;
    if (fileSize < bmpTableEnd(h)) return bmpTableEnd(h);
    const uint64_t pixels =
        h.compression == kBiRle8 ? h.sizeImage : bmpStride(h) * uint64_t(height);
    return bmpPixelsAt(h, fileSize) + pixels;
}

bool bmpEndsEarly(const uint8_t *head, size_t headBytes, uint64_t fileSize)
{
    return fileSize < bmpExtent(head, headBytes, fileSize);
}

namespace {

// The most pixels the pixel bytes present can describe: whole stored rows,
// or for RLE8 (whose escapes may skip) the file-length allowance.
uint64_t heldPixels(const BmpHeader &h, uint64_t fileSize)
{
    const uint64_t at = bmpPixelsAt(h, fileSize);
    const uint64_t present = fileSize > at ? fileSize - at : 0;
    if (h.compression == kBiRle8) return present * kPixelsPerFileByte;
    const uint64_t stride = bmpStride(h);
    const uint64_t rows = stride ? std::min<uint64_t>(present / stride, bmpRows(h)) : 0;
    return rows * uint64_t(h.width);
}

}  // namespace

std::string bmpSizeRefusal(const uint8_t *head, size_t got, uint64_t fileSize, int angle)
{
    BmpHeader h;
    if (!readBmpHeader(head, got, h)) return "";
    const int64_t height = h.bitCount == 8 ? h.height : std::llabs(int64_t{h.height});
    if (h.bitCount == 8) {
        std::string why = eightBitSizeRefusal(h.width, height, angle);
        if (!why.empty()) return why;
    } else if (h.width <= 0 || height <= 0) {
        return "is " + std::to_string(h.width) + " x " + std::to_string(h.height) +
               " pixels: an image needs at least one pixel each way";
    }
    std::string why = claimRefusal(h.width, height, fileSize);
    // An 8-bit image is held twice while it loads (the file zero-filled, the
    // engine's block); true colour takes four bytes a pixel.
    if (why.empty())
        why = holdRefusal(h.width, height, heldPixels(h, fileSize), fileSize,
                          h.bitCount == 8 ? 2 : 4);
    return why;
}

}  // namespace kalhost

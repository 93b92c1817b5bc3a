// BMP header fields and the size verdict programs give before loading.
#include "kalhost/bmp_header.h"

#include "kalhost/bmp_extent.h"
#include "kalhost/image_limits.h"

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
    return claimRefusal(h.width, height, fileSize);
}

}  // namespace kalhost

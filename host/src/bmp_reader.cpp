// 24- and 32-bit BMP rows to RGBA: every read is checked against the bytes
// given, sizes against the file's length before anything is allocated.
#include "kalhost/bmp_reader.h"

#include "kalhost/bmp_header.h"
#include "core/kalinput.h"

#include <algorithm>
#include <cstdlib>

namespace kalhost {
namespace {

// Byte position (0..3) of a channel mask of one whole byte; -1 otherwise.
int maskByte(uint32_t mask)
{
    for (int k = 0; k < 4; ++k)
        if (mask == 0xFFu << (8 * k)) return k;
    return -1;
}

struct Channels {
    int red = 2, green = 1, blue = 0;  // byte positions within a pixel
};

bool readChannels(const uint8_t *bytes, size_t size, const BmpHeader &h, Channels &c)
{
    if (h.compression == kBiRgb) return true;
    if (h.compression != kBiBitfields || h.bitCount != 32) return false;
    const size_t at = 14 + 40;  // masks follow the 40-byte header (or lie inside a longer one)
    if (size < at + 12) return false;
    c.red = maskByte(dib::readLe32(bytes + at));
    c.green = maskByte(dib::readLe32(bytes + at + 4));
    c.blue = maskByte(dib::readLe32(bytes + at + 8));
    return c.red >= 0 && c.green >= 0 && c.blue >= 0;
}

}  // namespace

bool readColourBmp(const uint8_t *bytes, size_t size, RgbaImage &image, bool &endsEarly,
                   std::string &why)
{
    BmpHeader h;
    if (!readBmpHeader(bytes, size, h)) {
        why =
            size >= 2 && bytes[0] == 'B' && bytes[1] == 'M' ? "is cut short" : "is not a BMP file";
        return false;
    }
    Channels channels;
    if ((h.bitCount != 24 && h.bitCount != 32) || h.infoSize < 40 ||
        !readChannels(bytes, size, h, channels)) {
        why = "is a " + std::to_string(h.bitCount) +
              "-bit BMP file stored in a way that cannot be read";
        return false;
    }
    why = bmpSizeRefusal(bytes, size, size, 0);
    const int64_t width = h.width, height = std::llabs(int64_t{h.height});
    if (why.empty() && width * height > kMaxDecodePixels)
        why = "is " + std::to_string(width) + " x " + std::to_string(height) +
              " pixels, more than the " + std::to_string(kMaxDecodePixels) +
              " pixels this program decodes";
    if (!why.empty()) return false;

    const size_t pixelBytes = h.bitCount / 8;
    const size_t stride = (static_cast<size_t>(width) * pixelBytes + 3) & ~size_t{3};
    const size_t start = static_cast<size_t>(std::min<uint64_t>(bmpPixelsAt(h, size), size));
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.assign(static_cast<size_t>(width * height), rgba(0, 0, 0));  // blank: opaque black
    endsEarly = false;
    for (int64_t r = 0; r < height; ++r) {
        const size_t at = start + static_cast<size_t>(r) * stride;
        if (at > size || size - at < static_cast<size_t>(width) * pixelBytes) {
            endsEarly = true;  // this row and the ones after it stay blank
            break;
        }
        const uint8_t *p = bytes + at;
        const int64_t row = h.height < 0 ? height - 1 - r : r;  // bottom-up result
        uint32_t *out = image.pixels.data() + row * width;
        for (int64_t x = 0; x < width; ++x, p += pixelBytes)
            out[x] = rgba(p[channels.red], p[channels.green], p[channels.blue]);
    }
    return true;
}

}  // namespace kalhost

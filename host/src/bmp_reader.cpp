// BMP files to the engine's 8-bit DIBs or to RGBA: every read is checked
// against the bytes given, sizes against the file's length before anything
// is allocated.
#include "kalhost/bmp_reader.h"

#include "kalhost/bmp_extent.h"
#include "kalhost/bmp_header.h"
#include "kalhost/open_panorama.h"
#include "core/kalinput.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace kalhost {

void DibDeleter::operator()(void *dib) const
{
    kal_FreeResource(dib);
}

namespace {

// The file with its missing part as zeros, as the engine's file loader
// reads it (its memory loader refuses short data). Rows are bounded by the
// claim check; for RLE8 zeros end lines, so a stored size beyond them is
// cut to what the rows need.
std::vector<uint8_t> zeroFilled(const uint8_t *bytes, size_t size)
{
    std::vector<uint8_t> whole(bytes, bytes + size);
    uint64_t extent = bmpExtent(bytes, size, size);
    BmpHeader h;
    if (readBmpHeader(bytes, size, h) && h.compression == kBiRle8 && extent > h.sizeImage) {
        const uint64_t pixelsAt = extent - h.sizeImage;
        const uint64_t stored = size > pixelsAt ? size - pixelsAt : 0;
        const uint64_t needed =
            std::min<uint64_t>(h.sizeImage, stored + 2 * uint64_t(h.height) + 2);
        extent = pixelsAt + needed;
        for (int k = 0; k < 4; ++k) whole[34 + k] = static_cast<uint8_t>(needed >> (8 * k));
    }
    whole.resize(static_cast<size_t>(extent), 0);
    return whole;
}

// An 8-bit file, or bytes too short for a BMP header, through the engine's
// loader: it says why it refuses them.
bool readEightBit(const uint8_t *bytes, size_t size, int angle, BmpImage &image, std::string &why)
{
    why = bmpSizeRefusal(bytes, size, size, angle);
    if (!why.empty()) return false;
    image.endsEarly = bmpEndsEarly(bytes, size, size);
    if (image.endsEarly) {
        const std::vector<uint8_t> whole = zeroFilled(bytes, size);
        image.dib.reset(dib::loadDibMemory(whole.data(), whole.size(), true, nullptr));
    } else {
        image.dib.reset(dib::loadDibMemory(bytes, size, true, nullptr));
    }
    if (!image.dib) why = whyNotLoaded(bytes, size, size);
    return image.dib != nullptr;
}

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

bool readBmp(const uint8_t *bytes, size_t size, int angle, BmpImage &image, std::string &why)
{
    image = BmpImage{};
    BmpHeader header;
    const bool hasHeader = readBmpHeader(bytes, size, header);
    const int bits = header.bitCount;
    if (!hasHeader || bits == 8) return readEightBit(bytes, size, angle, image, why);
    if (bits != 24 && bits != 32) {
        why = "has " + std::to_string(bits) +
              " bits per pixel; only 8-, 24- and 32-bit BMP files can be used";
        return false;
    }
    return readColourBmp(bytes, size, image.colour, image.endsEarly, why);
}

}  // namespace kalhost

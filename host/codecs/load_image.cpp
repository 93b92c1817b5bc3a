// loadImage: telling the format from the first bytes, the size verdicts
// before any pixel is allocated, and the true-colour fit to the engine.
#include "kalhost/load_image.h"

#include "decoders.h"
#include "core/kalinput.h"
#include "kalhost/bmp_extent.h"
#include "kalhost/bmp_header.h"
#include "kalhost/bmp_reader.h"
#include "kalhost/exif_orientation.h"
#include "kalhost/image_head.h"
#include "kalhost/image_limits.h"
#include "kalhost/open_panorama.h"
#include "core/kalengine.h"

#include <algorithm>
#include <cstring>
#include <utility>
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

bool loadEightBit(const uint8_t *bytes, size_t size, int angle, LoadedImage &image,
                  std::string &why)
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
    if (!image.dib) {
        why = whyNotLoaded(bytes, size, size);
        return false;
    }
    const auto *header = static_cast<const BITMAPINFOHEADER *>(image.dib.get());
    image.storedWidth = header->biWidth;
    image.storedHeight = header->biHeight;
    return true;
}

// The header's size against what the data holds and the budget, before a
// decoder allocates.
bool checkClaim(const uint8_t *bytes, size_t size, ImageHead &head, std::string &why)
{
    why = colourFileRefusal(bytes, size, head);
    const int width = head.width, height = head.height;
    if (why.empty() && int64_t{width} * height > kMaxDecodePixels)
        why = "is " + std::to_string(width) + " x " + std::to_string(height) +
              " pixels, more than the " + std::to_string(kMaxDecodePixels) +
              " pixels this program decodes";
    return why.empty();
}

bool decodeColour(ImageFormat format, const uint8_t *bytes, size_t size, int angle,
                  LoadedImage &image, std::string &why)
{
    int width = 0, height = 0, fitWidth = 0, fitHeight = 0;
    bool ok = false;
    ImageHead head;
    if (format == ImageFormat::Bmp) {
        ok = readColourBmp(bytes, size, image.colour, image.endsEarly, why);
    } else if (format == ImageFormat::Jpeg) {
        ok = jpegSize(bytes, size, width, height, why) && checkClaim(bytes, size, head, why);
        // Sizes from here on are the picture as shown: EXIF turned upright.
        const int orientation = ok ? exifOrientation(head.exif) : 1;
        const bool swaps = orientationSwapsSides(orientation);
        if (swaps) std::swap(width, height);
        if (ok && angle == 0 && image.hasGPano)
            angle = placementFromGPano(image.gpano, width, height).angle;
        fitColourSize(width, height, angle, &fitWidth, &fitHeight);
        if (swaps) std::swap(fitWidth, fitHeight);
        ok = ok && decodeJpeg(bytes, size, fitWidth, fitHeight, head.adobeTransform >= 0,
                              image.colour, image.endsEarly, why);
        if (ok) applyOrientation(image.colour, orientation);
    } else {
        ok = pngSize(bytes, size, width, height, why) && checkClaim(bytes, size, head, why) &&
             decodePng(bytes, size, image.colour, image.endsEarly, why);
    }
    if (!ok) return false;
    image.storedWidth = width ? width : image.colour.width;
    image.storedHeight = height ? height : image.colour.height;
    fitColourSize(image.colour.width, image.colour.height, angle, &fitWidth, &fitHeight);
    if (fitWidth == image.colour.width && fitHeight == image.colour.height) return true;
    RgbaImage scaled;
    if (!scaleDown(image.colour, fitWidth, fitHeight, scaled)) {
        why = "cannot be scaled down to fit the engine";
        return false;
    }
    image.colour = std::move(scaled);
    return true;
}

}  // namespace

bool loadImage(const uint8_t *bytes, size_t size, int angle, LoadedImage &image, std::string &why)
{
    image = LoadedImage{};
    const ImageFormat format = imageFormatOf(bytes, size);
    if (format == ImageFormat::Unknown) {
        why = "is not an image file (BMP, JPEG or PNG)";
        return false;
    }
    if (format == ImageFormat::Bmp) {
        BmpHeader header{};
        const bool hasHeader = readBmpHeader(bytes, size, header);
        const int bits = header.bitCount;
        if (bits == 8 || !hasHeader) return loadEightBit(bytes, size, angle, image, why);
        if (bits != 24 && bits != 32) {
            why = "has " + std::to_string(bits) +
                  " bits per pixel; only 8-, 24- and 32-bit BMP files can be used";
            return false;
        }
    }
    image.hasGPano = readGPano(bytes, size, image.gpano, image.warning);
    return decodeColour(format, bytes, size, angle, image, why);
}

}  // namespace kalhost

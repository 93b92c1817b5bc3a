// loadImage: telling the format from the first bytes, the size verdicts
// before any pixel is allocated, and the true-colour fit to the engine.
#include "kalhost/load_image.h"

#include "decoders.h"
#include "kalhost/exif_orientation.h"
#include "kalhost/image_head.h"
#include "kalhost/image_limits.h"
#include "core/kalengine.h"

#include <algorithm>
#include <utility>

namespace kalhost {
namespace {

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

// The stored size (width x height, or the pixels' when 0), then the pixels
// scaled down to what the engine takes.
bool fitToEngine(LoadedImage &image, int width, int height, int angle, std::string &why)
{
    image.storedWidth = width ? width : image.colour.width;
    image.storedHeight = height ? height : image.colour.height;
    int fitWidth = 0, fitHeight = 0;
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

bool decodeColour(ImageFormat format, const uint8_t *bytes, size_t size, int angle,
                  LoadedImage &image, std::string &why)
{
    int width = 0, height = 0, fitWidth = 0, fitHeight = 0;
    bool ok = false;
    ImageHead head;
    if (format == ImageFormat::Jpeg) {
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
    return ok && fitToEngine(image, width, height, angle, why);
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
        BmpImage bmp;
        if (!readBmp(bytes, size, angle, bmp, why)) return false;
        image.endsEarly = bmp.endsEarly;
        image.colour = std::move(bmp.colour);
        image.dib = std::move(bmp.dib);
        if (!image.dib) return fitToEngine(image, 0, 0, angle, why);
        const auto *header = static_cast<const BITMAPINFOHEADER *>(image.dib.get());
        image.storedWidth = header->biWidth;
        image.storedHeight = header->biHeight;
        return true;
    }
    image.hasGPano = readGPano(bytes, size, image.gpano, image.warning);
    return decodeColour(format, bytes, size, angle, image, why);
}

}  // namespace kalhost

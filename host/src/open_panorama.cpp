// Opening a panorama the way the demo, kalrender and the web viewer share:
// error words, the load diagnosis, image fitting and view placement.
#include "kalhost/open_panorama.h"

#include "kalhost/bmp_extent.h"
#include "kalhost/bmp_header.h"
#include "kalhost/image_fit.h"

#include <algorithm>
#include <cmath>

namespace kalhost {

const char *engineErrorText(int code)
{
    switch (code) {
        case KAL_ERR_NONE:
            return "no error";
        case KAL_ERR_IMGSIZE:
            return "KAL_ERR_IMGSIZE: the image width is not a multiple of 4, or the image is too "
                   "large";
        case KAL_ERR_VPSIZE:
            return "KAL_ERR_VPSIZE: the view is too large for the image";
        case KAL_ERR_MEMORY:
            return "KAL_ERR_MEMORY: not enough memory";
        case KAL_ERR_WRONGFORMAT:
            return "KAL_ERR_WRONGFORMAT: not an 8-bit image";
        case KAL_ERR_PARAM:
            return "KAL_ERR_PARAM: a value is out of range";
        case KAL_ERR_ANGLE:
            return "KAL_ERR_ANGLE: the panorama angle must lie between 1 and 360";
        case KAL_ERR_COORDS:
            return "KAL_ERR_COORDS: coordinates outside the view";
        case KAL_ERR_INDEX:
            return "KAL_ERR_INDEX: no such hotspot";
        default:
            return "unknown engine error";
    }
}

std::string whyNotLoaded(const uint8_t *h, size_t got, uint64_t fileSize)
{
    if (got < 2 || h[0] != 'B' || h[1] != 'M') return "is not a BMP file";
    BmpHeader header;
    if (!readBmpHeader(h, got, header)) return "is cut short";
    const int bits = header.bitCount;
    const uint32_t compression = header.compression;
    if (bits != 8)
        return "has " + std::to_string(bits) +
               " bits per pixel; only 8-bit (256-colour) BMP files can be used";
    if (compression > kBiRle8)
        return "is compressed in a way that cannot be read (only uncompressed and RLE8)";
    const std::string sizeRefusal = bmpSizeRefusal(h, got, fileSize, 0);
    if (!sizeRefusal.empty()) return sizeRefusal;
    if (bmpEndsEarly(h, got, fileSize)) return "is cut short";
    return "has a damaged header or is too large";
}

void releaseHotSpots(KalAttribs &attribs)
{
    if (attribs.flags & KAL_ATTRIB_OWNHOTSPOTS) kal_FreeResource(attribs.hotSpots);
    attribs.hotSpots = nullptr;
    attribs.numHotSpots = 0;
}

void *fitImage(void *image, const RECT &view, int angle, bool deleteSource, std::string &error)
{
    int minWidth = 0, minHeight = 0;
    if (!kal_MinImageSize(&minWidth, &minHeight, &view, angle)) {
        error = std::string("no minimum image size: ") + engineErrorText(kal_Error(nullptr));
        return nullptr;
    }
    auto *h = static_cast<BITMAPINFOHEADER *>(image);
    if (checkImageFit(h->biWidth, h->biHeight, minWidth, minHeight) == ImageFit::Fits) return image;
    int width = 0, height = 0;
    if (!scaledImageSize(h->biWidth, h->biHeight, minWidth, minHeight, &width, &height)) {
        error = "the image cannot be scaled to fit the view";
        return nullptr;
    }
    void *scaled = kal_ScaleDIB(h, nullptr, nullptr, width, height, deleteSource);
    if (!scaled)
        error = std::string("cannot scale the image: ") + engineErrorText(kal_Error(nullptr));
    return scaled;
}

namespace {

int clampToInt(double v)
{
    if (!(v == v)) return 0;  // NaN
    return static_cast<int>(std::min<double>(INT32_MAX, std::max<double>(INT32_MIN, v)));
}

}  // namespace

bool positionView(HPANORAMA pano, int bearing, int pitch, double zoom)
{
    // Any argument may come from a script: no step may overflow.
    const int radius = kal_GetValue(pano, KAL_VALUE_RADIUS);
    // zPos is 16-bit: out-of-range depths go to the end the engine clamps to.
    const int zPos =
        zoom > 0 ? std::clamp(clampToInt(radius - radius / zoom), -32768, 32767) : -32768;
    const int64_t yPos = int64_t{kal_GetValue(pano, KAL_VALUE_SRCHEIGHT) / 2} + pitch;
    kal_SetValue(pano, KAL_VALUE_ZPOS, zPos);
    if (kal_Error(pano) != KAL_ERR_NONE) return false;
    kal_SetValue(pano, KAL_VALUE_ORIENTATION, ((bearing % 360) + 360) % 360);
    if (kal_Error(pano) != KAL_ERR_NONE) return false;
    // yPos is 16-bit too: a far pitch must stay on its side, not wrap.
    kal_SetValue(pano, KAL_VALUE_YPOS, static_cast<int>(std::clamp<int64_t>(yPos, -32768, 32767)));
    return kal_Error(pano) == KAL_ERR_NONE;
}

}  // namespace kalhost

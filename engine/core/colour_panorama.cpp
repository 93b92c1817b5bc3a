// A colour panorama's own checks, view header and pixel size; its creation
// shares the record's lifecycle (lifecycle.cpp), its resting frame the
// renderer (projection/smooth_view.cpp).
#include "core/colour_panorama.h"

#include <cmath>
#include <cstring>

#include "core/panorama_setup.h"
#include "projection/projection.h"

int checkColourImage(const kal::ColourImage &image, const KalAttribs &attribs)
{
    if (image.width < 1 || image.height < 1 || image.height > kMaxImageHeight)
        return KAL_ERR_IMGSIZE;
    const int angle = attribAngle(attribs);
    if (angle < 1 || angle > 360) return KAL_ERR_ANGLE;
    if (image.width > kal::maxImageWidth(angle)) return KAL_ERR_IMGSIZE;
    // A radius of 0 would divide by zero in the lens and the tilt.
    if (radiusFor(image.width, angle) < 1) return KAL_ERR_IMGSIZE;
    if (attribs.numHotSpots < 0) return KAL_ERR_PARAM;
    if (!image.pixels) return KAL_ERR_PARAM;
    return KAL_ERR_NONE;
}

int checkColourViewport(const Panorama *rec, int64_t width, int64_t height)
{
    if (width < 2 || height < 1) return KAL_ERR_VPSIZE;
    if (width > kal::kMaxColourViewSide || height > kal::kMaxColourViewSide) return KAL_ERR_VPSIZE;
    // The least zoom must stay below the radius, where the scale ends.
    const double r = rec->radius;
    if (std::ceil(r * (1 - widestScale(rec))) > r - 1) return KAL_ERR_VPSIZE;
    return KAL_ERR_NONE;
}

void setColourViewInfo(Panorama *rec)
{
    std::memset(&rec->viewInfo, 0, sizeof rec->viewInfo);
    std::memset(rec->colors, 0, sizeof rec->colors);
    BITMAPINFOHEADER &h = rec->viewInfo;
    h.biSize = sizeof h;
    h.biWidth = rec->vpWidth;
    h.biHeight = rec->vpHeight;
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_BITFIELDS;
    h.biSizeImage = static_cast<DWORD>(rec->vpWidth) * 4 * rec->vpHeight;
    const DWORD masks[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};
    std::memcpy(rec->colors, masks, sizeof masks);
}

int kal::pixelBytes(HPANORAMA pano)
{
    return pano ? pano->pixelBytes : 0;
}

// Scaling a true-colour image down with an area (box) filter through
// stb_image_resize: every source pixel counts, none is skipped.
#include "decoders.h"

#include <stb/stb_image_resize.h>

namespace kalhost {

bool scaleDown(const RgbaImage &image, int width, int height, RgbaImage &scaled)
{
    if (width < 1 || height < 1 || width > image.width || height > image.height) return false;
    scaled.width = width;
    scaled.height = height;
    scaled.pixels.assign(size_t(width) * size_t(height), 0);
    return stbir_resize_uint8_generic(reinterpret_cast<const unsigned char *>(image.pixels.data()),
                                      image.width, image.height, 0,
                                      reinterpret_cast<unsigned char *>(scaled.pixels.data()),
                                      width, height, 0, 4, 3, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_BOX,
                                      STBIR_COLORSPACE_LINEAR, nullptr) != 0;
}

}  // namespace kalhost

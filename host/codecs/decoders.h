// The decoders behind loadImage, each bounded by the size its header states
// (asked for before decoding) and the budget it is given.
#ifndef KALHOST_DECODERS_H
#define KALHOST_DECODERS_H

#include "kalhost/colour_image.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalhost {

// The header's size, without decoding. False with a phrase in `why`.
bool jpegSize(const uint8_t *bytes, size_t size, int &width, int &height, std::string &why);
bool pngSize(const uint8_t *bytes, size_t size, int &width, int &height, std::string &why);

// Decodes at the stored size, or for JPEG at the smallest of its built-in
// reductions (1/2, 1/4, 1/8) still at least minWidth x minHeight.
// A stream that ends early leaves the rest blank and sets `endsEarly`.
// `adobe`: the JPEG has an Adobe segment (its CMYK inks are stored inverted).
bool decodeJpeg(const uint8_t *bytes, size_t size, int minWidth, int minHeight, bool adobe,
                RgbaImage &image, bool &endsEarly, std::string &why);
bool decodePng(const uint8_t *bytes, size_t size, RgbaImage &image, bool &endsEarly,
               std::string &why);

// Area-filtered copy at width x height (no larger than the image).
bool scaleDown(const RgbaImage &image, int width, int height, RgbaImage &scaled);

}  // namespace kalhost

#endif

// The project's reader of 24- and 32-bit BMP files (uncompressed, or
// BI_BITFIELDS with one byte a channel), bounded by the bytes it is given.
#ifndef KALHOST_BMP_READER_H
#define KALHOST_BMP_READER_H

#include "kalhost/colour_image.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalhost {

// Decodes a whole BMP file. A file that ends early gives its rows as far
// as they go, the rest blank, with `endsEarly` set. False with a phrase that
// follows the file's name in `why` (sizes are checked before allocating).
bool readColourBmp(const uint8_t *bytes, size_t size, RgbaImage &image, bool &endsEarly,
                   std::string &why);

}  // namespace kalhost

#endif

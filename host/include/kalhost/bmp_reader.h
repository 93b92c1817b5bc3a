// The project's reader of BMP files, bounded by the bytes it is given:
// 8-bit files (uncompressed or RLE8) through the engine's memory loader,
// 24- and 32-bit files (uncompressed, or BI_BITFIELDS with one byte a
// channel) into RGBA.
#ifndef KALHOST_BMP_READER_H
#define KALHOST_BMP_READER_H

#include "kalhost/colour_image.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kalhost {

// The engine's packed DIB of an 8-bit image, freed with kal_FreeResource.
struct DibDeleter {
    void operator()(void *dib) const;
};
using DibPtr = std::unique_ptr<void, DibDeleter>;

struct BmpImage {
    DibPtr dib;              // an 8-bit file's image
    RgbaImage colour;        // else a 24- or 32-bit file's pixels
    bool endsEarly = false;  // the file ends early: the missing part is blank
};

// Any BMP file the programs open, for a panorama of `angle` degrees (0 =
// 360): its size is checked before anything is allocated. An 8-bit file
// that ends early is read as the engine's file loader reads it, the missing
// part zero-filled. It needs the engine's memory loader (kalinput.h), which
// is not there beside the DLL. False with a phrase that follows the file's
// name in `why`.
bool readBmp(const uint8_t *bytes, size_t size, int angle, BmpImage &image, std::string &why);

// Decodes a whole 24- or 32-bit BMP file. A file that ends early gives its
// rows as far as they go, the rest blank, with `endsEarly` set. False with a
// phrase that follows the file's name in `why` (sizes are checked before
// allocating).
bool readColourBmp(const uint8_t *bytes, size_t size, RgbaImage &image, bool &endsEarly,
                   std::string &why);

}  // namespace kalhost

#endif

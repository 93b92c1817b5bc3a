// The one way programs open an image file's bytes: the format is told by
// its first bytes; BMP files take readBmp (8-bit ones the engine's own
// loader, exactly as kal_LoadDIB); 24/32-bit BMP, JPEG and PNG files become
// true-colour images, scaled down when larger than the engine takes. Sizes
// are checked before anything is allocated for pixels.
#ifndef KALHOST_LOAD_IMAGE_H
#define KALHOST_LOAD_IMAGE_H

#include "kalhost/bmp_reader.h"
#include "kalhost/colour_image.h"
#include "kalhost/gpano.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalhost {

struct LoadedImage {
    DibPtr dib;              // an 8-bit image: the engine's packed block
    RgbaImage colour;        // else the true-colour pixels
    bool endsEarly = false;  // the file ends early: the missing part is blank
    int storedWidth = 0;     // the size the file holds, before any scaling down
    int storedHeight = 0;
    bool hasGPano = false;
    GPanoFields gpano;
    std::string warning;  // sentences about what was read differently (ignored GPano values)
    bool isColour() const { return !dib; }
};

// `angle`: the panorama's angle from its attributes, 0 when it has none (the
// file's GPano angle is then used, else 360); it sets the widest image
// taken. False with a phrase that follows the file's name in `why`.
bool loadImage(const uint8_t *bytes, size_t size, int angle, LoadedImage &image, std::string &why);

}  // namespace kalhost

#endif

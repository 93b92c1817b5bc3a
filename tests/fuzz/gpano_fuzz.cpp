// libFuzzer target over the GPano XMP reader and its mapping: the bytes as a
// JPEG or PNG head (or, when neither, as the XMP packet itself) in a block of
// exactly their size, so any read past it is caught;
// the placement must always be one the engine takes.
#include "kalhost/gpano.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<uint8_t> copy(data, data + size);
    kalhost::GPanoFields fields;
    std::string warning;
    const bool found =
        kalhost::readGPano(copy.data(), copy.size(), fields, warning) ||
        kalhost::readGPanoXmp({reinterpret_cast<const char *>(copy.data()), copy.size()}, fields,
                              warning);
    if (!found) return 0;
    for (int width : {1, 720, 23300}) {
        const kalhost::GPanoPlacement p = kalhost::placementFromGPano(fields, width, 400);
        const bool sound = p.angle >= 1 && p.angle <= 360 && p.orientation >= 0 &&
                           p.orientation < 360 && p.startBearing >= 0 && p.startBearing < 360 &&
                           p.horizon >= -400 && p.horizon <= 400;
        if (!sound) {
            std::fprintf(stderr, "gpano_fuzz: placement out of range\n");
            std::abort();
        }
    }
    return 0;
}

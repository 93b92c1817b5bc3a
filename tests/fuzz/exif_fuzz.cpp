// libFuzzer target over the EXIF orientation reader: the bytes as a TIFF
// block of exactly their size, so any read past it is caught; the value
// must be one of the eight orientations, and turning a picture by it keeps
// its pixels.
#include "kalhost/exif_orientation.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<char> copy(data, data + size);
    const int orientation = kalhost::exifOrientation({copy.data(), copy.size()});
    kalhost::RgbaImage image{3, 2, {1, 2, 3, 4, 5, 6}};
    kalhost::applyOrientation(image, orientation);
    uint32_t sum = 0;
    for (uint32_t p : image.pixels) sum += p;
    if (orientation < 1 || orientation > 8 || image.pixels.size() != 6 ||
        size_t(image.width) * size_t(image.height) != 6 || sum != 21) {
        std::fprintf(stderr, "exif_fuzz: orientation %d out of range\n", orientation);
        std::abort();
    }
    return 0;
}

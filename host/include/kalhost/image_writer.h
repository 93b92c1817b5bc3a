// Writing rendered views as files: 8-bit views with their colour table and
// true-colour views, as BMP (every build) or PNG (native builds, libspng).
#ifndef KALHOST_IMAGE_WRITER_H
#define KALHOST_IMAGE_WRITER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kalhost {

// Bottom-up rows of colour indices `stride` bytes apart; 256 table entries
// of 4 bytes (blue, green, red, 0) as in a DIB.
struct IndexedView {
    int width;
    int height;
    size_t stride;
    const uint8_t *rows;
    const uint8_t *colours;
};

// Bottom-up rows of RGBA pixels (bytes R, G, B, A), no padding.
struct ColourView {
    int width;
    int height;
    const uint32_t *pixels;
};

// An 8-bit BMP with the view's colour table; a 24-bit BMP.
std::vector<uint8_t> bmpFileOf(const IndexedView &view);
std::vector<uint8_t> bmpFileOf(const ColourView &view);

// A palette PNG; an RGB PNG (alpha dropped). Empty on failure. Native only.
std::vector<uint8_t> pngFileOf(const IndexedView &view);
std::vector<uint8_t> pngFileOf(const ColourView &view);

// True when the name ends in ".png", any case.
bool namesPng(const std::string &path);

}  // namespace kalhost

#endif

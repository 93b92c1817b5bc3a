// Writing kalrender's rendered view as a BMP file or, where the build has
// the PNG encoder, a PNG file: 8-bit with its colour table, or true colour.
#ifndef KALRENDER_VIEW_OUTPUT_H
#define KALRENDER_VIEW_OUTPUT_H

#include <windows.h>

#include <cstdint>
#include <string>

namespace kalrender {

struct RenderedView {
    int width;
    int height;
    bool colour;          // 32-bit RGBA pixels, else 8-bit indices
    const uint8_t *info;  // 8-bit: the view's header and 256 colours (1064 bytes)
    const void *bits;     // bottom-up rows
};

// True when this build can write PNG files.
bool pngAvailable();

// Writes the view to `path`, as PNG when the name ends in ".png" (any case),
// else as BMP. False with a reason in `error` on failure.
bool writeView(const std::string &path, const RenderedView &view, std::string &error);

}  // namespace kalrender

#endif

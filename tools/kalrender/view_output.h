// Writing a rendered view (a BITMAPINFO with 256 colours and bottom-up
// 8-bit rows) as a BMP file or, where libpng is available, a PNG file.
#ifndef KALRENDER_VIEW_OUTPUT_H
#define KALRENDER_VIEW_OUTPUT_H

#include <windows.h>

#include <string>

namespace kalrender {

// True when this build can write PNG files.
bool pngAvailable();

// Writes the view to `path`, as PNG when the name ends in ".png" (any case),
// else as an 8-bit BMP. False with a reason in `error` on failure.
bool writeView(const std::string &path, const BITMAPINFO *info, const void *bits, std::string &error);

}  // namespace kalrender

#endif

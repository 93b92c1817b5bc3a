// Size checks of the web module, made before any block is allocated: a file
// of a few bytes must never cost the page more memory than its image needs.
#include "image_check.h"

#include "colour_panorama.h"
#include "core/panorama_setup.h"

#include <algorithm>

namespace kalweb {

namespace {

uint32_t le32(const uint8_t *p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}

// A file may claim an image this large whatever its size; beyond it, its
// pixels may outnumber its bytes at most this many times (a run of an RLE8
// stream holds 255 pixels in 2 bytes). A few bytes never cost gigabytes.
constexpr uint64_t kFreeImageBytes = uint64_t{8} << 20;
constexpr uint64_t kMostPixelBytesPerFileByte = 256;

std::string mebibytes(uint64_t bytes)
{
    return std::to_string((bytes + (uint64_t{1} << 20) - 1) >> 20) + " MiB";
}

std::string overBudget(int64_t width, int64_t height, uint64_t bytes)
{
    return "of " + pixelSize(width, height) + " needs " + mebibytes(bytes) +
           " of memory; the viewer has room for " + mebibytes(kImageBudgetBytes);
}

// Header sizes a BMP reader meets: the core header and the info headers.
bool knownHeaderSize(uint32_t size)
{
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
           size == 124;
}

bool knownBitCount(unsigned bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

std::string pixelSize(int64_t width, int64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

std::string bmpHeaderProblem(const uint8_t *h, size_t size)
{
    if (size < 30) return "is cut short";
    // Random bytes after "BM" are no picture: say so rather than quote them.
    if (!knownHeaderSize(le32(h + 14)) || !knownBitCount(h[28] | h[29] << 8))
        return "is not an image file";
    if (size < 54 || le32(h + 14) < 40) return "";  // the loader says what is wrong
    const int64_t width = static_cast<int32_t>(le32(h + 18));
    const int64_t height = static_cast<int32_t>(le32(h + 22));
    if (width <= 0 || height <= 0) return "";
    if (width > kMaxImageWidth || height > kMaxImageHeight)
        return "holds an image of " + pixelSize(width, height) + "; the viewer takes at most " +
               std::to_string(kMaxImageWidth) + " pixels wide and " +
               std::to_string(kMaxImageHeight) + " tall";
    const uint64_t bytes = uint64_t((width + 3) & ~int64_t{3}) * uint64_t(height);
    if (bytes > kImageBudgetBytes) return "holds an image " + overBudget(width, height, bytes);
    if (bytes > kFreeImageBytes && bytes / kMostPixelBytesPerFileByte > size)
        return "claims an image of " + pixelSize(width, height) + " but holds only " +
               std::to_string(size) + " bytes";
    return "";
}

bool fitColourImage(int64_t width, int64_t height, int angle, ColourFit &fit, std::string &error,
                    std::string &warning)
{
    if (width < 1 || height < 1) {
        error = "The image is empty.";
        return false;
    }
    const int64_t maxWidth = kal::maxImageWidth(angle), maxHeight = kal::kMaxImageHeight;
    // One factor for both sides keeps the shape; the rounding stays inside.
    double scale =
        std::min({1.0, double(maxWidth) / double(width), double(maxHeight) / double(height)});
    int64_t w = width, h = height;
    if (scale < 1.0) {
        w = std::clamp<int64_t>(int64_t(double(width) * scale), 1, maxWidth);
        h = std::clamp<int64_t>(int64_t(double(height) * scale), 1, maxHeight);
    }
    const uint64_t bytes = uint64_t(w) * uint64_t(h) * 4;
    if (bytes > kImageBudgetBytes) {
        error = "The image " + overBudget(width, height, bytes) + ".";
        return false;
    }
    fit = {int(w), int(h), w != width || h != height};
    if (fit.scaled)
        warning = "The image of " + pixelSize(width, height) +
                  " is larger than the engine takes (" + std::to_string(maxWidth) +
                  " pixels wide at " + std::to_string(angle) + " degrees, " +
                  std::to_string(maxHeight) + " tall): it is shown at " + pixelSize(w, h) + ".";
    return true;
}

}  // namespace kalweb

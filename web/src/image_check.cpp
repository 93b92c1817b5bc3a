// Size checks of the web module, made before any block is allocated: a file
// of a few bytes must never cost the page more memory than its image needs.
#include "image_check.h"

#include "core/colour_panorama.h"
#include "core/kalinput.h"
#include "kalhost/bmp_header.h"
#include "kalhost/image_limits.h"

#include <algorithm>
#include <cstdlib>

namespace kalweb {

namespace {

const auto le32 = dib::readLe32;

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

std::string bmpHeaderProblem(const uint8_t *h, size_t size, int angle)
{
    if (size < 30) return "is cut short";
    // Random bytes after "BM" are no picture: say so rather than quote them.
    if (!knownHeaderSize(le32(h + 14)) || !knownBitCount(h[28] | h[29] << 8))
        return "is not an image file";
    const std::string refusal = kalhost::bmpSizeRefusal(h, size, size, angle);
    if (!refusal.empty() || size < 54 || le32(h + 14) < 40) return refusal;
    const int64_t width = static_cast<int32_t>(le32(h + 18));
    const int64_t height = std::abs(int64_t{static_cast<int32_t>(le32(h + 22))});
    const unsigned bits = h[28] | h[29] << 8;
    // 8-bit rows as stored; true colour as four bytes a pixel.
    const uint64_t bytes = bits == 8 ? uint64_t((width + 3) & ~int64_t{3}) * uint64_t(height)
                                     : uint64_t(width) * uint64_t(height) * 4;
    if (width > 0 && bytes > kImageBudgetBytes)
        return "holds an image " + overBudget(width, height, bytes);
    return "";
}

bool fitColourImage(int64_t width, int64_t height, int angle, ColourFit &fit, std::string &error,
                    std::string &warning)
{
    if (width < 1 || height < 1) {
        error = "The image is empty.";
        return false;
    }
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4;
    if (bytes > kImageBudgetBytes) {
        error = "The image " + overBudget(width, height, bytes) + ".";
        return false;
    }
    int w = 0, h = 0;
    kalhost::fitColourSize(int(width), int(height), angle, &w, &h);
    fit = {w, h, w != width || h != height};
    if (fit.scaled)
        warning = "The image of " + pixelSize(width, height) +
                  " is larger than the engine takes (" +
                  std::to_string(kalhost::maxColourWidth(angle)) + " pixels wide at " +
                  std::to_string(angle) + " degrees, " + std::to_string(kal::kMaxImageHeight) +
                  " tall): it is shown at " + pixelSize(w, h) + ".";
    return true;
}

}  // namespace kalweb

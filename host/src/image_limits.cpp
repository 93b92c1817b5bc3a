// Size limits of opened images: the engine's rules for 8-bit panoramas
// restated for a header read before any allocation, and the budget of
// true-colour ones.
#include "kalhost/image_limits.h"

#include "core/kalinput.h"

#include <algorithm>
#include <cmath>

namespace kalhost {
namespace {

using kal::kMaxImageHeight;
using kal::kMaxImageWidth;

std::string sizeText(int64_t width, int64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

int angleOf(int angle)
{
    return angle == 0 ? 360 : angle;
}

}  // namespace

std::string eightBitSizeRefusal(int64_t width, int64_t height, int angle)
{
    const std::string size = "is " + sizeText(width, height);
    if (width <= 0 || height <= 0) return size + ": an image needs at least one pixel each way";
    if (width > kMaxImageWidth)
        return size + ", wider than the " + std::to_string(kMaxImageWidth) +
               " pixels a panorama may be";
    if (height > kMaxImageHeight)
        return size + ", taller than the " + std::to_string(kMaxImageHeight) +
               " pixels a panorama may be";
    angle = angleOf(angle);
    if (angle < 1 || angle > 360) return "";  // the angle gets its own message
    if (width > kal::maxImageWidth(angle))
        return size + ", too wide for a panorama of " + std::to_string(angle) +
               " degrees (at most " + std::to_string(maxColourWidth(angle)) + " pixels)";
    return "";
}

std::string claimRefusal(int64_t width, int64_t height, uint64_t fileBytes)
{
    if (width <= 0 || height <= 0) return "";
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    const uint64_t allowance = std::max(kMinPixelAllowance, fileBytes * kPixelsPerFileByte);
    if (pixels <= allowance) return "";
    return "claims " + sizeText(width, height) + " but holds only " + std::to_string(fileBytes) +
           " bytes (at most " + std::to_string(kPixelsPerFileByte) +
           " pixels a byte are taken): it is damaged";
}

int maxColourWidth(int angle)
{
    return kal::maxImageWidth(angleOf(angle));
}

void fitColourSize(int width, int height, int angle, int *fitWidth, int *fitHeight)
{
    double scale = 1.0;
    const int maxWidth = std::max(1, maxColourWidth(angle));
    scale = std::min(scale, double(maxWidth) / width);
    scale = std::min(scale, double(kMaxImageHeight) / height);
    scale = std::min(scale, std::sqrt(double(kMaxColourPixels) / (double(width) * height)));
    if (scale >= 1.0) {
        *fitWidth = width;
        *fitHeight = height;
        return;
    }
    *fitWidth = std::clamp(static_cast<int>(width * scale), 1, std::min(width, maxWidth));
    *fitHeight = std::clamp(static_cast<int>(height * scale), 1, std::min(height, kMaxImageHeight));
}

}  // namespace kalhost

// How a program fits an image to the smallest size a viewport needs: the
// size test and the scaling arithmetic of opening a panorama. Shared by the
// demo, kalrender and the web viewer.
#ifndef KALHOST_IMAGE_FIT_H
#define KALHOST_IMAGE_FIT_H

#include <cstdint>

namespace kalhost {

enum class ImageFit { Fits, TooSmall, WidthNotMultipleOf4 };

inline ImageFit checkImageFit(int width, int height, int minWidth, int minHeight)
{
    if (height < minHeight || width < minWidth) return ImageFit::TooSmall;
    if (width % 4 != 0) return ImageFit::WidthNotMultipleOf4;
    return ImageFit::Fits;
}

// The size to scale a width x height image to: first up to the minimum
// height keeping the aspect ratio, then up to the minimum width likewise,
// then the width up to a multiple of 4. Divisions truncate. Returns false for
// an empty image or a result beyond 32-bit range (the products are formed in
// 64 bits, so no intermediate step wraps).
inline bool scaledImageSize(int width, int height, int minWidth, int minHeight, int *newWidth,
                            int *newHeight)
{
    if (width <= 0 || height <= 0) return false;
    int64_t w = width, h = height;
    if (h < minHeight) {
        h = minHeight;
        w = w * h / height;
    }
    if (w < minWidth) {
        h = minWidth * h / w;  // w >= 1 here: it only grew from width
        w = minWidth;
    }
    w = (w + 3) & ~int64_t(3);
    if (w > INT32_MAX || h > INT32_MAX) return false;
    *newWidth = int(w);
    *newHeight = int(h);
    return true;
}

}  // namespace kalhost

#endif

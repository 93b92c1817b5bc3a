// The sizes programs take before they allocate anything: the engine's own
// limits for 8-bit images, the scaled-down size of a true-colour image, and
// how many pixels a file of a given length may claim.
#ifndef KALHOST_IMAGE_LIMITS_H
#define KALHOST_IMAGE_LIMITS_H

#include <cstdint>
#include <string>

namespace kalhost {

// True-colour images beyond this many pixels (1 GiB of RGBA) are scaled down.
constexpr int64_t kMaxColourPixels = int64_t{1} << 28;
// A file may claim at most this many pixels per byte it holds (at least
// kMinPixelAllowance): a 1 KB file cannot make a program allocate gigabytes.
// Real photographs and RLE8 files stay far below it.
constexpr uint64_t kPixelsPerFileByte = 1024;
constexpr uint64_t kMinPixelAllowance = uint64_t{1} << 20;

// Why the engine would refuse an 8-bit image of width x height for a
// panorama of `angle` degrees (0 = 360): a phrase that follows the file's
// name, naming the size and the limit; empty when the size is taken. Widths
// that are no multiple of 4 pass: programs scale those up.
std::string eightBitSizeRefusal(int64_t width, int64_t height, int angle);

// Why a file of `fileBytes` bytes cannot be taken at its word that it holds
// width x height pixels; empty when it may.
std::string claimRefusal(int64_t width, int64_t height, uint64_t fileBytes);

// The widest true-colour image a panorama of `angle` degrees (0 = 360) takes.
int maxColourWidth(int angle);

// The size a true-colour width x height image is scaled down to so that it
// fits the engine and the pixel budget, keeping its aspect ratio; the size
// itself when it fits. Never larger than the image.
void fitColourSize(int width, int height, int angle, int *fitWidth, int *fitHeight);

}  // namespace kalhost

#endif

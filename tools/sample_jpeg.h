// True-colour JPEG samples for the build: an RGB image encoded through
// libjpeg-turbo, optionally with an XMP packet, and a cropped partial
// panorama that states its coverage in GPano fields.
#ifndef KALSAMPLE_SAMPLE_JPEG_H
#define KALSAMPLE_SAMPLE_JPEG_H

#include <cstdint>
#include <string>
#include <vector>

namespace kalsample {

// 8-bit RGB, top row first, no padding.
struct RgbImage {
    int width;
    int height;
    std::vector<uint8_t> rgb;
};

// A crop of a full-circle image, in the pixels of the full circle scaled
// to fullWidth columns (the source width must be a whole multiple of it).
struct GPanoCrop {
    int fullWidth;
    int left;
    int width;
    double poseHeading;
    double initialHeading;
};

// JPEG file bytes; a non-empty `xmp` packet goes into an APP1 segment.
// Empty on failure.
std::vector<uint8_t> jpegBytes(const RgbImage &image, const std::string &xmp);

// The crop, box-filtered down to the crop's scale, as a JPEG with GPano XMP
// (cylindrical, the horizon in the image's middle row).
std::vector<uint8_t> gpanoCropJpeg(const RgbImage &full, const GPanoCrop &crop);

}  // namespace kalsample

#endif

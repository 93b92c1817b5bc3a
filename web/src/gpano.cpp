// GPano fields to attributes. The full panorama spans 360 degrees; the image
// is its cropped part, CroppedAreaLeftPixels from the full image's left
// edge, whose centre faces PoseHeadingDegrees (0 when absent).
#include "gpano.h"

#include <cmath>

namespace kalweb {

namespace {

int wrapDegrees(double degrees)
{
    const long rounded = std::lround(std::fmod(degrees, 360.0));
    return static_cast<int>((rounded % 360 + 360) % 360);
}

bool usable(double value, double low, double high)
{
    return std::isfinite(value) && value >= low && value <= high;
}

}  // namespace

bool gpanoAttribs(const GpanoFields &f, KalAttribs &attribs, int &startBearing)
{
    startBearing = -1;
    if (!usable(f.fullWidth, 1, 1e9) || !usable(f.croppedWidth, 1, f.fullWidth)) return false;
    const double degreesPerPixel = 360.0 / f.fullWidth;
    const double angle = std::lround(f.croppedWidth * degreesPerPixel);
    attribs.angle = static_cast<INT32>(angle < 1 ? 1 : angle > 360 ? 360 : angle);
    const double left = usable(f.croppedLeft, 0, f.fullWidth) ? f.croppedLeft : 0;
    const double pose = usable(f.poseHeading, -360, 360) ? f.poseHeading : 0;
    // The bearing of the image's column 0: the full image's centre faces `pose`.
    attribs.orientation = wrapDegrees(pose + (left - f.fullWidth / 2) * degreesPerPixel);
    if (usable(f.initialHeading, -360, 720)) startBearing = wrapDegrees(f.initialHeading);
    return true;
}

}  // namespace kalweb

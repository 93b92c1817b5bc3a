// GPano XMP: the fields read from the packet by namespace, each checked for
// sense, and mapped onto the engine's cylinder.
#include "kalhost/gpano.h"

#include "kalhost/image_head.h"
#include "kalhost/xmp_reader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace kalhost {
namespace {

constexpr std::string_view kGPanoNs = "http://ns.google.com/photos/1.0/panorama/";

// What a field may hold: sizes and offsets in pixels, angles in degrees.
// A cylinder's top may lie above the full panorama's (a negative offset
// places its horizon), as files written by our own sample tool say.
enum class Kind { Size, Offset, SignedOffset, Heading, Pitch, Fov };

struct FieldRule {
    const char *name;
    Kind kind;
    bool GPanoFields::*has;
    double GPanoFields::*value;
};

constexpr FieldRule kFields[] = {
    {"FullPanoWidthPixels", Kind::Size, &GPanoFields::hasFullWidth, &GPanoFields::fullWidth},
    {"CroppedAreaImageWidthPixels", Kind::Size, &GPanoFields::hasCroppedWidth,
     &GPanoFields::croppedWidth},
    {"CroppedAreaLeftPixels", Kind::Offset, &GPanoFields::hasCroppedLeft,
     &GPanoFields::croppedLeft},
    {"FullPanoHeightPixels", Kind::Size, &GPanoFields::hasFullHeight, &GPanoFields::fullHeight},
    {"CroppedAreaImageHeightPixels", Kind::Size, &GPanoFields::hasCroppedHeight,
     &GPanoFields::croppedHeight},
    {"CroppedAreaTopPixels", Kind::SignedOffset, &GPanoFields::hasCroppedTop,
     &GPanoFields::croppedTop},
    {"PoseHeadingDegrees", Kind::Heading, &GPanoFields::hasPoseHeading, &GPanoFields::poseHeading},
    {"InitialViewHeadingDegrees", Kind::Heading, &GPanoFields::hasInitialHeading,
     &GPanoFields::initialHeading},
    {"InitialViewPitchDegrees", Kind::Pitch, &GPanoFields::hasInitialPitch,
     &GPanoFields::initialPitch},
    {"InitialHorizontalFOVDegrees", Kind::Fov, &GPanoFields::hasInitialFov,
     &GPanoFields::initialFov},
};

// Larger than any panorama stored (a million pixels a side is beyond every
// camera and stitcher), small enough that the mapping's sums stay exact.
constexpr double kMaxPixels = 1e7;

bool sensible(Kind kind, double v)
{
    switch (kind) {
        case Kind::Size:
            return v >= 1 && v <= kMaxPixels;
        case Kind::Offset:
            return v >= 0 && v <= kMaxPixels;
        case Kind::SignedOffset:
            return v >= -kMaxPixels && v <= kMaxPixels;
        case Kind::Heading:
            return v >= -3600 && v <= 3600;
        case Kind::Pitch:
            return v >= -90 && v <= 90;
        case Kind::Fov:
            return v > 0 && v <= 360;
    }
    return false;
}

// A number written as XMP writes reals; false for anything else.
bool parseNumber(const std::string &text, double &value)
{
    if (text.empty() || text.size() > 40) return false;
    char *end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end || !std::isfinite(v)) return false;
    value = v;
    return true;
}

void ignore(std::string &warning, const std::string &name, const std::string &value,
            const char *why)
{
    const std::string sentence = "The GPano field " + name + " of \"" + value.substr(0, 40) +
                                 "\" " + why + ": it is ignored.";
    if (warning.find(sentence) == std::string::npos)
        warning += (warning.empty() ? "" : " ") + sentence;
}

// 0..360; a sum that overflowed (absurd field values) counts as 0.
double wrapDegrees(double degrees)
{
    if (!std::isfinite(degrees)) return 0;
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

}  // namespace

bool readGPanoXmp(std::string_view xmp, GPanoFields &f, std::string &warning)
{
    f = GPanoFields{};
    if (xmp.empty()) return false;
    std::vector<bool> seen(std::size(kFields), false);
    bool projectionSeen = false;
    for (const XmpProperty &p : readXmpProperties(xmp, kGPanoNs, "GPano")) {
        if (p.name == "ProjectionType" && !projectionSeen) {
            projectionSeen = true;
            f.cylindrical = p.value == "cylindrical";
            f.equirectangular = p.value == "equirectangular";
            continue;
        }
        for (size_t k = 0; k < std::size(kFields); ++k) {
            const FieldRule &rule = kFields[k];
            if (p.name != rule.name || seen[k]) continue;
            seen[k] = true;
            double v = 0;
            if (!parseNumber(p.value, v))
                ignore(warning, p.name, p.value, "is not a number");
            else if (!sensible(rule.kind, v))
                ignore(warning, p.name, p.value, "makes no sense");
            else
                f.*rule.has = true, f.*rule.value = v;
        }
    }
    // A crop larger than the whole it is cut from.
    if (f.hasFullWidth && f.hasCroppedWidth && f.croppedWidth > f.fullWidth) {
        ignore(warning, "CroppedAreaImageWidthPixels", std::to_string(std::lround(f.croppedWidth)),
               "is larger than FullPanoWidthPixels");
        f.hasCroppedWidth = false;
    }
    if (f.hasFullHeight && f.hasCroppedHeight && f.croppedHeight > f.fullHeight) {
        ignore(warning, "CroppedAreaImageHeightPixels",
               std::to_string(std::lround(f.croppedHeight)), "is larger than FullPanoHeightPixels");
        f.hasCroppedHeight = false;
    }
    return f.hasFullWidth || f.hasCroppedWidth || f.hasPoseHeading || f.hasInitialHeading ||
           f.hasInitialPitch || f.hasInitialFov || f.cylindrical || f.equirectangular;
}

bool readGPano(const uint8_t *file, size_t size, GPanoFields &fields, std::string &warning)
{
    ImageHead head;
    std::string why;
    readImageHead(file, size, head, why);  // the packet is found even where the head is damaged
    return readGPanoXmp(head.xmp, fields, warning);
}

GPanoPlacement placementFromGPano(const GPanoFields &f, int width, int height, int shownHeight)
{
    if (shownHeight <= 0) shownHeight = height;
    GPanoPlacement p;
    if (!f.hasFullWidth || f.fullWidth <= 0 || width <= 0 || height <= 0) return p;
    const double cropped = f.hasCroppedWidth && f.croppedWidth > 0 ? f.croppedWidth : width;
    p.angle = static_cast<int>(
        std::lround(std::min(360.0, std::max(1.0, 360.0 * cropped / f.fullWidth))));
    // The full panorama's middle column faces PoseHeadingDegrees (without it,
    // its column 0 faces north); the image starts CroppedAreaLeftPixels in.
    const double pose = f.hasPoseHeading ? f.poseHeading : 180.0;
    const double left = f.hasCroppedLeft ? f.croppedLeft : 0.0;
    const double firstColumn = wrapDegrees(pose + (left - f.fullWidth / 2) * 360.0 / f.fullWidth);
    p.orientation = static_cast<int>(std::lround(firstColumn)) % 360;

    if (f.hasCroppedTop && (f.cylindrical || f.hasFullHeight)) {
        const double rows = f.hasCroppedHeight && f.croppedHeight > 0 ? f.croppedHeight : height;
        const double horizonRow = (f.cylindrical ? 0.0 : f.fullHeight / 2) - f.croppedTop;
        const double above = (rows / 2 - horizonRow) * shownHeight / rows;
        if (std::isfinite(above))
            p.horizon = static_cast<int>(
                std::lround(std::min(std::max(above, -double(shownHeight)), double(shownHeight))));
    }
    if (f.hasInitialHeading) {
        // The engine's bearing counts 360 degrees to the image's width
        // whatever the angle: turn the compass heading into the column that
        // faces it, kept inside the covered arc, then into that bearing.
        double along = wrapDegrees(f.initialHeading - firstColumn);
        if (along > p.angle) along = along - p.angle < 360 - along ? p.angle : 0;
        const double engine = std::min(along * 360.0 / p.angle, 359.0);
        p.hasStart = true;
        p.startBearing = static_cast<int>(std::lround(wrapDegrees(p.orientation + engine))) % 360;
    }
    return p;
}

}  // namespace kalhost

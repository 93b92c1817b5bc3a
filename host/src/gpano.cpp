// GPano XMP: finding the packet among a JPEG's segments, reading the fields
// by name (as attributes or as elements), and mapping them onto the engine's
// cylinder. Every read stays inside the given bytes.
#include "kalhost/gpano.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace kalhost {
namespace {

constexpr std::string_view kXmpSignature("http://ns.adobe.com/xap/1.0/\0", 29);

// The XMP packet of the first APP1 segment that holds one; empty if none.
std::string_view findXmp(const uint8_t *jpeg, size_t size)
{
    if (size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return {};
    size_t at = 2;
    while (at + 4 <= size && jpeg[at] == 0xFF) {
        const uint8_t marker = jpeg[at + 1];
        if (marker == 0xDA || marker == 0xD9) break;  // image data or its end: no more metadata
        if (marker == 0xFF) {                         // fill byte
            ++at;
            continue;
        }
        const size_t length = size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
        if (length < 2 || length > size - at - 2) break;
        const auto *payload = reinterpret_cast<const char *>(jpeg + at + 4);
        const std::string_view segment(payload, length - 2);
        if (marker == 0xE1 && segment.substr(0, kXmpSignature.size()) == kXmpSignature)
            return segment.substr(kXmpSignature.size());
        at += 2 + length;
    }
    return {};
}

// The text of field `name` (without prefix): attribute GPano:name="..." or
// element <GPano:name>...</...>. Empty when absent.
std::string_view fieldText(std::string_view xmp, std::string_view name)
{
    const std::string key = "GPano:" + std::string(name);
    for (size_t at = xmp.find(key); at != std::string_view::npos; at = xmp.find(key, at + 1)) {
        size_t p = at + key.size();
        while (p < xmp.size() && std::isspace(static_cast<unsigned char>(xmp[p]))) ++p;
        if (p >= xmp.size()) break;
        if (xmp[p] == '=') {
            ++p;
            while (p < xmp.size() && std::isspace(static_cast<unsigned char>(xmp[p]))) ++p;
            if (p >= xmp.size() || (xmp[p] != '"' && xmp[p] != '\'')) continue;
            const size_t end = xmp.find(xmp[p], p + 1);
            if (end == std::string_view::npos) break;
            return xmp.substr(p + 1, end - p - 1);
        }
        if (xmp[p] == '>' && at > 0 && xmp[at - 1] == '<') {
            const size_t end = xmp.find('<', p + 1);
            if (end == std::string_view::npos) break;
            return xmp.substr(p + 1, end - p - 1);
        }
    }
    return {};
}

bool readNumber(std::string_view xmp, std::string_view name, double &value)
{
    const std::string_view text = fieldText(xmp, name);
    if (text.empty() || text.size() > 40) return false;
    const std::string copy(text);
    char *end = nullptr;
    const double v = std::strtod(copy.c_str(), &end);
    while (*end && std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (end == copy.c_str() || *end || !std::isfinite(v)) return false;
    value = v;
    return true;
}

// 0..360; a sum that overflowed (absurd field values) counts as 0.
double wrapDegrees(double degrees)
{
    if (!std::isfinite(degrees)) return 0;
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

}  // namespace

bool readGPano(const uint8_t *jpeg, size_t size, GPanoFields &f)
{
    const std::string_view xmp = findXmp(jpeg, size);
    if (xmp.empty()) return false;
    f = GPanoFields{};
    f.hasFullWidth = readNumber(xmp, "FullPanoWidthPixels", f.fullWidth);
    f.hasCroppedWidth = readNumber(xmp, "CroppedAreaImageWidthPixels", f.croppedWidth);
    f.hasCroppedLeft = readNumber(xmp, "CroppedAreaLeftPixels", f.croppedLeft);
    f.hasFullHeight = readNumber(xmp, "FullPanoHeightPixels", f.fullHeight);
    f.hasCroppedHeight = readNumber(xmp, "CroppedAreaImageHeightPixels", f.croppedHeight);
    f.hasCroppedTop = readNumber(xmp, "CroppedAreaTopPixels", f.croppedTop);
    f.hasPoseHeading = readNumber(xmp, "PoseHeadingDegrees", f.poseHeading);
    f.hasInitialHeading = readNumber(xmp, "InitialViewHeadingDegrees", f.initialHeading);
    f.hasInitialPitch = readNumber(xmp, "InitialViewPitchDegrees", f.initialPitch);
    f.hasInitialField = readNumber(xmp, "InitialHorizontalFOVDegrees", f.initialField);
    f.hasProjectionType = !fieldText(xmp, "ProjectionType").empty();
    f.cylindrical = fieldText(xmp, "ProjectionType") == "cylindrical";
    return f.hasFullWidth || f.hasCroppedWidth || f.hasPoseHeading || f.hasInitialHeading;
}

GPanoPlacement placementFromGPano(const GPanoFields &f, int width, int height)
{
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
        const double above = (rows / 2 - horizonRow) * height / rows;
        if (std::isfinite(above))
            p.horizon = static_cast<int>(
                std::lround(std::min(std::max(above, -double(height)), double(height))));
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

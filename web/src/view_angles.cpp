// The cylinder's geometry in the page's units: bearing and pitch in degrees,
// zoom as magnification, against the engine's xPos, yPos and zPos.
#include "view_angles.h"

#include <cmath>
#include <cstdint>

namespace kalweb {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The nearest 16-bit position: a view read back, or written with a few
// decimals as in a link, lands on the position it came from; one beyond the
// 16 bits stops at their end instead of wrapping to the other.
int nearest(double value)
{
    return static_cast<int>(std::lround(std::fmax(INT16_MIN, std::fmin(INT16_MAX, value))));
}

double wrapDegrees(double degrees)
{
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

double viewScale(const Panorama &rec)
{
    const double radius = rec.radius;
    return (radius - rec.zPos) / radius;
}

}  // namespace

// A point h rows above the horizon row lies at elevation atan(h / radius).
// The view centre lies (yPos - srcHeight / 2) view pixels above the image's
// middle row, which at view scale s is that many times s rows. xPos columns
// are xPos * 360 / srcWidth degrees east of the orientation, as the engine
// reports its bearing.
ViewAngles viewAngles(const Panorama &rec)
{
    const double scale = viewScale(rec);
    const double rowsAbove = (rec.yPos - rec.srcHeight / 2) * scale - rec.horizon;
    return {wrapDegrees(rec.xPos * 360.0 / rec.srcWidth + rec.orientation),
            std::atan(rowsAbove / rec.radius) * 180.0 / kPi, 1 / scale};
}

int placeView(Panorama *pano, const ViewAngles &view)
{
    if (!std::isfinite(view.bearing) || !std::isfinite(view.pitch) ||
        !(view.zoom >= 0.01 && view.zoom <= 1000.0))
        return -1;
    const double radius = pano->radius;
    const int zoomed =
        kal_SetPos(pano, pano->xPos, pano->yPos, nearest(radius - radius / view.zoom));
    const double east = wrapDegrees(view.bearing - pano->orientation);
    const double pitch = std::fmax(-89.9, std::fmin(89.9, view.pitch));
    const double above =
        (pano->horizon + radius * std::tan(pitch * kPi / 180.0)) / viewScale(*pano);
    const int y = nearest(pano->srcHeight / 2 + above);
    return zoomed | kal_SetPos(pano, nearest(east * pano->srcWidth / 360.0), y, pano->zPos);
}

}  // namespace kalweb

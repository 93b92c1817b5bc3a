// Views in the page's terms: bearing and pitch in degrees, zoom as
// magnification, to and from the engine's integer position. Reading a view
// and writing it back lands on the same position, so round trips never drift.
#include "web_session.h"

#include <emscripten/emscripten.h>

#include <cmath>
#include <cstdint>

using kalweb::Session;

namespace {

struct Angles {
    double bearing;  // degrees east of north, 0 <= bearing < 360
    double pitch;    // degrees above the horizon
    double zoom;     // magnification, 1 = none
};

struct Position {
    int x, y, z;
};

constexpr double kPi = 3.14159265358979323846;

// Truncation toward zero that forgives the rounding of a conversion there and
// back: x * 360 / w * w / 360 may come out a hair below x.
int truncNear(double value)
{
    return static_cast<int>(value >= 0 ? std::floor(value + 1e-6) : std::ceil(value - 1e-6));
}

double wrapDegrees(double degrees)
{
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

// The one place that knows the cylinder. A point h rows above the horizon
// row lies at elevation atan(h / radius); the view centre lies
// (yPos - srcHeight / 2) view pixels above the image's middle row, which at
// view scale s is that many times s rows. xPos columns are
// xPos * 360 / srcWidth degrees east of the orientation, as the engine
// reports its bearing.
Angles anglesOf(const Panorama &rec)
{
    const double radius = rec.radius, scale = (radius - rec.zPos) / radius;
    const double rowsAbove = (rec.yPos - rec.srcHeight / 2) * scale - rec.horizon;
    return {wrapDegrees(rec.xPos * 360.0 / rec.srcWidth + rec.orientation),
            std::atan(rowsAbove / radius) * 180.0 / kPi, 1 / scale};
}

int zoomPosition(const Panorama &rec, double zoom)
{
    const double radius = rec.radius;
    return truncNear(radius - radius / zoom);
}

// Where bearing and pitch put the view at the zoom the panorama has now: how
// many view pixels a row is depends on it.
Position positionOf(const Panorama &rec, const Angles &view)
{
    const double radius = rec.radius, scale = (radius - rec.zPos) / radius;
    const double east = wrapDegrees(view.bearing - rec.orientation);
    const double pitch = std::fmax(-89.9, std::fmin(89.9, view.pitch));
    const double above = (rec.horizon + radius * std::tan(pitch * kPi / 180.0)) / scale;
    const double y = std::round(rec.srcHeight / 2 + std::fmax(-65536.0, std::fmin(65536.0, above)));
    return {truncNear(east * rec.srcWidth / 360.0),
            static_cast<int>(std::fmax(INT16_MIN, std::fmin(INT16_MAX, y))), rec.zPos};
}

double taken[3];

}  // namespace

extern "C" {

// The current view as three doubles: bearing, pitch, zoom.
EMSCRIPTEN_KEEPALIVE const double *kalweb_getView(Session *s)
{
    if (!s) return nullptr;
    const Angles view = anglesOf(*s->pano());
    taken[0] = view.bearing;
    taken[1] = view.pitch;
    taken[2] = view.zoom;
    return taken;
}

// Moves to the view through the engine's own movement, which keeps it inside
// the limits; returns the KAL_BOUND_* flags of the limits it met, or -1 when
// the request is not a view.
EMSCRIPTEN_KEEPALIVE int kalweb_putView(Session *s, double bearing, double pitch, double zoom)
{
    if (!s || !std::isfinite(bearing) || !std::isfinite(pitch) || !(zoom >= 0.01 && zoom <= 1000.0))
        return -1;
    // The zoom first, as the engine limits it; then the direction at that zoom.
    Panorama *pano = s->pano();
    const int zoomed = kal_SetPos(pano, pano->xPos, pano->yPos, zoomPosition(*pano, zoom));
    const Position p = positionOf(*pano, {bearing, pitch, zoom});
    return zoomed | kal_SetPos(pano, p.x, p.y, p.z);
}

}  // extern "C"

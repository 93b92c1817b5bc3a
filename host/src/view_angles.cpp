// The cylinder's geometry in degrees against the engine's xPos, yPos and
// zPos, read and written only through kal_GetValue and kal_SetPos.
#include "kalhost/view_angles.h"

#include "kalhost/open_panorama.h"
#include "kalhost/view_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kalhost {
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

// What the renderer works from, as the engine reports it.
struct Geometry {
    int srcWidth, srcHeight, radius, horizon, angle;
    int orientation;  // bearing of column 0, modulo 360
    int xPos, yPos, zPos;
};

Geometry geometryOf(HPANORAMA pano)
{
    Geometry g{};
    g.srcWidth = kal_GetValue(pano, KAL_VALUE_SRCWIDTH);
    g.srcHeight = kal_GetValue(pano, KAL_VALUE_SRCHEIGHT);
    g.radius = kal_GetValue(pano, KAL_VALUE_RADIUS);
    g.horizon = kal_GetValue(pano, KAL_VALUE_HORIZON);
    g.angle = kal_GetValue(pano, KAL_VALUE_ANGLE);
    g.xPos = kal_GetValue(pano, KAL_VALUE_XPOS);
    g.yPos = kal_GetValue(pano, KAL_VALUE_YPOS);
    g.zPos = kal_GetValue(pano, KAL_VALUE_ZPOS);
    // The engine reports the view's whole-degree bearing, xPos * 360 / srcWidth
    // (truncated) + orientation: taking the same quotient away leaves the
    // orientation up to whole turns, all a bearing needs.
    const int bearing = kal_GetValue(pano, KAL_VALUE_ORIENTATION);
    g.orientation = g.srcWidth > 0 ? bearing - g.xPos * 360 / g.srcWidth : 0;
    return g;
}

// The view scale s: a view pixel at the centre covers s source pixels.
double viewScale(const Geometry &g)
{
    return (g.radius - static_cast<double>(g.zPos)) / g.radius;
}

}  // namespace

// A point h rows above the horizon row lies at elevation atan(h / radius).
// The view centre lies (yPos - srcHeight / 2) view pixels above the image's
// middle row, which at view scale s is that many times s rows (the renderer's
// lens). xPos columns are xPos * angle / srcWidth degrees east of the
// orientation (the engine's own bearing counts 360 to the width whatever
// the angle, which is wrong on a partial panorama).
ViewAngles viewAngles(HPANORAMA pano)
{
    const Geometry g = geometryOf(pano);
    const double scale = viewScale(g);
    const double rowsAbove = (g.yPos - g.srcHeight / 2) * scale - g.horizon;
    return {headingOfColumn(g.orientation, g.angle, g.srcWidth, g.xPos - 0.5),
            std::atan(rowsAbove / g.radius) * 180.0 / kPi, 1 / scale};
}

int yPosForPitch(HPANORAMA pano, double degrees)
{
    const Geometry g = geometryOf(pano);
    const double pitch = std::isfinite(degrees) ? std::fmax(-89.9, std::fmin(89.9, degrees)) : 0;
    const double above = (g.horizon + g.radius * std::tan(pitch * kPi / 180.0)) / viewScale(g);
    return nearest(g.srcHeight / 2 + above);
}

int placeView(HPANORAMA pano, const ViewAngles &view)
{
    if (!std::isfinite(view.bearing) || !std::isfinite(view.pitch) ||
        !(view.zoom >= 0.01 && view.zoom <= 1000.0))
        return -1;
    const Geometry g = geometryOf(pano);
    const double radius = g.radius;
    const int zoomed = kal_SetPos(pano, g.xPos, g.yPos, nearest(radius - radius / view.zoom));
    double east = wrapDegrees(view.bearing - g.orientation);
    // Beyond a partial panorama's arc: to the nearer of its ends.
    if (east > g.angle) east = east - g.angle < 360 - east ? g.angle : 0;
    const int y = yPosForPitch(pano, view.pitch);
    return zoomed | kal_SetPos(pano, nearest(east * g.srcWidth / g.angle), y,
                               kal_GetValue(pano, KAL_VALUE_ZPOS));
}

bool positionViewAtPitch(HPANORAMA pano, int bearing, double pitchDegrees, double zoom)
{
    if (!positionView(pano, bearing, 0, zoom)) return false;
    kal_SetValue(pano, KAL_VALUE_YPOS, yPosForPitch(pano, pitchDegrees));
    return kal_Error(pano) == KAL_ERR_NONE;
}

bool viewPointOf(HPANORAMA pano, double heading, double pitch, double *x, double *y)
{
    if (!std::isfinite(heading) || !std::isfinite(pitch) || std::fabs(pitch) >= 90) return false;
    const Geometry g = geometryOf(pano);
    if (g.srcWidth <= 0 || g.angle <= 0) return false;
    const double column = wrapDegrees(heading - g.orientation) * g.srcWidth / g.angle - 0.5;
    const double row = g.srcHeight / 2.0 - g.horizon - g.radius * std::tan(pitch * kPi / 180);
    return viewPointOfImage(pano, column, row, x, y);
}

bool viewPointOfImage(HPANORAMA pano, double column, double row, double *x, double *y,
                      bool beyondView)
{
    const Geometry g = geometryOf(pano);
    if (g.srcWidth <= 0 || g.angle <= 0 || !std::isfinite(column) || !std::isfinite(row))
        return false;
    // The view point that maps onto the image point, found by steps of the
    // lens's scale (the lens is nearly linear); beyond the view, from the
    // nearest view pixel on the same line.
    const double scale = viewScale(g);
    const int width = kal_GetValue(pano, KAL_VALUE_VPWIDTH);
    const int height = kal_GetValue(pano, KAL_VALUE_VPHEIGHT);
    const auto inside = [&](double vx, double vy) {
        return vx >= 0 && vx < width && vy >= 0 && vy < height;
    };
    double vx = width / 2.0, vy = height / 2.0;
    for (int pass = 0; pass < 8; ++pass) {
        const int px = std::clamp(static_cast<int>(std::floor(vx)), 0, width - 1);
        const int py = std::clamp(static_cast<int>(std::floor(vy)), 0, height - 1);
        POINT p;
        if (!kal_MapCoordinates(pano, px, py, &p)) return false;
        double across = column - p.x;
        if (g.angle == 360) across = std::remainder(across, g.srcWidth);
        double dx = across / scale, dy = (row - p.y) / scale;
        if (!inside(vx, vy)) {
            dx -= vx - px;
            dy -= vy - py;
        }
        vx += dx;
        vy += dy;
        if (!beyondView && !inside(vx, vy)) return false;
        if (std::fabs(dx) < 0.5 && std::fabs(dy) < 0.5) break;
    }
    *x = vx;
    *y = vy;
    return true;
}

}  // namespace kalhost

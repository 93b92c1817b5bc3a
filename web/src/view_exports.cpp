// The page's calls for views in degrees: bearing, pitch, zoom and field of
// a session; true-colour views also turn, follow a grabbed point and keep
// inside the page's bounds.
#include "colour_view.h"
#include "exports.h"
#include "web_session.h"

#include "kalhost/view_angles.h"

#include <cmath>

using kalweb::Session;

namespace {

constexpr double kPi = 3.14159265358979323846;

// An 8-bit view's horizontal field: its width over the lens's radius at
// the zoom taken.
double eightBitField(Session &s, double zoom)
{
    const int radius = kal_GetValue(s.pano, KAL_VALUE_RADIUS);
    const int width = kalweb::viewWidth(s);
    if (radius <= 0 || !(zoom > 0)) return 0;
    return 2 * std::atan(width / (2.0 * radius * zoom)) * 180 / kPi;
}

}  // namespace

extern "C" {

// The current view as four doubles: bearing, pitch, zoom, horizontal field.
KALWEB_EXPORT const double *kalweb_getView(Session *s)
{
    if (!s) return nullptr;
    if (s->colour) {
        const kalweb::PageView v = kalweb::pageView(*s->colour);
        s->angles[0] = v.bearing;
        s->angles[1] = v.pitch;
        s->angles[2] = v.zoom;
        s->angles[3] = v.hfov;
        return s->angles;
    }
    const kalhost::ViewAngles view = kalhost::viewAngles(s->pano);
    s->angles[0] = view.bearing;
    s->angles[1] = view.pitch;
    s->angles[2] = view.zoom;
    s->angles[3] = eightBitField(*s, view.zoom);
    return s->angles;
}

// Moves to the view within the limits: KAL_BOUND_* flags of the limits met,
// or -1 when the request is not a view. A field (true colour) wins over
// the zoom; one that is not positive leaves it to the zoom.
KALWEB_EXPORT int kalweb_putView(Session *s, double bearing, double pitch, double zoom, double hfov)
{
    if (!s) return -1;
    if (s->colour) return kalweb::placeView(*s->colour, {bearing, pitch, zoom, hfov});
    return kalhost::placeView(s->pano, {bearing, pitch, zoom});
}

// A true-colour view turned by degrees; BOUND flags of the limits met.
KALWEB_EXPORT int kalweb_turn(Session *s, double heading, double pitch)
{
    return s && s->colour ? kalweb::turnView(*s->colour, heading, pitch) : -1;
}

// Turns a true-colour view so that the image point (column, row) shows at
// the view point (x, y), as near as the limits allow.
KALWEB_EXPORT int kalweb_align(Session *s, double column, double row, double x, double y)
{
    return s && s->colour ? kalweb::alignView(*s->colour, {column, row}, x, y) : -1;
}

// The page's bounds on a true-colour view (degrees; NaN for none).
KALWEB_EXPORT void kalweb_bound(Session *s, double minHfov, double maxHfov, double minPitch,
                                double maxPitch)
{
    if (s && s->colour) kalweb::boundView(*s->colour, {minHfov, maxHfov, minPitch, maxPitch});
}

// The view point of the direction `heading`, `pitch` (degrees) as two
// doubles, or null when the view does not show it.
KALWEB_EXPORT const double *kalweb_viewPoint(Session *s, double heading, double pitch)
{
    if (!s) return nullptr;
    double x = 0, y = 0;
    if (s->colour) {
        const kal::ContinuousView *view = s->colour->view.get();
        const kal::Geometry &g = kal::viewGeometry(view);
        if (!std::isfinite(heading) || !std::isfinite(pitch) || std::fabs(pitch) > 90)
            return nullptr;
        const kal::SourcePoint p = g.sourceOf(heading, pitch * kPi / 180);
        const kal::ViewSize size = kal::viewSize(view);
        if (!kal::sourceToView(view, p, &x, &y) ||
            !(x >= 0 && x <= size.width && y >= 0 && y <= size.height))
            return nullptr;
    } else if (!kalhost::viewPointOf(s->pano, heading, pitch, &x, &y)) {
        return nullptr;
    }
    s->mapped[0] = x;
    s->mapped[1] = y;
    return s->mapped;
}

}  // extern "C"

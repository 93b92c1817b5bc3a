// The page's calls for views in degrees: bearing, pitch and zoom of a session.
#include "exports.h"
#include "web_session.h"

#include "kalhost/view_angles.h"

using kalweb::Session;

namespace {

double taken[3];

}  // namespace

extern "C" {

// The current view as three doubles: bearing, pitch, zoom.
KALWEB_EXPORT const double *kalweb_getView(Session *s)
{
    if (!s) return nullptr;
    const kalhost::ViewAngles view = kalhost::viewAngles(s->pano());
    taken[0] = view.bearing;
    taken[1] = view.pitch;
    taken[2] = view.zoom;
    return taken;
}

// Moves to the view within the engine's limits: KAL_BOUND_* flags of the
// limits met, or -1 when the request is not a view.
KALWEB_EXPORT int kalweb_putView(Session *s, double bearing, double pitch, double zoom)
{
    return s ? kalhost::placeView(s->pano(), {bearing, pitch, zoom}) : -1;
}

}  // extern "C"

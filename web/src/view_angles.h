// Views in the page's terms (bearing and pitch in degrees, zoom as
// magnification) to and from the engine's integer position. Reading a view
// and placing it again lands on the same position, so round trips never drift.
#ifndef KALWEB_VIEW_ANGLES_H
#define KALWEB_VIEW_ANGLES_H

#include "core/panorama.h"

namespace kalweb {

struct ViewAngles {
    double bearing;  // degrees east of north, 0 <= bearing < 360
    double pitch;    // degrees above the horizon
    double zoom;     // magnification, 1 = none
};

ViewAngles viewAngles(const Panorama &rec);

// Moves to `view` through the engine's own movement, which keeps it inside
// the limits: the zoom first, then the direction at the zoom taken. Returns
// the KAL_BOUND_* flags of the limits it met, or -1 when `view` is not one
// (a bearing or pitch that is not finite, a zoom outside 0.01 to 1000).
int placeView(Panorama *pano, const ViewAngles &view);

}  // namespace kalweb

#endif

// Views in degrees (bearing, pitch, zoom as magnification) to and from the
// engine's integer position, through its exported functions. Reading a view
// and placing it again lands on the same position, so round trips never drift.
#ifndef KALHOST_VIEW_ANGLES_H
#define KALHOST_VIEW_ANGLES_H

#include "core/kalengine.h"

namespace kalhost {

struct ViewAngles {
    double bearing;  // degrees east of north, 0 <= bearing < 360
    double pitch;    // degrees above the horizon
    double zoom;     // magnification, 1 = none
};

ViewAngles viewAngles(HPANORAMA pano);

// Moves to `view` through the engine's own movement, which keeps it inside
// the limits: the zoom first, then the direction at the zoom taken. Returns
// the KAL_BOUND_* flags of the limits it met, or -1 when `view` is not one
// (a bearing or pitch that is not finite, a zoom outside 0.01 to 1000).
int placeView(HPANORAMA pano, const ViewAngles &view);

// The view point (pixel centres at +0.5) that shows the direction
// `heading`, `pitch` (degrees) in the panorama's present view; false when
// the view does not show it.
bool viewPointOf(HPANORAMA pano, double heading, double pitch, double *x, double *y);
// The same for the image point (column, row), whole numbers at pixel
// centres as kal_MapCoordinates gives them; `beyondView`: a point off the
// view is found too, extrapolated from the view's edge (for outlines that
// run out of it).
bool viewPointOfImage(HPANORAMA pano, double column, double row, double *x, double *y,
                      bool beyondView = false);

// The yPos that centres the view `degrees` above the horizon (kept within
// +-89.9) at the panorama's present zoom: the position depends on the zoom,
// so set the zoom first. A pitch that is not finite gives the horizon.
int yPosForPitch(HPANORAMA pano, double degrees);

// positionView (open_panorama.h) with the pitch in degrees, placed at the
// zoom the engine took. False when the engine refused a value.
bool positionViewAtPitch(HPANORAMA pano, int bearing, double pitchDegrees, double zoom);

}  // namespace kalhost

#endif

// A true-colour session's view: the engine's continuous view over the
// session's pixels, in degrees, kept inside the page's own bounds, with the
// attribute file's hotspot rectangles hit through the same mapping.
#ifndef KALWEB_COLOUR_VIEW_H
#define KALWEB_COLOUR_VIEW_H

#include "core/kalengine.h"
#include "kalhost/view_layout.h"
#include "view/continuous_view.h"

#include <memory>
#include <string>
#include <vector>

namespace kalweb {

// Degrees; a bound that is not finite does not bound.
struct PageBounds {
    double minHfov, maxHfov, minPitch, maxPitch;
};

// What the page reads and asks of a view: zoom is the magnification
// against the field at which a view pixel spans a source pixel.
struct PageView {
    double bearing, pitch, zoom, hfov;
};

struct ColourView {
    kal::ContinuousViewPtr view;
    kal::PanoramaLayout layout;
    std::vector<KalHotSpot> hotSpots;  // rectangles in the stored image's pixels
    int storedWidth = 0, storedHeight = 0;
    PageBounds bounds;
    bool pixelsGone = false;  // handed to the render worker: geometry only here
};

// A view of `pixels` (rows in their own order) for a width x height view at the
// layout's start view, taking the attributes' hotspots. Null with the
// reason in `message`.
std::unique_ptr<ColourView> makeColourView(const kal::ColourImage &pixels,
                                           const kalhost::ViewLayout &layout,
                                           const KalAttribs &attribs, int storedWidth,
                                           int storedHeight, int width, int height,
                                           std::string &message);

PageView pageView(const ColourView &view);
// Moves to `wanted` (a field that is not finite or not positive comes from
// the zoom; a zoom that is neither keeps the field), inside the page's
// bounds and the view's limits: KAL_BOUND_* flags of the limits met, -1
// when the bearing or pitch is not finite.
int placeView(ColourView &view, const PageView &wanted);
// Turns by degrees of heading and pitch.
int turnView(ColourView &view, double heading, double pitch);
// Turns so that the image point shows at view point (x, y), as near as the
// limits allow.
int alignView(ColourView &view, const kal::SourcePoint &point, double x, double y);
// New page bounds; the view moves inside them.
void boundView(ColourView &view, const PageBounds &bounds);

// The hotspot of the view point (x, y), or -1.
int colourHotSpotAt(const ColourView &view, double x, double y);
// And back: the view point (x, y) showing the stored image's point
// (column, row), pixel edges at whole numbers; false behind the camera.
bool colourViewPoint(const ColourView &view, double column, double row, double &x, double &y);

}  // namespace kalweb

#endif

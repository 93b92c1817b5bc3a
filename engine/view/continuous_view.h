// Public. Continuous views of true-colour panoramas: heading, pitch and field of
// view in degrees (doubles), a real pitched camera over the panorama's
// geometry (cylinder or sphere), the moving (nearest) and resting
// (bilinear) frames from one table. The 8-bit engine is untouched by it.
#ifndef KAL_CONTINUOUS_VIEW_H
#define KAL_CONTINUOUS_VIEW_H

#include "core/colour_panorama.h"
#include "view/geometry.h"
#include "view/view_frames.h"

#include <memory>

namespace kal {

enum class ProjectionKind { cylinder, sphere };

// How the image lies on the sphere of directions.
struct PanoramaLayout {
    ProjectionKind projection = ProjectionKind::cylinder;
    double angle = 360;      // degrees of heading the image's width covers, (0, 360]
    double leftHeading = 0;  // compass heading of the image's left edge
    double horizon = 0;      // cylinder: rows of the horizon above the middle row
    double top = 90;         // sphere: elevation of the image's top edge
    double bottom = -90;     // sphere: elevation of its bottom edge
};

// Degrees: heading east of north, pitch above the horizon, horizontal field.
struct ViewDirection {
    double heading, pitch, hfov;
};

struct ViewLimits {
    double narrowestField, widestField;
    double lowestPitch, highestPitch;  // at the present field
    bool wraps;                        // any heading; else:
    double firstHeading, lastHeading;  // the view centre's headings at the present pitch
};

struct ContinuousView;

// Over the caller's pixels, which must outlive the view. Null for a bad
// image, layout or size (sides 2 .. kMaxColourViewSide wide, 1 .. tall).
ContinuousView *createContinuousView(const ColourImage &image, const PanoramaLayout &layout,
                                     int width, int height);
void deleteContinuousView(ContinuousView *view);
struct ContinuousViewDeleter {
    void operator()(ContinuousView *v) const { deleteContinuousView(v); }
};
using ContinuousViewPtr = std::unique_ptr<ContinuousView, ContinuousViewDeleter>;

// A new view size, keeping the direction (clamped to the new limits).
bool resizeContinuousView(ContinuousView *view, int width, int height);
// Takes `wanted` kept inside the limits (field first, then pitch, then
// heading); returns the direction taken. Values not finite keep theirs.
ViewDirection setViewDirection(ContinuousView *view, const ViewDirection &wanted);
ViewDirection viewDirection(const ContinuousView *view);
struct ViewSize {
    int width, height;
};
ViewSize viewSize(const ContinuousView *view);
ViewLimits viewLimits(const ContinuousView *view);
// The field at which a view pixel at the centre spans one source pixel.
double naturalField(const ContinuousView *view);
const Geometry &viewGeometry(const ContinuousView *view);

// Frames into `pixels` (width x height, no padding) in the row order asked.
// False (nothing drawn) when the table's memory cannot be had.
bool renderMovingFrame(ContinuousView *view, uint32_t *pixels, RowOrder order);
bool renderRestingFrame(ContinuousView *view, uint32_t *pixels, RowOrder order);
// Builds what the next frame of the present direction needs, reading no
// pixels: a caller waiting for them (a decoder at work) spends the time
// now, and threads drawing a frame in shares start from it. False when the
// table's memory cannot be had.
bool prepareFrame(ContinuousView *view);
// A share of a frame's rows (threads at once) from the table prepareFrame
// made, which it only reads: false (nothing drawn) when the table is not
// the present view's. `smooth`: the resting frame.
bool renderFrameRows(const ContinuousView *view, bool smooth, const FrameTarget &target);

// View point (from the view's top-left corner, pixel centres at +0.5) to
// the image point it shows (columns reduced into a full circle); false when
// it shows none. And back: false when the point lies behind the camera.
bool viewToSource(const ContinuousView *view, double x, double y, SourcePoint *point);
bool sourceToView(const ContinuousView *view, const SourcePoint &point, double *x, double *y);
// The direction, at the present field, whose view shows the image point at
// view point (x, y): what a grab drag turns to. Not kept in the limits.
ViewDirection directionShowing(const ContinuousView *view, const SourcePoint &point, double x,
                               double y);

}  // namespace kal

#endif

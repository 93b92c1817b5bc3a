// The limits of a continuous view: the fields, pitches and headings that
// keep a view of a given size wholly inside the image (no black, no smear).
#ifndef KAL_VIEW_LIMITS_H
#define KAL_VIEW_LIMITS_H

#include "view/geometry.h"

namespace kal {

// Degrees throughout.
struct FieldRange {
    double narrowest, widest;
};
struct PitchRange {
    bool any;  // some pitch keeps the view inside
    double lowest, highest;
};

// The fields (horizontal, degrees) a width x height view may take: from a
// magnification of kMaxMagnification view pixels a source pixel, to the
// widest that both the geometry allows and some pitch fits in the image.
constexpr double kMaxMagnification = 16.0;
FieldRange fieldRange(const Geometry &g, int width, int height);

// The pitches that keep the view of field `hfov` inside the image's rows
// and, on a partial panorama, within its arc of headings.
PitchRange pitchRange(const Geometry &g, double hfov, int width, int height);

// Half the arc of headings (degrees) the view spans at this pitch: the
// heading of the view centre stays that far from a partial image's edges;
// 180 when the view holds a pole.
double headingReach(const Geometry &g, double pitch, double hfov, int width, int height);

}  // namespace kal

#endif

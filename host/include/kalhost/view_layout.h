// Which geometry a true-colour file gets and where its view starts: from
// the attribute file where there is one, else the file's GPano fields,
// else its shape (exactly 2:1: a full sphere), else a 360-degree cylinder.
#ifndef KALHOST_VIEW_LAYOUT_H
#define KALHOST_VIEW_LAYOUT_H

#include "core/kalengine.h"
#include "kalhost/attribute_merge.h"
#include "kalhost/gpano.h"
#include "view/continuous_view.h"

namespace kalhost {

enum class ForcedProjection { none, cylinder, sphere };

struct StartView {
    bool hasHeading = false, hasPitch = false, hasField = false;
    double heading = 0, pitch = 0, hfov = 0;  // degrees
};

struct ViewLayout {
    kal::PanoramaLayout layout;
    StartView start;
};

// `attribs` null when the file has no attribute file, `gpano` null when it
// has no GPano fields; width x height the size the file stores.
ViewLayout viewLayoutOf(const KalAttribs *attribs, const GPanoFields *gpano, int width, int height,
                        ForcedProjection forced);

// The layout of a true-colour file of storedWidth x storedHeight pixels
// shown at shownHeight rows, for every program: the coverage fields the
// attribute text gives (`given`, read into `attribs`) over the metadata's,
// else viewLayoutOf's choice; the horizon counted in the rows shown.
ViewLayout colourViewLayout(const KalAttribs &attribs, const GivenAttribs &given,
                            const GPanoFields *gpano, int storedWidth, int storedHeight,
                            int shownHeight, ForcedProjection forced);

// The compass heading of column coordinate `column` (pixel centres at whole
// numbers) of an image `width` wide covering `angle` degrees from
// `leftHeading`: the one place a position becomes a bearing.
double headingOfColumn(double leftHeading, double angle, int width, double column);

}  // namespace kalhost

#endif

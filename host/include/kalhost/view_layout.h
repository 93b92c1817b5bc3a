// Which geometry a true-colour file gets and where its view starts: from
// the attribute file where there is one, else the file's GPano fields,
// else its shape (exactly 2:1: a full sphere), else a 360-degree cylinder.
#ifndef KALHOST_VIEW_LAYOUT_H
#define KALHOST_VIEW_LAYOUT_H

#include "core/kalengine.h"
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

// The compass heading of column coordinate `column` (pixel centres at whole
// numbers) of an image `width` wide covering `angle` degrees from
// `leftHeading`: the one place a position becomes a bearing.
double headingOfColumn(double leftHeading, double angle, int width, double column);

}  // namespace kalhost

#endif

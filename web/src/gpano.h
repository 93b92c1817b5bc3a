// A panorama's coverage and headings as a JPEG's GPano XMP fields give them
// (the page reads the XMP), turned into the engine's attributes.
#ifndef KALWEB_GPANO_H
#define KALWEB_GPANO_H

#include "kalengine.h"

namespace kalweb {

// NaN marks a field the file does not carry.
struct GpanoFields {
    double fullWidth;       // FullPanoWidthPixels
    double croppedWidth;    // CroppedAreaImageWidthPixels
    double croppedLeft;     // CroppedAreaLeftPixels
    double initialHeading;  // InitialViewHeadingDegrees
    double poseHeading;     // PoseHeadingDegrees
};
constexpr int kGpanoFieldCount = 5;

// Angle and orientation into `attribs`, the start view's bearing (0-359)
// into `startBearing`, or -1 when the file names none. False when the
// fields describe no coverage (then nothing changes).
bool gpanoAttribs(const GpanoFields &fields, KalAttribs &attribs, int &startBearing);

}  // namespace kalweb

#endif

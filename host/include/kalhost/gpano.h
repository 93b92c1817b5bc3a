// Panorama coverage from a photograph's GPano XMP fields: a bounded reader
// of the XMP packet in a JPEG's APP1 segment, and the one mapping from the
// fields to the engine's angle, orientation, horizon and start bearing
// (the web module fills GPanoFields from the browser's DOMParser instead).
#ifndef KALHOST_GPANO_H
#define KALHOST_GPANO_H

#include <cstddef>
#include <cstdint>

namespace kalhost {

// Each `has...` says the field was present and a number.
struct GPanoFields {
    bool hasFullWidth = false, hasCroppedWidth = false, hasCroppedLeft = false;
    bool hasFullHeight = false, hasCroppedHeight = false, hasCroppedTop = false;
    bool hasPoseHeading = false, hasInitialHeading = false;
    bool hasInitialPitch = false, hasInitialField = false;
    bool hasProjectionType = false;  // ProjectionType given at all
    bool cylindrical = false;        // ProjectionType "cylindrical"; else equirectangular
    double fullWidth = 0, croppedWidth = 0, croppedLeft = 0;
    double fullHeight = 0, croppedHeight = 0, croppedTop = 0;
    double poseHeading = 0, initialHeading = 0;
    double initialPitch = 0,
           initialField = 0;  // InitialViewPitchDegrees, InitialHorizontalFOVDegrees
};

// The GPano fields of the first XMP packet among a JPEG's APP1 segments
// (before its image data). False when the file has none.
bool readGPano(const uint8_t *jpeg, size_t size, GPanoFields &fields);

// What the engine takes from the fields, for an image of width x height.
struct GPanoPlacement {
    int angle = 360;        // 1..360: 360 x cropped width / full width
    int orientation = 0;    // 0..359: compass bearing of image column 0
    int horizon = 0;        // rows of the horizon above the image's middle row
    bool hasStart = false;  // startBearing holds the initial view
    int startBearing = 0;   // engine bearing (KAL_VALUE_ORIENTATION) that faces it
};

// The mapping. Missing or senseless fields leave their defaults: a plain
// 360-degree panorama whose column 0 faces north.
GPanoPlacement placementFromGPano(const GPanoFields &fields, int width, int height);

}  // namespace kalhost

#endif

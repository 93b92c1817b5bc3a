// Panorama coverage from a photograph's GPano XMP fields: the fields of an
// XMP packet (a JPEG's APP1 segment, a PNG's iTXt chunk), senseless values
// left out, and the one mapping from the fields to the engine's angle,
// orientation, horizon and start bearing. Every program reads them here.
#ifndef KALHOST_GPANO_H
#define KALHOST_GPANO_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kalhost {

// Each `has...` says the field was present and a number.
struct GPanoFields {
    bool hasFullWidth = false, hasCroppedWidth = false, hasCroppedLeft = false;
    bool hasFullHeight = false, hasCroppedHeight = false, hasCroppedTop = false;
    bool hasPoseHeading = false, hasInitialHeading = false;
    bool hasInitialPitch = false, hasInitialFov = false;
    bool cylindrical = false;      // ProjectionType "cylindrical"
    bool equirectangular = false;  // ProjectionType "equirectangular"
    double fullWidth = 0, croppedWidth = 0, croppedLeft = 0;
    double fullHeight = 0, croppedHeight = 0, croppedTop = 0;
    double poseHeading = 0, initialHeading = 0;
    double initialPitch = 0, initialFov = 0;  // degrees
};

// The GPano fields of an XMP packet. False when it has none that describe
// the coverage or the view. Each value that makes no sense (not a finite
// number, a size out of range, a crop larger than the whole) is left out
// with a sentence in `warning`.
bool readGPanoXmp(std::string_view xmp, GPanoFields &fields, std::string &warning);

// The same from an image file's XMP packet (JPEG or PNG).
bool readGPano(const uint8_t *file, size_t size, GPanoFields &fields, std::string &warning);

// What the engine takes from the fields, for an image of width x height.
struct GPanoPlacement {
    int angle = 360;        // 1..360: 360 x cropped width / full width
    int orientation = 0;    // 0..359: compass bearing of image column 0
    int horizon = 0;        // rows of the horizon above the image's middle row
    bool hasStart = false;  // startBearing holds the initial view
    int startBearing = 0;   // engine bearing (KAL_VALUE_ORIENTATION) that faces it
};

// The mapping, for an image stored at width x height and shown `shownHeight`
// rows tall (0: as stored): the angle comes from the stored columns, the
// horizon is counted in the rows shown. Missing or senseless fields leave
// their defaults: a plain 360-degree panorama whose column 0 faces north.
GPanoPlacement placementFromGPano(const GPanoFields &fields, int width, int height,
                                  int shownHeight = 0);

}  // namespace kalhost

#endif

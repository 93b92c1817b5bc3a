// What every program that opens a panorama does the same way: words for the
// engine's error codes and for a refused BMP file, scaling an image up to
// what a view needs, and placing the view by bearing, pitch and zoom.
#ifndef KALHOST_OPEN_PANORAMA_H
#define KALHOST_OPEN_PANORAMA_H

#include "core/kalengine.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalhost {

// The engine's error code in words.
const char *engineErrorText(int code);

// Why kal_LoadDIB refused a file of `fileSize` bytes, from its first `got`
// bytes (54 suffice): a phrase that follows the file's name, such as
// "is not a BMP file".
std::string whyNotLoaded(const uint8_t *head, size_t got, uint64_t fileSize);

// Frees the hotspot array of an attribute block that no panorama took over.
void releaseHotSpots(KalAttribs &attribs);

// The image itself when it suits the view, else a scaled copy (releasing the
// image when deleteSource is set). Null with a reason in `error` on failure.
void *fitImage(void *image, const RECT &view, int angle, bool deleteSource, std::string &error);

// Zoom (magnification, 1 = none), then bearing (degrees, any integer), then
// pitch (yPos above the middle row, in view pixels: source rows at zoom 1,
// negative below): the position limits depend on the zoom. Pitch in degrees:
// view_angles.h. Any values: they are clamped on the way, the
// engine then keeps the view inside its limits. False when the engine
// refused one of them.
bool positionView(HPANORAMA pano, int bearing, int pitch, double zoom);

}  // namespace kalhost

#endif

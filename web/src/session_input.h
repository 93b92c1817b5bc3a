// The web module's input steps shared by its sessions: loading a BMP file,
// reading attribute text, checking a view size; each says what it did in
// the report of the open it serves.
#ifndef KALWEB_SESSION_INPUT_H
#define KALWEB_SESSION_INPUT_H

#include "core/kalengine.h"
#include "web_session.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalweb {

// A BMP file read by the host library (kalhost::readBmp) for a panorama of
// `angle` degrees (0 = 360): an 8-bit file's packed DIB into image.source, a
// 24- or 32-bit file's pixels into image.rgba. False after a message in
// `report`.
bool loadImage(const uint8_t *bytes, size_t size, int angle, SessionImage &image, Report &report);

// The attributes of an image: the text when there is one, else the file's
// own. False after a message; a text with a syntax error is left out with a
// warning that names its line and word.
bool readAttributes(const std::string &text, const KalAttribs &fileAttribs, KalAttribs &attribs,
                    Report &report);

// Says that the file ends before its image does, its missing part blank.
void warnEndsEarly(Report &report);

// Why a panorama cannot have a width x height view, or empty.
std::string viewSizeProblem(int width, int height);

}  // namespace kalweb

#endif

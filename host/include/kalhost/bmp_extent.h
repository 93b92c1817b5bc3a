// Whether a BMP file holds all the data its headers describe. The engine
// loads a file that ends early with the missing part zero-filled, so the
// programs check the file itself to say what is wrong.
#ifndef KALHOST_BMP_EXTENT_H
#define KALHOST_BMP_EXTENT_H

#include "kalhost/bmp_header.h"

#include <cstddef>
#include <cstdint>

namespace kalhost {

// `head` holds the file's first `headBytes` bytes. The length the file
// needs for the colour table and the pixel data its headers describe; 0 for
// a head without the BMP signature, a file too short for its headers, or
// with an 8-bit size the engine refuses whatever the angle (bmpSizeRefusal
// says what is wrong with it). An RLE8 file is measured by the compressed
// size it stores, when it stores one.
uint64_t bmpExtent(const uint8_t *head, size_t headBytes, uint64_t fileSize);

// True when the file ends before the colour table or the pixel data its
// headers describe (bmpExtent).
bool bmpEndsEarly(const uint8_t *head, size_t headBytes, uint64_t fileSize);

}  // namespace kalhost

#endif

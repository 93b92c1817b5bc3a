// Test patterns and files for tests and generators, on the host BMP writer
// (whose names this namespace takes in too).
#ifndef KAL_BMP_WRITER_H
#define KAL_BMP_WRITER_H

#include "../../host/include/kalhost/bmp_writer.h"

namespace kaltest {

using kalhost::bmpBytes;
using kalhost::BmpFile;
using kalhost::BmpInfo;
using kalhost::encodeRle8;
using kalhost::kAutoSize;
using kalhost::padRows;
using kalhost::writeBytes;

// Test pattern: index (7 x column + 13 x row) mod 256, row by row, first
// stored row first.
std::vector<uint8_t> patternIndices(int width, int height);

// Entry k of the test palette is red k, green 255 - k, blue k / 2.
std::vector<uint8_t> testPalette(int entries);

// An 8-bit file with the test palette: BI_RGB rows or an RLE8 stream.
BmpFile makeBmp8(const std::vector<uint8_t> &indices, int width, int height, bool rle8);

// A path for `name` in the system's temporary folder.
std::string tempPath(const std::string &name);

}  // namespace kaltest

#endif

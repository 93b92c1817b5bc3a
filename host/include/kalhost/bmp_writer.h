// BMP file bytes: any header values, colour table, gap and pixel data, plus
// an RLE8 encoder. Plain C++, no Win32 headers, so that programs, tests and
// build-time generators all use it.
#ifndef KALHOST_BMP_WRITER_H
#define KALHOST_BMP_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

namespace kalhost {

constexpr uint32_t kAutoSize = UINT32_MAX;

// The stored BITMAPINFOHEADER fields; `size` beyond 40 is padded with zeros.
struct BmpInfo {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t compression = 0;        // 0 BI_RGB, 1 BI_RLE8, 2 BI_RLE4
    uint32_t sizeImage = kAutoSize;  // kAutoSize: the pixel data's length
    int32_t xPelsPerMeter = 2835;
    int32_t yPelsPerMeter = 2835;
    uint32_t clrUsed = 256;
    uint32_t clrImportant = 0;
};

struct BmpFile {
    uint16_t type = 0x4D42;  // "BM"
    BmpInfo info;
    std::vector<uint8_t> colors;   // stored table, 4 bytes (B, G, R, 0) per entry
    uint32_t gap = 0;              // bytes between table and pixels
    uint32_t offBits = kAutoSize;  // kAutoSize: where the pixels really start
    std::vector<uint8_t> pixels;   // rows or compressed stream, as stored
};

// Stored rows (bottom-up, padded to 4 bytes with `pad`) from `width` x
// `height` indices given row by row, first stored row first.
std::vector<uint8_t> padRows(const std::vector<uint8_t> &indices, int width, int height,
                             uint8_t pad = 0);

// RLE8 stream of unpadded rows (first stored row first): encoded runs for
// repeats, absolute runs for varied stretches, end of line after each row
// but the last, end of bitmap at the end.
std::vector<uint8_t> encodeRle8(const std::vector<uint8_t> &indices, int width, int height);

// The whole file: 14-byte file header, info header, table, gap, pixels.
std::vector<uint8_t> bmpBytes(const BmpFile &file);

bool writeBytes(const std::string &path, const std::vector<uint8_t> &bytes);

}  // namespace kalhost

#endif

// The fields of a BMP file's headers, parsed once, and what follows from
// them before anything is allocated for its pixels: where the pixels lie,
// how long the file must be, and whether its size can be opened.
#ifndef KALHOST_BMP_HEADER_H
#define KALHOST_BMP_HEADER_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalhost {

// The file header and the 40-byte info header.
constexpr size_t kBmpHeadBytes = 54;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiBitfields = 3;

struct BmpHeader {
    uint32_t offBits = 0;
    uint32_t infoSize = 0;
    int32_t width = 0;
    int32_t height = 0;  // negative: rows stored top-down
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t clrUsed = 0;
};

// False when `head` (the file's first `got` bytes) holds no BMP headers.
bool readBmpHeader(const uint8_t *head, size_t got, BmpHeader &header);

// The rows' count: only true-colour rows may be stored top-down.
int64_t bmpRows(const BmpHeader &h);

// Bytes a stored row takes (rows end on 4-byte boundaries).
uint64_t bmpStride(const BmpHeader &h);

// Where the colour table (and, for BI_BITFIELDS, the masks) end.
uint64_t bmpTableEnd(const BmpHeader &h);

// Where the pixel data is sought, as the engine seeks it: at bfOffBits when
// that lies behind the table and inside the file, else right behind it.
uint64_t bmpPixelsAt(const BmpHeader &h, uint64_t fileSize);

// Why a BMP file of `fileSize` bytes cannot be opened at the size its
// headers claim, for a panorama of `angle` degrees (0 = 360): the engine's
// limits for 8-bit files, the claim's plausibility for every kind, and what
// its pixel bytes can hold. A phrase that follows the file's name; empty
// when the size is fine (or the head is no BMP header: other checks say so).
std::string bmpSizeRefusal(const uint8_t *head, size_t got, uint64_t fileSize, int angle);

}  // namespace kalhost

#endif

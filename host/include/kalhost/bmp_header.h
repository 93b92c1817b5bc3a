// The fields of a BMP file's headers that decide whether and how it can be
// opened, read before anything is allocated for its pixels.
#ifndef KALHOST_BMP_HEADER_H
#define KALHOST_BMP_HEADER_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace kalhost {

struct BmpHeader {
    uint32_t offBits;
    uint32_t infoSize;
    int32_t width;
    int32_t height;  // negative: rows stored top-down
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    uint32_t clrUsed;
};

// False when `head` (the file's first `got` bytes) holds no BMP headers.
bool readBmpHeader(const uint8_t *head, size_t got, BmpHeader &header);

// Why a BMP file of `fileSize` bytes cannot be opened at the size its
// headers claim, for a panorama of `angle` degrees (0 = 360): the engine's
// limits for 8-bit files, the claim's plausibility for every kind. A phrase
// that follows the file's name; empty when the size is fine (or the head is
// no BMP header: other checks say so).
std::string bmpSizeRefusal(const uint8_t *head, size_t got, uint64_t fileSize, int angle);

}  // namespace kalhost

#endif

// What a PNG or JPEG file's bytes say before any pixel is decoded: its
// format and size, how many pixels its image data can describe at most,
// its XMP packet and EXIF block. Every read stays inside the given bytes.
#ifndef KALHOST_IMAGE_HEAD_H
#define KALHOST_IMAGE_HEAD_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kalhost {

enum class ImageFormat { Bmp, Jpeg, Png, Unknown };

// Told by the first bytes.
ImageFormat imageFormatOf(const uint8_t *bytes, size_t size);

struct ImageHead {
    ImageFormat format = ImageFormat::Unknown;
    int width = 0;  // as stored, before any EXIF turn
    int height = 0;
    // The most pixels the image data present can describe: deflate expands
    // at most 1032:1, a Huffman-coded JPEG spends a bit at least on each
    // 8 x 8 block.
    uint64_t heldPixels = 0;
    int decodeBytesPerPixel = 4;  // what decoding costs a claimed pixel
    bool progressive = false;     // a progressive (or other multi-scan) JPEG
    int adobeTransform = -1;      // a JPEG's Adobe segment transform, -1 without one
    int components = 0;           // a JPEG's colour components
    std::string_view xmp;         // the XMP packet (JPEG APP1, PNG iTXt), or empty
    std::string_view exif;        // a JPEG's EXIF TIFF block (after "Exif\0\0"), or empty
};

// Reads a PNG's or JPEG's head; false with a phrase that follows the file's
// name in `why` when the bytes are neither or their header is damaged.
bool readImageHead(const uint8_t *bytes, size_t size, ImageHead &head, std::string &why);

// The one check of a claimed size against what the data holds: why a file
// of `fileBytes` bytes cannot be taken at its word that it holds
// width x height pixels, empty when it may. What the data cannot hold is
// decoded blank, at a cost of `bytesPerPixel`; that blank part may cost at
// most max(64 MiB, 20 bytes for each byte of the file).
std::string holdRefusal(int64_t width, int64_t height, uint64_t heldPixels, uint64_t fileBytes,
                        int bytesPerPixel);

// readImageHead, then holdRefusal on what it read (and the file-length
// claim check): the verdict every program gives a PNG or JPEG before it
// allocates for its pixels. Empty when the file may be decoded.
std::string colourFileRefusal(const uint8_t *bytes, size_t size, ImageHead &head);

// The same verdict for a program that decodes elsewhere (the browser) and
// reports width x height: a PNG or JPEG by its own head as above, any other
// bytes (other formats, or none given) by the file-length claim check alone.
std::string claimedSizeRefusal(const uint8_t *bytes, size_t size, int64_t width, int64_t height);

}  // namespace kalhost

#endif

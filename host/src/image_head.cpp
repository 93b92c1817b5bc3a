// PNG chunks and JPEG segments walked without decoding: the size, how much
// image data is present, the XMP and EXIF blocks; and the check of a claimed
// size against what that data can hold.
#include "kalhost/image_head.h"

#include "kalhost/image_limits.h"

#include <algorithm>
#include <cstring>

namespace kalhost {
namespace {

constexpr uint64_t kDeflateExpansion = 1032;  // deflate's largest output per input byte
constexpr uint64_t kMinBlankBytes = uint64_t{64} << 20;
constexpr uint64_t kBlankBytesPerFileByte = 20;

uint32_t be32(const uint8_t *p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

uint32_t be16(const uint8_t *p)
{
    return uint32_t{p[0]} << 8 | p[1];
}

std::string_view text(const uint8_t *p, size_t n)
{
    return {reinterpret_cast<const char *>(p), n};
}

// The text of an uncompressed iTXt chunk with the XMP keyword, or empty.
std::string_view pngXmp(const uint8_t *data, size_t size)
{
    static const char kKeyword[] = "XML:com.adobe.xmp";
    const std::string_view chunk = text(data, size);
    if (chunk.substr(0, sizeof kKeyword) != std::string_view(kKeyword, sizeof kKeyword)) return {};
    size_t at = sizeof kKeyword;
    if (at + 2 > chunk.size() || chunk[at] != 0) return {};  // compressed text is not read
    at += 2;
    for (int field = 0; field < 2; ++field) {  // language tag, translated keyword
        const size_t end = chunk.find('\0', at);
        if (end == std::string_view::npos) return {};
        at = end + 1;
    }
    return chunk.substr(at);
}

bool readPngHead(const uint8_t *b, size_t size, ImageHead &head, std::string &why)
{
    if (size < 33 || be32(b + 8) != 13 || std::memcmp(b + 12, "IHDR", 4) != 0) {
        why = "is a damaged PNG file (no image header)";
        return false;
    }
    const uint32_t width = be32(b + 16), height = be32(b + 20);
    const int depth = b[24], type = b[25];
    const int channels = type == 0 || type == 3 ? 1 : type == 2 ? 3 : type == 4 ? 2 : 4;
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
        why = "is a damaged PNG file (its image header gives no size)";
        return false;
    }
    if (depth == 0) {
        why = "is a damaged PNG file (its image header gives no bit depth)";
        return false;
    }
    head.width = static_cast<int>(width);
    head.height = static_cast<int>(height);
    uint64_t idat = 0;
    for (size_t at = 8; at + 8 <= size;) {
        const uint64_t length = be32(b + at);
        const uint8_t *type4 = b + at + 4;
        const size_t present = static_cast<size_t>(std::min<uint64_t>(length, size - at - 8));
        if (std::memcmp(type4, "IDAT", 4) == 0) idat += present;
        if (std::memcmp(type4, "iTXt", 4) == 0 && head.xmp.empty())
            head.xmp = pngXmp(b + at + 8, present);
        if (std::memcmp(type4, "IEND", 4) == 0 || length > size - at - 8) break;
        at += 8 + static_cast<size_t>(length) + 4;
    }
    // Every row starts with a filter byte; pixels take depth x channels bits.
    const uint64_t raw = idat * kDeflateExpansion;
    const uint64_t rowBytes = (uint64_t{width} * depth * channels + 7) / 8 + 1;
    head.heldPixels = std::min<uint64_t>(raw / rowBytes, height) * width;
    head.decodeBytesPerPixel = 4;
    return true;
}

bool isFrameMarker(uint8_t m)
{
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

// The bytes from `at` to the next marker that is not a restart marker (or
// the end): a scan's entropy-coded data.
size_t entropyEnd(const uint8_t *b, size_t size, size_t at)
{
    while (at < size) {
        const void *ff = std::memchr(b + at, 0xFF, size - at);
        if (!ff) return size;
        at = static_cast<size_t>(static_cast<const uint8_t *>(ff) - b);
        if (at + 1 >= size) return size;
        const uint8_t next = b[at + 1];
        if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF) return at;
        at += 2;
    }
    return size;
}

bool readJpegHead(const uint8_t *b, size_t size, ImageHead &head, std::string &why)
{
    static const char kXmp[] = "http://ns.adobe.com/xap/1.0/";
    uint64_t entropy = 0;
    int scans = 0;
    bool arithmetic = false;
    size_t at = 2;
    while (at + 4 <= size) {
        if (b[at] != 0xFF) {  // stray bytes between segments: look for the next marker
            ++at;
            continue;
        }
        const uint8_t marker = b[at + 1];
        if (marker == 0xFF || marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7)) {
            ++at;
            continue;
        }
        if (marker == 0xD9) break;
        const size_t length = be16(b + at + 2);
        if (length < 2) break;
        const uint8_t *data = b + at + 4;
        const size_t present = std::min(length - 2, size - at - 4);
        const bool whole = present == length - 2;  // metadata only from whole segments
        if (isFrameMarker(marker) && present >= 6 && head.width == 0) {
            head.height = static_cast<int>(be16(data + 1));
            head.width = static_cast<int>(be16(data + 3));
            head.components = data[5];
            head.progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            arithmetic = marker >= 0xC9;
        } else if (marker == 0xE1 && whole && head.exif.empty() && present >= 6 &&
                   std::memcmp(data, "Exif\0\0", 6) == 0) {
            head.exif = text(data + 6, present - 6);
        } else if (marker == 0xE1 && whole && head.xmp.empty() && present >= sizeof kXmp &&
                   std::memcmp(data, kXmp, sizeof kXmp) == 0) {
            head.xmp = text(data + sizeof kXmp, present - sizeof kXmp);
        } else if (marker == 0xEE && present >= 12 && std::memcmp(data, "Adobe", 5) == 0) {
            head.adobeTransform = data[11];
        }
        at += 2 + length;
        if (marker == 0xDA && at <= size) {
            ++scans;
            const size_t end = entropyEnd(b, size, at);
            entropy += end - at;
            at = end;
        }
    }
    if (head.width <= 0 || head.height <= 0) {
        why = "is a damaged JPEG file (no frame header with a size)";
        return false;
    }
    head.progressive = head.progressive || scans > 1;
    // At least a bit an 8 x 8 block with Huffman codes; arithmetic coding
    // can spend less, so it is given a generous eight blocks a bit.
    head.heldPixels = entropy * 8 * 64 * (arithmetic ? 8 : 1);
    // A multi-scan decode keeps every block's coefficients (2 bytes each).
    head.decodeBytesPerPixel = 4 + (head.progressive ? 2 * std::max(1, head.components) : 0);
    return true;
}

}  // namespace

ImageFormat imageFormatOf(const uint8_t *b, size_t size)
{
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 2 && b[0] == 'B' && b[1] == 'M') return ImageFormat::Bmp;
    if (size >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return ImageFormat::Jpeg;
    if (size >= 8 && std::memcmp(b, kPng, 8) == 0) return ImageFormat::Png;
    return ImageFormat::Unknown;
}

bool readImageHead(const uint8_t *bytes, size_t size, ImageHead &head, std::string &why)
{
    head = ImageHead{};
    head.format = imageFormatOf(bytes, size);
    if (head.format == ImageFormat::Png) return readPngHead(bytes, size, head, why);
    if (head.format == ImageFormat::Jpeg) return readJpegHead(bytes, size, head, why);
    why = "is not a JPEG or PNG file";
    return false;
}

std::string holdRefusal(int64_t width, int64_t height, uint64_t heldPixels, uint64_t fileBytes,
                        int bytesPerPixel)
{
    if (width <= 0 || height <= 0) return "";
    const uint64_t claimed = uint64_t(width) * uint64_t(height);
    if (claimed <= heldPixels) return "";
    const uint64_t blank = (claimed - heldPixels) * uint64_t(bytesPerPixel);
    if (blank <= std::max(kMinBlankBytes, fileBytes * kBlankBytesPerFileByte)) return "";
    return "claims " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels but its image data can hold at most " + std::to_string(heldPixels) +
           " of them: it is damaged";
}

std::string colourFileRefusal(const uint8_t *bytes, size_t size, ImageHead &head)
{
    std::string why;
    if (!readImageHead(bytes, size, head, why)) return why;
    why = claimRefusal(head.width, head.height, size);
    if (why.empty())
        why = holdRefusal(head.width, head.height, head.heldPixels, size, head.decodeBytesPerPixel);
    return why;
}

std::string claimedSizeRefusal(const uint8_t *bytes, size_t size, int64_t width, int64_t height)
{
    ImageHead head;
    const ImageFormat format = bytes ? imageFormatOf(bytes, size) : ImageFormat::Unknown;
    if (format == ImageFormat::Png || format == ImageFormat::Jpeg)
        return colourFileRefusal(bytes, size, head);
    return claimRefusal(width, height, size);
}

}  // namespace kalhost

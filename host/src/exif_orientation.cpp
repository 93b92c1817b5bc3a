// A TIFF header in either byte order, IFD0's entries, the Orientation tag;
// then the picture turned or flipped to stand upright.
#include "kalhost/exif_orientation.h"

#include <utility>

namespace kalhost {
namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;

struct TiffBytes {
    std::string_view bytes;
    bool big = false;
    bool read16(size_t at, uint32_t &value) const
    {
        if (at > bytes.size() || bytes.size() - at < 2) return false;
        const auto b0 = uint8_t(bytes[at]), b1 = uint8_t(bytes[at + 1]);
        value = big ? uint32_t(b0) << 8 | b1 : uint32_t(b1) << 8 | b0;
        return true;
    }
    bool read32(size_t at, uint32_t &value) const
    {
        uint32_t a = 0, b = 0;
        if (!read16(at, a) || !read16(at + 2, b)) return false;
        value = big ? a << 16 | b : b << 16 | a;
        return true;
    }
};

}  // namespace

int exifOrientation(std::string_view tiff)
{
    if (tiff.size() < 8) return 1;
    TiffBytes t{tiff, false};
    if (tiff.substr(0, 2) == "MM")
        t.big = true;
    else if (tiff.substr(0, 2) != "II")
        return 1;
    uint32_t magic = 0, ifd = 0, count = 0;
    if (!t.read16(2, magic) || magic != 42 || !t.read32(4, ifd) || !t.read16(ifd, count)) return 1;
    for (uint32_t k = 0; k < count; ++k) {
        const size_t entry = size_t(ifd) + 2 + size_t(k) * 12;
        uint32_t tag = 0, type = 0, values = 0, value = 0;
        if (!t.read16(entry, tag) || !t.read16(entry + 2, type) || !t.read32(entry + 4, values) ||
            !t.read16(entry + 8, value))
            return 1;
        if (tag != kOrientationTag) continue;
        if (type != kShortType || values != 1 || value < 1 || value > 8) return 1;
        return int(value);
    }
    return 1;
}

void applyOrientation(RgbaImage &image, int orientation)
{
    if (orientation < 2 || orientation > 8) return;
    const int w = image.width, h = image.height;
    const bool swaps = orientationSwapsSides(orientation);
    const int outW = swaps ? h : w, outH = swaps ? w : h;
    std::vector<uint32_t> out(image.pixels.size());
    // In top-down terms: where each shown pixel (x, y) is stored.
    for (int y = 0; y < outH; ++y)
        for (int x = 0; x < outW; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
                case 2:
                    sx = w - 1 - x;
                    break;
                case 3:
                    sx = w - 1 - x, sy = h - 1 - y;
                    break;
                case 4:
                    sy = h - 1 - y;
                    break;
                case 5:
                    sx = y, sy = x;
                    break;
                case 6:
                    sx = y, sy = h - 1 - x;
                    break;
                case 7:
                    sx = w - 1 - y, sy = h - 1 - x;
                    break;
                default:
                    sx = w - 1 - y, sy = x;
                    break;  // 8
            }
            // Rows are stored bottom-up.
            out[size_t(outH - 1 - y) * outW + x] = image.pixels[size_t(h - 1 - sy) * w + sx];
        }
    image.width = outW;
    image.height = outH;
    image.pixels = std::move(out);
}

}  // namespace kalhost

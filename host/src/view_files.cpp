// BMP files of rendered views through the host BMP writer; rows keep their
// bottom-up order, padding is written as zeros.
#include "kalhost/bmp_writer.h"
#include "kalhost/image_writer.h"

#include <cctype>
#include <cstring>

namespace kalhost {

std::vector<uint8_t> bmpFileOf(const IndexedView &view)
{
    BmpFile file;
    file.info.width = view.width;
    file.info.height = view.height;
    file.colors.assign(view.colours, view.colours + 1024);
    const size_t stride = (size_t(view.width) + 3) & ~size_t{3};
    file.pixels.assign(stride * size_t(view.height), 0);
    for (int r = 0; r < view.height; ++r)
        std::memcpy(&file.pixels[r * stride], view.rows + r * view.stride, size_t(view.width));
    return bmpBytes(file);
}

std::vector<uint8_t> bmpFileOf(const ColourView &view)
{
    BmpFile file;
    file.info.width = view.width;
    file.info.height = view.height;
    file.info.bitCount = 24;
    file.info.clrUsed = 0;
    const size_t stride = (size_t(view.width) * 3 + 3) & ~size_t{3};
    file.pixels.assign(stride * size_t(view.height), 0);
    for (int r = 0; r < view.height; ++r) {
        uint8_t *out = &file.pixels[r * stride];
        const uint32_t *in = view.pixels + size_t(r) * view.width;
        for (int x = 0; x < view.width; ++x, out += 3) {
            out[0] = static_cast<uint8_t>(in[x] >> 16);  // blue
            out[1] = static_cast<uint8_t>(in[x] >> 8);
            out[2] = static_cast<uint8_t>(in[x]);  // red
        }
    }
    return bmpBytes(file);
}

bool namesPng(const std::string &path)
{
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char &c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".png";
}

}  // namespace kalhost

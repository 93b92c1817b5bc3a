// libFuzzer target over the 24/32-bit BMP reader: the bytes in a block of
// exactly their size; a decoded image must have the size its header claims
// and never more pixels than its length allows.
#include "kalhost/bmp_reader.h"
#include "kalhost/image_limits.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::vector<uint8_t> copy(data, data + size);
    kalhost::RgbaImage image;
    bool endsEarly = false;
    std::string why;
    if (!kalhost::readColourBmp(copy.data(), copy.size(), image, endsEarly, why)) return 0;
    const uint64_t pixels = uint64_t(image.width) * uint64_t(image.height);
    const bool sound = image.width > 0 && image.height > 0 && image.pixels.size() == pixels &&
                       pixels <= std::max<uint64_t>(kalhost::kMinPixelAllowance,
                                                    size * kalhost::kPixelsPerFileByte);
    if (!sound) {
        std::fprintf(stderr, "colour_bmp_fuzz: decoded size disagrees with the header\n");
        std::abort();
    }
    return 0;
}

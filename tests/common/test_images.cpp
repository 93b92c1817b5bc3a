// In-memory 8-bit DIBs for tests.
#include "common/test_images.h"

#include <cstring>

#include "core/kalengine.h"

namespace kaltest {

uint8_t defaultPixel(int column, int storedRow)
{
    return static_cast<uint8_t>(column * 7 + storedRow * 13 + (column >> 8) * 5);
}

std::vector<uint8_t> makePackedDib(int width, int height, const PixelFn &pixel)
{
    const int stride = stride8(width);
    std::vector<uint8_t> dib(1064 + static_cast<size_t>(stride) * height, 0xEE);
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 8;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(stride * height);
    header.biClrUsed = 256;
    std::memcpy(dib.data(), &header, sizeof header);
    auto *colors = reinterpret_cast<RGBQUAD *>(dib.data() + 40);
    for (int k = 0; k < 256; ++k) {
        colors[k].rgbRed = static_cast<BYTE>(k);
        colors[k].rgbGreen = static_cast<BYTE>(255 - k);
        colors[k].rgbBlue = static_cast<BYTE>(k / 2);
        colors[k].rgbReserved = 0;
    }
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            dib[1064 + static_cast<size_t>(r) * stride + c] = pixel(c, r);
    return dib;
}

void *makePackedDibBlock(int width, int height, const PixelFn &pixel)
{
    std::vector<uint8_t> dib = makePackedDib(width, height, pixel);
    void *block = kal_AllocResource(static_cast<DWORD>(dib.size()));
    if (block) std::memcpy(block, dib.data(), dib.size());
    return block;
}

}  // namespace kaltest

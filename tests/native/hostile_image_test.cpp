// Small files that claim huge pictures: each is refused from what its bytes
// can hold before a decoder allocates the claimed size. With KAL_HOSTILE_DIR
// set, the files are also written there (to measure kalrender on them).
#include <gtest/gtest.h>

#include "kalhost/load_image.h"

#include <turbojpeg.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void be32(Bytes &b, uint32_t v)
{
    for (int k = 3; k >= 0; --k) b.push_back(uint8_t(v >> (8 * k)));
}

void le(Bytes &b, uint32_t v, int bytes)
{
    for (int k = 0; k < bytes; ++k) b.push_back(uint8_t(v >> (8 * k)));
}

uint32_t crc32(const uint8_t *p, size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = c >> 1 ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

void chunk(Bytes &png, const char *type, const Bytes &data)
{
    be32(png, uint32_t(data.size()));
    const size_t at = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    be32(png, crc32(png.data() + at, png.size() - at));
}

// An RGB PNG claiming side x side pixels: 1 KB of image data (a zlib stream
// that stops in a stored block) and a text chunk padding it to `total` bytes.
Bytes paddedPng(uint32_t side, size_t total)
{
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    be32(ihdr, side);
    be32(ihdr, side);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    chunk(png, "IHDR", ihdr);
    Bytes idat = {0x78, 0x01, 0x00, 0x00, 0x04, 0xFF, 0xFB};  // a 1024-byte stored block
    idat.resize(idat.size() + 1024, 0);
    chunk(png, "IDAT", idat);
    Bytes text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
    text.resize(total - png.size() - 12 - 12, 'x');
    chunk(png, "tEXt", text);
    chunk(png, "IEND", {});
    return png;
}

// A 24-bit BMP claiming side x side pixels, `total` bytes long.
Bytes paddedBmp(int32_t side, size_t total)
{
    Bytes bmp = {'B', 'M'};
    le(bmp, uint32_t(total), 4);
    le(bmp, 0, 4);
    le(bmp, 54, 4);
    le(bmp, 40, 4);
    le(bmp, uint32_t(side), 4);
    le(bmp, uint32_t(side), 4);
    le(bmp, 1, 2);
    le(bmp, 24, 2);
    for (int k = 0; k < 6; ++k) le(bmp, 0, 4);
    bmp.resize(total, 0x80);
    return bmp;
}

// A small progressive JPEG whose frame claims side x side pixels, padded to
// `total` bytes with comment segments before its first scan.
Bytes paddedProgressiveJpeg(uint16_t side, size_t total)
{
    const int w = 64, h = 64;
    std::vector<uint8_t> rgb(size_t(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7);
    tjhandle tj = tjInitCompress();
    unsigned char *out = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, rgb.data(), w, 0, h, TJPF_RGB, &out, &size, TJSAMP_420, 90, TJFLAG_PROGRESSIVE);
    Bytes small(out, out + size);
    tjFree(out);
    tjDestroy(tj);
    Bytes jpeg;
    for (size_t at = 2; at + 4 < small.size();) {
        const uint8_t marker = small[at + 1];
        const size_t length = size_t(small[at + 2]) << 8 | small[at + 3];
        if (marker == 0xC2) {
            small[at + 5] = uint8_t(side >> 8), small[at + 6] = uint8_t(side);
            small[at + 7] = uint8_t(side >> 8), small[at + 8] = uint8_t(side);
        }
        if (marker == 0xDA) {
            jpeg.assign(small.begin(), small.begin() + long(at));
            const size_t rest = small.size() - at;
            while (jpeg.size() + rest < total) {
                const size_t n = std::min<size_t>(65533, total - rest - jpeg.size() - 4);
                jpeg.insert(jpeg.end(), {0xFF, 0xFE, uint8_t((n + 2) >> 8), uint8_t(n + 2)});
                jpeg.resize(jpeg.size() + n, 'x');
                if (n < 65533) break;
            }
            jpeg.insert(jpeg.end(), small.begin() + long(at), small.end());
            break;
        }
        at += 2 + length;
    }
    return jpeg;
}

struct Hostile {
    const char *name;
    Bytes bytes;
};

std::vector<Hostile> hostileFiles()
{
    return {{"png_16384_270k.png", paddedPng(16384, 270000)},
            {"png_32768_1m.png", paddedPng(32768, 1 << 20)},
            {"bmp24_16384_270k.bmp", paddedBmp(16384, 270000)},
            {"jpeg_prog_16384_270k.jpg", paddedProgressiveJpeg(16384, 270000)}};
}

}  // namespace

TEST(HostileImages, RefusedFromWhatTheirDataCanHold)
{
    if (const char *dir = std::getenv("KAL_HOSTILE_DIR")) {
        for (const Hostile &h : hostileFiles()) {
            std::ofstream out(std::string(dir) + "/" + h.name, std::ios::binary);
            out.write(reinterpret_cast<const char *>(h.bytes.data()), long(h.bytes.size()));
        }
    }
    for (const Hostile &h : hostileFiles()) {
        SCOPED_TRACE(h.name);
        kalhost::LoadedImage image;
        std::string why;
        EXPECT_FALSE(kalhost::loadImage(h.bytes.data(), h.bytes.size(), 0, image, why));
        EXPECT_NE(why.find("can hold"), std::string::npos) << why;
    }
}

// BMP file bytes and an RLE8 encoder: what programs write and what tests
// and generators build their files from.
#include "kalhost/bmp_writer.h"

#include <cstdio>

namespace kalhost {
namespace {

void put16(std::vector<uint8_t> &out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t> &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Length of the run of equal bytes starting at `from`, at most 255.
int runLength(const uint8_t *row, int from, int width)
{
    int n = 1;
    while (from + n < width && n < 255 && row[from + n] == row[from]) ++n;
    return n;
}

// Literal stretch from `from` up to the next run of 3 or more, at most 255.
int literalLength(const uint8_t *row, int from, int width)
{
    int n = 0;
    while (from + n < width && n < 255 && runLength(row, from + n, width) < 3) ++n;
    return n;
}

void encodeRow(std::vector<uint8_t> &out, const uint8_t *row, int width)
{
    int x = 0;
    while (x < width) {
        int run = runLength(row, x, width);
        int literal = run >= 3 ? 0 : literalLength(row, x, width);
        if (literal >= 3) {
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(literal));
            out.insert(out.end(), row + x, row + x + literal);
            if (literal & 1) out.push_back(0);
            x += literal;
        } else {
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(row[x]);
            x += run;
        }
    }
}

}  // namespace

std::vector<uint8_t> padRows(const std::vector<uint8_t> &indices, int width, int height,
                             uint8_t pad)
{
    const int stride = (width + 3) & ~3;
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * height, pad);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            rows[static_cast<size_t>(r) * stride + c] = indices[static_cast<size_t>(r) * width + c];
    return rows;
}

std::vector<uint8_t> encodeRle8(const std::vector<uint8_t> &indices, int width, int height)
{
    std::vector<uint8_t> out;
    for (int r = 0; r < height; ++r) {
        encodeRow(out, indices.data() + static_cast<size_t>(r) * width, width);
        out.push_back(0);
        out.push_back(r + 1 < height ? 0 : 1);
    }
    return out;
}

std::vector<uint8_t> bmpBytes(const BmpFile &file)
{
    const BmpInfo &info = file.info;
    const uint32_t headerBytes = info.size < 40 ? 40 : info.size;
    const uint32_t pixelsAt =
        14 + headerBytes + static_cast<uint32_t>(file.colors.size()) + file.gap;
    std::vector<uint8_t> out;
    put16(out, file.type);
    put32(out, pixelsAt + static_cast<uint32_t>(file.pixels.size()));
    put32(out, 0);
    put32(out, file.offBits == kAutoSize ? pixelsAt : file.offBits);
    put32(out, info.size);
    put32(out, static_cast<uint32_t>(info.width));
    put32(out, static_cast<uint32_t>(info.height));
    put16(out, info.planes);
    put16(out, info.bitCount);
    put32(out, info.compression);
    put32(out,
          info.sizeImage == kAutoSize ? static_cast<uint32_t>(file.pixels.size()) : info.sizeImage);
    put32(out, static_cast<uint32_t>(info.xPelsPerMeter));
    put32(out, static_cast<uint32_t>(info.yPelsPerMeter));
    put32(out, info.clrUsed);
    put32(out, info.clrImportant);
    out.resize(14 + headerBytes, 0);
    out.insert(out.end(), file.colors.begin(), file.colors.end());
    out.resize(out.size() + file.gap, 0xCD);
    out.insert(out.end(), file.pixels.begin(), file.pixels.end());
    return out;
}

bool writeBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace kalhost

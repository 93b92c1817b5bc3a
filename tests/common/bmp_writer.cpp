// Test patterns and files built on the host BMP writer: indices, palette,
// 8-bit files and temporary paths.
#include "bmp_writer.h"

#include <filesystem>
#include <random>
#include <string>

namespace kaltest {

std::vector<uint8_t> patternIndices(int width, int height)
{
    std::vector<uint8_t> indices(static_cast<size_t>(width) * height);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            indices[static_cast<size_t>(r) * width + c] = static_cast<uint8_t>(c * 7 + r * 13);
    return indices;
}

std::vector<uint8_t> testPalette(int entries)
{
    std::vector<uint8_t> table;
    for (int k = 0; k < entries; ++k) {
        table.push_back(static_cast<uint8_t>(k / 2));
        table.push_back(static_cast<uint8_t>(255 - k));
        table.push_back(static_cast<uint8_t>(k));
        table.push_back(0);
    }
    return table;
}

BmpFile makeBmp8(const std::vector<uint8_t> &indices, int width, int height, bool rle8)
{
    BmpFile file;
    file.info.width = width;
    file.info.height = height;
    file.info.compression = rle8 ? 1 : 0;
    file.colors = testPalette(256);
    file.pixels = rle8 ? encodeRle8(indices, width, height) : padRows(indices, width, height);
    return file;
}

std::string tempPath(const std::string &name)
{
    // Test cases run as processes side by side: each process names its own.
    static const std::string tag = std::to_string(std::random_device{}()) + "_";
    return (std::filesystem::temp_directory_path() / (tag + name)).string();
}

}  // namespace kaltest

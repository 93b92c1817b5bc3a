// The view as an 8-bit BMP (through the shared BMP writer) or as a palette
// PNG (libpng, top row first, when the build found it).
#include "view_output.h"

#include "common/bmp_writer.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#ifdef KALRENDER_PNG
#include <png.h>
#endif

namespace kalrender {
namespace {

struct ViewLayout {
    int width;
    int height;
    size_t stride;
};

ViewLayout layoutOf(const BITMAPINFO *info)
{
    const BITMAPINFOHEADER &h = info->bmiHeader;
    return {h.biWidth, h.biHeight, (static_cast<size_t>(h.biWidth) + 3) & ~size_t{3}};
}

const RGBQUAD *colorsOf(const BITMAPINFO *info)
{
    return reinterpret_cast<const RGBQUAD *>(reinterpret_cast<const uint8_t *>(info) + 40);
}

bool endsWithPng(const std::string &path)
{
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char &c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".png";
}

bool writeBmp(const std::string &path, const BITMAPINFO *info, const void *bits, std::string &error)
{
    const ViewLayout v = layoutOf(info);
    const auto *rows = static_cast<const uint8_t *>(bits);
    kaltest::BmpFile file;
    file.info.width = v.width;
    file.info.height = v.height;
    file.colors.assign(reinterpret_cast<const uint8_t *>(colorsOf(info)),
                       reinterpret_cast<const uint8_t *>(colorsOf(info)) + 1024);
    // The renderer leaves the row padding alone; the file gets zeros there.
    file.pixels.assign(v.stride * static_cast<size_t>(v.height), 0);
    for (int r = 0; r < v.height; ++r)
        std::memcpy(&file.pixels[r * v.stride], rows + r * v.stride, static_cast<size_t>(v.width));
    if (kaltest::writeBytes(path, kaltest::bmpBytes(file))) return true;
    error = "cannot write " + path;
    return false;
}

#ifdef KALRENDER_PNG
// libpng reports errors by longjmp, so this part holds no C++ objects.
bool encodePng(std::FILE *f, const BITMAPINFO *info, const uint8_t *rows, ViewLayout v)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop pngInfo = png ? png_create_info_struct(png) : nullptr;
    if (!pngInfo || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &pngInfo);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, pngInfo, static_cast<png_uint_32>(v.width), static_cast<png_uint_32>(v.height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    for (int k = 0; k < 256; ++k)
        palette[k] = {colorsOf(info)[k].rgbRed, colorsOf(info)[k].rgbGreen, colorsOf(info)[k].rgbBlue};
    png_set_PLTE(png, pngInfo, palette, 256);
    png_write_info(png, pngInfo);
    for (int r = v.height - 1; r >= 0; --r)  // PNG goes top-down
        png_write_row(png, const_cast<png_bytep>(rows + static_cast<size_t>(r) * v.stride));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &pngInfo);
    return true;
}

bool writePng(const std::string &path, const BITMAPINFO *info, const void *bits, std::string &error)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    bool ok = f && encodePng(f, info, static_cast<const uint8_t *>(bits), layoutOf(info));
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) error = "cannot write " + path;
    return ok;
}
#endif

}  // namespace

bool pngAvailable()
{
#ifdef KALRENDER_PNG
    return true;
#else
    return false;
#endif
}

bool writeView(const std::string &path, const BITMAPINFO *info, const void *bits, std::string &error)
{
    if (!endsWithPng(path)) return writeBmp(path, info, bits, error);
#ifdef KALRENDER_PNG
    return writePng(path, info, bits, error);
#else
    error = "this build of kalrender cannot write PNG files; use a .bmp name";
    return false;
#endif
}

}  // namespace kalrender

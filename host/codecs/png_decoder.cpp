// PNG through libspng: the header first (with the library's own limits),
// then row by row into bottom-up RGBA, so a stream that ends early keeps
// the rows it had.
#include "decoders.h"

#include <spng.h>

#include <algorithm>
#include <memory>

namespace kalhost {
namespace {

struct SpngDeleter {
    void operator()(spng_ctx *ctx) const { spng_ctx_free(ctx); }
};
using SpngPtr = std::unique_ptr<spng_ctx, SpngDeleter>;

SpngPtr openPng(const uint8_t *bytes, size_t size, spng_ihdr &ihdr, std::string &why)
{
    SpngPtr ctx(spng_ctx_new(0));
    int error = ctx ? 0 : SPNG_EMEM;
    if (!error) error = spng_set_image_limits(ctx.get(), 0x7FFFFFFF, 0x7FFFFFFF);
    if (!error) error = spng_set_chunk_limits(ctx.get(), 1 << 24, 1 << 26);
    if (!error) error = spng_set_png_buffer(ctx.get(), bytes, size);
    if (!error) error = spng_get_ihdr(ctx.get(), &ihdr);
    if (!error && (ihdr.width == 0 || ihdr.height == 0)) error = SPNG_EWIDTH;
    if (error) {
        why = std::string("is a damaged PNG file (") + spng_strerror(error) + ")";
        return nullptr;
    }
    return ctx;
}

}  // namespace

bool pngSize(const uint8_t *bytes, size_t size, int &width, int &height, std::string &why)
{
    spng_ihdr ihdr{};
    if (!openPng(bytes, size, ihdr, why)) return false;
    width = static_cast<int>(ihdr.width);
    height = static_cast<int>(ihdr.height);
    return true;
}

bool decodePng(const uint8_t *bytes, size_t size, RgbaImage &image, bool &endsEarly,
               std::string &why)
{
    spng_ihdr ihdr{};
    SpngPtr ctx = openPng(bytes, size, ihdr, why);
    if (!ctx) return false;
    image.width = static_cast<int>(ihdr.width);
    image.height = static_cast<int>(ihdr.height);
    image.pixels.assign(size_t(image.width) * size_t(image.height), rgba(0, 0, 0));
    endsEarly = false;
    const size_t rowBytes = size_t(image.width) * 4;
    if (ihdr.interlace_method != 0) {
        // Interlaced rows arrive pass by pass: decode whole, then turn over.
        const int error = spng_decode_image(ctx.get(), image.pixels.data(), rowBytes * image.height,
                                            SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
        if (error) {
            why = std::string("is a damaged PNG file (") + spng_strerror(error) + ")";
            return false;
        }
        for (int top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(image.pixels.begin() + size_t(top) * image.width,
                             image.pixels.begin() + size_t(top + 1) * image.width,
                             image.pixels.begin() + size_t(bottom) * image.width);
        return true;
    }
    int error = spng_decode_image(ctx.get(), nullptr, 0, SPNG_FMT_RGBA8,
                                  SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
    for (int r = image.height - 1; !error && r >= 0; --r) {
        error = spng_decode_row(ctx.get(), image.pixels.data() + size_t(r) * image.width, rowBytes);
        if (error == SPNG_EOI) error = 0;  // the last row
    }
    if (!error) return true;
    if (error == SPNG_IO_EOF || error == SPNG_EOF || error == SPNG_EIDAT_TOO_SHORT) {
        endsEarly = true;  // the rows so far are kept, the rest blank
        return true;
    }
    why = std::string("is a damaged PNG file (") + spng_strerror(error) + ")";
    return false;
}

}  // namespace kalhost

// PNG through libspng: the header first (with the library's own limits),
// then row by row (interlaced or not) into bottom-up opaque RGBA, so a
// stream that ends early keeps the rows it had.
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
    // Row by row, interlaced passes too (each row written into place), so a
    // stream that ends early keeps what it had.
    int error = spng_decode_image(ctx.get(), nullptr, 0, SPNG_FMT_RGBA8,
                                  SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
    while (!error) {
        spng_row_info row{};
        error = spng_get_row_info(ctx.get(), &row);
        if (error || row.row_num >= ihdr.height) break;
        const size_t bottomUp = size_t(image.height) - 1 - row.row_num;
        error = spng_decode_row(ctx.get(), image.pixels.data() + bottomUp * image.width, rowBytes);
    }
    if (error == SPNG_EOI) error = 0;  // past the last row
    if (error == SPNG_IO_EOF || error == SPNG_EOF || error == SPNG_EIDAT_TOO_SHORT) {
        endsEarly = true;  // the rows so far are kept, the rest blank
        error = 0;
    }
    if (error) {
        why = std::string("is a damaged PNG file (") + spng_strerror(error) + ")";
        return false;
    }
    for (uint32_t &p : image.pixels) p |= 0xFF000000u;  // shown opaque, as everywhere
    return true;
}

}  // namespace kalhost

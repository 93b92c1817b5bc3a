// PNG files of rendered views through libspng, top row first as PNG stores
// them.
#include "kalhost/image_writer.h"

#include <spng.h>

#include <cstdlib>
#include <memory>

namespace kalhost {
namespace {

struct SpngDeleter {
    void operator()(spng_ctx *ctx) const { spng_ctx_free(ctx); }
};

// Encodes `top` (rows top first, `rowBytes` each) with the given header.
std::vector<uint8_t> encode(spng_ihdr ihdr, const spng_plte *plte, const std::vector<uint8_t> &top)
{
    std::unique_ptr<spng_ctx, SpngDeleter> ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx) return {};
    int error = spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    if (!error) error = spng_set_ihdr(ctx.get(), &ihdr);
    if (!error && plte) error = spng_set_plte(ctx.get(), const_cast<spng_plte *>(plte));
    if (!error)
        error = spng_encode_image(ctx.get(), top.data(), top.size(), SPNG_FMT_PNG,
                                  SPNG_ENCODE_FINALIZE);
    size_t size = 0;
    void *png = error ? nullptr : spng_get_png_buffer(ctx.get(), &size, &error);
    if (!png) return {};
    std::vector<uint8_t> bytes(static_cast<uint8_t *>(png), static_cast<uint8_t *>(png) + size);
    std::free(png);
    return bytes;
}

spng_ihdr header(int width, int height, uint8_t colourType)
{
    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(width);
    ihdr.height = static_cast<uint32_t>(height);
    ihdr.bit_depth = 8;
    ihdr.color_type = colourType;
    return ihdr;
}

}  // namespace

std::vector<uint8_t> pngFileOf(const IndexedView &view)
{
    spng_plte plte{};
    plte.n_entries = 256;
    for (int k = 0; k < 256; ++k)
        plte.entries[k] = {view.colours[4 * k + 2], view.colours[4 * k + 1], view.colours[4 * k],
                           0};
    std::vector<uint8_t> top;
    top.reserve(size_t(view.width) * view.height);
    for (int r = view.height - 1; r >= 0; --r)
        top.insert(top.end(), view.rows + r * view.stride,
                   view.rows + r * view.stride + view.width);
    return encode(header(view.width, view.height, SPNG_COLOR_TYPE_INDEXED), &plte, top);
}

std::vector<uint8_t> pngFileOf(const ColourView &view)
{
    std::vector<uint8_t> top;
    top.reserve(size_t(view.width) * view.height * 3);
    for (int r = view.height - 1; r >= 0; --r)
        for (int x = 0; x < view.width; ++x) {
            const uint32_t p = view.pixels[size_t(r) * view.width + x];
            top.insert(top.end(), {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16)});
        }
    return encode(header(view.width, view.height, SPNG_COLOR_TYPE_TRUECOLOR), nullptr, top);
}

}  // namespace kalhost

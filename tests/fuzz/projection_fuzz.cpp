// libFuzzer target over creation, moves, point mapping and rendering, of
// 8-bit and (angle's top bit set) colour panoramas: any geometry and any
// sequence of moves either is refused with a code and leaks nothing, or
// keeps every reachable lens row inside the table and its sampled rows inside
// the image, and both frames (moving and resting) are rendered and read in
// full. Built with clang, whose UBSan also checks float-to-int casts.
#include "core/colour_panorama.h"
#include "core/kalengine.h"
#include "core/panorama.h"
#include "projection/projection.h"
#include "stand_in_control.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void require(bool ok, const char *what)
{
    if (ok) return;
    std::fprintf(stderr, "projection_fuzz: %s\n", what);
    std::abort();
}

struct Reader {
    const uint8_t *data;
    size_t size;
    int16_t next16()
    {
        uint16_t v = 0;
        if (size >= 2) {
            v = static_cast<uint16_t>(data[0] | data[1] << 8);
            data += 2;
            size -= 2;
        } else {
            size = 0;
        }
        return static_cast<int16_t>(v);
    }
};

// The rows that the renderer and the mapping read at the present position.
void checkView(Panorama *rec)
{
    const int hs = rec->srcHeight / 2, dy = rec->yPos - hs, half = rec->vpHeight / 2;
    const int top = rec->vpHeight - 1 - half, columns = lensColumns(rec);
    const int deepest = std::max(
        {std::abs(dy - half), std::abs(dy + top), std::abs(half + dy), std::abs(top - dy)});
    require(rec->zPos < rec->radius, "zoom below the radius");
    require(deepest < lensRows(rec), "lens row inside the table");
    for (int i : {0, deepest / 2, deepest})
        for (int j : {0, columns / 2, columns - 1}) {
            const uint32_t e = rec->lens[static_cast<size_t>(i) * columns + j];
            require(lensY(e) >= 0 && hs + lensY(e) < rec->srcHeight && hs - lensY(e) >= 0,
                    "source row inside the image");
            require(lensX(e) < rec->shearCount, "lens column inside the shear table");
        }
    POINT p;
    for (int x : {0, rec->vpWidth - 1})
        for (int y : {0, rec->vpHeight - 1}) {
            require(mapCoordinates(rec, x, y, &p) == 1, "corner maps");
            require(p.y >= 0 && p.y < rec->srcHeight, "mapped row inside the image");
        }
}

// Both frames rendered and every byte read, so a read outside the image or
// a write outside the view is caught and nothing is optimised away.
void renderFrames(HPANORAMA h)
{
    const size_t stride =
        kal::pixelBytes(h) == 1 ? (size_t(h->vpWidth) + 3) & ~size_t{3} : size_t(h->vpWidth) * 4;
    const size_t bytes = stride * size_t(h->vpHeight);
    static volatile uint32_t sink;
    for (const void *frame :
         {static_cast<const void *>(kal_GetView(h, nullptr)), kal::renderSmoothView(h)}) {
        require(frame != nullptr, "a frame is rendered");
        const auto *b = static_cast<const uint8_t *>(frame);
        uint32_t sum = 0;
        for (size_t k = 0; k < bytes; ++k) sum += b[k];
        sink = sink + sum;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Reader in{data, size};
    const int width = static_cast<uint16_t>(in.next16()),
              height = static_cast<uint16_t>(in.next16());
    KalAttribs attribs = {};
    attribs.angle = in.next16();
    const bool colour = attribs.angle < 0;
    if (colour) attribs.angle &= 0x7FFF;
    attribs.horizon = in.next16();
    const RECT vp = {0, 0, static_cast<uint16_t>(in.next16()), static_cast<uint16_t>(in.next16())};
    // Keep the tables small enough for the fuzzer's memory limit.
    const int64_t rows =
        std::max<int64_t>(height + std::abs(attribs.horizon) + 1, vp.bottom / 2 + 1);
    if ((int64_t{vp.right} / 2 + 1) * rows > (int64_t{1} << 19)) return 0;

    static uint8_t header[1064];
    // Real pixels where the image is small enough to render within the
    // fuzzer's memory limit; else 4 bytes, which creation, moves and mapping
    // never read.
    const size_t imageBytes =
        colour ? size_t(width) * height * 4 : ((size_t(width) + 3) & ~size_t{3}) * height;
    const bool render = imageBytes <= (size_t{1} << 24);
    std::vector<uint32_t> store(render ? std::max<size_t>(imageBytes / 4 + 1, 1) : 1);
    for (size_t k = 0; k < store.size(); ++k) store[k] = uint32_t(k * 2654435761u);
    auto *pixels = reinterpret_cast<uint8_t *>(store.data());
    auto *info = reinterpret_cast<BITMAPINFOHEADER *>(header);
    info->biSize = 40;
    info->biWidth = width;
    info->biHeight = height;
    info->biBitCount = 8;
    const long live = standInLiveHeapBlocks(), palettes = standInLivePalettes();
    HPANORAMA h =
        colour ? kal::createColourPanorama(
                     {width, height, reinterpret_cast<const uint32_t *>(pixels)}, vp, &attribs)
               : kal_Create(reinterpret_cast<BITMAPINFO *>(header), pixels, &vp, &attribs);
    if (!h) {
        require(kal_Error(nullptr) != KAL_ERR_NONE, "a refusal has a code");
        require(standInLiveHeapBlocks() == live && standInLivePalettes() == palettes,
                "refusal leaks");
        return 0;
    }
    checkView(h);
    if (render) renderFrames(h);
    h->maxZoom = in.next16();
    while (in.size > 0) {
        const int dx = in.next16(), dy = in.next16(), dz = in.next16();
        kal_Move(h, dx, dy, dz);
        checkView(h);
    }
    if (render) renderFrames(h);
    kal_Delete(h, FALSE);
    require(standInLiveHeapBlocks() == live && standInLivePalettes() == palettes, "deletion leaks");
    return 0;
}

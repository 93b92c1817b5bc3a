// libFuzzer target over creation, moves, point mapping and rendering, of
// 8-bit panoramas and (angle's top bit set) continuous true-colour views.
// 8-bit: any geometry and any sequence of moves either is refused with a
// code and leaks nothing, or keeps every reachable lens row inside the
// table and its sampled rows inside the image, and the view is rendered and
// read in full. True colour: any layout and size is refused or makes a view
// whose every direction stays inside its limits, and both frames, in both
// row orders, are rendered and read in full. Built with clang, whose UBSan
// also checks float-to-int casts.
#include "core/kalengine.h"
#include "core/panorama.h"
#include "projection/projection.h"
#include "stand_in_control.h"
#include "view/continuous_view.h"

#include <algorithm>
#include <cmath>
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

// Every byte read, so that nothing is optimised away.
void readAll(const void *frame, size_t bytes)
{
    static volatile uint32_t sink;
    require(frame != nullptr, "a frame is rendered");
    const auto *b = static_cast<const uint8_t *>(frame);
    uint32_t sum = 0;
    for (size_t k = 0; k < bytes; ++k) sum += b[k];
    sink = sink + sum;
}

// The view rendered and read in full, so a read outside the image or a
// write outside the view is caught.
void readWholeView(HPANORAMA h)
{
    const size_t stride = (size_t(h->vpWidth) + 3) & ~size_t{3};
    readAll(kal_GetView(h, nullptr), stride * size_t(h->vpHeight));
}

// A value of the input as degrees in [-range, range); the lowest value is
// not a number, which the view must ignore.
double degrees(int16_t v, double range)
{
    return v == INT16_MIN ? std::nan("") : v * range / 32768;
}

// Both frames of the present direction in both row orders, read in full.
void renderColourFrames(kal::ContinuousView *view, std::vector<uint32_t> &frame)
{
    const kal::ViewSize size = kal::viewSize(view);
    frame.assign(size_t(size.width) * size.height, 0);
    for (kal::RowOrder order : {kal::RowOrder::topDown, kal::RowOrder::bottomUp}) {
        require(kal::renderMovingFrame(view, frame.data(), order), "a moving frame is rendered");
        readAll(frame.data(), frame.size() * 4);
        require(kal::renderRestingFrame(view, frame.data(), order), "a resting frame is rendered");
        readAll(frame.data(), frame.size() * 4);
    }
}

// The direction taken lies inside the view's limits, and the view's corners
// and centre map to image points inside the image and back.
void checkColourView(const kal::ContinuousView *view, const kal::ViewDirection &taken, int height)
{
    const kal::ViewLimits l = kal::viewLimits(view);
    const double slack = 1e-9;
    require(std::isfinite(taken.heading) && std::isfinite(taken.pitch) && std::isfinite(taken.hfov),
            "a finite direction");
    require(taken.hfov >= l.narrowestField - slack && taken.hfov <= l.widestField + slack,
            "field inside the limits");
    require(taken.pitch >= l.lowestPitch - slack && taken.pitch <= l.highestPitch + slack,
            "pitch inside the limits");
    const kal::ViewSize size = kal::viewSize(view);
    for (double x : {0.5, size.width / 2.0, size.width - 0.5})
        for (double y : {0.5, size.height / 2.0, size.height - 0.5}) {
            kal::SourcePoint p;
            if (!kal::viewToSource(view, x, y, &p)) continue;
            require(std::isfinite(p.column) && std::isfinite(p.row), "a finite image point");
            require(p.row >= -1 && p.row <= height + 1, "an image point inside the image");
            double u, v;
            kal::sourceToView(view, p, &u, &v);
        }
}

// A continuous view of the input's layout and size, turned to the input's
// directions; refused layouts and sizes are fine.
int fuzzColourView(Reader &in, int width, int height, int angle, int horizon, const RECT &vp)
{
    // Keep the image and the view's table within the fuzzer's memory limit.
    if (int64_t{width} * height > (int64_t{1} << 20)) return 0;
    if (int64_t{vp.right} * vp.bottom > (int64_t{1} << 18)) return 0;
    kal::PanoramaLayout layout;
    layout.projection = horizon & 1 ? kal::ProjectionKind::sphere : kal::ProjectionKind::cylinder;
    // Whole degrees in the low nine bits, 64ths of one above them.
    layout.angle = (angle & 0x1FF) + (angle >> 9) / 64.0;
    layout.leftHeading = degrees(in.next16(), 720);
    layout.horizon = horizon / 2;
    layout.top = degrees(in.next16(), 180);
    layout.bottom = degrees(in.next16(), 180);
    std::vector<uint32_t> pixels(std::max<size_t>(size_t(width) * height, 1));
    for (size_t k = 0; k < pixels.size(); ++k) pixels[k] = uint32_t(k * 2654435761u);
    kal::ContinuousViewPtr view(
        kal::createContinuousView({width, height, pixels.data()}, layout, vp.right, vp.bottom));
    if (!view) return 0;
    std::vector<uint32_t> frame;
    checkColourView(view.get(), kal::viewDirection(view.get()), height);
    renderColourFrames(view.get(), frame);
    for (int moves = 0; in.size > 0; ++moves) {
        const double heading = degrees(in.next16(), 720), pitch = degrees(in.next16(), 180),
                     hfov = degrees(in.next16(), 360);
        const kal::ViewDirection taken = kal::setViewDirection(view.get(), {heading, pitch, hfov});
        checkColourView(view.get(), taken, height);
        if (moves == 0) renderColourFrames(view.get(), frame);
    }
    // The other way round: a new size keeps the view inside its limits.
    if (kal::resizeContinuousView(view.get(), vp.bottom, vp.right)) {
        checkColourView(view.get(), kal::viewDirection(view.get()), height);
        renderColourFrames(view.get(), frame);
    }
    return 0;
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
    if (colour) return fuzzColourView(in, width, height, attribs.angle, attribs.horizon, vp);
    // Keep the tables small enough for the fuzzer's memory limit.
    const int64_t rows = height + std::abs(attribs.horizon) + 1;
    if ((int64_t{vp.right} / 2 + 1) * rows > (int64_t{1} << 19)) return 0;

    static uint8_t header[1064];
    // Real pixels where the image is small enough to render within the
    // fuzzer's memory limit; else 4 bytes, which creation, moves and mapping
    // never read.
    const size_t imageBytes = ((size_t(width) + 3) & ~size_t{3}) * height;
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
    HPANORAMA h = kal_Create(reinterpret_cast<BITMAPINFO *>(header), pixels, &vp, &attribs);
    if (!h) {
        require(kal_Error(nullptr) != KAL_ERR_NONE, "a refusal has a code");
        require(standInLiveHeapBlocks() == live && standInLivePalettes() == palettes,
                "refusal leaks");
        return 0;
    }
    checkView(h);
    if (render) readWholeView(h);
    h->maxZoom = in.next16();
    while (in.size > 0) {
        const int dx = in.next16(), dy = in.next16(), dz = in.next16();
        kal_Move(h, dx, dy, dz);
        checkView(h);
    }
    if (render) readWholeView(h);
    kal_Delete(h, FALSE);
    require(standInLiveHeapBlocks() == live && standInLivePalettes() == palettes, "deletion leaks");
    return 0;
}

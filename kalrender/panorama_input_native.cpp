// kalrender's panorama on the portable engine: any image the host library
// opens, true colour through the engine's continuous views, GPano coverage
// when no attribute file says otherwise.
#include "panorama_input.h"

#include "core/colour_panorama.h"
#include "kalhost/gpano.h"
#include "kalhost/image_limits.h"
#include "kalhost/load_image.h"
#include "kalhost/open_panorama.h"

#include "view/view_math.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace kalrender {
namespace {

bool readWholeFile(const std::string &path, std::vector<uint8_t> &bytes)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    std::fclose(f);
    return ok;
}

kalhost::ForcedProjection forcedOf(const Options &options)
{
    switch (options.projection) {
        case Options::Projection::cylinder:
            return kalhost::ForcedProjection::cylinder;
        case Options::Projection::sphere:
            return kalhost::ForcedProjection::sphere;
        default:
            return kalhost::ForcedProjection::none;
    }
}

// The continuous view over the decoded pixels, its geometry decided once.
bool createColour(kalhost::LoadedImage &image, const Options &options, KalAttribs &attribs,
                  const kalhost::GivenAttribs &given, OpenedPanorama &opened)
{
    const kalhost::RgbaImage &c = image.colour;
    if (c.width != image.storedWidth || c.height != image.storedHeight)
        std::fprintf(stderr,
                     "kalrender: scaling the image down from %dx%d to %dx%d: a %d-degree panorama "
                     "takes at most %d x %d pixels and %lld pixels in all\n",
                     image.storedWidth, image.storedHeight, c.width, c.height,
                     attribs.angle ? attribs.angle : 360, kalhost::maxColourWidth(attribs.angle),
                     kal::kMaxImageHeight, static_cast<long long>(kalhost::kMaxColourPixels));
    const kalhost::ViewLayout layout = kalhost::colourViewLayout(
        attribs, given, image.hasGPano ? &image.gpano : nullptr, image.storedWidth,
        image.storedHeight, image.colour.height, forcedOf(options));
    kalhost::releaseHotSpots(attribs);  // a single view shows none
    opened.pixels = std::move(image.colour);
    opened.colour = true;
    opened.start = layout.start;
    const kal::PanoramaLayout &l = layout.layout;
    const kal::ColourImage colour = {opened.pixels.width, opened.pixels.height,
                                     opened.pixels.pixels.data()};
    opened.layout = l;
    opened.view.reset(kal::createContinuousView(colour, l, options.viewWidth, options.viewHeight),
                      kal::ContinuousViewDeleter());
    if (opened.view) return true;
    return fail(
               "cannot create the panorama: the image, its geometry or the view size is not one "
               "the engine takes") == 0;
}

}  // namespace

bool openPanorama(const Options &options, const std::string &path, OpenedPanorama &opened)
{
    KalAttribs attribs{};
    kalhost::GivenAttribs given;
    if (!readAttributes(options, path, attribs, given)) return false;
    std::vector<uint8_t> bytes;
    kalhost::LoadedImage image;
    std::string why;
    if (!readWholeFile(path, bytes)) {
        why = "cannot open " + path;
    } else if (!kalhost::loadImage(bytes.data(), bytes.size(), attribs.angle, image, why)) {
        why = path + " " + why;
    }
    if (!why.empty()) {
        kalhost::releaseHotSpots(attribs);
        return fail(why) == 0;
    }
    bytes = {};
    if (image.endsEarly) warnEndsEarly(path);
    if (!image.warning.empty())
        std::fprintf(stderr, "kalrender: warning: %s: %s\n", path.c_str(), image.warning.c_str());
    if (!image.isColour()) return createEightBit(image.dib.release(), options, attribs, opened);
    return createColour(image, options, attribs, given, opened);
}

const void *renderView(const OpenedPanorama &opened, BITMAPINFO *info)
{
    return kal_GetView(opened.pano.get(), info);
}

// What the options ask, else what the file names, else the view's own.
bool renderColourView(const OpenedPanorama &opened, const Options &options,
                      std::vector<uint32_t> &rows, kal::ViewDirection &taken)
{
    kal::ContinuousView *view = opened.view.get();
    const kalhost::StartView &start = opened.start;
    kal::ViewDirection want = kal::viewDirection(view);
    // The field first: a pitch in rows is counted at it.
    const double natural = kal::naturalField(view);
    want.hfov =
        options.hfov > 0 ? options.hfov
        : start.hasField && options.zoom == 1.0
            ? start.hfov
            : 2 * std::atan(std::tan(natural * kal::kRadian / 2) / options.zoom) / kal::kRadian;
    want.heading = options.bearingGiven ? options.bearing
                   : start.hasHeading   ? start.heading
                                        : options.bearing;
    const double perRadian = kal::viewGeometry(view).columnsPerRadian();
    want.pitch = options.pitchInDegrees ? options.pitchDegrees
                 : start.hasPitch && options.pitch == 0
                     ? start.pitch
                     : std::atan(options.pitch / perRadian) / kal::kRadian;
    taken = kal::setViewDirection(view, want);
    rows.assign(static_cast<size_t>(options.viewWidth) * options.viewHeight, 0);
    return options.smooth ? kal::renderRestingFrame(view, rows.data(), kal::RowOrder::bottomUp)
                          : kal::renderMovingFrame(view, rows.data(), kal::RowOrder::bottomUp);
}

}  // namespace kalrender

// kalrender's panorama on the portable engine: any image the host library
// opens, true colour through the engine's colour panoramas, GPano coverage
// when no attribute file says otherwise.
#include "panorama_input.h"

#include "colour_panorama.h"
#include "kalhost/image_limits.h"
#include "kalhost/load_image.h"
#include "kalhost/open_panorama.h"

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

void applyGPano(const kalhost::LoadedImage &image, KalAttribs &attribs, OpenedPanorama &opened)
{
    const kalhost::GPanoPlacement p =
        kalhost::placementFromGPano(image.gpano, image.colour.width, image.colour.height);
    attribs.angle = p.angle;
    attribs.orientation = p.orientation;
    attribs.horizon = p.horizon;
    opened.hasStart = p.hasStart;
    opened.startBearing = p.startBearing;
}

bool createColour(kalhost::LoadedImage &image, const Options &options, KalAttribs &attribs,
                  OpenedPanorama &opened)
{
    const kalhost::RgbaImage &c = image.colour;
    if (c.width != image.storedWidth || c.height != image.storedHeight)
        std::fprintf(stderr,
                     "kalrender: scaling the image down from %dx%d to %dx%d: a %d-degree panorama "
                     "takes at most %d x %d pixels and %lld pixels in all\n",
                     image.storedWidth, image.storedHeight, c.width, c.height,
                     attribs.angle ? attribs.angle : 360, kalhost::maxColourWidth(attribs.angle),
                     kal::kMaxImageHeight, static_cast<long long>(kalhost::kMaxColourPixels));
    opened.pixels = std::move(image.colour);
    opened.colour = true;
    const RECT view = {0, 0, options.viewWidth, options.viewHeight};
    const kal::ColourImage colour = {opened.pixels.width, opened.pixels.height,
                                     opened.pixels.pixels.data()};
    opened.pano.reset(kal::createColourPanorama(colour, view, &attribs));
    if (opened.pano) return true;
    kalhost::releaseHotSpots(attribs);
    return fail(std::string("cannot create the panorama: ") +
                kalhost::engineErrorText(kal_Error(nullptr))) == 0;
}

}  // namespace

bool openPanorama(const Options &options, const std::string &path, OpenedPanorama &opened)
{
    KalAttribs attribs{};
    bool found = false;
    if (!readAttributes(options, path, attribs, found)) return false;
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
    if (!image.isColour()) return createEightBit(image.dib.release(), options, attribs, opened);
    if (!found && image.hasGPano) applyGPano(image, attribs, opened);
    return createColour(image, options, attribs, opened);
}

const void *renderView(const OpenedPanorama &opened, bool smooth, BITMAPINFO *info)
{
    const void *bits = kal_GetView(opened.pano.get(), info);
    return smooth ? kal::renderSmoothView(opened.pano.get()) : bits;
}

}  // namespace kalrender

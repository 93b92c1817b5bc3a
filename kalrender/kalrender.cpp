// kalrender: renders one view of a panorama from the command line: opens
// the image, places the view by bearing, pitch and zoom through the
// engine's exported functions, and writes the view as BMP or PNG.
#include "panorama_input.h"
#include "render_options.h"
#include "view_output.h"

#include "core/kalengine.h"
#include "kalhost/open_panorama.h"
#include "kalhost/view_angles.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using kalrender::Options;

int failEngine(const std::string &what)
{
    return kalrender::fail(what + ": " + kalhost::engineErrorText(kal_Error(nullptr)));
}

// The 8-bit view: the engine's own integer position, bearing as it counts.
bool placeView(const Options &options, const kalrender::OpenedPanorama &opened)
{
    HPANORAMA pano = opened.pano.get();
    const int bearing = static_cast<int>(std::lround(options.bearing));
    if (options.pitchInDegrees)
        return kalhost::positionViewAtPitch(pano, bearing, options.pitchDegrees, options.zoom);
    return kalhost::positionView(pano, bearing, options.pitch, options.zoom);
}

int write(const Options &options, const kalrender::RenderedView &view)
{
    std::string error;
    if (!view.bits || !kalrender::writeView(options.output, view, error))
        return kalrender::fail(view.bits ? error : "the engine rendered no view");
    return 0;
}

int renderEightBit(const Options &options, const std::string &panorama,
                   const kalrender::OpenedPanorama &opened)
{
    if (!placeView(options, opened)) return failEngine("cannot position the view");
    uint8_t info[1064] = {};
    const void *bits = kalrender::renderView(opened, reinterpret_cast<BITMAPINFO *>(info));
    if (int status = write(options, {options.viewWidth, options.viewHeight, false, info, bits}))
        return status;
    HPANORAMA pano = opened.pano.get();
    const kalhost::ViewAngles view = kalhost::viewAngles(pano);
    std::printf(
        "kalrender: %dx%d 8-bit view of %s, a %d-degree panorama, at heading %.2f, pitch %.2f "
        "(xPos %d, yPos %d, zPos %d) written to %s\n",
        options.viewWidth, options.viewHeight, panorama.c_str(),
        kal_GetValue(pano, KAL_VALUE_ANGLE), view.bearing, view.pitch,
        kal_GetValue(pano, KAL_VALUE_XPOS), kal_GetValue(pano, KAL_VALUE_YPOS),
        kal_GetValue(pano, KAL_VALUE_ZPOS), options.output.c_str());
    return 0;
}

int renderColour(const Options &options, const std::string &panorama,
                 const kalrender::OpenedPanorama &opened)
{
    std::vector<uint32_t> rows;
    kal::ViewDirection taken{};
    if (!kalrender::renderColourView(opened, options, rows, taken))
        return kalrender::fail("the view is too large for this machine's memory");
    if (int status =
            write(options, {options.viewWidth, options.viewHeight, true, nullptr, rows.data()}))
        return status;
    const bool sphere = opened.layout.projection == kal::ProjectionKind::sphere;
    std::printf(
        "kalrender: %dx%d true-colour view of %s, a %g-degree %s, at heading %.2f, pitch %.2f, "
        "hfov %.2f written to %s\n",
        options.viewWidth, options.viewHeight, panorama.c_str(), opened.layout.angle,
        sphere ? "sphere" : "cylinder", taken.heading, taken.pitch, taken.hfov,
        options.output.c_str());
    return 0;
}

int render(const Options &options, const std::string &panorama)
{
    kalrender::OpenedPanorama opened;
    if (!kalrender::openPanorama(options, panorama, opened)) return 1;
    return opened.colour ? renderColour(options, panorama, opened)
                         : renderEightBit(options, panorama, opened);
}

// The bundled sample, found relative to this program's folder.
std::string defaultPanorama(const char *argv0)
{
    const std::string self = argv0 ? argv0 : "";
    const size_t slash = self.find_last_of("/\\");
    const std::string dir = slash == std::string::npos ? "" : self.substr(0, slash + 1);
    return dir + KALRENDER_DEFAULT_PANORAMA;
}

}  // namespace

int main(int argc, char **argv)
{
    Options options;
    std::string error;
    const std::string sample = defaultPanorama(argc > 0 ? argv[0] : nullptr);
    if (!kalrender::parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "kalrender: %s\n(kalrender --help lists the options)\n",
                     error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(kalrender::helpText(sample).c_str(), stdout);
        if (!kalrender::pngAvailable()) std::fputs("This build writes BMP files only.\n", stdout);
        return 0;
    }
    return render(options, options.panorama.empty() ? sample : options.panorama);
}

// kalrender: renders one view of a panorama from the command line: opens
// the image, places the view by bearing, pitch and zoom through the
// engine's exported functions, and writes the view as BMP or PNG.
#include "panorama_input.h"
#include "render_options.h"
#include "view_output.h"

#include "kalengine.h"
#include "kalhost/open_panorama.h"
#include "kalhost/view_angles.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using kalrender::Options;

int failEngine(const std::string &what)
{
    return kalrender::fail(what + ": " + kalhost::engineErrorText(kal_Error(nullptr)));
}

// The bearing and pitch asked for, else the file's own start view.
bool placeView(const Options &options, const kalrender::OpenedPanorama &opened)
{
    HPANORAMA pano = opened.pano.get();
    const int bearing =
        !options.bearingGiven && opened.hasStart ? opened.startBearing : options.bearing;
    if (options.pitchInDegrees)
        return kalhost::positionViewAtPitch(pano, bearing, options.pitchDegrees, options.zoom);
    return kalhost::positionView(pano, bearing, options.pitch, options.zoom);
}

int render(const Options &options, const std::string &panorama)
{
    kalrender::OpenedPanorama opened;
    if (!kalrender::openPanorama(options, panorama, opened)) return 1;
    if (!placeView(options, opened)) return failEngine("cannot position the view");

    uint8_t info[1064] = {};
    auto *header = reinterpret_cast<BITMAPINFO *>(info);
    const void *bits = kalrender::renderView(opened, options.smooth, header);
    const kalrender::RenderedView view = {options.viewWidth, options.viewHeight, opened.colour,
                                          info, bits};
    std::string error;
    if (!bits || !kalrender::writeView(options.output, view, error))
        return kalrender::fail(bits ? error : "the engine rendered no view");
    HPANORAMA pano = opened.pano.get();
    std::printf(
        "kalrender: %dx%d %s view of %s, a %d-degree panorama, at bearing %d (xPos %d, yPos %d, "
        "zPos %d) written to %s\n",
        options.viewWidth, options.viewHeight, opened.colour ? "true-colour" : "8-bit",
        panorama.c_str(), kal_GetValue(pano, KAL_VALUE_ANGLE),
        kal_GetValue(pano, KAL_VALUE_ORIENTATION), kal_GetValue(pano, KAL_VALUE_XPOS),
        kal_GetValue(pano, KAL_VALUE_YPOS), kal_GetValue(pano, KAL_VALUE_ZPOS),
        options.output.c_str());
    return 0;
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

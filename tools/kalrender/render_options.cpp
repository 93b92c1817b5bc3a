// Parsing of kalrender's command line; every option is checked here, so
// the rendering code only sees sensible values.
#include "render_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kalrender {
namespace {

bool parseInt(const char *text, long low, long high, int &value)
{
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno || end == text || *end || v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}

bool parseView(const char *text, Options &options)
{
    const char *x = std::strchr(text, 'x');
    if (!x) return false;
    std::string width(text, x);
    return parseInt(width.c_str(), 2, 32767, options.viewWidth) &&
           parseInt(x + 1, 1, 32767, options.viewHeight);
}

bool parseZoom(const char *text, double &zoom)
{
    char *end = nullptr;
    double z = std::strtod(text, &end);
    if (end == text || *end || !(z >= 0.1 && z <= 100.0)) return false;
    zoom = z;
    return true;
}

}  // namespace

bool parseOptions(int argc, char **argv, Options &options, std::string &error)
{
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return true;
        }
        const bool takesValue = arg == "--attribs" || arg == "--view" || arg == "--bearing" ||
                                arg == "--pitch" || arg == "--zoom" || arg == "-o" || arg == "--output";
        if (takesValue && k + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        const char *value = takesValue ? argv[++k] : nullptr;
        if (arg == "--attribs") {
            options.attribs = value;
        } else if (arg == "-o" || arg == "--output") {
            options.output = value;
        } else if (arg == "--view") {
            if (!parseView(value, options)) error = "--view wants WIDTHxHEIGHT, e.g. 320x240 (width 2 or more)";
        } else if (arg == "--bearing") {
            if (!parseInt(value, -100000, 100000, options.bearing)) error = "--bearing wants whole degrees";
        } else if (arg == "--pitch") {
            if (!parseInt(value, -32768, 32767, options.pitch)) error = "--pitch wants a whole number of rows";
        } else if (arg == "--zoom") {
            if (!parseZoom(value, options.zoom)) error = "--zoom wants a magnification from 0.1 to 100";
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
        } else if (options.panorama.empty()) {
            options.panorama = arg;
        } else {
            error = "more than one panorama given: " + arg;
        }
        if (!error.empty()) return false;
    }
    if (options.output.empty()) {
        error = "no output file: give -o OUT.bmp or -o OUT.png";
        return false;
    }
    return true;
}

std::string helpText(const std::string &defaultPanorama)
{
    return "usage: kalrender [PANORAMA.bmp] [options] -o OUT.bmp\n"
           "Renders one perspective view of a cylindrical 256-colour panorama with the\n"
           "Kalvoria engine and writes it as an 8-bit BMP, or as a palette PNG.\n"
           "\n"
           "  PANORAMA.bmp      8-bit BMP file, uncompressed or RLE8 (default: the bundled\n"
           "                    sample, " + defaultPanorama + ")\n"
           "  --attribs FILE    attribute file giving angle, horizon, orientation and\n"
           "                    hotspots (default: the panorama's name with the extension\n"
           "                    .KAL, when that file exists; else a 360-degree panorama)\n"
           "  --view WxH        size of the view in pixels (default 320x240); the image is\n"
           "                    scaled up first when it is too small for this view\n"
           "  --bearing DEG     compass bearing to look at, in whole degrees (default 0)\n"
           "  --pitch N         look up (N > 0) or down (N < 0) by N source rows from the\n"
           "                    image's middle row (default 0)\n"
           "  --zoom Z          magnification, 0.1 to 100 (default 1); the engine keeps it\n"
           "                    within what the image allows\n"
           "  -o, --output OUT  the file to write: OUT.bmp (8-bit BMP) or OUT.png\n"
           "  -h, --help        this text\n"
           "\n"
           "Positions outside the panorama's limits are moved to the nearest allowed one;\n"
           "the position used is printed. Exit status: 0 done, 1 failed, 2 bad arguments.\n";
}

}  // namespace kalrender

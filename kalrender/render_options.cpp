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

bool parseReal(const char *text, double low, double high, double &value)
{
    char *end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text || *end || !(v >= low && v <= high)) return false;
    value = v;
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
                                arg == "--pitch" || arg == "--pitch-deg" || arg == "--zoom" ||
                                arg == "--hfov" || arg == "--projection" || arg == "-o" ||
                                arg == "--output";
        if (takesValue && k + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        const char *value = takesValue ? argv[++k] : nullptr;
        if (arg == "--smooth") {
            options.smooth = true;
        } else if (arg == "--attribs") {
            options.attribs = value;
        } else if (arg == "-o" || arg == "--output") {
            options.output = value;
        } else if (arg == "--view") {
            if (!parseView(value, options))
                error = "--view wants WIDTHxHEIGHT, e.g. 320x240 (width 2 or more)";
        } else if (arg == "--bearing") {
            if (!parseReal(value, -100000, 100000, options.bearing))
                error = "--bearing wants degrees";
            options.bearingGiven = true;
        } else if (arg == "--pitch") {
            if (!parseInt(value, -32768, 32767, options.pitch))
                error = "--pitch wants a whole number of rows";
            options.pitchInDegrees = false;
        } else if (arg == "--pitch-deg") {
            if (!parseReal(value, -90, 90, options.pitchDegrees))
                error = "--pitch-deg wants degrees from -90 to 90";
            options.pitchInDegrees = true;
        } else if (arg == "--zoom") {
            if (!parseReal(value, 0.1, 100.0, options.zoom))
                error = "--zoom wants a magnification from 0.1 to 100";
        } else if (arg == "--hfov") {
            if (!parseReal(value, 0.01, 179, options.hfov))
                error = "--hfov wants degrees from 0.01 to 179";
        } else if (arg == "--projection") {
            const std::string p = value;
            if (p == "sphere")
                options.projection = Options::Projection::sphere;
            else if (p == "cylinder")
                options.projection = Options::Projection::cylinder;
            else
                error = "--projection wants sphere or cylinder";
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
    return "usage: kalrender [PANORAMA] [options] -o OUT.png\n"
           "Renders one perspective view of a cylindrical panorama with the Kalvoria\n"
           "engine and writes it as a BMP or PNG file: true colour for a JPEG, PNG or\n"
           "24/32-bit BMP panorama, 256 colours for an 8-bit BMP one.\n"
           "\n"
           "  PANORAMA          JPEG, PNG or BMP file (8-bit uncompressed or RLE8, 24 or\n"
           "                    32 bits) (default: the bundled sample,\n"
           "                    " +
           defaultPanorama +
           ")\n"
           "  --attribs FILE    attribute file giving angle, horizon, orientation and\n"
           "                    hotspots (default: the panorama's name with the extension\n"
           "                    .KAL, when that file exists; else a JPEG's GPano fields;\n"
           "                    else a 360-degree panorama)\n"
           "  --view WxH        size of the view in pixels (default 320x240); an 8-bit\n"
           "                    image is scaled up first when it is too small for the view,\n"
           "                    a true-colour one is magnified by the lens instead\n"
           "  --bearing DEG     compass heading to look at, in degrees (default 0, or the\n"
           "                    start view a JPEG's GPano fields name)\n"
           "  --pitch ROWS      look up (> 0) or down (< 0) by ROWS view pixels from the\n"
           "                    image's middle row, source rows at zoom 1 (default 0)\n"
           "  --pitch-deg DEG   look up (> 0) or down (< 0) by DEG degrees from the\n"
           "                    horizon (instead of --pitch): a camera's pitch in true\n"
           "                    colour, up to +-90 on a sphere\n"
           "  --hfov DEG        true colour: the view's horizontal field of view (default:\n"
           "                    what --zoom gives, a view pixel a source pixel at zoom 1)\n"
           "  --projection P    true colour: sphere or cylinder, whatever the file says\n"
           "                    (default: GPano ProjectionType; else an image of exactly\n"
           "                    2:1 is a full sphere; else a 360-degree cylinder)\n"
           "  --zoom Z          magnification, 0.1 to 100 (default 1); the engine keeps it\n"
           "                    within what the image allows\n"
           "  --smooth          the filtered (bilinear) frame the viewers show at rest\n"
           "  -o, --output OUT  the file to write: OUT.bmp or OUT.png\n"
           "  -h, --help        this text\n"
           "\n"
           "Positions outside the panorama's limits are moved to the nearest allowed one;\n"
           "the position used is printed. A file that ends early is drawn with its missing\n"
           "part blank, with a warning. Exit status: 0 done, 1 failed, 2 bad arguments.\n";
}

}  // namespace kalrender

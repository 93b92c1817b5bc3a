// Command line of kalrender: the options, their defaults and the help text.
#ifndef KALRENDER_RENDER_OPTIONS_H
#define KALRENDER_RENDER_OPTIONS_H

#include <string>

namespace kalrender {

struct Options {
    std::string panorama;  // empty: the bundled sample
    std::string attribs;   // empty: the .KAL file beside the panorama, if any
    std::string output;
    int viewWidth = 320;
    int viewHeight = 240;
    double bearing = 0;           // degrees east of north; taken modulo 360
    bool bearingGiven = false;    // else the file's own start view, if it names one
    int pitch = 0;                // source rows above (+) or below (-) the middle row
    bool pitchInDegrees = false;  // pitchDegrees replaces pitch
    double pitchDegrees = 0;      // elevation above (+) or below (-) the horizon
    double zoom = 1.0;            // magnification; 1 = no zoom
    double hfov = 0;              // true colour: horizontal field, degrees; 0: from the zoom
    // true colour: the geometry the file's metadata and shape decide, or one forced
    enum class Projection { fromFile, cylinder, sphere } projection = Projection::fromFile;
    bool smooth = false;  // the filtered frame of a view at rest
    bool help = false;
};

// Fills `options` from the arguments; on a mistake returns false with a
// one-line reason in `error`.
bool parseOptions(int argc, char **argv, Options &options, std::string &error);

// The --help text; `defaultPanorama` is shown as the default image.
std::string helpText(const std::string &defaultPanorama);

}  // namespace kalrender

#endif

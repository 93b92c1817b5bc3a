// Opening kalrender's panorama: the attribute file, the image (through the
// host library natively, through kal_LoadDIB in the Windows build) and the
// panorama for the requested view. Problems are printed here.
#ifndef KALRENDER_PANORAMA_INPUT_H
#define KALRENDER_PANORAMA_INPUT_H

#include "render_options.h"

#include "core/kalengine.h"
#include "kalhost/attribute_merge.h"
#include "kalhost/colour_image.h"
#include "kalhost/view_layout.h"

#include <memory>
#include <string>
#include <vector>

namespace kalrender {

struct PanoramaDeleter {
    void operator()(Panorama *p) const { kal_Delete(p, TRUE); }
};
using PanoramaPtr = std::unique_ptr<Panorama, PanoramaDeleter>;

struct OpenedPanorama {
    kalhost::RgbaImage pixels;  // a colour panorama's image: declared first, freed last
    PanoramaPtr pano;           // an 8-bit panorama
    // A true-colour panorama's continuous view (shared: the DLL build, which
    // has none, never names its deleter).
    std::shared_ptr<kal::ContinuousView> view;
    kalhost::StartView start;    // what the file names of its first view
    kal::PanoramaLayout layout;  // the geometry the view took
    bool colour = false;
};

// Prints "kalrender: message" on stderr; returns 1, the failure status.
int fail(const std::string &message);

// Opens the panorama at `path` for the options' view. False after printing why.
bool openPanorama(const Options &options, const std::string &path, OpenedPanorama &opened);

// The attribute block: the given file, else the .KAL file beside the image,
// else none (all zero); `given` says which fields the file sets. False
// after printing why.
bool readAttributes(const Options &options, const std::string &panorama, KalAttribs &attribs,
                    kalhost::GivenAttribs &given);

// Says once that the file ends early and its missing part is left blank.
void warnEndsEarly(const std::string &path);

// kal_Create over an 8-bit image scaled up to what the view needs, as the
// demo does; takes the image and the attributes' hotspots either way.
bool createEightBit(void *image, const Options &options, KalAttribs &attribs,
                    OpenedPanorama &opened);

// The rendered 8-bit view, its header and colours in `info` (1064 bytes).
const void *renderView(const OpenedPanorama &opened, BITMAPINFO *info);

// A true-colour view: the direction asked (the file's start view where the
// options leave it open) into bottom-up rows; the direction taken in `taken`.
bool renderColourView(const OpenedPanorama &opened, const Options &options,
                      std::vector<uint32_t> &rows, kal::ViewDirection &taken);

}  // namespace kalrender

#endif

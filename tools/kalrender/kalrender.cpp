// kalrender: renders one view of a panorama from the command line, through
// the engine's exported functions only (load, attributes, minimum size,
// scaling, creation, position, view).
#include "render_options.h"
#include "view_output.h"

#include "image_fit.h"
#include "replace_extension.h"
#include "kalengine.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using kalrender::Options;

// The engine's error codes in words.
const char *engineErrorText(int code)
{
    switch (code) {
    case KAL_ERR_NONE: return "no error";
    case KAL_ERR_IMGSIZE: return "KAL_ERR_IMGSIZE: the image width is not a multiple of 4";
    case KAL_ERR_VPSIZE: return "KAL_ERR_VPSIZE: the view is too large for the image";
    case KAL_ERR_MEMORY: return "KAL_ERR_MEMORY: not enough memory";
    case KAL_ERR_WRONGFORMAT: return "KAL_ERR_WRONGFORMAT: not an 8-bit image";
    case KAL_ERR_PARAM: return "KAL_ERR_PARAM: a value is out of range";
    case KAL_ERR_ANGLE: return "KAL_ERR_ANGLE: the panorama angle must lie between 1 and 360";
    case KAL_ERR_COORDS: return "KAL_ERR_COORDS: coordinates outside the view";
    case KAL_ERR_INDEX: return "KAL_ERR_INDEX: no such hotspot";
    default: return "unknown engine error";
    }
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "kalrender: %s\n", message.c_str());
    return 1;
}

int failEngine(const std::string &what)
{
    return fail(what + ": " + engineErrorText(kal_Error(nullptr)));
}

// Says why kal_LoadDIB refused a file, from the file's own header.
std::string whyNotLoaded(const std::string &path)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return "cannot open " + path;
    uint8_t h[54] = {};
    const size_t got = std::fread(h, 1, sizeof h, f);
    std::fclose(f);
    if (got < 2 || h[0] != 'B' || h[1] != 'M') return path + " is not a BMP file";
    if (got < 54) return path + " is cut short";
    const int bits = h[28] | h[29] << 8;
    const unsigned compression = h[30] | h[31] << 8 | h[32] << 16 | static_cast<unsigned>(h[33]) << 24;
    if (bits != 8)
        return path + " has " + std::to_string(bits) +
               " bits per pixel; only 8-bit (256-colour) BMP files can be used";
    if (compression > 1)
        return path + " is compressed in a way that cannot be read (only uncompressed and RLE8)";
    return path + " has a damaged header or is too large";
}

struct PanoramaDeleter {
    void operator()(Panorama *p) const { kal_Delete(p, TRUE); }
};
using PanoramaPtr = std::unique_ptr<Panorama, PanoramaDeleter>;

// The attribute block: the given file, else the .KAL file beside the image.
bool readAttributes(const Options &options, const std::string &panorama, KalAttribs &attribs)
{
    attribs = KalAttribs{};
    std::string path = options.attribs;
    if (path.empty()) {
        std::vector<char> name(panorama.begin(), panorama.end());
        name.resize(panorama.size() + 8, '\0');
        kaldemo::replaceExtension(name.data(), name.size(), ".KAL");
        path = name.data();
        if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
        } else {
            return true;  // no attribute file: a plain 360-degree panorama
        }
    }
    if (kal_AttribFile(path.c_str(), &attribs)) return true;
    fail("cannot read the attribute file " + path);
    return false;
}

void freeHotSpots(KalAttribs &attribs)
{
    if (attribs.flags & KAL_ATTRIB_OWNHOTSPOTS) kal_FreeResource(attribs.hotSpots);
    attribs.hotSpots = nullptr;
    attribs.numHotSpots = 0;
}

// Scales the image up to the smallest size the view needs, as the demo does.
void *fitImage(void *image, const RECT &view, int angle, std::string &error)
{
    int minWidth = 0, minHeight = 0;
    if (!kal_MinImageSize(&minWidth, &minHeight, &view, angle)) {
        error = std::string("no minimum image size: ") + engineErrorText(kal_Error(nullptr));
        return nullptr;
    }
    const auto *h = static_cast<const BITMAPINFOHEADER *>(image);
    if (kaldemo::checkImageFit(h->biWidth, h->biHeight, minWidth, minHeight) == kaldemo::ImageFit::Fits)
        return image;
    int width = 0, height = 0;
    if (!kaldemo::scaledImageSize(h->biWidth, h->biHeight, minWidth, minHeight, &width, &height)) {
        error = "the image cannot be scaled to fit the view";
        return nullptr;
    }
    std::fprintf(stderr, "kalrender: scaling the image from %dx%d to %dx%d for a %ldx%ld view\n",
                 static_cast<int>(h->biWidth), static_cast<int>(h->biHeight), width, height,
                 static_cast<long>(view.right), static_cast<long>(view.bottom));
    void *scaled = kal_ScaleDIB(static_cast<BITMAPINFOHEADER *>(image), nullptr, nullptr, width, height, TRUE);
    if (!scaled) error = std::string("cannot scale the image: ") + engineErrorText(kal_Error(nullptr));
    return scaled;
}

// Zoom, bearing, pitch, in that order: the position limits depend on the zoom.
bool positionView(Panorama *pano, const Options &options)
{
    const int radius = kal_GetValue(pano, KAL_VALUE_RADIUS);
    const int zPos = static_cast<int>(radius - radius / options.zoom);
    const int bearing = ((options.bearing % 360) + 360) % 360;
    const int yPos = kal_GetValue(pano, KAL_VALUE_SRCHEIGHT) / 2 + options.pitch;
    kal_SetValue(pano, KAL_VALUE_ZPOS, zPos);
    if (kal_Error(pano) != KAL_ERR_NONE) return false;
    kal_SetValue(pano, KAL_VALUE_ORIENTATION, bearing);
    if (kal_Error(pano) != KAL_ERR_NONE) return false;
    kal_SetValue(pano, KAL_VALUE_YPOS, yPos);
    return kal_Error(pano) == KAL_ERR_NONE;
}

int render(const Options &options, const std::string &panorama)
{
    void *image = kal_LoadDIB(panorama.c_str(), nullptr, nullptr, nullptr);
    if (!image) return fail(whyNotLoaded(panorama));
    KalAttribs attribs{};
    if (!readAttributes(options, panorama, attribs)) {
        kal_FreeResource(image);
        return 1;
    }
    const RECT view = {0, 0, options.viewWidth, options.viewHeight};
    std::string error;
    void *fitted = fitImage(image, view, attribs.angle, error);
    if (!fitted) {
        kal_FreeResource(image);
        freeHotSpots(attribs);
        return fail(error);
    }
    PanoramaPtr pano(kal_Create(static_cast<const BITMAPINFO *>(fitted), nullptr, &view, &attribs));
    if (!pano) {
        kal_FreeResource(fitted);
        freeHotSpots(attribs);
        return failEngine("cannot create the panorama");
    }
    if (!positionView(pano.get(), options)) return failEngine("cannot position the view");

    uint8_t info[1064];
    const void *bits = kal_GetView(pano.get(), reinterpret_cast<BITMAPINFO *>(info));
    if (!kalrender::writeView(options.output, reinterpret_cast<const BITMAPINFO *>(info), bits, error))
        return fail(error);
    std::printf("kalrender: %dx%d view of %s at bearing %d (xPos %d, yPos %d, zPos %d) written to %s\n",
                options.viewWidth, options.viewHeight, panorama.c_str(),
                kal_GetValue(pano.get(), KAL_VALUE_ORIENTATION), kal_GetValue(pano.get(), KAL_VALUE_XPOS),
                kal_GetValue(pano.get(), KAL_VALUE_YPOS), kal_GetValue(pano.get(), KAL_VALUE_ZPOS),
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
        std::fprintf(stderr, "kalrender: %s\n(kalrender --help lists the options)\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(kalrender::helpText(sample).c_str(), stdout);
        if (!kalrender::pngAvailable()) std::fputs("This build writes BMP files only.\n", stdout);
        return 0;
    }
    return render(options, options.panorama.empty() ? sample : options.panorama);
}

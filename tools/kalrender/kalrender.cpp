// kalrender: renders one view of a panorama from the command line, through
// the engine's exported functions only (load, attributes, minimum size,
// scaling, creation, position, view).
#include "render_options.h"
#include "view_output.h"

#include "../../host/open_panorama.h"
#include "../../host/replace_extension.h"
#include "kalengine.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using kalrender::Options;

int fail(const std::string &message)
{
    std::fprintf(stderr, "kalrender: %s\n", message.c_str());
    return 1;
}

int failEngine(const std::string &what)
{
    return fail(what + ": " + kalhost::engineErrorText(kal_Error(nullptr)));
}

// Says why kal_LoadDIB refused a file, from the file's own header.
std::string whyNotLoaded(const std::string &path)
{
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return "cannot open " + path;
    uint8_t head[54] = {};
    const size_t got = std::fread(head, 1, sizeof head, f);
    const long size = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    std::fclose(f);
    return path + " " + kalhost::whyNotLoaded(head, got, size < 0 ? got : uint64_t(size));
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
        kalhost::replaceExtension(name.data(), name.size(), ".KAL");
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

// Scales the image up to the smallest size the view needs, as the demo does.
void *fitImage(void *image, const RECT &view, int angle, std::string &error)
{
    const auto *h = static_cast<const BITMAPINFOHEADER *>(image);
    const int width = h->biWidth, height = h->biHeight;
    void *fitted = kalhost::fitImage(image, view, angle, true, error);
    if (fitted && fitted != image) {
        h = static_cast<const BITMAPINFOHEADER *>(fitted);
        std::fprintf(stderr, "kalrender: scaling the image from %dx%d to %dx%d for a %ldx%ld view\n",
                     width, height, static_cast<int>(h->biWidth), static_cast<int>(h->biHeight),
                     static_cast<long>(view.right), static_cast<long>(view.bottom));
    }
    return fitted;
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
        kalhost::releaseHotSpots(attribs);
        return fail(error);
    }
    PanoramaPtr pano(kal_Create(static_cast<const BITMAPINFO *>(fitted), nullptr, &view, &attribs));
    if (!pano) {
        kal_FreeResource(fitted);
        kalhost::releaseHotSpots(attribs);
        return failEngine("cannot create the panorama");
    }
    if (!kalhost::positionView(pano.get(), options.bearing, options.pitch, options.zoom))
        return failEngine("cannot position the view");

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

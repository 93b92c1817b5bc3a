// What both builds of kalrender do alike when opening a panorama: the
// attribute file and the 8-bit panorama scaled up for the view.
#include "panorama_input.h"

#include "kalhost/open_panorama.h"
#include "kalhost/replace_extension.h"

#include <cstdio>
#include <vector>

namespace kalrender {

int fail(const std::string &message)
{
    std::fprintf(stderr, "kalrender: %s\n", message.c_str());
    return 1;
}

void warnEndsEarly(const std::string &path)
{
    std::fprintf(stderr,
                 "kalrender: warning: %s ends before the end of its image; the missing part is "
                 "left blank\n",
                 path.c_str());
}

bool readAttributes(const Options &options, const std::string &panorama, KalAttribs &attribs,
                    kalhost::GivenAttribs &given)
{
    attribs = KalAttribs{};
    given = {};
    std::string path = options.attribs;
    if (path.empty()) {
        std::vector<char> name(panorama.begin(), panorama.end());
        name.resize(panorama.size() + 8, '\0');
        kalhost::replaceExtension(name.data(), name.size(), ".KAL");
        path = name.data();
        if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
        } else {
            return true;  // no attribute file: the image decides (GPano), else 360 degrees
        }
    }
    given = kalhost::givenAttribsOfFile(path);
    if (kal_AttribFile(path.c_str(), &attribs)) return true;
    fail("cannot read the attribute file " + path);
    return false;
}

bool createEightBit(void *image, const Options &options, KalAttribs &attribs,
                    OpenedPanorama &opened)
{
    const auto *h = static_cast<const BITMAPINFOHEADER *>(image);
    const int width = h->biWidth, height = h->biHeight;
    const RECT view = {0, 0, options.viewWidth, options.viewHeight};
    std::string error;
    void *fitted = kalhost::fitImage(image, view, attribs.angle, true, error);
    if (!fitted) {
        kal_FreeResource(image);
        kalhost::releaseHotSpots(attribs);
        return fail(error) == 0;
    }
    if (fitted != image) {
        h = static_cast<const BITMAPINFOHEADER *>(fitted);
        std::fprintf(stderr, "kalrender: scaling the image from %dx%d to %dx%d for a %dx%d view\n",
                     width, height, static_cast<int>(h->biWidth), static_cast<int>(h->biHeight),
                     options.viewWidth, options.viewHeight);
    }
    opened.pano.reset(
        kal_Create(static_cast<const BITMAPINFO *>(fitted), nullptr, &view, &attribs));
    if (!opened.pano) {
        kal_FreeResource(fitted);
        kalhost::releaseHotSpots(attribs);
        return fail(std::string("cannot create the panorama: ") +
                    kalhost::engineErrorText(kal_Error(nullptr))) == 0;
    }
    return true;
}

}  // namespace kalrender

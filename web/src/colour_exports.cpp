// The page's C interface for images the browser decodes: an open with a
// block for the decoded pixels (refused, before anything is allocated, when
// the image would not fit); and the kind of pixels a session holds.
#include "exports.h"

#include "colour_panorama.h"
#include "web_session.h"

#include <algorithm>
#include <cmath>

using kalweb::Session;

namespace {

kalhost::GPanoFields gpanoFields(const double *v)
{
    // A NaN (or any value that is no number) is a field the file lacks.
    auto take = [&](int i, bool &has, double &field) {
        has = std::isfinite(v[i]);
        field = has ? v[i] : 0;
    };
    kalhost::GPanoFields f;
    take(0, f.hasFullWidth, f.fullWidth);
    take(1, f.hasCroppedWidth, f.croppedWidth);
    take(2, f.hasCroppedLeft, f.croppedLeft);
    take(3, f.hasFullHeight, f.fullHeight);
    take(4, f.hasCroppedHeight, f.croppedHeight);
    take(5, f.hasCroppedTop, f.croppedTop);
    take(6, f.hasPoseHeading, f.poseHeading);
    take(7, f.hasInitialHeading, f.initialHeading);
    f.cylindrical = v[8] == 1;
    return f;
}

}  // namespace

extern "C" {

// A block for width x height pixels of an image file of fileBytes bytes
// (rows bottom-up, RGBA) in a
// panorama of the attribute text's angle, else of the GPano fields' (null
// when the file has none; else nine doubles, NaN for a missing one: full
// width, cropped width, cropped left, full height, cropped height, cropped
// top, pose heading, initial heading, and 1 for a cylindrical projection).
// An open whose kalweb_openPixels block (null when refused) takes the
// picture at the size kalweb_openSize gives.
KALWEB_EXPORT Opening *kalweb_colourBlock(int width, int height, int fileBytes, const char *attribs,
                                          int attribLength, const double *gpano)
{
    kalhost::GPanoFields fields;
    if (gpano) fields = gpanoFields(gpano);
    const std::string text =
        attribs && attribLength > 0 ? std::string(attribs, static_cast<size_t>(attribLength)) : "";
    return kalweb::openColourBlock(width, height, uint64_t(std::max(fileBytes, 0)), text,
                                   gpano ? &fields : nullptr);
}

// 4 for a true-colour panorama, 1 for an 8-bit one.
KALWEB_EXPORT int kalweb_pixelBytes(Session *s)
{
    return s ? kal::pixelBytes(s->pano()) : 0;
}

}  // extern "C"

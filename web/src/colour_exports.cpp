// The page's C interface for images the browser decodes: an open with a
// block for the decoded pixels (refused, before anything is allocated, when
// the image would not fit); and the kind of pixels a session holds.
#include "exports.h"

#include "colour_view.h"
#include "web_session.h"

#include <string>

using kalweb::Session;

extern "C" {

// A block for width x height pixels (rows top-down, RGBA) of the image
// file `file` of fileBytes bytes, in a panorama of the attribute text's
// angle, else of the file's GPano fields (read from its XMP by the host
// library, as every program reads them). The file's head also says whether
// its data can hold that size. An open whose kalweb_openPixels block (null
// when refused) takes the picture at the size kalweb_openSize gives.
// `projection`: 0 as the file says, 1 a cylinder, 2 a sphere.
KALWEB_EXPORT Opening *kalweb_colourBlock(int width, int height, const uint8_t *file, int fileBytes,
                                          const char *attribs, int attribLength, int projection)
{
    const size_t size = file && fileBytes > 0 ? static_cast<size_t>(fileBytes) : 0;
    kalhost::GPanoFields fields;
    std::string gpanoWarning;
    const bool hasGPano = file && kalhost::readGPano(file, size, fields, gpanoWarning);
    const std::string text =
        attribs && attribLength > 0 ? std::string(attribs, static_cast<size_t>(attribLength)) : "";
    Opening *opening =
        kalweb::openColourBlock(width, height, file, size, text, hasGPano ? &fields : nullptr,
                                kalweb::forcedProjection(projection));
    if (opening && !gpanoWarning.empty()) opening->report.warn(gpanoWarning);
    return opening;
}

// A true-colour session's pixels (rows top-down, RGBA), or null.
KALWEB_EXPORT const uint32_t *kalweb_sessionPixels(Session *s)
{
    return s && s->colour && !s->colour->pixelsGone ? s->image.rgba : nullptr;
}

// The session's true-colour pixels go: the render worker has its own copy.
KALWEB_EXPORT void kalweb_dropPixels(Session *s)
{
    if (s) kalweb::dropPixels(*s);
}

// 4 for a true-colour panorama, 1 for an 8-bit one.
KALWEB_EXPORT int kalweb_pixelBytes(Session *s)
{
    return s ? (s->colour ? 4 : 1) : 0;
}

}  // extern "C"

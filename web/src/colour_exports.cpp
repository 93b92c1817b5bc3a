// The page's C interface for images the browser decodes: a block for the
// decoded pixels (refused, before anything is allocated, when the image
// would not fit), then a session over them; and the warnings of an open.
#include "exports.h"

#include "colour_panorama.h"
#include "pixel_rows.h"
#include "session_input.h"
#include "web_session.h"

#include <string>

using kalweb::Session;

extern "C" {

// A block for width x height pixels (rows bottom-up, RGBA) of the image
// file `file` of fileBytes bytes, in a panorama of the attribute text's
// angle, else of the file's GPano fields (read from its XMP by the host
// library, as every program reads them). The file's head also says whether
// its data can hold that size. kalweb_colourSize gives the size to decode at.
KALWEB_EXPORT uint32_t *kalweb_colourBlock(int width, int height, const uint8_t *file,
                                           int fileBytes, const char *attribs, int attribLength)
{
    const size_t size = file && fileBytes > 0 ? static_cast<size_t>(fileBytes) : 0;
    kalhost::GPanoFields fields;
    std::string gpanoWarning;
    const bool hasGPano = file && kalhost::readGPano(file, size, fields, gpanoWarning);
    const std::string text =
        attribs && attribLength > 0 ? std::string(attribs, static_cast<size_t>(attribLength)) : "";
    uint32_t *block =
        kalweb::prepareColourImage(width, height, file, size, text, hasGPano ? &fields : nullptr);
    if (block && !gpanoWarning.empty()) kalweb::warn(gpanoWarning);
    return block;
}

// The decoded size the block holds, as two ints.
KALWEB_EXPORT const int *kalweb_colourSize()
{
    return kalweb::pendingColourSize();
}

// Puts the block's pixels, as the decoder left them, into the engine's
// order; `order` is a set of kalweb::PixelOrder bits.
KALWEB_EXPORT void kalweb_arrangeColour(int order)
{
    const int *size = kalweb::pendingColourSize();
    kalweb::arrangeRows(kalweb::pendingColourBlock(), size[0], size[1], order);
}

KALWEB_EXPORT void kalweb_dropColour()
{
    kalweb::dropPendingColour();
}

KALWEB_EXPORT Session *kalweb_createColour(int width, int height)
{
    return kalweb::openColourSession(width, height);
}

KALWEB_EXPORT int kalweb_replaceColour(Session *s)
{
    return s && kalweb::replaceWithColourImage(*s);
}

// 4 for a true-colour panorama, 1 for an 8-bit one.
KALWEB_EXPORT int kalweb_pixelBytes(Session *s)
{
    return s ? kal::pixelBytes(s->pano()) : 0;
}

KALWEB_EXPORT const char *kalweb_warning()
{
    return kalweb::lastWarning().c_str();
}

}  // extern "C"

// The page's calls for an open: a BMP file, or a block the page fills with
// decoded pixels (colour_exports.cpp), then the session it goes into. Each
// open is an object of its own, so opens that overlap share nothing.
#include "exports.h"

#include "pixel_rows.h"
#include "session_input.h"
#include "web_session.h"

#include <string>

using kalweb::Opening;

extern "C" {

// `projection` as for kalweb_colourBlock: it applies to 24- and 32-bit files.
KALWEB_EXPORT Opening *kalweb_openBmp(const uint8_t *bmp, int size, const char *attribs,
                                      int attribLength, int projection)
{
    const std::string text =
        attribs && attribLength > 0 ? std::string(attribs, static_cast<size_t>(attribLength)) : "";
    return kalweb::openBmp(size > 0 ? bmp : nullptr, size > 0 ? static_cast<size_t>(size) : 0, text,
                           kalweb::forcedProjection(projection));
}

// The block for decoded pixels, or null when the open was refused.
KALWEB_EXPORT uint32_t *kalweb_openPixels(Opening *o)
{
    return o ? o->image.rgba : nullptr;
}

// The image's size as two ints: the size to decode at.
KALWEB_EXPORT const int *kalweb_openSize(Opening *o)
{
    return o ? o->size : nullptr;
}

// Puts the block's pixels, as the decoder left them, into the engine's
// order; `order` is a set of kalweb::PixelOrder bits.
KALWEB_EXPORT void kalweb_openArrange(Opening *o, int order)
{
    if (o && o->image.rgba) kalweb::arrangeRows(o->image.rgba, o->size[0], o->size[1], order);
}

// The view and first table ahead of the pixels, while the page's decoder
// works: for `s`'s view size, or width x height when `s` is null.
KALWEB_EXPORT void kalweb_openPrepare(Opening *o, Session *s, int width, int height)
{
    if (o) kalweb::prepareOpen(*o, s, width, height);
}

// The session the image went into: `s`, or a new one of a width x height
// view when `s` is null; null when it failed (kalweb_openMessage says why).
KALWEB_EXPORT Session *kalweb_openFinish(Opening *o, Session *s, int width, int height)
{
    return o ? kalweb::finishOpen(*o, s, width, height) : nullptr;
}

// The page decoded only part of the picture: the rest of the block stays blank.
KALWEB_EXPORT void kalweb_openEndsEarly(Opening *o)
{
    if (o) kalweb::warnEndsEarly(o->report);
}

KALWEB_EXPORT const char *kalweb_openMessage(Opening *o)
{
    return o ? o->report.message.c_str() : "The module is out of memory.";
}

KALWEB_EXPORT const char *kalweb_openWarning(Opening *o)
{
    return o ? o->report.warning.c_str() : "";
}

KALWEB_EXPORT void kalweb_openEnd(Opening *o)
{
    kalweb::endOpen(o);
}

}  // extern "C"

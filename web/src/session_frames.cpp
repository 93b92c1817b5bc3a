// A session's frames in the page's RGBA, top row first: a true-colour
// view's straight from the engine, an 8-bit view's through its palette;
// and the true-colour pixels handed away.
#include "colour_view.h"
#include "pixel_rows.h"
#include "web_session.h"

#include <cstdlib>

namespace kalweb {

const uint32_t *renderFrame(Session &session, bool smooth)
{
    uint32_t *out = session.frame.data();
    if (session.colour) {
        if (session.colour->pixelsGone) return nullptr;
        kal::ContinuousView *view = session.colour->view.get();
        const bool drawn = smooth ? kal::renderRestingFrame(view, out, kal::RowOrder::topDown)
                                  : kal::renderMovingFrame(view, out, kal::RowOrder::topDown);
        return drawn ? out : nullptr;
    }
    HPANORAMA pano = session.pano;
    const void *view = kal_GetView(pano, nullptr);
    if (!view) return nullptr;
    const size_t width = size_t(viewWidth(session)), height = size_t(viewHeight(session));
    // The view's rows are bottom-up; the page's are top-down.
    const auto *bits = static_cast<const uint8_t *>(view);
    const size_t stride = (width + 3) & ~size_t{3};
    for (size_t y = 0; y < height; ++y, out += width)
        expandRow(bits + (height - 1 - y) * stride, out, session.palette, width);
    return session.frame.data();
}

void dropPixels(Session &session)
{
    if (!session.colour || session.colour->pixelsGone) return;
    session.colour->pixelsGone = true;
    std::free(session.image.rgba);
    session.image.rgba = nullptr;
}

}  // namespace kalweb

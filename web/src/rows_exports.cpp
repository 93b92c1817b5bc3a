// A photo's frame drawn in shares by two instances of the module over one
// shared memory: the render worker's instance makes the view's table, then
// each draws its rows into the session's frame, which only reads the rest.
#include "exports.h"

#include "colour_view.h"
#include "web_session.h"

namespace {

const kal::ContinuousView *photoView(const Session *s)
{
    return s && s->colour && !s->colour->pixelsGone ? s->colour->view.get() : nullptr;
}

}  // namespace

// The present view's table made: 1, or 0 (no photo with its pixels here,
// or no memory for the table), when no share can be drawn.
KALWEB_EXPORT int kalweb_prepareRows(Session *s)
{
    return photoView(s) && kal::prepareFrame(s->colour->view.get()) ? 1 : 0;
}

// Rows [first, end) of the frame (`smooth`: the resting one) from the table
// kalweb_prepareRows made; the frame, or null when nothing was drawn (the
// rows outside the view, or the view changed since).
KALWEB_EXPORT const uint32_t *kalweb_renderRows(Session *s, int smooth, int first, int end)
{
    const kal::ContinuousView *view = photoView(s);
    if (!view) return nullptr;
    const kal::ViewSize size = kal::viewSize(view);
    if (first < 0 || first > end || end > size.height) return nullptr;
    uint32_t *out = s->frame.data();
    const kal::FrameTarget target{out, kal::RowOrder::topDown, first, end};
    return kal::renderFrameRows(view, smooth != 0, target) ? out : nullptr;
}

// The small C interface the web page calls: sessions, view placement, frames,
// mapping and hotspots, hover and focus for the engine's cursor and notes. Every
// number from the page is held to what the engine computes with safely.
#include "exports.h"

#include "colour_view.h"
#include "web_session.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using kalweb::Session;

namespace {

// Numbers from the page may be anything a 32-bit integer holds; the engine
// computes in int, so positions and moves are held to a range past every
// image side, where no sum or product the engine forms leaves int.
constexpr int64_t kMaxCoordinate = 1 << 16;

int held(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, -kMaxCoordinate, kMaxCoordinate));
}

}  // namespace

extern "C" {

KALWEB_EXPORT void *kalweb_alloc(int bytes)
{
    return bytes > 0 ? std::malloc(static_cast<size_t>(bytes)) : nullptr;
}

KALWEB_EXPORT void kalweb_free(void *block)
{
    std::free(block);
}

KALWEB_EXPORT int kalweb_resize(Session *s, int width, int height)
{
    return s && kalweb::resizeSession(*s, width, height);
}

KALWEB_EXPORT void kalweb_delete(Session *s)
{
    kalweb::closeSession(s);
}

// Why the session's last resize failed.
KALWEB_EXPORT const char *kalweb_error(Session *s)
{
    return s ? s->message.c_str() : "";
}

KALWEB_EXPORT int kalweb_value(Session *s, int code)
{
    return s ? kalweb::sessionValue(*s, code) : 0;
}

// Moves an 8-bit view by whole engine units.
KALWEB_EXPORT int kalweb_move(Session *s, int dx, int dy, int dz)
{
    return s && s->pano ? kal_Move(s->pano, held(dx), held(dy), held(dz)) : 0;
}

KALWEB_EXPORT int kalweb_setPos(Session *s, int x, int y, int z)
{
    return s && s->pano ? kal_SetPos(s->pano, held(x), held(y), held(z)) : 0;
}

KALWEB_EXPORT const uint32_t *kalweb_render(Session *s)
{
    return s ? kalweb::renderFrame(*s) : nullptr;
}

// The frame of a view at rest: filtered for true colour.
KALWEB_EXPORT const uint32_t *kalweb_renderSmooth(Session *s)
{
    return s ? kalweb::renderFrame(*s, true) : nullptr;
}

// The image point under a view point, as two doubles (whole pixels for an
// 8-bit view), or null outside the image.
KALWEB_EXPORT const double *kalweb_mapPoint(Session *s, double x, double y)
{
    if (!s || !std::isfinite(x) || !std::isfinite(y)) return nullptr;
    if (s->colour) {
        kal::SourcePoint p;
        if (!kal::viewToSource(s->colour->view.get(), x, y, &p)) return nullptr;
        s->mapped[0] = p.column;
        s->mapped[1] = p.row;
        return s->mapped;
    }
    POINT point;
    const auto whole = [](double v) {
        return held(static_cast<int64_t>(std::clamp(v, -1e9, 1e9)));
    };
    if (!kal_MapCoordinates(s->pano, whole(x), whole(y), &point)) return nullptr;
    s->mapped[0] = point.x;
    s->mapped[1] = point.y;
    return s->mapped;
}

// The hotspot under a view point, or -1.
KALWEB_EXPORT int kalweb_hitTest(Session *s, int x, int y)
{
    return s ? kalweb::hotSpotAt(*s, held(x), held(y)) : -1;
}

KALWEB_EXPORT const char *kalweb_hotspotLabel(Session *s, int index)
{
    return s ? kalweb::hotSpotLabel(*s, index) : nullptr;
}

KALWEB_EXPORT const char *kalweb_hotspotText(Session *s, int index)
{
    return s ? kalweb::hotSpotText(*s, index) : nullptr;
}

// The hotspots of the current view as (index, x, y) triples; returns how many.
KALWEB_EXPORT int kalweb_visibleHotspots(Session *s, int step)
{
    return s ? static_cast<int>(kalweb::findVisibleHotSpots(*s, std::clamp(step, 1, 1 << 16))) : 0;
}

KALWEB_EXPORT const int *kalweb_visibleHotspot(Session *s, int i)
{
    if (!s || i < 0 || static_cast<size_t>(i) >= s->visible.size()) return nullptr;
    return &s->visible[static_cast<size_t>(i)].index;
}

// Hotspot `index`'s outline: 4 x perEdge view points (x, y), NaN where
// not shown, or null for no such hotspot. Valid until the next call.
KALWEB_EXPORT const double *kalweb_hotspotOutline(Session *s, int index, int perEdge)
{
    return s && kalweb::hotSpotOutline(*s, index, perEdge) ? s->outline.data() : nullptr;
}

// The mouse over the view, not pressed: the cursor and the hotspot under it.
KALWEB_EXPORT void kalweb_hover(Session *s, int x, int y)
{
    if (s) kalweb::hover(*s, held(x), held(y));
}

KALWEB_EXPORT void kalweb_pointerLeave(Session *s)
{
    if (s) kalweb::pointerLeft(*s);
}

KALWEB_EXPORT int kalweb_cursor(Session *s)
{
    return s ? static_cast<int>(s->hover.cursor) : 0;
}

// The next notification as code << 16 | value, or -1 when there is none.
KALWEB_EXPORT int kalweb_nextNotification(Session *s)
{
    kalweb::Notification n;
    if (!s || !s->hover.take(n)) return -1;
    return n.code << 16 | static_cast<int>(n.value);
}

}  // extern "C"

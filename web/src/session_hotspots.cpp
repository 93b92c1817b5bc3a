// A session's hotspots: the one under a view point, their labels and text,
// those the view shows (for the Tab walk), the outline of a rectangle as the
// view bends it, and the pointer's hover with the notes the page collects.
#include "web_session.h"

#include "colour_view.h"

#include "kalhost/view_angles.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kalweb {

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// The rectangle's corners in order, each edge walked from its corner.
struct Walk {
    double left, top, right, bottom;

    void at(int edge, double t, double &column, double &row) const
    {
        switch (edge) {
            case 0:
                column = left + (right - left) * t, row = top;
                break;
            case 1:
                column = right, row = top + (bottom - top) * t;
                break;
            case 2:
                column = right - (right - left) * t, row = bottom;
                break;
            default:
                column = left, row = bottom - (bottom - top) * t;
                break;
        }
    }
};

// Whether every point of the 8-bit panorama's rectangle `r` lies within a
// half circle of the view's centre, so that the engine's nearest wrap keeps
// the outline in one piece; one across the far side is off the view anyway.
bool inOnePiece(HPANORAMA pano, const RECT &r)
{
    const int width = kal_GetValue(pano, KAL_VALUE_SRCWIDTH);
    const int angle = kal_GetValue(pano, KAL_VALUE_ANGLE);
    if (angle != 0 && angle != 360) return true;  // no wrap, no far side
    POINT centre;
    if (width <= 0 || !kal_MapCoordinates(pano, kal_GetValue(pano, KAL_VALUE_VPWIDTH) / 2,
                                          kal_GetValue(pano, KAL_VALUE_VPHEIGHT) / 2, &centre))
        return false;
    const double middle = (double(r.left) + r.right) / 2, half = (double(r.right) - r.left) / 2;
    return std::fabs(std::remainder(middle - centre.x, width)) + half < width / 2.0 - 1;
}

const KalHotSpot *colourHotSpot(const Session &session, int index)
{
    const std::vector<KalHotSpot> &spots = session.colour->hotSpots;
    return index >= 0 && size_t(index) < spots.size() ? &spots[size_t(index)] : nullptr;
}

}  // namespace

bool Hover::take(Notification &next)
{
    if (taken == notifications.size()) {
        notifications.clear();
        taken = 0;
        return false;
    }
    next = notifications[taken++];
    return true;
}

int hotSpotAt(const Session &session, int x, int y)
{
    // Pixel centres, as the engine's own mapping takes its whole view points.
    if (session.colour) return colourHotSpotAt(*session.colour, x + 0.5, y + 0.5);
    int index = -1;
    return kal_CheckHotSpot(session.pano, x, y, &index) ? index : -1;
}

const char *hotSpotLabel(const Session &session, int index)
{
    if (!session.colour)
        return static_cast<const char *>(kal_GetData(session.pano, KAL_DATA_HOTSPOTLBL, index));
    const KalHotSpot *spot = colourHotSpot(session, index);
    return spot ? spot->label : nullptr;
}

const char *hotSpotText(const Session &session, int index)
{
    if (!session.colour)
        return static_cast<const char *>(kal_GetData(session.pano, KAL_DATA_HOTSPOTTEXT, index));
    const KalHotSpot *spot = colourHotSpot(session, index);
    return spot ? spot->text : nullptr;
}

size_t findVisibleHotSpots(Session &session, int step)
{
    struct Sum {
        int64_t x = 0, y = 0, count = 0;
    };
    const int width = viewWidth(session), height = viewHeight(session);
    std::vector<Sum> sums(size_t(std::max(0, sessionValue(session, KAL_VALUE_NUMHOTSPOTS))));
    step = std::max(1, step);
    for (int y = step / 2; y < height; y += step)
        for (int x = step / 2; x < width; x += step) {
            const int index = hotSpotAt(session, x, y);
            if (index < 0 || static_cast<size_t>(index) >= sums.size()) continue;
            sums[index].x += x;
            sums[index].y += y;
            ++sums[index].count;
        }
    session.visible.clear();
    for (size_t i = 0; i < sums.size(); ++i)
        if (sums[i].count)
            session.visible.push_back({static_cast<int>(i),
                                       static_cast<int>(sums[i].x / sums[i].count),
                                       static_cast<int>(sums[i].y / sums[i].count)});
    // Reading order: left to right, then top to bottom. A view holds few
    // hotspots: an insertion sort keeps the module small.
    std::vector<VisibleHotSpot> &list = session.visible;
    for (size_t i = 1; i < list.size(); ++i)
        for (size_t j = i; j > 0 && (list[j].x < list[j - 1].x ||
                                     (list[j].x == list[j - 1].x && list[j].y < list[j - 1].y));
             --j)
            std::swap(list[j], list[j - 1]);
    return session.visible.size();
}

void hover(Session &session, int x, int y)
{
    Hover &h = session.hover;
    const int index = hotSpotAt(session, x, y);
    if (index >= 0) {
        h.cursor = Cursor::point;
        if (index != h.hotSpot)
            h.notifications.push_back({KN_HITHOTSPOT, unsigned(index) & 0xFFFF});
        h.hotSpot = index;
        return;
    }
    h.hotSpot = -1;
    h.notifications.push_back({KN_HITHOTSPOT, 0xFFFF});
    h.cursor = Cursor::arrow;
}

void pointerLeft(Session &session)
{
    session.hover.cursor = Cursor::arrow;
}

size_t hotSpotOutline(Session &session, int index, int perEdge)
{
    session.outline.clear();
    if (index < 0 || index >= sessionValue(session, KAL_VALUE_NUMHOTSPOTS) || perEdge < 1 ||
        perEdge > 256)
        return 0;
    const KalHotSpot *spots =
        session.colour
            ? session.colour->hotSpots.data()
            : static_cast<const KalHotSpot *>(kal_GetData(session.pano, KAL_DATA_HOTSPOTLIST, 0));
    if (!spots) return 0;
    const RECT &r = spots[index].rect;
    const bool whole = session.colour || inOnePiece(session.pano, r);
    const Walk walk{double(r.left), double(r.top), double(r.right), double(r.bottom)};
    session.outline.assign(size_t(8) * perEdge, kNone);
    if (!whole) return size_t(4) * perEdge;
    for (int edge = 0; edge < 4; ++edge)
        for (int i = 0; i < perEdge; ++i) {
            double column = 0, row = 0, x = 0, y = 0;
            walk.at(edge, double(i) / perEdge, column, row);
            const bool shown = session.colour
                                   ? colourViewPoint(*session.colour, column, row, x, y)
                                   // The 8-bit engine's pixel centres are whole numbers.
                                   : kalhost::viewPointOfImage(session.pano, column - 0.5,
                                                               row - 0.5, &x, &y, true);
            if (!shown) continue;
            const size_t at = size_t(2) * (size_t(edge) * perEdge + i);
            session.outline[at] = x;
            session.outline[at + 1] = y;
        }
    return session.outline.size() / 2;
}

}  // namespace kalweb

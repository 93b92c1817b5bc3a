// The outline of an attribute file's hotspot rectangle in the present view:
// points along its four edges, each mapped through the view that shows it,
// so that the page can draw the rectangle as the view bends it.
#include "hotspot_outline.h"

#include "colour_view.h"
#include "web_session.h"

#include "kalhost/view_angles.h"

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

// A stored image point (pixel edges at whole numbers) in the view, or false.
bool colourPoint(const ColourView &v, double column, double row, double &x, double &y)
{
    const kal::Geometry &g = kal::viewGeometry(v.view.get());
    // The view's source points have pixel centres at whole numbers.
    kal::SourcePoint p{column * g.width() / v.storedWidth - 0.5,
                       row * g.height() / v.storedHeight - 0.5};
    if (g.wraps()) p.column = p.column - std::floor(p.column / g.width()) * g.width();
    return kal::sourceToView(v.view.get(), p, &x, &y);
}

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

}  // namespace

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
                                   ? colourPoint(*session.colour, column, row, x, y)
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

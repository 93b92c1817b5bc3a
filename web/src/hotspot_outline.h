// The outline of an attribute file's hotspot rectangle in the present view.
#ifndef KALWEB_HOTSPOT_OUTLINE_H
#define KALWEB_HOTSPOT_OUTLINE_H

#include <cstddef>

namespace kalweb {

struct Session;

// Fills session.outline with 4 x perEdge view points (x, y) walking the
// rectangle of hotspot `index` clockwise from its top-left corner; a point
// the view does not show is NaN, NaN. Returns the number of points, 0 for
// no such hotspot or perEdge outside 1 to 256.
size_t hotSpotOutline(Session &session, int index, int perEdge);

}  // namespace kalweb

#endif

// Hotspot hit testing: which hotspot rectangle lies under a viewport point,
// compared in the unwrapped image columns that the coordinate mapping gives.
#include "core/panorama.h"
#include "projection/projection.h"

namespace {

// Left and top edges inside, right and bottom outside; so a rectangle with
// right <= left or bottom <= top holds no point at all.
bool contains(const RECT &r, const POINT &p)
{
    return r.left <= p.x && p.x < r.right && r.top <= p.y && p.y < r.bottom;
}

// Index of the first hotspot that holds `p`, or -1. The array order is the
// order of the attribute text, so earlier hotspots win where they overlap.
int firstHotSpotAt(const Panorama *rec, const POINT &p)
{
    if (!rec->hotSpots) return -1;
    for (int i = 0; i < rec->numHotSpots; ++i)
        if (contains(rec->hotSpots[i].rect, p)) return i;
    return -1;
}

}  // namespace

extern "C" BOOL KALAPI kal_CheckHotSpot(HPANORAMA Panorama, int X, int Y, int *Index)
{
    setError(Panorama, KAL_ERR_NONE);
    if (!Panorama) return setError(nullptr, KAL_ERR_PARAM);

    POINT point;
    if (!mapCoordinates(Panorama, X, Y, &point)) return 0;  // KAL_ERR_COORDS is set

    const int index = firstHotSpotAt(Panorama, point);
    if (index < 0) return 0;
    if (Index) *Index = index;
    return 1;
}

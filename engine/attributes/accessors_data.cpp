// Pointers into a panorama's storage by code: kal_GetData for buffers, tables
// and hotspot strings, kal_GetRect for a hotspot's rectangle.
#include "core/panorama.h"

namespace {

// The hotspot at `index`, or null with KAL_ERR_INDEX. A record whose array
// is missing has no hotspots, whatever its count says.
KalHotSpot *hotSpotAt(Panorama *rec, int index)
{
    if (!rec->hotSpots || index < 0 || index >= rec->numHotSpots) {
        setError(rec, KAL_ERR_INDEX);
        return nullptr;
    }
    return &rec->hotSpots[index];
}

}  // namespace

extern "C" void *KALAPI kal_GetData(HPANORAMA Panorama, UINT Code, int Index)
{
    setError(Panorama, KAL_ERR_NONE);
    if (!Panorama) {
        setError(nullptr, KAL_ERR_PARAM);
        return nullptr;
    }
    HPANORAMA rec = Panorama;
    switch (Code) {
        case KAL_DATA_IMAGE:
            return rec->imageBits;
        case KAL_DATA_VIEWPORT:
            return rec->viewBits;
        case KAL_DATA_BITMAPINFO:
            return &rec->viewInfo;  // colors follow: one BITMAPINFO
        case KAL_DATA_LENS:
            return rec->lens;
        case KAL_DATA_HOTSPOTLIST:
            return rec->hotSpots;
        case KAL_DATA_HOTSPOTLBL:
        case KAL_DATA_HOTSPOTTEXT: {
            KalHotSpot *spot = hotSpotAt(rec, Index);
            if (!spot) return nullptr;
            return Code == KAL_DATA_HOTSPOTLBL ? spot->label : spot->text;
        }
        default:
            setError(rec, KAL_ERR_PARAM);
            return nullptr;
    }
}

extern "C" RECT *KALAPI kal_GetRect(HPANORAMA Panorama, UINT Code, int Index)
{
    setError(Panorama, KAL_ERR_NONE);
    if (!Panorama || Code != KAL_RECT_HOTSPOT) {
        setError(Panorama, KAL_ERR_PARAM);
        return nullptr;
    }
    KalHotSpot *spot = hotSpotAt(Panorama, Index);
    return spot ? &spot->rect : nullptr;
}

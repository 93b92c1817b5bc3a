// Numeric settings of a panorama by code: kal_GetValue and kal_SetValue.
// Positions and zoom written here go through the same clamps and lens
// rebuild as a move, so the next render finds a legal view.
#include "core/panorama.h"
#include "core/viewer_window.h"
#include "projection/projection.h"

#include <cstdint>

namespace {

// 16-bit record fields take the low 16 bits of a 32-bit value.
int16_t low16(int value)
{
    return static_cast<int16_t>(static_cast<uint16_t>(value));
}

// Compass bearing of the view centre, in -359..359: the remainder keeps the
// sign of the sum, so a negative orientation can give a negative bearing.
// srcWidth is never 0: creation accepts only widths of 4 and more.
int viewBearing(const Panorama *rec)
{
    return (rec->xPos * 360 / rec->srcWidth + rec->orientation) % 360;
}

// (Value - orientation) brought into 0..359. The subtraction wraps at 32 bits
// like the engine's integer arithmetic; adding 360 until the difference is
// no longer negative ends at its non-negative remainder, computed directly.
int bearingOffset(int value, int orientation)
{
    const auto d =
        static_cast<int32_t>(static_cast<uint32_t>(value) - static_cast<uint32_t>(orientation));
    const int r = d % 360;
    return r < 0 ? r + 360 : r;
}

// Result of a position write: 1 when the position was taken as written.
BOOL settlePosition(Panorama *rec)
{
    const int bounds = clampPosition(rec);
    invalidateViewer(rec);
    return (bounds & (KAL_BOUND_X | KAL_BOUND_Y)) ? 0 : 1;
}

// Result of a zoom write: 1 when the zoom was taken as written. The lens is
// rebuilt whatever the clamp did, then the position limits of the new zoom
// apply.
BOOL settleZoom(Panorama *rec)
{
    const int bounds = clampZoom(rec);
    buildLensTable(rec);
    clampPosition(rec);
    invalidateViewer(rec);
    return (bounds & KAL_BOUND_Z) ? 0 : 1;
}

BOOL setOrientation(Panorama *rec, int value)
{
    if (value < 0) return setError(rec, KAL_ERR_PARAM);
    const int d = bearingOffset(value, rec->orientation);
    rec->xPos = low16(rec->srcWidth * d / 360);
    return settlePosition(rec);
}

BOOL setMaxZoom(Panorama *rec, int value)
{
    if (value < 0) return setError(rec, KAL_ERR_PARAM);
    rec->maxZoom = low16(value);
    return settleZoom(rec);
}

}  // namespace

extern "C" int KALAPI kal_GetValue(HPANORAMA Panorama, UINT Code)
{
    setError(Panorama, KAL_ERR_NONE);
    if (!Panorama) return setError(nullptr, KAL_ERR_PARAM);
    const struct Panorama *rec = Panorama;
    switch (Code) {
        case KAL_VALUE_HORIZON:
            return rec->horizon;
        case KAL_VALUE_ANGLE:
            return rec->angle;
        case KAL_VALUE_RADIUS:
            return rec->radius;
        case KAL_VALUE_NUMHOTSPOTS:
            return rec->numHotSpots;
        case KAL_VALUE_ID:
            return rec->id;
        case KAL_VALUE_XPOS:
            return rec->xPos;
        case KAL_VALUE_YPOS:
            return rec->yPos;
        case KAL_VALUE_ZPOS:
            return rec->zPos;
        case KAL_VALUE_MSGNUM:
            return rec->msgNum;
        case KAL_VALUE_ORIENTATION:
            return viewBearing(rec);
        case KAL_VALUE_SRCWIDTH:
            return rec->srcWidth;
        case KAL_VALUE_SRCHEIGHT:
            return rec->srcHeight;
        case KAL_VALUE_VPWIDTH:
            return rec->vpWidth;
        case KAL_VALUE_VPHEIGHT:
            return rec->vpHeight;
        case KAL_VALUE_MAXZOOM:
            return rec->maxZoom;
        case KAL_VALUE_SPEED:
            return rec->speed;
        default:
            return setError(Panorama, KAL_ERR_PARAM);
    }
}

extern "C" BOOL KALAPI kal_SetValue(HPANORAMA Panorama, UINT Code, int Value)
{
    setError(Panorama, KAL_ERR_NONE);
    if (!Panorama) return setError(nullptr, KAL_ERR_PARAM);
    HPANORAMA rec = Panorama;
    switch (Code) {
        case KAL_VALUE_ID:
            rec->id = low16(Value);
            return 1;
        case KAL_VALUE_MSGNUM:
            rec->msgNum = Value;
            return 1;
        case KAL_VALUE_SPEED:
            rec->speed = static_cast<uint16_t>(Value);
            return 1;
        case KAL_VALUE_XPOS:
            rec->xPos = low16(Value);
            return settlePosition(rec);
        case KAL_VALUE_YPOS:
            rec->yPos = low16(Value);
            return settlePosition(rec);
        case KAL_VALUE_ZPOS:
            rec->zPos = low16(Value);
            return settleZoom(rec);
        case KAL_VALUE_ORIENTATION:
            return setOrientation(rec, Value);
        case KAL_VALUE_MAXZOOM:
            return setMaxZoom(rec, Value);
        default:
            return setError(rec, KAL_ERR_PARAM);  // read-only or unknown
    }
}

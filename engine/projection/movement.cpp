// View movement: the zoom and position limits, and the exported moves that
// change the position and keep it inside them.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/viewer_window.h"
#include "projection/projection.h"

namespace {

// Positions are 16-bit: sums keep the low 16 bits.
inline int16_t wrap16(int value)
{
    return static_cast<int16_t>(static_cast<uint16_t>(value));
}
inline int16_t add16(int16_t position, int delta)
{
    return wrap16(static_cast<int>(static_cast<uint16_t>(position) + static_cast<uint16_t>(delta)));
}

inline double viewScale(const Panorama *rec)
{
    const double r = rec->radius;
    return (r - rec->zPos) / r;
}

int clampVertical(Panorama *rec, double s)
{
    const double sc = s >= 0.5 ? s : 0.5;
    const int hs = rec->srcHeight / 2;
    int e =
        static_cast<int>(std::trunc(std::floor(rec->srcHeight / (sc * 2.0)) - rec->vpHeight / 2));
    e = std::max(e, 0);
    // e <= srcHeight, so the bottom limit is a 16-bit position; the top one is
    // capped (only images taller than 21844 rows reach the cap).
    const int bottom = hs - e, top = std::min(hs + e, int{INT16_MAX});
    if (rec->yPos < bottom) {
        rec->yPos = wrap16(bottom);
        return KAL_BOUND_Y;
    }
    if (rec->yPos > top) {
        rec->yPos = wrap16(top);
        return KAL_BOUND_Y;
    }
    return 0;
}

// A full circle: xPos wraps into vpWidth / 2 ... srcWidth + vpWidth / 2.
void wrapHorizontal(Panorama *rec)
{
    const int width = rec->srcWidth, lo = rec->vpWidth / 2, hi = lo + width;
    int x = rec->xPos;
    if (x > hi) x -= (x - hi + width - 1) / width * width;
    if (x < lo) x += (lo - x + width - 1) / width * width;
    rec->xPos = wrap16(x);
}

// The corner corrections step xPos one column at a time until the corner maps
// inside; the mapped column moves with xPos one for one, so each loop is one
// step of the whole distance.
int correctCorners(const Panorama *rec, int x)
{
    const int right = rec->vpWidth - 1, bottom = rec->vpHeight - 1;
    const int64_t width = rec->srcWidth;
    int64_t pos = x;
    for (int y : {0, bottom}) {
        const int64_t mapped = pos + mappedColumnOffset(rec, 0, y);
        if (mapped < 0) pos -= mapped;
    }
    for (int y : {0, bottom}) {
        const int64_t mapped = pos + mappedColumnOffset(rec, right, y);
        if (mapped > width) pos -= mapped - width;
    }
    return static_cast<int>(std::clamp<int64_t>(pos, INT16_MIN, INT16_MAX));
}

// A partial panorama: the view stays on the image.
int clampHorizontal(Panorama *rec, double s)
{
    const double half = (rec->vpWidth / 2) * s;
    const int xlo = static_cast<int>(std::ceil(half));
    const int xhi = static_cast<int>(std::floor(rec->srcWidth - half));
    int flags = 0;
    int x = rec->xPos;
    if (x < xlo) {
        x = xlo;
        flags = KAL_BOUND_X;
    } else if (x > xhi) {
        x = xhi;
        flags = KAL_BOUND_X;
    }
    rec->xPos = wrap16(correctCorners(rec, x));
    return flags;
}

}  // namespace

int clampZoom(Panorama *rec)
{
    const int r = rec->radius;
    const double m = widestScale(rec);
    // Very narrow, low viewports on tall images would zoom out beyond 16 bits.
    const int zmin = static_cast<int>(std::max(std::ceil(r * (1 - m)), double{INT16_MIN}));
    if (rec->zPos < zmin) {
        rec->zPos = wrap16(zmin);
        return KAL_BOUND_Z;
    }
    if (rec->zPos >= r) {
        rec->zPos = wrap16(r - 1);
        return KAL_BOUND_Z;
    }
    if (rec->maxZoom > 0 && rec->maxZoom < static_cast<double>(r) / (r - rec->zPos)) {
        int z = static_cast<int>((1 - 1.0 / rec->maxZoom) * r);
        if (z == rec->zPos) return 0;
        rec->zPos = wrap16(z);
        return KAL_BOUND_Z;
    }
    return 0;
}

int clampPosition(Panorama *rec)
{
    const double s = viewScale(rec);
    setError(rec, KAL_ERR_NONE);
    int flags = clampVertical(rec, s);
    if (rec->angle == 360)
        wrapHorizontal(rec);
    else
        flags |= clampHorizontal(rec, s);
    return flags;
}

extern "C" int KALAPI kal_Move(HPANORAMA Panorama, int DeltaX, int DeltaY, int DeltaZ)
{
    if (!Panorama) return setError(nullptr, KAL_ERR_PARAM);
    int flags = 0;
    if (DeltaZ != 0) {
        const int16_t before = Panorama->zPos;
        Panorama->zPos = add16(before, DeltaZ);
        flags |= clampZoom(Panorama);
        if (Panorama->zPos != before) buildLensTable(Panorama);
    }
    Panorama->xPos = add16(Panorama->xPos, DeltaX);
    Panorama->yPos = add16(Panorama->yPos, DeltaY);
    flags |= clampPosition(Panorama);
    invalidateViewer(Panorama);
    return flags;
}

extern "C" int KALAPI kal_SetPos(HPANORAMA Panorama, int X, int Y, int Z)
{
    if (!Panorama) return setError(nullptr, KAL_ERR_PARAM);
    // Differences modulo 2^16: the move adds them back with the same wrap.
    auto delta = [](int target, int16_t now) {
        return static_cast<int>(
            wrap16(static_cast<int>(static_cast<uint32_t>(target) - static_cast<uint32_t>(now))));
    };
    return kal_Move(Panorama, delta(X, Panorama->xPos), delta(Y, Panorama->yPos),
                    delta(Z, Panorama->zPos));
}

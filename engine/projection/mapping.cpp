// Mapping of a viewport point to the image pixel that the renderer shows
// there, through the same lens entry and tilt factor.
#include <cmath>

#include "projection/projection.h"

namespace {

struct ImageOffset {
    int column;  // source columns from xPos
    int row;     // image row, counted from the top
};

// Beyond this the tilt makes the mapped column meaningless; the limit keeps
// it and xPos + it inside int.
constexpr double kMaxColumnOffset = 1 << 30;

ImageOffset offsetOf(const Panorama *rec, int x, int y)
{
    const int hs = rec->srcHeight / 2;
    const int dy = rec->yPos - hs;
    const int t = y - rec->vpHeight / 2 - dy;
    const int sigma = t >= 0 ? 1 : -1;
    const int u = x - rec->vpWidth / 2;
    const uint32_t entry =
        rec->lens[static_cast<size_t>(t * sigma) * lensColumns(rec) + (u < 0 ? -u : u)];
    const int x0 =
        u < 0 ? -static_cast<int16_t>(entry & 0xFFFF) : static_cast<int16_t>(entry & 0xFFFF);
    const int ys = sigma * lensY(entry);
    double xf = x0 - static_cast<double>(x0) * ys * tiltFactor(rec);
    xf = std::fmax(-kMaxColumnOffset, std::fmin(kMaxColumnOffset, xf));
    return {static_cast<int>(xf), ys + hs};
}

}  // namespace

int mappedColumnOffset(const Panorama *rec, int x, int y)
{
    return offsetOf(rec, x, y).column;
}

int mapCoordinates(Panorama *rec, int x, int y, POINT *point)
{
    setError(rec, KAL_ERR_NONE);
    if (x < 0 || y < 0 || x >= rec->vpWidth || y >= rec->vpHeight)
        return setError(rec, KAL_ERR_COORDS);
    const ImageOffset offset = offsetOf(rec, x, y);
    point->x = offset.column + rec->xPos;
    point->y = offset.row;
    return 1;
}

extern "C" BOOL KALAPI kal_MapCoordinates(HPANORAMA Panorama, int X, int Y, POINT *Point)
{
    if (!Panorama || !Point) return setError(Panorama, KAL_ERR_PARAM);
    return mapCoordinates(Panorama, X, Y, Point);
}

// Internal routines of the projection: the lens table, the clamps of the
// view position and zoom, point mapping and rendering. They trust their
// input: the exported functions validate first.
#ifndef KAL_PROJECTION_H
#define KAL_PROJECTION_H

#include "core/panorama.h"

// Lens table geometry: lensColumns() entries per row, lensRows() rows;
// entry (i, j) is lens[i * lensColumns + j].
inline int lensColumns(const Panorama *rec)
{
    return rec->vpWidth / 2 + 1;
}
// Every row distance a clamped view reaches (the viewport is never taller
// than the image).
inline int lensRows(const Panorama *rec)
{
    const int h = rec->horizon;
    return rec->srcHeight + (h < 0 ? -h : h) + 1;
}

// The two halves of a lens entry: x(j) source columns and y(i, j) source rows
// from the view centre's source pixel. Both stay below 32768 for every entry
// that a clamped view reaches.
inline int lensX(uint32_t entry)
{
    return static_cast<uint16_t>(entry & 0xFFFF);
}
inline int lensY(uint32_t entry)
{
    return static_cast<int16_t>(entry >> 16);
}

// The vertical tilt factor that the renderer's shear and the point mapping
// share: (dy - horizon) / (radius - zPos)^2 with dy = yPos - srcHeight / 2.
inline double tiltFactor(const Panorama *rec)
{
    const int dy = rec->yPos - rec->srcHeight / 2;
    const double depth = static_cast<double>(rec->radius) - rec->zPos;
    return (dy - rec->horizon) / (depth * depth);
}

// The largest view scale that the zoom limit allows: the view spans at most
// a quarter of the circle and at most the image's height.
inline double widestScale(const Panorama *rec)
{
    const double a = (rec->srcWidth / (rec->vpWidth * 4.0)) * (360.0 / rec->angle);
    const double b = static_cast<double>(rec->srcHeight) / rec->vpHeight;
    return a < b ? a : b;
}

// The exact terms of the lens, per lens column j (lensColumns() of them):
// a[j] source columns from the view centre and b[j] source rows per row
// distance, so that lens entry (i, j) rounds (a[j], i * b[j]).
void lensColumnTerms(const Panorama *rec, double *a, double *b);
// Fills the lens table for the current radius, zoom, viewport width, image
// height and horizon. The table must hold lensRows() rows.
void buildLensTable(Panorama *rec);
// Pull zPos into its limits; returns KAL_BOUND_Z when it had to move.
int clampZoom(Panorama *rec);
// Pull xPos and yPos into the limits of the present zoom (the 360-degree
// wrap included) and clear the last error; returns KAL_BOUND_X / _Y flags.
int clampPosition(Panorama *rec);
// kal_MapCoordinates without the handle check.
int mapCoordinates(Panorama *rec, int x, int y, POINT *point);
// The x that mapCoordinates gives for viewport point (x, y), less xPos: it
// does not depend on xPos. The viewport point must be inside the viewport.
int mappedColumnOffset(const Panorama *rec, int x, int y);
// kal_GetView's work: renders the current view into rec->viewBits.
void renderView(Panorama *rec);

#endif

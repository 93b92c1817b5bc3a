// Internal routines of the projection: the lens table, the clamps of the
// view position and zoom, point mapping and rendering. They trust their
// input: the exported functions validate first.
#ifndef KAL_PROJECTION_H
#define KAL_PROJECTION_H

#include "core/panorama.h"

// Lens table geometry: lensColumns() entries per row, lensRows() rows;
// entry (i, j) is lens[i * lensColumns + j].
inline int lensColumns(const Panorama *rec) { return rec->vpWidth / 2 + 1; }
inline int lensRows(const Panorama *rec)
{
    int h = rec->horizon;
    return rec->srcHeight + (h < 0 ? -h : h) + 1;
}

void buildLensTable(Panorama *rec);
int clampZoom(Panorama *rec);
int clampPosition(Panorama *rec);
// kal_MapCoordinates without the handle check.
int mapCoordinates(Panorama *rec, int x, int y, POINT *point);
// kal_GetView's work: renders the current view into rec->viewBits.
void renderView(Panorama *rec);

#endif

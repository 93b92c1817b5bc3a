// The per-render shear table: entry k is the sideways shift, in 1/256
// source columns per source row, of samples k source columns away from the
// view centre, for the tilt factor of the view.
#ifndef KAL_SHEAR_TABLE_H
#define KAL_SHEAR_TABLE_H

#include "core/panorama.h"

// trunc(k * q * 256), saturated to the int32 range instead of overflowing.
int32_t shearFactor(int k, double q);

// Fills rec->shear[0 .. shearCount - 1] for tilt q.
void fillShearTable(Panorama *rec, double q);

#endif

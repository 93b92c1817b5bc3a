// The resting frame of a colour panorama, for renderSmoothView and its tests.
#ifndef KAL_SMOOTH_VIEW_H
#define KAL_SMOOTH_VIEW_H

#include "core/panorama.h"

// Renders the bilinear frame of a colour panorama into its view buffer;
// false (nothing drawn) when the per-column terms cannot be allocated.
bool renderSmooth(Panorama *rec);

#endif

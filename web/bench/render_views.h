// The views both halves of the web benchmark render: the WebAssembly module
// and the native build run this same loop on the same image.
#ifndef KALWEB_RENDER_VIEWS_H
#define KALWEB_RENDER_VIEWS_H

#include "core/kalengine.h"

namespace kalweb {

// Renders 48 views (8 bearings, 3 pitches, 2 zooms) `repeats` times each;
// returns the number of frames rendered, 0 when the engine refused a view.
int renderViews(HPANORAMA pano, int repeats);

}  // namespace kalweb

#endif

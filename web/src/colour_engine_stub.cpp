// Stand-in for the true-colour engine until it lands: no colour panorama can
// be made yet. Removed when the engine's own definitions arrive.
#include "colour_panorama.h"
#include "core/panorama_setup.h"

namespace kal {

int maxImageWidth(int angle)
{
    if (angle < 1 || angle > 360) return 0;
    int width = kMaxImageWidth;
    while (width > 1 && radiusFor(width, angle) > kMaxRadius) --width;
    return width;
}

HPANORAMA createColourPanorama(const ColourImage &, const RECT &, const KalAttribs *)
{
    return nullptr;
}

int pixelBytes(HPANORAMA)
{
    return 1;
}

const void *renderSmoothView(HPANORAMA pano)
{
    return kal_GetView(pano, nullptr);
}

}  // namespace kal

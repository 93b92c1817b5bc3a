// The benchmark's view loop: zoom outermost, so that the lens table is built
// twice per pass and the time is the renderer's.
#include "render_views.h"

namespace kalweb {

int renderViews(HPANORAMA pano, int repeats)
{
    static const double kZooms[] = {1.0, 1.5};
    static const int kPitches[] = {0, 40, -40};
    const int radius = kal_GetValue(pano, KAL_VALUE_RADIUS);
    const int middle = kal_GetValue(pano, KAL_VALUE_SRCHEIGHT) / 2;
    int frames = 0;
    for (double zoom : kZooms) {
        kal_SetValue(pano, KAL_VALUE_ZPOS, static_cast<int>(radius - radius / zoom));
        for (int bearing = 0; bearing < 360; bearing += 45)
            for (int pitch : kPitches) {
                kal_SetValue(pano, KAL_VALUE_ORIENTATION, bearing);
                kal_SetValue(pano, KAL_VALUE_YPOS, middle + pitch);
                for (int r = 0; r < repeats; ++r, ++frames)
                    if (!kal_GetView(pano, nullptr)) return 0;
            }
    }
    return frames;
}

}  // namespace kalweb

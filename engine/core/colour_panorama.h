// Public. True-colour panoramas: the portable engine's C++ way in, beside the 8-bit
// exported interface (kal_Create keeps refusing every other format). Every
// other kal_* call (moves, positions, values, mapping, hit testing,
// kal_GetView, kal_Delete) takes a colour panorama as it takes an 8-bit one.
#ifndef KAL_COLOUR_PANORAMA_H
#define KAL_COLOUR_PANORAMA_H

#include "core/kalengine.h"
#include "core/kalinput.h"

#include <cstdint>

namespace kal {

// 32-bit pixels, bytes R, G, B, A in memory order (a little-endian word
// reads 0xAABBGGRR, as a canvas's ImageData holds them); rows bottom-up as
// in every DIB, `width` pixels a row with no padding. Any width >= 1.
struct ColourImage {
    int width;
    int height;
    const uint32_t *pixels;
};

// Largest view side of a colour panorama.
constexpr int kMaxColourViewSide = 16384;

// A panorama over the caller's pixels, which must outlive it: the engine
// never frees them (kal_Delete's DeleteImage does not apply to them). The
// viewport may be larger than the image covers at zoom 1 (a quarter of the
// circumference wide, the image's height tall): the lens then magnifies
// and the least zoom grows to match, so the image is never scaled up.
// The lens magnifies at most `radius` times: a viewport that would need more
// is refused with KAL_ERR_VPSIZE, as is one beyond kMaxColourViewSide.
// Null on failure, with kal_Error(nullptr) set as kal_Create sets it.
HPANORAMA createColourPanorama(const ColourImage &image, const RECT &viewport,
                               const KalAttribs *attribs);

// Bytes per image and view pixel: 1 (colour indices) or 4 (RGBA).
int pixelBytes(HPANORAMA pano);

// For a colour panorama kal_GetView returns vpWidth 32-bit pixels a row,
// bottom-up, with no padding: nearest samples, the moving frame. The
// BITMAPINFO it fills (if asked) is the header of a 32-bit BI_BITFIELDS view
// and its three colour masks (R, G, B in byte order), 52 bytes in all.

// The resting frame: every view pixel bilinear from its sub-pixel source
// position, into the view buffer, which it returns. An 8-bit panorama
// gets kal_GetView's frame. Null for a null handle.
const void *renderSmoothView(HPANORAMA pano);

}  // namespace kal

#endif

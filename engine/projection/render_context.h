// Everything one render needs, read once from the panorama record, and the
// plain per-pixel loop that serves as reference and as the fallback for
// geometries the specialised spans do not cover.
#ifndef KAL_RENDER_CONTEXT_H
#define KAL_RENDER_CONTEXT_H

#include "projection/projection.h"

#include <cstddef>
#include <cstdint>

struct RenderContext {
    const uint32_t *lens;
    int lensColumns;       // H
    int lensRows;          // N
    const uint8_t *image;  // colour indices
    int srcWidth;          // also the source row stride
    int srcHeight;
    int hs;  // srcHeight / 2, the source row of t = 0
    int xPos;
    int dy;  // yPos - hs
    int vpWidth;
    int vpHeight;
    int half;          // vpWidth / 2, the view column of lens column 0
    ptrdiff_t stride;  // view row stride, in pixels
    bool wrap;         // a full circle: columns wrap instead of clamping
    bool tilted;       // q != 0: the shear applies
    double q;
    const int32_t *shear;
    int shearCount;
    uint8_t *view;
};

// The image's pixel (row hs, column 0).
inline const uint8_t *centreOf(const RenderContext &c)
{
    return c.image + static_cast<ptrdiff_t>(c.hs) * c.srcWidth;
}
// The first pixel of view row r.
inline uint8_t *viewRow(const RenderContext &c, int r)
{
    return c.view + r * c.stride;
}

// Reads the record; computes the tilt and, when tilted, fills the shear table.
RenderContext makeRenderContext(Panorama *rec);

// Renders view row r pixel by pixel, straight from the definition, with
// every index kept inside its block (lens row, shear entry, source row and
// column), so it is safe for any geometry.
void renderReferenceRow(const RenderContext &c, int r);

#endif

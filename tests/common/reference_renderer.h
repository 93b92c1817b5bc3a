// A plain reference of the view renderer for tests: every view pixel
// computed on its own from the lens table and the view position, with the
// column wrapped by a modulo (full circle) or clamped to the nearest edge.
#ifndef KAL_REFERENCE_RENDERER_H
#define KAL_REFERENCE_RENDERER_H

#include <cstdint>
#include <vector>

namespace kaltest {

struct ReferenceView {
    const uint32_t *lens;
    const uint8_t *image;  // bottom-up rows of srcWidth colour indices
    int srcWidth, srcHeight;
    int vpWidth, vpHeight;
    int radius, angle, horizon;
    int xPos, yPos, zPos;
    int shearCount;
};

// Where view pixel (r, u) samples: source column (already wrapped or
// clamped) and row, both counted as stored (row 0 at the bottom).
struct Sample {
    int column, row;
};
Sample referenceSample(const ReferenceView &v, int r, int u);

// The whole view as bytes: vpHeight rows of (vpWidth + 3) & ~3 bytes; the
// padding bytes of every row keep the value `padding`. A sample row outside the image is taken from
// the nearest edge row and counted in *rowsOutside.
std::vector<uint8_t> referenceRender(const ReferenceView &v, uint8_t padding,
                                     int *rowsOutside = nullptr);

}  // namespace kaltest

#endif

// Test panoramas for the renderer: three panoramas of one geometry whose
// images encode the source column and row, so that a rendered view tells
// which source pixel every view pixel sampled.
#ifndef KAL_RENDER_FIXTURE_H
#define KAL_RENDER_FIXTURE_H

#include <windows.h>

#include <array>
#include <cstdint>
#include <vector>

#include "common/reference_renderer.h"
#include "common/test_images.h"
#include "core/panorama.h"
#include "core/kalengine.h"

namespace kaltest {

// Image codes: low byte of the column, low byte of the row, and the high
// bits of both (column bits 8-12, row bits 8-10).
inline uint8_t columnCode(int column, int)
{
    return static_cast<uint8_t>(column);
}
inline uint8_t rowCode(int, int row)
{
    return static_cast<uint8_t>(row);
}
inline uint8_t highCode(int column, int row)
{
    return static_cast<uint8_t>(((column >> 8) & 31) | ((row >> 8) << 5));
}

inline KalAttribs attribsFor(int angle, int horizon)
{
    KalAttribs a = {};
    a.angle = angle;
    a.horizon = horizon;
    return a;
}

class CodedPanorama {
   public:
    CodedPanorama(int width, int height, int vpWidth, int vpHeight, int angle = 360,
                  int horizon = 0)
    {
        const PixelFn codes[3] = {columnCode, rowCode, highCode};
        const RECT viewPort = {0, 0, vpWidth, vpHeight};
        const KalAttribs attribs = attribsFor(angle, horizon);
        for (int k = 0; k < 3; ++k) {
            images_[k] = makePackedDib(width, height, codes[k]);
            panoramas_[k] = kal_Create(asInfo(images_[k]), nullptr, &viewPort, &attribs);
        }
    }
    ~CodedPanorama()
    {
        for (HPANORAMA p : panoramas_)
            if (p) kal_Delete(p, FALSE);
    }
    CodedPanorama(const CodedPanorama &) = delete;
    CodedPanorama &operator=(const CodedPanorama &) = delete;

    bool ok() const { return panoramas_[0] && panoramas_[1] && panoramas_[2]; }
    Panorama *record() const { return panoramas_[0]; }

    void setPos(int x, int y, int z)
    {
        for (HPANORAMA p : panoramas_) kal_SetPos(p, x, y, z);
    }
    // Renders all three views; sampleAt then reads them.
    void render()
    {
        for (int k = 0; k < 3; ++k)
            views_[k] = static_cast<const uint8_t *>(kal_GetView(panoramas_[k], nullptr));
    }
    Sample sampleAt(int r, int u) const
    {
        const Panorama *rec = record();
        const size_t at = static_cast<size_t>(r) * ((rec->vpWidth + 3) & ~3) + u;
        const int high = views_[2][at];
        return {views_[0][at] | (high & 31) << 8, views_[1][at] | (high >> 5) << 8};
    }

   private:
    std::array<std::vector<uint8_t>, 3> images_;
    std::array<HPANORAMA, 3> panoramas_ = {};
    std::array<const uint8_t *, 3> views_ = {};
};

// The reference's view of a live record.
inline ReferenceView referenceViewOf(const Panorama *rec)
{
    return {rec->lens,     rec->imageBits, rec->srcWidth,  rec->srcHeight, rec->vpWidth,
            rec->vpHeight, rec->radius,    rec->angle,     rec->horizon,   rec->xPos,
            rec->yPos,     rec->zPos,      rec->shearCount};
}

}  // namespace kaltest

#endif

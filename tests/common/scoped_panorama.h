// The one test holder of a panorama: it keeps the packed test image the
// panorama shows and deletes the panorama (never the image) at scope end.
#ifndef KALTEST_SCOPED_PANORAMA_H
#define KALTEST_SCOPED_PANORAMA_H

#include "common/test_images.h"
#include "core/kalengine.h"

#include <cstdint>
#include <vector>

namespace kaltest {

struct ScopedPanorama {
    std::vector<uint8_t> dib;
    HPANORAMA handle = nullptr;  // null when kal_Create refused

    // A width x height test image behind a viewport at the origin;
    // `attribs` null gives a full circle with horizon 0.
    ScopedPanorama(int width, int height, int vpWidth, int vpHeight,
                   const KalAttribs *attribs = nullptr)
        : dib(makePackedDib(width, height))
    {
        const RECT vp = {0, 0, vpWidth, vpHeight};
        handle = kal_Create(asInfo(dib), nullptr, &vp, attribs);
    }
    ScopedPanorama(int width, int height, int vpWidth, int vpHeight, const KalAttribs &attribs)
        : ScopedPanorama(width, height, vpWidth, vpHeight, &attribs)
    {
    }
    ~ScopedPanorama()
    {
        if (handle) kal_Delete(handle, FALSE);
    }
    ScopedPanorama(const ScopedPanorama &) = delete;
    ScopedPanorama &operator=(const ScopedPanorama &) = delete;
};

// Attributes of a panorama without hotspots.
inline KalAttribs plainAttribs(int angle, int horizon = 0, int orientation = 0)
{
    KalAttribs a = {};
    a.angle = angle;
    a.horizon = horizon;
    a.orientation = orientation;
    return a;
}

}  // namespace kaltest

#endif

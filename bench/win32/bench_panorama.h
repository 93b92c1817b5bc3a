// The panorama both Windows benchmarks measure: a test image four times as
// wide (plus 4) and twice as high as the view, so that every zoom is legal.
#ifndef KAL_BENCH_PANORAMA_H
#define KAL_BENCH_PANORAMA_H

#include "common/test_images.h"
#include "core/kalengine.h"

#include <cstdint>
#include <cstdio>
#include <vector>

// dib receives the image, which the panorama shares; null (after saying
// why) when the engine refuses it.
inline HPANORAMA makeBenchPanorama(int width, int height, std::vector<uint8_t> &dib)
{
    dib = kaltest::makePackedDib(width * 4 + 4, height * 2);
    RECT viewport = {0, 0, width, height};
    KalAttribs attribs = {};
    HPANORAMA pan = kal_Create(kaltest::asInfo(dib), kaltest::rowsOf(dib), &viewport, &attribs);
    if (!pan)
        std::printf("%dx%d: kal_Create failed (error %d)\n", width, height, kal_Error(nullptr));
    return pan;
}

#endif

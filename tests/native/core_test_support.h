// Panoramas for the core tests: the reference geometry (a 1284 x 480 image,
// 360 degrees, 320 x 240 viewport) and leak-checked creation helpers.
#ifndef KAL_CORE_TEST_SUPPORT_H
#define KAL_CORE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <vector>

#include "common/scoped_panorama.h"
#include "common/test_images.h"
#include "core/kalengine.h"
#include "core/panorama.h"
#include "projection/projection.h"
#include "stand_in_control.h"

namespace coretest {

inline RECT viewPort(int width, int height, int left = 0, int top = 0)
{
    return RECT{left, top, left + width, top + height};
}

inline KalAttribs attribs(int angle, int horizon = 0)
{
    KalAttribs a = {};
    a.angle = angle;
    a.horizon = horizon;
    return a;
}

// An 8-bit image held by the test, and the panorama made from it.
struct TestPanorama : kaltest::ScopedPanorama {
    TestPanorama(int width, int height, int vpWidth, int vpHeight, int angle = 360, int horizon = 0)
        : ScopedPanorama(width, height, vpWidth, vpHeight, attribs(angle, horizon))
    {
    }

    Panorama *operator->() const { return handle; }
    uint32_t lens(int i, int j) const { return handle->lens[i * lensColumns(handle) + j]; }
};

// The geometry that the worked examples use.
struct ReferencePanorama : TestPanorama {
    ReferencePanorama() : TestPanorama(1284, 480, 320, 240) {}
};

// Live heap blocks and palettes, to show that an operation leaks nothing.
struct LeakCheck {
    long blocks = standInLiveHeapBlocks();
    long palettes = standInLivePalettes();
    void expectBalanced() const
    {
        EXPECT_EQ(standInLiveHeapBlocks(), blocks);
        EXPECT_EQ(standInLivePalettes(), palettes);
    }
};

}  // namespace coretest

#endif

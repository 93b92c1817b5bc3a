// Colour panoramas through the C++ way in: creation and its refusals, the
// exported calls on them (moves, hit tests, views, replacement, deletion)
// and magnified views larger than the image covers.
#include "core_test_support.h"

#include <cstring>

#include "core/colour_panorama.h"
#include "common/reference_renderer.h"
#include "core/panorama_setup.h"
#include "render_fixture.h"

using coretest::LeakCheck;
using coretest::viewPort;

namespace {

// RGBA pixels held by the test and a panorama over them.
struct ColourPanorama {
    std::vector<uint32_t> pixels;
    HPANORAMA handle = nullptr;

    ColourPanorama(int width, int height, int vpWidth, int vpHeight,
                   KalAttribs a = coretest::attribs(360))
        : pixels(static_cast<size_t>(width) * height)
    {
        for (size_t k = 0; k < pixels.size(); ++k)
            pixels[k] = static_cast<uint32_t>(k * 2654435761u);
        handle = kal::createColourPanorama({width, height, pixels.data()},
                                           viewPort(vpWidth, vpHeight), &a);
    }
    ~ColourPanorama()
    {
        if (handle) kal_Delete(handle, TRUE);  // the pixels stay the test's
    }
    ColourPanorama(const ColourPanorama &) = delete;
    ColourPanorama &operator=(const ColourPanorama &) = delete;
    Panorama *operator->() const { return handle; }
};

int createError(int width, int height, int vpWidth, int vpHeight, int angle, const uint32_t *pixels)
{
    setError(nullptr, KAL_ERR_INDEX);
    const KalAttribs a = coretest::attribs(angle);
    HPANORAMA h =
        kal::createColourPanorama({width, height, pixels}, viewPort(vpWidth, vpHeight), &a);
    const int code = kal_Error(nullptr);
    if (h) kal_Delete(h, FALSE);
    return code;
}

}  // namespace

TEST(ColourPanorama, LifecycleLeavesNothingBehindAndKeepsTheCallersPixels)
{
    LeakCheck leaks;
    {
        KalHotSpot spots[1] = {};
        spots[0].rect = {600, 200, 700, 300};
        KalAttribs a = coretest::attribs(360);
        a.numHotSpots = 1;
        a.hotSpots = spots;
        ColourPanorama pano(1283, 480, 319, 240, a);  // odd widths: no stride rounding
        ASSERT_NE(pano.handle, nullptr);
        EXPECT_EQ(kal::pixelBytes(pano.handle), 4);
        EXPECT_EQ(pano->zPos, 0);
        EXPECT_EQ(kal_Move(pano.handle, 15, -10, 20), 0);
        EXPECT_EQ(pano->zPos, 20);

        BITMAPINFO info[2] = {};  // room for the three colour masks
        const auto *view = static_cast<const uint32_t *>(kal_GetView(pano.handle, info));
        ASSERT_EQ(view, reinterpret_cast<const uint32_t *>(pano->viewBits));
        EXPECT_EQ(info->bmiHeader.biBitCount, 32);
        EXPECT_EQ(info->bmiHeader.biWidth, 319);
        EXPECT_EQ(info->bmiHeader.biSizeImage, 319u * 4 * 240);
        EXPECT_EQ(info->bmiHeader.biCompression, static_cast<DWORD>(BI_BITFIELDS));
        DWORD redMask = 0;
        std::memcpy(&redMask, info->bmiColors, sizeof redMask);
        EXPECT_EQ(redMask, 0xFFu);

        // The view centre shows the pixel the mapping names, and a hotspot
        // under it is hit.
        kal_SetPos(pano.handle, 650, 240, 0);
        view = static_cast<const uint32_t *>(kal_GetView(pano.handle, nullptr));
        POINT pt;
        ASSERT_TRUE(kal_MapCoordinates(pano.handle, 159, 120, &pt));
        // The mapping reads the lens row next to the renderer's: within a row.
        bool found = false;
        for (int row = 478 - pt.y; row <= 480 - pt.y; ++row)
            found = found || view[(239 - 120) * 319 + 159] == pano.pixels[row * 1283 + pt.x];
        EXPECT_TRUE(found);
        int index = -1;
        EXPECT_TRUE(kal_CheckHotSpot(pano.handle, 159, 120, &index));
        EXPECT_EQ(index, 0);
        EXPECT_EQ(kal_GetData(pano.handle, KAL_DATA_IMAGE, 0), pano.pixels.data());
    }
    leaks.expectBalanced();
}

TEST(ColourPanorama, CreationRefusesBadImagesAndViewports)
{
    std::vector<uint32_t> pixels(64 * 64);
    const uint32_t *p = pixels.data();
    EXPECT_EQ(createError(64, 64, 20, 20, 360, p), KAL_ERR_NONE);
    EXPECT_EQ(createError(0, 64, 20, 20, 360, p), KAL_ERR_IMGSIZE);
    EXPECT_EQ(createError(64, 65536, 20, 20, 360, p), KAL_ERR_IMGSIZE);
    EXPECT_EQ(createError(kal::maxImageWidth(30) + 1, 64, 20, 20, 30, p), KAL_ERR_IMGSIZE);
    EXPECT_EQ(createError(3, 64, 2, 2, 360, p), KAL_ERR_IMGSIZE);  // radius 0
    EXPECT_EQ(createError(64, 64, 20, 20, 361, p), KAL_ERR_ANGLE);
    EXPECT_EQ(createError(64, 64, 20, 20, 360, nullptr), KAL_ERR_PARAM);
    EXPECT_EQ(createError(64, 64, 1, 20, 360, p), KAL_ERR_VPSIZE);
    EXPECT_EQ(createError(64, 64, kal::kMaxColourViewSide + 1, 20, 360, p), KAL_ERR_VPSIZE);
    // Magnified past the radius: the scale cannot shrink that far.
    EXPECT_EQ(createError(64, 64, 2000, 20, 360, p), KAL_ERR_VPSIZE);

    EXPECT_EQ(kal::maxImageWidth(360), kMaxImageWidth);
    EXPECT_EQ(kal::maxImageWidth(0), 0);
    for (int angle : {1, 30, 40, 41, 90}) {
        const int w = kal::maxImageWidth(angle);
        EXPECT_LE(radiusFor(w, angle), kMaxRadius) << angle;
        EXPECT_TRUE(w == kMaxImageWidth || radiusFor(w + 1, angle) > kMaxRadius) << angle;
    }
}

TEST(ColourPanorama, ReplaceIsRefusedAndChangesNothing)
{
    ColourPanorama pano(1284, 480, 320, 240);
    ASSERT_NE(pano.handle, nullptr);
    std::vector<uint8_t> dib = kaltest::makePackedDib(1284, 480);
    const Panorama before = *pano.handle;
    EXPECT_FALSE(kal_Replace(pano.handle, kaltest::asInfo(dib), nullptr, nullptr, TRUE));
    EXPECT_EQ(kal_Error(pano.handle), KAL_ERR_WRONGFORMAT);
    EXPECT_EQ(pano->imageBits, before.imageBits);
    EXPECT_EQ(std::memcmp(&pano->viewInfo, &before.viewInfo, sizeof before.viewInfo), 0);
    EXPECT_EQ(pano->srcWidth, before.srcWidth);
    EXPECT_EQ(pano->lens, before.lens);
}

// A view wider than a quarter of the circumference and taller than the
// image: the least zoom magnifies, the view stays on the image and every
// sample is the reference's (ASan watches the reads).
TEST(ColourPanorama, MagnifiedViewsStayOnTheImage)
{
    struct Case {
        int width, height, vpWidth, vpHeight, angle, horizon;
    };
    for (const Case &c : {Case{400, 100, 640, 360, 360, 0}, Case{400, 100, 641, 361, 360, 30},
                          Case{300, 80, 500, 400, 120, -20}, Case{1000, 50, 1200, 700, 180, 0}}) {
        ColourPanorama pano(c.width, c.height, c.vpWidth, c.vpHeight,
                            coretest::attribs(c.angle, c.horizon));
        ASSERT_NE(pano.handle, nullptr) << c.vpWidth;
        EXPECT_GT(pano->zPos, 0);
        kal_SetPos(pano.handle, 0, 0, -1000);
        EXPECT_GT(pano->zPos, 0);
        for (int x : {0, c.width / 3, c.width}) {
            for (int y : {0, c.height / 2, c.height}) {
                for (int z : {0, pano->radius / 2, int{pano->radius}}) {
                    kal_SetPos(pano.handle, x, y, z);
                    int outside = 0;
                    const std::vector<uint8_t> expected = kaltest::referenceRender(
                        kaltest::referenceViewOf(pano.handle), 0, &outside);
                    EXPECT_EQ(outside, 0);
                    kal_GetView(pano.handle, nullptr);
                    ASSERT_EQ(std::memcmp(pano->viewBits, expected.data(), expected.size()), 0)
                        << c.vpWidth << " at " << pano->xPos << ", " << pano->yPos << ", "
                        << pano->zPos;
                }
            }
        }
    }
}

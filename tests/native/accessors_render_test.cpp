// Accessors written with the edges of the value ranges: the view must stay
// legal to render whatever is written.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "common/test_images.h"
#include "core/kalengine.h"

namespace {

KalAttribs attribsFor(int angle, int orientation)
{
    KalAttribs a = {};
    a.angle = angle;
    a.orientation = orientation;
    return a;
}

}  // namespace

// Every code with the edges of the 32- and 16-bit ranges, on a full and a
// partial panorama with extreme orientations: whatever is written, the view
// stays legal to render (the sanitizers watch the arithmetic and the reads).
TEST(AccessorsValue, ExtremeValuesKeepTheViewRenderable)
{
    const int values[] = {INT_MIN, INT_MIN + 1, -65536, -32769, -32768, -1,          0,
                          1,       32767,       32768,  65535,  65536,  INT_MAX - 1, INT_MAX};
    for (int angle : {360, 97}) {
        for (int orientation : {-32768, 0, 32767}) {
            std::vector<uint8_t> dib = kaltest::makePackedDib(1284, 480);
            const KalAttribs attribs = attribsFor(angle, orientation);
            RECT vp{0, 0, 320, 240};
            HPANORAMA pano = kal_Create(kaltest::asInfo(dib), nullptr, &vp, &attribs);
            ASSERT_NE(pano, nullptr);
            for (UINT code = 0; code <= 16; ++code) {
                for (int value : values) {
                    kal_SetValue(pano, code, value);
                    for (UINT read = 0; read <= 16; ++read) kal_GetValue(pano, read);
                    const int bearing = kal_GetValue(pano, KAL_VALUE_ORIENTATION);
                    ASSERT_TRUE(bearing > -360 && bearing < 360) << code << " " << value;
                }
                ASSERT_NE(kal_GetView(pano, nullptr), nullptr);
            }
            kal_Delete(pano, FALSE);
        }
    }
}

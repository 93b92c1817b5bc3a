// Values by code: 16-bit storage, read-only codes, and writes of position,
// zoom and bearing that go through the clamps.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "common/scoped_panorama.h"
#include "common/test_images.h"
#include "core/kalengine.h"

namespace {

// Default: 1284 x 480 at 360 degrees, 320 x 240 viewport (radius 204,
// xPos wraps within 160..1444, yPos within 120..360 at zoom 0).
struct Pano : kaltest::ScopedPanorama {
    explicit Pano(int angle = 360, int orientation = 0, int width = 1284, int height = 480)
        : ScopedPanorama(width, height, 320, 240, kaltest::plainAttribs(angle, 0, orientation))
    {
    }
    int value(UINT code) const { return kal_GetValue(handle, code); }
};

uint32_t lensEntry(HPANORAMA pano, int row, int column)
{
    auto *lens = static_cast<uint32_t *>(kal_GetData(pano, KAL_DATA_LENS, 0));
    return lens[row * 161 + column];
}

}  // namespace

TEST(AccessorsValue, ReadsTheRecordThroughItsCodes)
{
    Pano p;
    ASSERT_NE(p.handle, nullptr);
    EXPECT_EQ(p.value(KAL_VALUE_HORIZON), 0);
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_NONE);
    EXPECT_EQ(p.value(KAL_VALUE_ANGLE), 360);
    EXPECT_EQ(p.value(KAL_VALUE_RADIUS), 204);
    EXPECT_EQ(p.value(KAL_VALUE_NUMHOTSPOTS), 0);
    EXPECT_EQ(p.value(KAL_VALUE_XPOS), 642);
    EXPECT_EQ(p.value(KAL_VALUE_YPOS), 240);
    EXPECT_EQ(p.value(KAL_VALUE_ZPOS), 0);
    EXPECT_EQ(p.value(KAL_VALUE_MSGNUM), KAL_NOTIFY);
    EXPECT_EQ(p.value(KAL_VALUE_SRCWIDTH), 1284);
    EXPECT_EQ(p.value(KAL_VALUE_SRCHEIGHT), 480);
    EXPECT_EQ(p.value(KAL_VALUE_VPWIDTH), 320);
    EXPECT_EQ(p.value(KAL_VALUE_VPHEIGHT), 240);
    EXPECT_EQ(p.value(KAL_VALUE_MAXZOOM), 0);
    EXPECT_EQ(p.value(KAL_VALUE_SPEED), 50);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_NONE);
}

TEST(AccessorsValue, UnknownCodesAndReadOnlyWritesAreRefused)
{
    Pano p;
    EXPECT_EQ(kal_GetValue(p.handle, 16), 0);
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_PARAM);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_EQ(kal_GetValue(p.handle, UINT_MAX), 0);
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_PARAM);

    const UINT readOnly[] = {KAL_VALUE_HORIZON,
                             KAL_VALUE_ANGLE,
                             KAL_VALUE_RADIUS,
                             KAL_VALUE_NUMHOTSPOTS,
                             KAL_VALUE_SRCWIDTH,
                             KAL_VALUE_SRCHEIGHT,
                             KAL_VALUE_VPWIDTH,
                             KAL_VALUE_VPHEIGHT,
                             16,
                             100};
    for (UINT code : readOnly) {
        const int before = p.value(code);
        EXPECT_FALSE(kal_SetValue(p.handle, code, 8)) << code;
        EXPECT_EQ(kal_Error(p.handle), KAL_ERR_PARAM) << code;
        EXPECT_EQ(p.value(code), before) << code;
    }
}

TEST(AccessorsValue, NullHandleIsRefusedByEveryAccessor)
{
    EXPECT_EQ(kal_GetValue(nullptr, KAL_VALUE_XPOS), 0);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_FALSE(kal_SetValue(nullptr, KAL_VALUE_ID, 1));
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_EQ(kal_GetData(nullptr, KAL_DATA_IMAGE, 0), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_EQ(kal_GetRect(nullptr, KAL_RECT_HOTSPOT, 0), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_EQ(kal_GetHandle(nullptr, KAL_HANDLE_PALETTE), nullptr);
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
    EXPECT_FALSE(kal_SetHandle(nullptr, KAL_HANDLE_PALETTE, nullptr));
    EXPECT_EQ(kal_Error(nullptr), KAL_ERR_PARAM);
}

TEST(AccessorsValue, SixteenBitFieldsKeepTheLowBits)
{
    Pano p;
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_ID, 70000));
    EXPECT_EQ(p.value(KAL_VALUE_ID), 70000 - 65536);
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_ID, -2));
    EXPECT_EQ(p.value(KAL_VALUE_ID), -2);  // signed: sign-extended
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_SPEED, -1));
    EXPECT_EQ(p.value(KAL_VALUE_SPEED), 65535);  // unsigned: zero-extended
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_SPEED, 70000));
    EXPECT_EQ(p.value(KAL_VALUE_SPEED), 70000 - 65536);
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_MSGNUM, INT_MIN + 5));
    EXPECT_EQ(p.value(KAL_VALUE_MSGNUM), INT_MIN + 5);  // all 32 bits
}

TEST(AccessorsValue, PositionBeyondAPartialImageIsClampedButAFullCircleWraps)
{
    Pano partial(180);
    ASSERT_NE(partial.handle, nullptr);
    EXPECT_FALSE(kal_SetValue(partial.handle, KAL_VALUE_XPOS, 5000));
    EXPECT_EQ(kal_Error(partial.handle), KAL_ERR_NONE);
    EXPECT_LE(partial.value(KAL_VALUE_XPOS), 1124);  // xhi at zoom 0, corners may pull further
    EXPECT_GT(partial.value(KAL_VALUE_XPOS), 1000);

    Pano full;
    EXPECT_TRUE(kal_SetValue(full.handle, KAL_VALUE_XPOS, 1440 + 10));
    EXPECT_EQ(full.value(KAL_VALUE_XPOS), 166);
    EXPECT_TRUE(kal_SetValue(full.handle, KAL_VALUE_XPOS, 155));
    EXPECT_EQ(full.value(KAL_VALUE_XPOS), 1439);
    EXPECT_TRUE(kal_SetValue(full.handle, KAL_VALUE_XPOS, 70000));  // low 16 bits: 4464
    EXPECT_EQ(full.value(KAL_VALUE_XPOS), 4464 - 3 * 1284);
}

TEST(AccessorsValue, VerticalPositionIsClamped)
{
    Pano p;
    EXPECT_FALSE(kal_SetValue(p.handle, KAL_VALUE_YPOS, 740));
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_NONE);
    EXPECT_EQ(p.value(KAL_VALUE_YPOS), 360);
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_YPOS, 121));
    EXPECT_EQ(p.value(KAL_VALUE_YPOS), 121);
}

TEST(AccessorsValue, ZoomRebuildsTheLensAndReclampsThePosition)
{
    Pano p;
    EXPECT_EQ(lensEntry(p.handle, 0, 160) & 0xFFFF, 136u);
    ASSERT_TRUE(kal_SetValue(p.handle, KAL_VALUE_YPOS, 360));
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_ZPOS, 50));
    EXPECT_EQ(p.value(KAL_VALUE_ZPOS), 50);
    EXPECT_EQ(lensEntry(p.handle, 0, 160) & 0xFFFF, 109u);
    EXPECT_EQ(lensEntry(p.handle, 240, 160), (155u << 16) | 109u);

    // Zooming back out narrows the vertical range again: yPos follows.
    ASSERT_TRUE(kal_SetValue(p.handle, KAL_VALUE_YPOS, 400));
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_ZPOS, 0));
    EXPECT_EQ(p.value(KAL_VALUE_YPOS), 360);
    EXPECT_EQ(lensEntry(p.handle, 0, 160) & 0xFFFF, 136u);

    EXPECT_FALSE(kal_SetValue(p.handle, KAL_VALUE_ZPOS, 300));
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_NONE);
    EXPECT_EQ(p.value(KAL_VALUE_ZPOS), 203);
    EXPECT_FALSE(kal_SetValue(p.handle, KAL_VALUE_ZPOS, -50));
    EXPECT_EQ(p.value(KAL_VALUE_ZPOS), 0);
}

TEST(AccessorsValue, MaxZoomLimitsAndZeroLiftsTheLimit)
{
    Pano p;
    ASSERT_TRUE(kal_SetValue(p.handle, KAL_VALUE_ZPOS, 160));
    EXPECT_FALSE(kal_SetValue(p.handle, KAL_VALUE_MAXZOOM, 4));  // magnification 4.64 > 4
    EXPECT_EQ(p.value(KAL_VALUE_MAXZOOM), 4);
    EXPECT_EQ(p.value(KAL_VALUE_ZPOS), 153);
    EXPECT_FALSE(kal_SetValue(p.handle, KAL_VALUE_ZPOS, 160));
    EXPECT_EQ(p.value(KAL_VALUE_ZPOS), 153);

    EXPECT_FALSE(kal_SetValue(p.handle, KAL_VALUE_MAXZOOM, -1));
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_PARAM);
    EXPECT_EQ(p.value(KAL_VALUE_MAXZOOM), 4);
    // Like every 16-bit field, the limit keeps the low 16 bits of the value.
    kal_SetValue(p.handle, KAL_VALUE_MAXZOOM, 0x10000 + 4);
    EXPECT_EQ(p.value(KAL_VALUE_MAXZOOM), 4);
    EXPECT_EQ(p.value(KAL_VALUE_ZPOS), 153);

    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_MAXZOOM, 0));
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_ZPOS, 160));
    EXPECT_EQ(p.value(KAL_VALUE_ZPOS), 160);
}

TEST(AccessorsValue, BearingFacesTheWrittenDirection)
{
    Pano p(360, 90);
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_ORIENTATION, 45));
    EXPECT_EQ(p.value(KAL_VALUE_XPOS), 1284 * 315 / 360);
    EXPECT_EQ(p.value(KAL_VALUE_ORIENTATION), 44);  // both directions truncate

    for (int bearing = 0; bearing < 720; ++bearing) {
        kal_SetValue(p.handle, KAL_VALUE_ORIENTATION, bearing);
        const int back = p.value(KAL_VALUE_ORIENTATION);
        const int want = bearing % 360;
        ASSERT_TRUE(back == want || back == (want + 359) % 360) << bearing << " read " << back;
    }

    const int xPos = p.value(KAL_VALUE_XPOS);
    EXPECT_FALSE(kal_SetValue(p.handle, KAL_VALUE_ORIENTATION, -1));
    EXPECT_EQ(kal_Error(p.handle), KAL_ERR_PARAM);
    EXPECT_EQ(p.value(KAL_VALUE_XPOS), xPos);
}

TEST(AccessorsValue, NegativeOrientationGivesANegativeBearing)
{
    Pano p(360, -300);
    EXPECT_EQ(p.value(KAL_VALUE_ORIENTATION), 180 - 300);  // xPos 642 faces 180 + orientation
}

TEST(AccessorsValue, ExtremeBearingsWrapLikeThirtyTwoBitArithmetic)
{
    // INT_MAX - (-1) wraps to INT_MIN, whose non-negative remainder is 232.
    Pano p(360, -1);
    EXPECT_TRUE(kal_SetValue(p.handle, KAL_VALUE_ORIENTATION, INT_MAX));
    EXPECT_EQ(p.value(KAL_VALUE_XPOS), 1284 * 232 / 360);

    Pano q(360, 32767);
    EXPECT_TRUE(kal_SetValue(q.handle, KAL_VALUE_ORIENTATION, 0));  // -32767 -> 353
    EXPECT_EQ(q.value(KAL_VALUE_XPOS), 1284 * 353 / 360);
}

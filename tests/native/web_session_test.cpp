// The web viewer's sessions on the native engine: bad input leaves nothing
// behind, a failed replacement keeps the panorama, a new view size keeps the
// direction, and opens that overlap share nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "../../web/src/exports.h"
#include "../../web/src/web_session.h"
#include "common/bmp_writer.h"
#include "stand_in_control.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

std::string readSample(const char *name)
{
    std::ifstream in(std::string(KAL_BINARY_DIR) + "/samples/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The report of the last open() or openBytes().
kalweb::Report said;

kalweb::Session *openBytes(const uint8_t *bytes, size_t size, const std::string &text, int width,
                           int height)
{
    said = {};
    return kalweb::openSession(bytes, size, text, width, height, said);
}

kalweb::Session *open(const std::string &bmp, int width = 320, int height = 240)
{
    return openBytes(reinterpret_cast<const uint8_t *>(bmp.data()), bmp.size(),
                     readSample("courtyard.KAL"), width, height);
}

// Finishes an opening into `session` (null: a new one), then ends it.
kalweb::Session *finish(kalweb::Opening *opening, kalweb::Session *session)
{
    kalweb::Session *out = kalweb::finishOpen(*opening, session, 320, 240);
    said = opening->report;
    kalweb::endOpen(opening);
    return out;
}

bool replace(kalweb::Session *session, const std::string &bmp, const std::string &text)
{
    return finish(kalweb::openBmp(reinterpret_cast<const uint8_t *>(bmp.data()), bmp.size(), text),
                  session) == session;
}

TEST(WebSession, RefusedFilesSayWhyAndLeaveNothingBehind)
{
    const std::string sample = readSample("courtyard.bmp");
    ASSERT_GT(sample.size(), 100000u);
    kaltest::BmpFile four = kaltest::makeBmp8(std::vector<uint8_t>(16), 4, 4, false);
    four.info.bitCount = 4;
    const std::vector<uint8_t> fourBit = kaltest::bmpBytes(four);
    const long blocks = standInLiveHeapBlocks();
    const struct {
        std::string bytes;
        const char *words;
    } cases[] = {
        {"not a picture", "is not an image file"},
        {sample.substr(0, 30), "is cut short"},
        {"BM", "is cut short"},
        {std::string(fourBit.begin(), fourBit.end()), "only 8-, 24- and 32-bit BMP files"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(open(c.bytes), nullptr);
        EXPECT_NE(said.message.find(c.words), std::string::npos) << said.message;
    }
    EXPECT_EQ(standInLiveHeapBlocks(), blocks);
}

// Opens that overlap in the page each keep their own block: the older one
// ended unfinished frees its block, the newer one shows its own pixels.
TEST(WebSession, OverlappingOpensShareNothing)
{
    const long blocks = standInLiveHeapBlocks();
    kalweb::Opening *older = kalweb::openColourBlock(64, 32, nullptr, 1 << 20, "", nullptr);
    kalweb::Opening *newer = kalweb::openColourBlock(128, 64, nullptr, 1 << 20, "", nullptr);
    ASSERT_TRUE(older->image.rgba && newer->image.rgba) << older->report.message;
    std::fill(older->image.rgba, older->image.rgba + 64 * 32, 0xFF0000FFu);
    std::fill(newer->image.rgba, newer->image.rgba + 128 * 64, 0xFF00FF00u);
    kalweb::Session *session = finish(newer, nullptr);
    ASSERT_NE(session, nullptr) << said.message;
    kalweb::endOpen(older);
    EXPECT_EQ(session->image.width, 128);
    EXPECT_EQ(kalweb::renderFrame(*session)[0], 0xFF00FF00u);
    kalweb::closeSession(session);
    EXPECT_EQ(standInLiveHeapBlocks(), blocks);
}

TEST(WebSession, FailedReplacementKeepsThePanorama)
{
    const long blocks = standInLiveHeapBlocks();
    kalweb::Session *session = open(readSample("courtyard.bmp"));
    ASSERT_NE(session, nullptr);
    const std::vector<uint32_t> before(kalweb::renderFrame(*session),
                                       kalweb::renderFrame(*session) + 320 * 240);
    const std::string cut = readSample("courtyard_rle8.bmp").substr(0, 40);
    EXPECT_FALSE(replace(session, cut, ""));
    EXPECT_EQ(std::vector<uint32_t>(kalweb::renderFrame(*session),
                                    kalweb::renderFrame(*session) + 320 * 240),
              before);
    const std::string rle8 = readSample("courtyard_rle8.bmp");
    EXPECT_TRUE(replace(session, rle8, readSample("courtyard.KAL")));
    kalweb::closeSession(session);
    EXPECT_EQ(standInLiveHeapBlocks(), blocks);
}

TEST(WebSession, NewViewSizeKeepsTheDirection)
{
    kalweb::Session *session = open(readSample("courtyard.bmp"), 640, 480);
    ASSERT_NE(session, nullptr);
    kal_SetValue(session->pano, KAL_VALUE_ORIENTATION, 123);
    ASSERT_TRUE(kalweb::resizeSession(*session, 1280, 720));
    EXPECT_EQ(kalweb::viewWidth(*session), 1280);
    EXPECT_NEAR(kal_GetValue(session->pano, KAL_VALUE_ORIENTATION), 123, 1);
    EXPECT_EQ(session->frame.size(), 1280u * 720u);
    EXPECT_FALSE(kalweb::resizeSession(*session, 0, 720));
    EXPECT_EQ(kalweb::viewWidth(*session), 1280);
    kalweb::closeSession(session);
}

TEST(WebSession, FileThatEndsEarlyOpensBlankBelowAndSaysSoOnce)
{
    for (const char *name : {"courtyard.bmp", "courtyard_rle8.bmp"}) {
        const std::string cut = readSample(name).substr(0, 5000);
        kalweb::Session *session = open(cut);
        ASSERT_NE(session, nullptr) << name << ": " << said.message;
        const std::string &warning = said.warning;
        EXPECT_NE(warning.find("ends before the end of its image"), std::string::npos) << warning;
        EXPECT_EQ(warning.find("ends", warning.find("ends") + 1), std::string::npos) << warning;
        EXPECT_TRUE(kalweb::resizeSession(*session, 160, 120));
        kalweb::closeSession(session);
    }
}

// A header claiming a size the engine or the module's memory refuses costs
// nothing: it is refused before any block, with the size in the message.
TEST(WebSession, HostileHeadersAreRefusedBeforeAnyAllocation)
{
    const long blocks = standInLiveHeapBlocks();
    struct Case {
        int width, height;
        bool rle8;
        size_t dataBytes;
        const char *words;
    } cases[] = {
        {46000, 46000, true, 4, "46000 x 46000 pixels, wider than the 23301"},
        {23300, 60000, true, 4, "claims 23300 x 60000 pixels but holds only"},
        {40000, 40000, false, 4, "40000 x 40000 pixels"},
        // Bytes enough to claim the size, pixels beyond the module's memory.
        {23300, 47000, true, 1100000, "23300 x 47000 pixels needs 1045 MiB"},
    };
    for (const Case &c : cases) {
        kaltest::BmpFile file = kaltest::makeBmp8({0, 0, 0, 0}, 4, 1, c.rle8);
        file.info.width = c.width;
        file.info.height = c.height;
        file.pixels.resize(c.dataBytes);
        const std::vector<uint8_t> bytes = kaltest::bmpBytes(file);
        EXPECT_EQ(openBytes(bytes.data(), bytes.size(), "", 320, 240), nullptr);
        EXPECT_NE(said.message.find(c.words), std::string::npos) << said.message;
        EXPECT_EQ(standInLiveHeapBlocks(), blocks);
    }
    const std::string noise = "BM\x12\x34" + std::string(60, '\x5a');
    EXPECT_EQ(open(noise), nullptr);
    EXPECT_EQ(said.message, "The file is not an image file.");
}

TEST(WebSession, AttributeSyntaxErrorNamesLineAndWordAndOpensWithout)
{
    const std::string bmp = readSample("courtyard.bmp");
    kalweb::Session *session =
        openBytes(reinterpret_cast<const uint8_t *>(bmp.data()), bmp.size(),
                  "angle(360)\nhorizon(12\n  hotspot(1 2 3 4 a b)", 320, 240);
    ASSERT_NE(session, nullptr) << said.message;
    EXPECT_NE(said.warning.find("line 3, at \"hotspot\""), std::string::npos) << said.warning;
    EXPECT_EQ(kalweb::sessionValue(*session, KAL_VALUE_NUMHOTSPOTS), 0);
    kalweb::closeSession(session);
}

TEST(WebSession, TinyViewIsTooSmallNeverTooLarge)
{
    kalweb::Session *session = open(readSample("courtyard.bmp"));
    ASSERT_NE(session, nullptr);
    for (int side : {0, 1}) {
        EXPECT_FALSE(kalweb::resizeSession(*session, side, side));
        EXPECT_NE(session->message.find("too small"), std::string::npos) << session->message;
    }
    EXPECT_EQ(kalweb::viewWidth(*session), 320);
    kalweb::closeSession(session);
}

// Catches red and blue swapped on the way to the canvas, whose bytes are
// R, G, B, A.
TEST(WebSession, FrameBytesAreRedGreenBlueAlpha)
{
    kaltest::BmpFile file = kaltest::makeBmp8(std::vector<uint8_t>(64 * 32, 0), 64, 32, false);
    file.colors.assign(256 * 4, 0);
    const uint8_t bgr0[] = {0x30, 0x20, 0x10, 0};
    std::memcpy(file.colors.data(), bgr0, 4);
    const std::vector<uint8_t> bytes = kaltest::bmpBytes(file);
    kalweb::Session *session = openBytes(bytes.data(), bytes.size(), "", 40, 30);
    ASSERT_NE(session, nullptr) << said.message;
    uint8_t first[4];
    std::memcpy(first, kalweb::renderFrame(*session), 4);
    EXPECT_EQ(first[0], 0x10);
    EXPECT_EQ(first[1], 0x20);
    EXPECT_EQ(first[2], 0x30);
    EXPECT_EQ(first[3], 0xFF);
    kalweb::closeSession(session);
}

// Under UBSan: every exported function with the extremes of every integer
// argument; nothing overflows, nothing crashes, the session lives on.
TEST(WebSession, ExportsTakeExtremeIntegers)
{
    const std::string bmp = readSample("courtyard.bmp"), kal = readSample("courtyard.KAL");
    const auto *image = reinterpret_cast<const uint8_t *>(bmp.data());
    const int size = static_cast<int>(bmp.size()), kalSize = static_cast<int>(kal.size());
    const int extremes[] = {INT_MIN, INT_MIN + 1, -1, 0, INT_MAX};
    // An open of `bytes` (with the attribute text, or none) into `into`, ended at once.
    auto openWith = [&](const uint8_t *bytes, int bytesSize, int textSize, Session *into, int w,
                        int h) {
        Opening *o = kalweb_openBmp(bytes, bytesSize, bytes ? kal.data() : nullptr, textSize, 0);
        Session *out = kalweb_openFinish(o, into, w, h);
        EXPECT_NE(kalweb_openMessage(o), nullptr);
        kalweb_openEnd(o);
        return out;
    };
    Session *s = openWith(image, size, kalSize, nullptr, 320, 240);
    ASSERT_NE(s, nullptr);
    for (int a : extremes) {
        kalweb_free(kalweb_alloc(a < 0 ? a : 0));
        EXPECT_EQ(openWith(nullptr, a, a, nullptr, a, a), nullptr);
        EXPECT_EQ(openWith(image, size, a < 0 ? a : 0, nullptr, a, 240), nullptr);
        EXPECT_EQ(openWith(image, size, kalSize, nullptr, 320, a), nullptr);
        EXPECT_EQ(kalweb_resize(s, a, a), 0);
        EXPECT_EQ(openWith(nullptr, a, a, s, a, a), nullptr);
        Opening *block = kalweb_colourBlock(a, a, nullptr, a, nullptr, a, a);
        EXPECT_EQ(kalweb_openPixels(block), nullptr);
        kalweb_openArrange(block, a);
        kalweb_openPrepare(block, s, a, a);
        kalweb_openPrepare(block, nullptr, a, a);
        EXPECT_EQ(kalweb_openFinish(block, nullptr, a, a), nullptr);
        kalweb_openEnd(block);
        kalweb_value(s, a);
        for (int b : extremes) {
            kalweb_move(s, a, b, a);
            kalweb_move(s, b, a, b);
            kalweb_setPos(s, a, b, a);
            kalweb_setPos(s, b, a, b);
            kalweb_mapPoint(s, a, b);
            kalweb_hitTest(s, a, b);
            kalweb_hover(s, a, b);
        }
        kalweb_hotspotLabel(s, a);
        kalweb_hotspotText(s, a);
        kalweb_visibleHotspot(s, a);
    }
    // Views in degrees, of an 8-bit and of a true-colour session.
    Opening *block = kalweb_colourBlock(64, 32, nullptr, 1 << 20, nullptr, 0, 0);
    Session *colour = kalweb_openFinish(block, nullptr, 64, 48);
    kalweb_openEnd(block);
    ASSERT_NE(colour, nullptr);
    const double wild[] = {INT_MIN, INT_MAX, 1e308, -1e308, NAN, INFINITY, -0.0};
    for (Session *t : {s, colour}) {
        for (double a : wild)
            for (double b : wild) {
                for (double zoom : wild) kalweb_putView(t, a, b, zoom, zoom);
                kalweb_turn(t, a, b);
                kalweb_align(t, a, b, a, b);
                kalweb_bound(t, a, b, a, b);
                kalweb_mapPoint(t, a, b);
            }
        kalweb_bound(t, NAN, NAN, NAN, NAN);
        const double *view = kalweb_getView(t);
        ASSERT_NE(view, nullptr);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(std::isfinite(view[i]));
        EXPECT_NE(kalweb_render(t), nullptr);
    }
    kalweb_delete(colour);
    kalweb_visibleHotspots(s, INT_MAX);
    kalweb_visibleHotspots(s, INT_MIN);
    kalweb_pointerLeave(s);
    kalweb_cursor(s);
    while (kalweb_nextNotification(s) != -1) {
    }
    EXPECT_NE(kalweb_render(s), nullptr);
    EXPECT_NE(kalweb_renderSmooth(s), nullptr);
    EXPECT_EQ(kalweb_pixelBytes(s), 1);
    EXPECT_NE(kalweb_error(s), nullptr);
    kalweb_openEnd(nullptr);
    kalweb_delete(s);
}

}  // namespace

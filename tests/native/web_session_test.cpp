// The web viewer's sessions on the native engine: bad input leaves nothing
// behind, a failed replacement keeps the panorama, a new view size keeps the
// direction, and motion ticks follow the page's clock at the panorama's speed.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "../../web/src/web_session.h"
#include "stand_in_control.h"

namespace {

std::string readSample(const char *name)
{
    std::ifstream in(std::string(KAL_BINARY_DIR) + "/samples/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

kalweb::Session *open(const std::string &bmp, int width = 320, int height = 240)
{
    return kalweb::openSession(reinterpret_cast<const uint8_t *>(bmp.data()), bmp.size(),
                               readSample("courtyard.KAL"), width, height);
}

TEST(WebSession, RefusedFilesSayWhyAndLeaveNothingBehind)
{
    const std::string sample = readSample("courtyard.bmp");
    ASSERT_GT(sample.size(), 100000u);
    const long blocks = standInLiveHeapBlocks();
    const struct {
        std::string bytes;
        const char *words;
    } cases[] = {
        {sample.substr(0, 5000), "is cut short"},
        {"not a picture", "is not a BMP file"},
        {sample.substr(0, 30), "is cut short"},
        {"BM", "is cut short"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(open(c.bytes), nullptr);
        EXPECT_NE(kalweb::lastMessage().find(c.words), std::string::npos) << kalweb::lastMessage();
    }
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
    EXPECT_FALSE(kalweb::replaceImage(*session, reinterpret_cast<const uint8_t *>(cut.data()),
                                      cut.size(), ""));
    EXPECT_EQ(std::vector<uint32_t>(kalweb::renderFrame(*session),
                                    kalweb::renderFrame(*session) + 320 * 240),
              before);
    const std::string rle8 = readSample("courtyard_rle8.bmp");
    EXPECT_TRUE(kalweb::replaceImage(*session, reinterpret_cast<const uint8_t *>(rle8.data()),
                                     rle8.size(), readSample("courtyard.KAL")));
    kalweb::closeSession(session);
    EXPECT_EQ(standInLiveHeapBlocks(), blocks);
}

TEST(WebSession, NewViewSizeKeepsTheDirection)
{
    kalweb::Session *session = open(readSample("courtyard.bmp"), 640, 480);
    ASSERT_NE(session, nullptr);
    kal_SetValue(session->pano(), KAL_VALUE_ORIENTATION, 123);
    ASSERT_TRUE(kalweb::resizeSession(*session, 1280, 720));
    EXPECT_EQ(session->pano()->vpWidth, 1280);
    EXPECT_NEAR(kal_GetValue(session->pano(), KAL_VALUE_ORIENTATION), 123, 1);
    EXPECT_EQ(session->frame.size(), 1280u * 720u);
    EXPECT_FALSE(kalweb::resizeSession(*session, 0, 720));
    EXPECT_EQ(session->pano()->vpWidth, 1280);
    kalweb::closeSession(session);
}

TEST(WebSession, TicksFollowThePageClockAtThePanoramaSpeed)
{
    kalweb::Session *session = open(readSample("courtyard.bmp"));
    ASSERT_NE(session, nullptr);
    kalweb::advanceMotion(*session, 5000);
    navigationKeyDown(session->platform, *session->pano(), vkRight);
    const int x0 = session->pano()->xPos;
    auto moves = [&] {
        int count = 0;
        for (kalweb::Notification n; session->platform.takeNotification(n);)
            count += n.code == KN_MOVE;
        return count;
    };
    kalweb::advanceMotion(*session, 7000);  // a late first frame starts the clock
    EXPECT_EQ(moves(), 0);
    kalweb::advanceMotion(*session, 7049);
    EXPECT_EQ(moves(), 0);
    EXPECT_EQ(kalweb::advanceMotion(*session, 7050) & kalweb::kViewChanged, kalweb::kViewChanged);
    EXPECT_EQ(moves(), 1);
    // A frame two intervals late runs one tick and says that another is due.
    EXPECT_EQ(kalweb::advanceMotion(*session, 7150), kalweb::kViewChanged | kalweb::kTickDue);
    EXPECT_EQ(kalweb::advanceMotion(*session, 7150) & kalweb::kTickDue, 0);
    EXPECT_EQ(moves(), 2);
    EXPECT_EQ(session->pano()->xPos - x0, 0 + 1 + 2);  // the rate grows by one a tick
    navigationFocusLost(session->platform, *session->pano());
    kalweb::closeSession(session);
}

}  // namespace

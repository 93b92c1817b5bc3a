// Motion in a real navigation window under the multimedia timer: drags and
// arrow keys move the view on ticks, releases and focus loss halt it, and
// cursor requests report hotspots to the notify window.
#include "win32/navigation_fixture.h"

namespace kaltest {
namespace {

constexpr LPARAM kIdWord = MAKELONG(0, 0x2A);

// Release of a drag over hotspot 1 (lParam low word checked separately).
const std::vector<ExpectedMessage> kReleaseOverHotSpotSeq = {
    {KAL_NOTIFY, KN_HALT, kIdWord, true},
    {KAL_NOTIFY, KN_SELHOTSPOT, kIdWord | 1, true},
};
// Focus loss, or kal_Delete, of a window in motion.
const std::vector<ExpectedMessage> kHaltSeq = {
    {KAL_NOTIFY, KN_HALT, kIdWord, true},
};
// WM_TIMER at rest: one tick that ends at once.
const std::vector<ExpectedMessage> kTimerAtRestSeq = {
    {KAL_NOTIFY, KN_MOVE, kIdWord, true},
    {KAL_NOTIFY, KN_HALT, kIdWord, true},
};
// One fresh tick of the running timer.
const std::vector<ExpectedMessage> kFreshTickSeq = {
    {KAL_NOTIFY, KN_MOVE, kIdWord, true},
};
// The pointer enters hotspot 0, then hotspot 2.
const std::vector<ExpectedMessage> kEnterFirstSeq = {
    {KAL_NOTIFY, KN_HITHOTSPOT, kIdWord | 0, true},
};
const std::vector<ExpectedMessage> kEnterThirdSeq = {
    {KAL_NOTIFY, KN_HITHOTSPOT, kIdWord | 2, true},
};

class NavigationMotion : public NavigationWindowTest {
   protected:
    void SetUp() override
    {
        NavigationWindowTest::SetUp();
        if (!HasFatalFailure()) openWindow();
    }

    // Press at (100, 100) and hold the pointer 80 pixels to the right.
    void startDrag()
    {
        send(WM_LBUTTONDOWN, MK_LBUTTON, 100, 100);
        send(WM_MOUSEMOVE, MK_LBUTTON, 180, 100);
    }

    // Every KN_MOVE of the log follows its own tick of the animation timer.
    void expectMovesFollowTicks()
    {
        size_t ticks = 0, moves = 0;
        for (const LoggedMessage &m : log.entries()) {
            if (m.message == kTickMessage && m.window == nav) ++ticks;
            if (m.message == KAL_NOTIFY && m.wParam == KN_MOVE) {
                ++moves;
                EXPECT_EQ(m.lParam, kIdWord);
                EXPECT_LE(moves, ticks) << "a move without a tick";
            }
        }
    }

    // Places the pointer over viewport point p; false when the display
    // cannot move the pointer.
    bool pointAt(POINT p)
    {
        ClientToScreen(nav, &p);
        SetCursorPos(p.x, p.y);
        pumpFor(60);  // whatever the real pointer motion causes
        POINT now;
        GetCursorPos(&now);
        return now.x == p.x && now.y == p.y;
    }
    // Hotspot reports since the pointer was placed, without the "over no
    // hotspot" reports that the real pointer motion caused on its way there.
    std::vector<LoggedMessage> enterReports() const
    {
        std::vector<LoggedMessage> notes = notifications();
        size_t first = 0;
        while (first < notes.size() && notes[first].lParam == (kIdWord | 0xFFFF)) ++first;
        return {notes.begin() + static_cast<long>(first), notes.end()};
    }
    void cursorRequest()
    {
        SendMessageA(nav, WM_SETCURSOR, reinterpret_cast<WPARAM>(nav),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
};

TEST_F(NavigationMotion, DragTicksFromTheTimerMoveTheView)
{
    int xPos = value(KAL_VALUE_XPOS);
    startDrag();
    EXPECT_EQ(GetCapture(), nav);
    EXPECT_EQ(GetFocus(), nav);
    log.clear();
    pumpFor(600);  // about 12 periods of 50 ms
    std::vector<LoggedMessage> ticks = log.only(kTickMessage);
    EXPECT_GE(ticks.size(), 4u);
    EXPECT_LE(ticks.size(), 30u);
    for (const LoggedMessage &t : ticks) {
        EXPECT_NE(t.wParam, 0u) << "carries its timer id";
        EXPECT_EQ(t.wParam, ticks[0].wParam) << "one timer";
    }
    size_t moves = log.count(KAL_NOTIFY);
    EXPECT_GE(moves, ticks.size() / 2) << "few ticks may go stale on a busy machine";
    expectMovesFollowTicks();
    // 20 columns per tick to the right of a full circle: the view moved.
    int moved = (value(KAL_VALUE_XPOS) - xPos + kSrcWidth) % kSrcWidth;
    EXPECT_EQ(moved, static_cast<int>(moves * 20) % kSrcWidth);
    if (!paletteScreen()) {
        EXPECT_EQ(mismatches(windowPixels(), expectedPixels()), 0u) << "the window shows the view";
    }
}

TEST_F(NavigationMotion, ReleaseOverHotSpotHaltsThenSelectsAndTheTimerStops)
{
    startDrag();
    pumpFor(150);
    POINT over;
    ASSERT_TRUE(findPoint(1, &over) ||
                (kal_SetPos(pan, 730, value(KAL_VALUE_YPOS), 0), findPoint(1, &over)));
    log.clear();
    send(WM_LBUTTONUP, 0, over.x, over.y);
    EXPECT_NE(GetCapture(), nav);
    pumpFor(150);
    EXPECT_TRUE(sequenceMatches("kReleaseOverHotSpotSeq", kReleaseOverHotSpotSeq, notifications()));
    log.clear();
    pumpFor(300);
    EXPECT_EQ(log.count(kTickMessage), 0u) << "no tick after the halt";
    EXPECT_EQ(notifications().size(), 0u);
}

TEST_F(NavigationMotion, FocusLossHaltsButKeepsTheCapture)
{
    startDrag();
    pumpFor(150);
    ASSERT_EQ(GetFocus(), nav);
    log.clear();
    SetFocus(notify);
    pumpFor(100);
    EXPECT_TRUE(sequenceMatches("kHaltSeq", kHaltSeq, notifications()));
    EXPECT_EQ(GetCapture(), nav);
    log.clear();
    pumpFor(250);
    EXPECT_EQ(log.count(kTickMessage), 0u);
    POINT away;
    ASSERT_TRUE(findPoint(-1, &away));
    send(WM_LBUTTONUP, 0, away.x, away.y);
    pumpFor(50);
    EXPECT_EQ(notifications().size(), 0u) << "nothing left to halt, no hotspot";
    EXPECT_NE(GetCapture(), nav);
}

TEST_F(NavigationMotion, ReleasedArrowKeyCoastsToRest)
{
    int xPos = value(KAL_VALUE_XPOS);
    SendMessageA(nav, WM_KEYDOWN, VK_RIGHT, 0);
    pumpFor(300);
    SendMessageA(nav, WM_KEYUP, VK_RIGHT, 0);
    auto halted = [&] {
        for (const LoggedMessage &m : notifications())
            if (m.wParam == KN_HALT) return true;
        return false;
    };
    ASSERT_TRUE(pumpUntil(5000, halted));
    std::vector<LoggedMessage> notes = notifications();
    EXPECT_EQ(notes.back().wParam, static_cast<WPARAM>(KN_HALT));
    EXPECT_GE(notes.size(), 3u);
    for (size_t i = 0; i + 1 < notes.size(); ++i)
        EXPECT_EQ(notes[i].wParam, static_cast<WPARAM>(KN_MOVE));
    expectMovesFollowTicks();
    EXPECT_NE(value(KAL_VALUE_XPOS), xPos);
    log.clear();
    pumpFor(200);
    EXPECT_EQ(log.count(kTickMessage), 0u);
}

TEST_F(NavigationMotion, KeypadZoomsWithoutTheTimer)
{
    int zPos = value(KAL_VALUE_ZPOS);
    pumpFor(30);  // the refresh that creation posted
    log.clear();
    SendMessageA(nav, WM_KEYDOWN, VK_ADD, 0);
    EXPECT_EQ(value(KAL_VALUE_ZPOS), zPos + 10);
    pumpFor(150);
    EXPECT_EQ(log.count(kRefreshMessage), 1u);
    EXPECT_EQ(log.count(kTickMessage), 0u);
    SendMessageA(nav, WM_KEYDOWN, VK_SUBTRACT, 0);
    EXPECT_EQ(value(KAL_VALUE_ZPOS), zPos);
    EXPECT_EQ(notifications().size(), 0u);
}

TEST_F(NavigationMotion, TimerMessageAtRestMovesThenHalts)
{
    log.clear();
    EXPECT_EQ(SendMessageA(nav, KAL_COMMAND, KC_TIMERTICK, 0), 0);
    pumpFor(50);
    EXPECT_EQ(notifications().size(), 0u) << "the tick command needs motion";
    SendMessageA(nav, WM_TIMER, 99, 0);
    pumpFor(50);
    EXPECT_TRUE(sequenceMatches("kTimerAtRestSeq", kTimerAtRestSeq, notifications()));
}

TEST_F(NavigationMotion, StaleTickIsDroppedAndFreshTickRuns)
{
    // Two seconds between the real ticks: no real one lands among the sent
    // ones even when a busy machine stalls the test for a while.
    kal_SetValue(pan, KAL_VALUE_SPEED, 2000);
    SendMessageA(nav, WM_KEYDOWN, VK_RIGHT, 0);
    log.clear();
    ASSERT_TRUE(pumpUntil(10000, [&] { return log.count(kTickMessage) > 0; }));
    WPARAM timer = log.only(kTickMessage)[0].wParam;
    pumpFor(20);  // that tick's own KN_MOVE
    log.clear();
    SendMessageA(nav, kTickMessage, timer, static_cast<LPARAM>(timeGetTime() - 500));
    SendMessageA(nav, kTickMessage, timer, static_cast<LPARAM>(timeGetTime()));
    SendMessageA(nav, kTickMessage, timer + 1, static_cast<LPARAM>(timeGetTime()));
    pumpFor(30);
    EXPECT_TRUE(sequenceMatches("kFreshTickSeq", kFreshTickSeq, notifications()))
        << "only the fresh tick of the running timer moves";
}

TEST_F(NavigationMotion, SpeedChangeWaitsForTheNextStart)
{
    SendMessageA(nav, WM_KEYDOWN, VK_LEFT, 0);  // the full circle never blocks; 50 ms
    kal_SetValue(pan, KAL_VALUE_SPEED, 1000);
    SendMessageA(nav, WM_KEYDOWN, VK_LEFT, 0);  // auto-repeat keeps the running timer
    log.clear();
    pumpFor(500);
    EXPECT_GE(log.count(kTickMessage), 4u) << "still the old period";
    SendMessageA(nav, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(nav, WM_KEYDOWN, VK_LEFT, 0);  // a new timer at 1000 ms
    pumpFor(30);
    log.clear();
    pumpFor(500);
    EXPECT_LE(log.count(kTickMessage), 1u) << "the new period";
}

TEST_F(NavigationMotion, CursorRequestsReportEachHotSpotEnteredOnce)
{
    POINT first, third, none;
    ASSERT_TRUE(findPoint(0, &first) && findPoint(2, &third) && findPoint(-1, &none));
    if (!pointAt(none)) GTEST_SKIP() << "the display cannot place the pointer";
    cursorRequest();
    log.clear();
    ASSERT_TRUE(pointAt(first));
    cursorRequest();
    cursorRequest();
    pumpFor(50);
    EXPECT_TRUE(sequenceMatches("kEnterFirstSeq", kEnterFirstSeq, enterReports()));
    HCURSOR point = LoadCursorA(GetModuleHandleA("kalengine.dll"), "point");
    if (point) {
        EXPECT_EQ(GetCursor(), point);
    }

    log.clear();
    ASSERT_TRUE(pointAt(third));
    cursorRequest();
    pumpFor(50);
    EXPECT_TRUE(sequenceMatches("kEnterThirdSeq", kEnterThirdSeq, enterReports()));

    log.clear();
    ASSERT_TRUE(pointAt(none));
    cursorRequest();
    cursorRequest();
    pumpFor(50);
    std::vector<LoggedMessage> notes = notifications();
    EXPECT_GE(notes.size(), 2u) << "one report at every request";
    for (const LoggedMessage &m : notes) {
        EXPECT_EQ(m.wParam, static_cast<WPARAM>(KN_HITHOTSPOT));
        EXPECT_EQ(m.lParam, kIdWord | 0xFFFF);
    }
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

}  // namespace
}  // namespace kaltest

// The navigation motion logic against a recording platform: each test clears
// the log, performs one action and compares the calls with a named table.
#include "navigation/navigation_controller.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace {

enum class Op {
    move,
    refresh,
    postRefresh,
    notify,
    startTimer,
    stopTimer,
    cursor,
    hotSpot,
    focus,
    capture,
    release
};

struct Call {
    Op op;
    int a = 0, b = 0, c = 0;
};

bool operator==(const Call &l, const Call &r)
{
    return l.op == r.op && l.a == r.a && l.b == r.b && l.c == r.c;
}

const char *opName(Op op)
{
    static const char *const names[] = {"move",       "refresh",   "postRefresh", "notify",
                                        "startTimer", "stopTimer", "cursor",      "hotSpot",
                                        "focus",      "capture",   "release"};
    return names[static_cast<int>(op)];
}

void PrintTo(const Call &call, std::ostream *os)
{
    *os << opName(call.op) << "(" << call.a << ", " << call.b << ", " << call.c << ")";
}

using Seq = std::vector<Call>;

Call mv(int dx, int dy, int dz = 0)
{
    return {Op::move, dx, dy, dz};
}
Call note(int code, int low = 0)
{
    return {Op::notify, code, low};
}
Call cursor(NavigationCursor c)
{
    return {Op::cursor, static_cast<int>(c)};
}
const Call kRefresh{Op::refresh};
constexpr unsigned kTimer = 7;  // id the fake hands out

struct HotSpotArea {
    int left, top, right, bottom, index;
};

// Records every call; notifyWindowValid and now are queries, not recorded.
struct RecordingPlatform final : NavigationPlatform {
    Seq calls;
    int bound = 0;
    bool notifyValid = true;
    unsigned clock = 1000;
    std::vector<HotSpotArea> hotSpots;

    int move(int dx, int dy, int dz) override
    {
        calls.push_back(mv(dx, dy, dz));
        return bound;
    }
    void refresh() override { calls.push_back(kRefresh); }
    void postRefresh() override { calls.push_back({Op::postRefresh}); }
    bool notifyWindowValid() override { return notifyValid; }
    void postNotification(int code, unsigned low) override
    {
        calls.push_back(note(code, static_cast<int>(low)));
    }
    unsigned startTimer(unsigned id, unsigned speed) override
    {
        calls.push_back({Op::startTimer, static_cast<int>(id), static_cast<int>(speed)});
        return id ? id : (speed ? kTimer : 0);
    }
    unsigned stopTimer(unsigned id) override
    {
        calls.push_back({Op::stopTimer, static_cast<int>(id)});
        return 0;
    }
    void setCursor(NavigationCursor c) override { calls.push_back(cursor(c)); }
    bool checkHotSpot(int x, int y, int *index) override
    {
        calls.push_back({Op::hotSpot, x, y});
        for (const HotSpotArea &h : hotSpots)
            if (x >= h.left && x < h.right && y >= h.top && y < h.bottom) {
                *index = h.index;
                return true;
            }
        return false;
    }
    void takeFocus() override { calls.push_back({Op::focus}); }
    void captureMouse() override { calls.push_back({Op::capture}); }
    void releaseMouse() override { calls.push_back({Op::release}); }
    unsigned now() override { return clock; }
};

// One tick while a drag or a key holds the motion: move, report, render.
Seq tickSeq(int dx, int dy)
{
    return {mv(dx, dy), note(KN_MOVE), kRefresh};
}
// A press at rest with the default speed.
const Seq kPressSeq = {{Op::focus}, {Op::startTimer, 0, 50}, {Op::capture}};
// A tick that finds both rates at 0 outside a drag ends the motion.
const Seq kRestTickSeq = {
    mv(0, 0), note(KN_MOVE), {Op::stopTimer, kTimer}, note(KN_HALT), kRefresh};
// Halt of a running motion.
const Seq kHaltSeq = {{Op::stopTimer, kTimer}, note(KN_HALT)};
// Release of a drag over no hotspot.
const Seq kReleaseSeq = {
    {Op::stopTimer, kTimer}, note(KN_HALT), {Op::release}, {Op::hotSpot, 150, 90}};

class NavigationController : public ::testing::Test {
   protected:
    void SetUp() override
    {
        navigationState() = NavigationState{};
        rec.speed = 50;
        rec.hitHotSpot = -1;
    }
    void TearDown() override { navigationState() = NavigationState{}; }

    Seq take()
    {
        Seq out = fake.calls;
        fake.calls.clear();
        return out;
    }
    void press(unsigned x, unsigned y)
    {
        navigationButtonDown(fake, rec, x, y);
        fake.calls.clear();
    }
    void drag(unsigned x, unsigned y) { navigationMouseMove(fake, true, x, y); }
    void tick() { navigationTick(fake, rec, navigationState().timerId, fake.clock); }
    int rateX() const { return navigationState().rateX; }
    int rateY() const { return navigationState().rateY; }

    Panorama rec{};
    RecordingPlatform fake;
};

TEST_F(NavigationController, PressTakesFocusStartsTimerAndCaptures)
{
    navigationButtonDown(fake, rec, 100, 100);
    EXPECT_EQ(take(), kPressSeq);
    EXPECT_EQ(rec.moving, 1);
    EXPECT_EQ(navigationState().timerId, kTimer);
    EXPECT_EQ(navigationState().pressX, 100);
    EXPECT_EQ(navigationState().pressY, 100);
}

TEST_F(NavigationController, WorkedDragExampleMovesUpRight)
{
    press(100, 100);
    drag(180, 60);
    EXPECT_EQ(rateX(), 20);
    EXPECT_EQ(rateY(), -10);
    EXPECT_EQ(take(), Seq{cursor(NavigationCursor::upRight)});
    tick();
    tick();
    Seq twoTicks = tickSeq(20, 10);
    twoTicks.insert(twoTicks.end(), twoTicks.begin(), twoTicks.end());
    EXPECT_EQ(take(), twoTicks) << "a held drag never decays";
}

TEST_F(NavigationController, DeadZoneOfThreePixelsKeepsRatesAtZero)
{
    press(100, 100);
    for (unsigned d : {97u, 103u}) {
        drag(d, 200 - d);
        EXPECT_EQ(rateX(), 0);
        EXPECT_EQ(rateY(), 0);
        EXPECT_EQ(take(), Seq{cursor(NavigationCursor::noMove)});
    }
    tick();
    EXPECT_EQ(take(), tickSeq(0, 0)) << "zero moves are still made and reported";
    drag(104, 96);
    EXPECT_EQ(rateX(), 1);
    EXPECT_EQ(rateY(), -1);
}

TEST_F(NavigationController, RatesSaturateAtOneHundredTwentyEightPixels)
{
    press(10, 300);
    drag(137, 300);
    EXPECT_EQ(rateX(), 31);
    drag(138, 300);
    EXPECT_EQ(rateX(), 32);
    drag(900, 900);
    EXPECT_EQ(rateX(), 32);
    EXPECT_EQ(rateY(), 32);
    drag(10, 172);
    EXPECT_EQ(rateY(), -32);
}

TEST_F(NavigationController, PointerLeftOrAboveTheWindowGivesFullNegativeRate)
{
    press(1, 1);
    drag(0xFFFF, 0xFFF0);  // (-1, -16): left of and above the window
    EXPECT_EQ(rateX(), -32);
    EXPECT_EQ(rateY(), -32);
    EXPECT_EQ(take(), Seq{cursor(NavigationCursor::upLeft)});
    tick();
    EXPECT_EQ(take(), tickSeq(-32, 32));
}

TEST_F(NavigationController, PointerStraightAboveMovesUp)
{
    press(50, 50);
    drag(50, 30);
    EXPECT_EQ(take(), Seq{cursor(NavigationCursor::up)});
    tick();
    EXPECT_EQ(take(), tickSeq(0, 5));
}

TEST_F(NavigationController, MouseMoveWithoutButtonDoesNothing)
{
    press(50, 50);
    navigationMouseMove(fake, false, 200, 200);
    EXPECT_EQ(take(), Seq{});
    EXPECT_EQ(rateX(), 0);
}

TEST_F(NavigationController, DirectionCursorsOfWorkedRates)
{
    EXPECT_EQ(directionCursor(8, 8), NavigationCursor::downRight);
    EXPECT_EQ(directionCursor(-8, 0), NavigationCursor::left);
    EXPECT_EQ(directionCursor(5, -2), NavigationCursor::right);
    EXPECT_EQ(directionCursor(0, 0), NavigationCursor::noMove);
    EXPECT_EQ(directionCursor(0, 3), NavigationCursor::down);
    EXPECT_EQ(directionCursor(-4, -4), NavigationCursor::upLeft);
    EXPECT_EQ(directionCursor(-4, 4), NavigationCursor::downLeft);
    EXPECT_EQ(directionCursor(-32, -1), NavigationCursor::left);
}

TEST_F(NavigationController, SectorBoundariesBelongToTheUpperRow)
{
    const double pi = 3.141593;
    struct Case {
        double angle;
        NavigationCursor cursor;
    } const cases[] = {
        {-7 * pi / 8, NavigationCursor::upLeft},  {-5 * pi / 8, NavigationCursor::upLeft},
        {-3 * pi / 8, NavigationCursor::up},      {-pi / 8, NavigationCursor::upRight},
        {pi / 8, NavigationCursor::right},        {3 * pi / 8, NavigationCursor::downRight},
        {5 * pi / 8, NavigationCursor::down},     {7 * pi / 8, NavigationCursor::downLeft},
        {2.748894, NavigationCursor::left},       {-2.748894, NavigationCursor::left},
        {3.14159265, NavigationCursor::left},     {-0.3926991, NavigationCursor::right},
        {0.3926992, NavigationCursor::downRight},
    };
    for (const Case &c : cases) EXPECT_EQ(sectorCursor(c.angle), c.cursor) << "angle " << c.angle;
}

TEST_F(NavigationController, PressAtOriginCountsAsNoDrag)
{
    press(0, 0);
    tick();
    EXPECT_EQ(take(), kRestTickSeq) << "no pointer move before the first tick";
    EXPECT_EQ(rec.moving, 0);
    EXPECT_EQ(navigationState().timerId, 0u);

    press(0, 0);
    drag(12, 0);
    take();
    tick();
    EXPECT_EQ(take(), tickSeq(3, 0));
    EXPECT_EQ(rateX(), 2) << "rates set by the pointer decay";
}

TEST_F(NavigationController, BothArrowsHeldRightWinsAndClimbsToThirtyTwo)
{
    navigationKeyDown(fake, rec, vkLeft);
    navigationKeyDown(fake, rec, vkRight);
    EXPECT_EQ(take(), (Seq{{Op::startTimer, 0, 50}, {Op::startTimer, kTimer, 50}}));
    for (int i = 0; i < 40; ++i) {
        tick();
        EXPECT_EQ(take(), tickSeq(i < 32 ? i : 32, 0)) << "tick " << i;
    }
    EXPECT_EQ(rateX(), 32);
}

TEST_F(NavigationController, ReleasedArrowDecaysToRestAndHalts)
{
    navigationKeyDown(fake, rec, vkUp);
    tick();
    tick();
    EXPECT_EQ(rateY(), -2);
    navigationKeyUp(vkUp);
    EXPECT_EQ(navigationState().keyFlags, 0);
    take();
    tick();
    EXPECT_EQ(take(), tickSeq(0, 2));
    tick();
    EXPECT_EQ(take(),
              (Seq{mv(0, 1), note(KN_MOVE), {Op::stopTimer, kTimer}, note(KN_HALT), kRefresh}));
    EXPECT_EQ(rec.moving, 0);
}

TEST_F(NavigationController, BlockedAxisHaltsAndAutoRepeatRestarts)
{
    navigationKeyDown(fake, rec, vkRight);
    tick();
    tick();
    take();
    fake.bound = KAL_BOUND_X | KAL_BOUND_Z;
    tick();
    EXPECT_EQ(take(),
              (Seq{mv(2, 0), note(KN_MOVE), {Op::stopTimer, kTimer}, note(KN_HALT), kRefresh}));
    EXPECT_EQ(rateX(), 0);
    navigationKeyDown(fake, rec, vkRight);
    EXPECT_EQ(take(), (Seq{{Op::startTimer, 0, 50}}));
    EXPECT_EQ(rec.moving, 1);
}

TEST_F(NavigationController, BlockedAxisDuringDragZeroesOnlyThatRate)
{
    press(100, 100);
    drag(140, 60);
    take();
    fake.bound = KAL_BOUND_Y;
    tick();
    EXPECT_EQ(take(), tickSeq(10, 10));
    EXPECT_EQ(rateX(), 10);
    EXPECT_EQ(rateY(), 0);
}

TEST_F(NavigationController, KeypadZoomsWithoutTimer)
{
    navigationKeyDown(fake, rec, vkAdd);
    navigationKeyDown(fake, rec, vkSubtract);
    EXPECT_EQ(take(), (Seq{mv(0, 0, 10), {Op::postRefresh}, mv(0, 0, -10), {Op::postRefresh}}));
    EXPECT_EQ(rec.moving, 0);
    navigationKeyDown(fake, rec, 'A');
    navigationKeyUp('A');
    EXPECT_EQ(take(), Seq{});
}

TEST_F(NavigationController, TimerMessageAtRestMovesThenHalts)
{
    motionTick(fake, rec);
    // The timer id is 0 at rest; stopping it is harmless.
    EXPECT_EQ(take(), (Seq{mv(0, 0), note(KN_MOVE), {Op::stopTimer, 0}, note(KN_HALT), kRefresh}));
}

TEST_F(NavigationController, TimerTickCommandOnlyWhileSomethingMoves)
{
    EXPECT_EQ(navigationCommand(fake, rec, KC_TIMERTICK), 0);
    EXPECT_EQ(navigationCommand(fake, rec, KC_ORIENTATION), 0);
    EXPECT_EQ(take(), Seq{});
    navigationKeyDown(fake, rec, vkDown);
    take();
    EXPECT_EQ(navigationCommand(fake, rec, KC_ORIENTATION), 0);
    EXPECT_EQ(take(), Seq{});
    navigationCommand(fake, rec, KC_TIMERTICK);
    EXPECT_EQ(take(), tickSeq(0, 0));
}

TEST_F(NavigationController, TickIsDroppedOnlyWhenOlderThanTenMilliseconds)
{
    press(100, 100);
    drag(120, 100);
    take();
    navigationTick(fake, rec, kTimer, fake.clock - 10);
    EXPECT_EQ(take(), tickSeq(5, 0));
    navigationTick(fake, rec, kTimer, fake.clock - 11);
    EXPECT_EQ(take(), Seq{});
    fake.clock = 3;  // the millisecond clock wrapped after posting
    navigationTick(fake, rec, kTimer, 0xFFFFFFFAu);
    EXPECT_EQ(take(), tickSeq(5, 0));
}

TEST_F(NavigationController, TickOfAStoppedTimerIsDropped)
{
    press(100, 100);
    navigationButtonUp(fake, rec, 100, 100);
    take();
    navigationTick(fake, rec, kTimer, fake.clock);
    EXPECT_EQ(take(), Seq{}) << "a tick queued before the halt";
}

TEST_F(NavigationController, ReleaseHaltsThenSelectsHotSpot)
{
    fake.hotSpots = {{140, 80, 160, 100, 3}};
    press(100, 100);
    drag(150, 90);
    take();
    navigationButtonUp(fake, rec, 150, 90);
    Seq expected = kReleaseSeq;
    expected.push_back(note(KN_SELHOTSPOT, 3));
    EXPECT_EQ(take(), expected);
    EXPECT_EQ(rec.moving, 0);
    EXPECT_EQ(navigationState().pressX, 0);
    EXPECT_EQ(rateX(), 0);
}

TEST_F(NavigationController, ReleaseOverNothingOnlyHalts)
{
    press(100, 100);
    navigationButtonUp(fake, rec, 150, 90);
    EXPECT_EQ(take(), kReleaseSeq);
}

TEST_F(NavigationController, InvalidNotifyWindowSkipsNotificationsOnly)
{
    fake.notifyValid = false;
    fake.hotSpots = {{0, 0, 500, 500, 1}};
    press(100, 100);
    navigationButtonUp(fake, rec, 150, 90);
    EXPECT_EQ(take(), (Seq{{Op::stopTimer, kTimer}, {Op::release}}));
    EXPECT_EQ(rec.moving, 0);
    motionTick(fake, rec);
    EXPECT_EQ(take(), (Seq{mv(0, 0), {Op::stopTimer, 0}, kRefresh}));
}

TEST_F(NavigationController, SpaceDuringDragHaltsForTheRestOfTheDrag)
{
    press(100, 100);
    drag(140, 100);
    take();
    navigationKeyDown(fake, rec, vkSpace);
    EXPECT_EQ(take(), kHaltSeq);
    EXPECT_EQ(rateX(), 0);
    EXPECT_EQ(navigationState().pressX, 100) << "the press point is left alone";
    drag(100, 60);
    EXPECT_EQ(rateY(), -10);
    EXPECT_EQ(take(), Seq{cursor(NavigationCursor::up)});
    navigationTick(fake, rec, kTimer, fake.clock);
    EXPECT_EQ(take(), Seq{}) << "no tick until the timer starts again";
    navigationKeyDown(fake, rec, vkSpace);
    EXPECT_EQ(take(), Seq{}) << "a second halt finds nothing moving";
}

TEST_F(NavigationController, SpeedChangeAppliesAtTheNextStart)
{
    press(100, 100);
    rec.speed = 20;
    navigationKeyDown(fake, rec, vkLeft);
    EXPECT_EQ(take(), (Seq{{Op::startTimer, kTimer, 20}})) << "running timer is kept";
    EXPECT_EQ(navigationState().timerId, kTimer);
    navigationButtonUp(fake, rec, 100, 100);
    take();
    navigationKeyDown(fake, rec, vkLeft);
    EXPECT_EQ(take(), (Seq{{Op::startTimer, 0, 20}}));
}

TEST_F(NavigationController, NoTimerStillMarksMotion)
{
    rec.speed = 0;
    navigationKeyDown(fake, rec, vkRight);
    EXPECT_EQ(rec.moving, 1);
    EXPECT_EQ(navigationState().timerId, 0u);
    navigationCommand(fake, rec, KC_TIMERTICK);
    EXPECT_EQ(rateX(), 1);
}

TEST_F(NavigationController, FocusLossDuringDragHaltsAndKeepsCapture)
{
    press(100, 100);
    drag(180, 60);
    navigationKeyDown(fake, rec, vkDown);
    take();
    navigationFocusLost(fake, rec);
    EXPECT_EQ(take(), kHaltSeq) << "no capture release";
    const NavigationState &s = navigationState();
    EXPECT_EQ(s.pressX | s.pressY | s.rateX | s.rateY | s.keyFlags, 0);
    EXPECT_EQ(s.timerId, 0u);
    navigationFocusLost(fake, rec);
    EXPECT_EQ(take(), Seq{}) << "at rest";
}

TEST_F(NavigationController, DestroyHaltsARunningMotion)
{
    navigationKeyDown(fake, rec, vkUp);
    take();
    navigationWindowDestroyed(fake, rec);
    EXPECT_EQ(take(), kHaltSeq);
}

TEST_F(NavigationController, HoverReportsEachHotSpotEnteredOnce)
{
    fake.hotSpots = {{10, 10, 20, 20, 0}, {30, 10, 40, 20, 1}};
    const Call point = cursor(NavigationCursor::point);
    navigationSetCursor(fake, rec, true, 12, 12);
    navigationSetCursor(fake, rec, true, 15, 15);
    EXPECT_EQ(
        take(),
        (Seq{{Op::hotSpot, 12, 12}, point, note(KN_HITHOTSPOT, 0), {Op::hotSpot, 15, 15}, point}));
    navigationSetCursor(fake, rec, true, 35, 15);
    EXPECT_EQ(take(), (Seq{{Op::hotSpot, 35, 15}, point, note(KN_HITHOTSPOT, 1)}));
    EXPECT_EQ(rec.hitHotSpot, 1);
}

TEST_F(NavigationController, HoverOverNothingReportsEveryTime)
{
    const Seq away = {
        {Op::hotSpot, 5, 5}, note(KN_HITHOTSPOT, 0xFFFF), cursor(NavigationCursor::arrow)};
    navigationSetCursor(fake, rec, true, 5, 5);
    navigationSetCursor(fake, rec, true, 5, 5);
    Seq twice = away;
    twice.insert(twice.end(), away.begin(), away.end());
    EXPECT_EQ(take(), twice);
    EXPECT_EQ(rec.hitHotSpot, -1);

    navigationKeyDown(fake, rec, vkRight);
    navigationCommand(fake, rec, KC_TIMERTICK);
    take();
    navigationSetCursor(fake, rec, true, 5, 5);
    EXPECT_EQ(take(), (Seq{{Op::hotSpot, 5, 5}, note(KN_HITHOTSPOT, 0xFFFF)}))
        << "the direction cursor stays while the view moves";
}

TEST_F(NavigationController, HoverOutsideClientAreaShowsArrowOnly)
{
    navigationSetCursor(fake, rec, false, 5, 5);
    EXPECT_EQ(take(), Seq{cursor(NavigationCursor::arrow)});
}

TEST_F(NavigationController, CreationClearsHeldKeys)
{
    navigationState().keyFlags = keyLeft | keyDown;
    navigationWindowCreated();
    EXPECT_EQ(navigationState().keyFlags, 0);
}

}  // namespace

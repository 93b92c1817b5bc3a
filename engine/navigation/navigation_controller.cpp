// Motion logic of the navigation window: a drag acts as a joystick, arrow keys
// accelerate, ticks move the view at the current rates and decay them when no
// drag holds them. All platform effects go through NavigationPlatform.
#include "navigation/navigation_controller.h"

#include <cmath>

namespace {

NavigationState state;

// Pi as the cursor sectors are defined with; rows are closed intervals tested
// top to bottom, so a boundary angle belongs to the upper row.
constexpr double kPi = 3.141593;

struct Sector {
    double low;
    double high;
    NavigationCursor cursor;
};

constexpr Sector kSectors[] = {
    {-7 * kPi / 8, -5 * kPi / 8, NavigationCursor::upLeft},
    {-5 * kPi / 8, -3 * kPi / 8, NavigationCursor::up},
    {-3 * kPi / 8, -1 * kPi / 8, NavigationCursor::upRight},
    {-1 * kPi / 8, 1 * kPi / 8, NavigationCursor::right},
    {1 * kPi / 8, 3 * kPi / 8, NavigationCursor::downRight},
    {3 * kPi / 8, 5 * kPi / 8, NavigationCursor::down},
    {5 * kPi / 8, 7 * kPi / 8, NavigationCursor::downLeft},
};

// A pointer coordinate above this is negative in 16-bit two's complement:
// the pointer has left the window on that side.
constexpr unsigned kNegativeCoordinate = 0x8000;
constexpr unsigned kNoHotSpot = 0xFFFF;
constexpr int kZoomStep = 10;

int clampRate(int rate)
{
    return rate < -kMaxRate ? -kMaxRate : (rate > kMaxRate ? kMaxRate : rate);
}

// The joystick rate of one axis for a pointer coordinate and its press point.
int dragRate(unsigned position, int press)
{
    if (position > kNegativeCoordinate) return -kMaxRate;
    return clampRate((static_cast<int>(position) - press) / 4);
}

void notify(NavigationPlatform &platform, int code, unsigned lowWord)
{
    if (platform.notifyWindowValid()) platform.postNotification(code, lowWord);
}

void startMotion(NavigationPlatform &platform, Panorama &rec)
{
    rec.moving = 1;
    state.timerId = platform.startTimer(state.timerId, rec.speed);
}

// Arrow-key acceleration of one axis. `more` wins over `less` also at the
// cap, so that both keys held keep the rate at 32 instead of letting it
// fall back to 31 on every other tick.
int accelerate(int rate, bool more, bool less)
{
    if (more) return rate < kMaxRate ? rate + 1 : rate;
    if (less && rate > -kMaxRate) return rate - 1;
    return rate;
}

// Decay toward rest of one axis, except in a direction whose key is held.
int decay(int rate, bool more, bool less)
{
    if (!more && rate > 0) return rate - 1;
    if (!less && rate < 0) return rate + 1;
    return rate;
}

bool held(NavigationKey key)
{
    return (state.keyFlags & key) != 0;
}

}  // namespace

NavigationState &navigationState()
{
    return state;
}

NavigationCursor sectorCursor(double angle)
{
    for (const Sector &sector : kSectors)
        if (angle >= sector.low && angle <= sector.high) return sector.cursor;
    return NavigationCursor::left;
}

NavigationCursor directionCursor(int rateX, int rateY)
{
    if (rateX == 0 && rateY == 0) return NavigationCursor::noMove;
    return sectorCursor(std::atan2(static_cast<double>(rateY), static_cast<double>(rateX)));
}

void haltStep(NavigationPlatform &platform, Panorama &rec)
{
    if (!rec.moving) return;
    rec.moving = 0;
    state.timerId = platform.stopTimer(state.timerId);
    notify(platform, KN_HALT, 0);
}

void motionTick(NavigationPlatform &platform, Panorama &rec)
{
    int bound = platform.move(state.rateX, -state.rateY, 0) & 0xFFFF;
    notify(platform, KN_MOVE, 0);
    if (bound & KAL_BOUND_X)
        state.rateX = 0;
    else
        state.rateX = accelerate(state.rateX, held(keyRight), held(keyLeft));
    if (bound & KAL_BOUND_Y)
        state.rateY = 0;
    else
        state.rateY = accelerate(state.rateY, held(keyDown), held(keyUp));
    if (state.pressX == 0 && state.pressY == 0) {
        state.rateX = decay(state.rateX, held(keyRight), held(keyLeft));
        state.rateY = decay(state.rateY, held(keyDown), held(keyUp));
        if (state.rateX == 0 && state.rateY == 0) {
            // Ends the motion whatever `moving` says, unlike the halt step.
            rec.moving = 0;
            state.timerId = platform.stopTimer(state.timerId);
            notify(platform, KN_HALT, 0);
        }
    }
    platform.refresh();
}

void navigationWindowCreated()
{
    state.keyFlags = 0;
}

void navigationWindowDestroyed(NavigationPlatform &platform, Panorama &rec)
{
    haltStep(platform, rec);
}

void navigationFocusLost(NavigationPlatform &platform, Panorama &rec)
{
    haltStep(platform, rec);
    state.keyFlags = 0;
    state.pressX = state.pressY = 0;
    state.rateX = state.rateY = 0;
}

void navigationButtonDown(NavigationPlatform &platform, Panorama &rec, unsigned x, unsigned y)
{
    // Focus first: taking it from another navigation window makes that window
    // reset the shared state, which must not wipe this press.
    platform.takeFocus();
    state.pressX = static_cast<int>(x & 0xFFFF);
    state.pressY = static_cast<int>(y & 0xFFFF);
    state.rateX = state.rateY = 0;
    startMotion(platform, rec);
    platform.captureMouse();
}

void navigationMouseMove(NavigationPlatform &platform, bool leftButton, unsigned x, unsigned y)
{
    if (!leftButton) return;
    state.rateX = dragRate(x & 0xFFFF, state.pressX);
    state.rateY = dragRate(y & 0xFFFF, state.pressY);
    platform.setCursor(directionCursor(state.rateX, state.rateY));
}

void navigationButtonUp(NavigationPlatform &platform, Panorama &rec, unsigned x, unsigned y)
{
    state.pressX = state.pressY = 0;
    state.rateX = state.rateY = 0;
    haltStep(platform, rec);
    platform.releaseMouse();
    int index = 0;
    if (platform.notifyWindowValid() &&
        platform.checkHotSpot(static_cast<int>(x & 0xFFFF), static_cast<int>(y & 0xFFFF), &index))
        platform.postNotification(KN_SELHOTSPOT, static_cast<unsigned>(index) & 0xFFFF);
}

void navigationKeyDown(NavigationPlatform &platform, Panorama &rec, unsigned virtualKey)
{
    switch (virtualKey) {
        case vkSpace:
            haltStep(platform, rec);
            state.rateX = state.rateY = 0;
            state.keyFlags = 0;
            return;
        case vkLeft:
            state.keyFlags |= keyLeft;
            break;
        case vkUp:
            state.keyFlags |= keyUp;
            break;
        case vkRight:
            state.keyFlags |= keyRight;
            break;
        case vkDown:
            state.keyFlags |= keyDown;
            break;
        case vkAdd:
        case vkSubtract:
            platform.move(0, 0, virtualKey == vkAdd ? kZoomStep : -kZoomStep);
            platform.postRefresh();
            return;
        default:
            return;
    }
    startMotion(platform, rec);
}

void navigationKeyUp(unsigned virtualKey)
{
    switch (virtualKey) {
        case vkLeft:
            state.keyFlags &= ~keyLeft;
            break;
        case vkUp:
            state.keyFlags &= ~keyUp;
            break;
        case vkRight:
            state.keyFlags &= ~keyRight;
            break;
        case vkDown:
            state.keyFlags &= ~keyDown;
            break;
        default:
            break;
    }
}

void navigationSetCursor(NavigationPlatform &platform, Panorama &rec, bool inClient, int x, int y)
{
    if (!inClient) {
        platform.setCursor(NavigationCursor::arrow);
        return;
    }
    int index = 0;
    if (platform.checkHotSpot(x, y, &index)) {
        platform.setCursor(NavigationCursor::point);
        if (index != rec.hitHotSpot) {
            rec.hitHotSpot = index;
            notify(platform, KN_HITHOTSPOT, static_cast<unsigned>(index) & 0xFFFF);
        }
        return;
    }
    rec.hitHotSpot = -1;
    notify(platform, KN_HITHOTSPOT, kNoHotSpot);
    if (state.rateX == 0 && state.rateY == 0) platform.setCursor(NavigationCursor::arrow);
}

void navigationTick(NavigationPlatform &platform, Panorama &rec, unsigned timerId,
                    unsigned postedTime)
{
    // The age is taken modulo 2^32 so that the clock's wrap does not make
    // fresh ticks look stale. A tick of a timer that has since been stopped
    // (queued just before the halt) must not restart the motion logic.
    if (platform.now() - postedTime > kTickLifetime) return;
    if (timerId == 0 || timerId != state.timerId) return;
    motionTick(platform, rec);
}

int navigationCommand(NavigationPlatform &platform, Panorama &rec, unsigned code)
{
    if (code == KC_TIMERTICK && (state.rateX || state.rateY || state.keyFlags))
        motionTick(platform, rec);
    return 0;
}

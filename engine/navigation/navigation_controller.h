// Motion logic of the navigation window, free of any platform: the
// process-wide navigation state, drag, keyboard, motion ticks and the halt
// step. The window feeds it events and lends it a NavigationPlatform.
#ifndef KAL_NAVIGATION_CONTROLLER_H
#define KAL_NAVIGATION_CONTROLLER_H

#include "core/panorama.h"

#include <cstdint>

// Shared by every navigation window of the process: one motion at a time.
struct NavigationState {
    int pressX;         // client point of the left-button press, 0..65535;
    int pressY;         // (0, 0) means no drag
    int rateX;          // -32..32, DeltaX of every tick
    int rateY;          // -32..32, screen sense; DeltaY of a tick is -rateY
    uint16_t keyFlags;  // arrow keys held (NavigationKey bits)
    unsigned timerId;   // running animation timer, 0 when none
};

NavigationState &navigationState();

enum NavigationKey : uint16_t { keyLeft = 1, keyRight = 2, keyUp = 4, keyDown = 8 };

// Virtual key codes the keyboard handler reacts to.
enum NavigationVirtualKey : unsigned {
    vkSpace = 0x20,
    vkLeft = 0x25,
    vkUp = 0x26,
    vkRight = 0x27,
    vkDown = 0x28,
    vkAdd = 0x6B,
    vkSubtract = 0x6D,
};

// Cursor shapes, in the order of the library's cursor set (system arrow first).
enum class NavigationCursor {
    arrow,
    noMove,
    up,
    down,
    left,
    right,
    upLeft,
    upRight,
    downLeft,
    downRight,
    point
};

// Largest rate; reached at a pointer offset of 128 pixels or by 32 ticks of an
// arrow key.
constexpr int kMaxRate = 32;
// A tick handled this many milliseconds or more after its posting still runs.
constexpr unsigned kTickLifetime = 10;

// What the motion logic asks of its platform, for one window and its panorama.
// The Win32 window fills it in; the native tests use a recording fake.
struct NavigationPlatform {
    virtual int move(int deltaX, int deltaY, int deltaZ) = 0;  // bound flags
    virtual void refresh() = 0;                                // render the view and paint it now
    virtual void postRefresh() = 0;                            // queue a refresh for later
    virtual bool notifyWindowValid() = 0;
    virtual void postNotification(int code, unsigned lowWord) = 0;
    virtual unsigned startTimer(unsigned currentId, unsigned speed) = 0;
    virtual unsigned stopTimer(unsigned currentId) = 0;  // returns 0
    virtual void setCursor(NavigationCursor cursor) = 0;
    virtual bool checkHotSpot(int x, int y, int *index) = 0;
    virtual void takeFocus() = 0;  // only when the window lacks it
    virtual void captureMouse() = 0;
    virtual void releaseMouse() = 0;
    virtual unsigned now() = 0;  // millisecond clock

   protected:
    ~NavigationPlatform() = default;
};

// Cursor of the direction sector that holds angle (radians, -pi..pi).
NavigationCursor sectorCursor(double angle);
// "nomove" at rest, else the sector of atan2(rateY, rateX).
NavigationCursor directionCursor(int rateX, int rateY);

// Event handlers; rec is the window's panorama.
void navigationWindowCreated();
void navigationWindowDestroyed(NavigationPlatform &platform, Panorama &rec);
void navigationFocusLost(NavigationPlatform &platform, Panorama &rec);
void navigationButtonDown(NavigationPlatform &platform, Panorama &rec, unsigned x, unsigned y);
void navigationMouseMove(NavigationPlatform &platform, bool leftButton, unsigned x, unsigned y);
void navigationButtonUp(NavigationPlatform &platform, Panorama &rec, unsigned x, unsigned y);
void navigationKeyDown(NavigationPlatform &platform, Panorama &rec, unsigned virtualKey);
void navigationKeyUp(unsigned virtualKey);
// Cursor request: inClient says whether the pointer is over the client area,
// (x, y) is its client position.
void navigationSetCursor(NavigationPlatform &platform, Panorama &rec, bool inClient, int x, int y);
// A timer tick posted at postedTime by the timer timerId; dropped when stale
// or when that timer is no longer the running one.
void navigationTick(NavigationPlatform &platform, Panorama &rec, unsigned timerId,
                    unsigned postedTime);
// KAL_COMMAND; returns its result.
int navigationCommand(NavigationPlatform &platform, Panorama &rec, unsigned code);
// One motion tick, unconditionally (WM_TIMER).
void motionTick(NavigationPlatform &platform, Panorama &rec);
void haltStep(NavigationPlatform &platform, Panorama &rec);

#endif

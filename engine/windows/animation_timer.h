// The navigation window's animation timer: one periodic multimedia timer per
// process that posts KAL_TICK, stamped with its posting time, to a window.
#ifndef KAL_ANIMATION_TIMER_H
#define KAL_ANIMATION_TIMER_H

#include <windows.h>

// Starts a timer with a period of `speed` ms (clamped into the device's range)
// that ticks `window`. Returns currentId unchanged when a timer already runs,
// 0 when speed is 0 or no timer can be made.
unsigned startAnimationTimer(HWND window, unsigned currentId, unsigned speed);
// Kills the timer (if any) and restores the timer resolution. Returns 0.
unsigned stopAnimationTimer(unsigned currentId);

#endif

// The animation timer on the multimedia timer: raised resolution while it
// runs, a periodic callback that only posts a time-stamped tick.
#include "windows/animation_timer.h"
#include "windows/navigation_messages.h"

#include <mmsystem.h>

namespace {

// Period of the running timer, so that its resolution request can be ended
// with the same value.
UINT runningPeriod = 0;

// Runs on the timer thread: it must touch nothing but the clock and the queue.
void CALLBACK animationTimerProc(UINT id, UINT, DWORD_PTR window, DWORD_PTR, DWORD_PTR)
{
    PostMessageA(reinterpret_cast<HWND>(window), KAL_TICK, id, timeGetTime());
}

UINT clampPeriod(unsigned speed, const TIMECAPS &caps)
{
    if (speed < caps.wPeriodMin) return caps.wPeriodMin;
    return speed > caps.wPeriodMax ? caps.wPeriodMax : speed;
}

}  // namespace

unsigned startAnimationTimer(HWND window, unsigned currentId, unsigned speed)
{
    if (currentId) return currentId;
    if (!speed) return 0;
    TIMECAPS caps;
    if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) return 0;
    UINT period = clampPeriod(speed, caps);
    timeBeginPeriod(period);
    // Synchronous kill: once stopAnimationTimer returns, no callback runs.
    UINT id = timeSetEvent(period, 0, animationTimerProc, reinterpret_cast<DWORD_PTR>(window),
                           TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (!id) {
        timeEndPeriod(period);  // no timer: do not leave the resolution raised
        return 0;
    }
    runningPeriod = period;
    return id;
}

unsigned stopAnimationTimer(unsigned currentId)
{
    if (currentId) {
        timeKillEvent(currentId);
        timeEndPeriod(runningPeriod);
        runningPeriod = 0;
    }
    return 0;
}

// Private messages of the navigation window. Their values are fixed: hosts
// must not reuse them for a navigation window.
#ifndef KAL_NAVIGATION_MESSAGES_H
#define KAL_NAVIGATION_MESSAGES_H

// Render the current view and repaint now (WM_USER + 10).
constexpr unsigned KAL_REFRESH = 1034;
// One animation tick: wParam the timer id, lParam its posting time in ms
// (WM_USER + 89).
constexpr unsigned KAL_TICK = 1113;

#endif

// Process-wide windowing state of the library: its module instance, the cursor
// set and the compass face, written once at attach and read-only afterwards.
#ifndef KAL_LIBRARY_STATE_H
#define KAL_LIBRARY_STATE_H

#include <windows.h>

// The system arrow first, then the library's own cursors in resource order.
enum class KalCursorId {
    Arrow,
    NoMove,
    Up,
    Down,
    Left,
    Right,
    UpLeft,
    UpRight,
    DownLeft,
    DownRight,
    Point,
    Count
};

// The library's window classes; names are matched case-blind.
constexpr const char *kNavigateClass = "Kalvoria:Navigate";
constexpr const char *kCompassClass = "Kalvoria:Compass";

// Owner of both window classes and of every window the library creates.
extern HINSTANCE moduleInstance;

// The "compass" bitmap; null when it failed to load.
extern HBITMAP compassBitmap;

// Loaded cursor for id; null when it failed to load (or id is out of range).
HCURSOR kalCursor(KalCursorId id);

// Loads the cursors and the compass face, then registers both window classes.
// Returns 1 when both classes are registered, else 0.
int registerWindowClasses(HINSTANCE instance);

// Deletes the compass face and unregisters both classes.
void unregisterWindowClasses();

#endif

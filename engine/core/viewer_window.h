// The navigation window as the engine's operations see it: a change of the
// view or its colours asks it to repaint, without erasing its background.
#ifndef KAL_VIEWER_WINDOW_H
#define KAL_VIEWER_WINDOW_H

#include "core/panorama.h"

inline void invalidateViewer(const Panorama *rec)
{
    if (IsWindow(rec->viewerWnd)) InvalidateRect(rec->viewerWnd, nullptr, FALSE);
}

#endif

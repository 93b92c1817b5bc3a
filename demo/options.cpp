// The Options menu: the auto-scale toggle, the compass window, the viewport
// size (which closes the panorama) and the zoom limit (which applies to the
// open panorama at once and to every later one).
#include "demo_state.h"
#include "menu_ids.h"

namespace kaldemo {

namespace {

void check(HWND mainWnd, int id, bool on)
{
    CheckMenuItem(GetMenu(mainWnd), UINT(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void toggleAutoScale(HWND mainWnd)
{
    const UINT state = GetMenuState(GetMenu(mainWnd), IDM_AUTOSCALE, MF_BYCOMMAND);
    check(mainWnd, IDM_AUTOSCALE, !(state & MF_CHECKED));
}

void toggleCompass(HWND mainWnd)
{
    if (IsWindow(compassWnd)) {
        DestroyWindow(compassWnd);
        compassWnd = nullptr;
        check(mainWnd, IDM_COMPASS, false);
        return;
    }
    createCompass(mainWnd);
    check(mainWnd, IDM_COMPASS, true);
    // The new popup takes the activation; the keyboard stays with the view.
    SetActiveWindow(mainWnd);
}

// A viewport size is fixed when a panorama is made, so a new size closes it.
void setViewportSize(HWND mainWnd, int id, int width, int height)
{
    closePanorama();
    markViewportSize(mainWnd, id);
    SetWindowPos(mainWnd, nullptr, 0, 0, frameWidth + width, frameHeight + height,
                 SWP_NOMOVE | SWP_NOZORDER);
    InvalidateRect(mainWnd, nullptr, TRUE);
}

void setZoomLimit(HWND mainWnd, int id, int limit)
{
    check(mainWnd, IDM_ZOOM_NOLIMIT, id == IDM_ZOOM_NOLIMIT);
    check(mainWnd, IDM_ZOOM_5X, id == IDM_ZOOM_5X);
    check(mainWnd, IDM_ZOOM_10X, id == IDM_ZOOM_10X);
    maxZoomSetting = limit;
    if (currentPanorama) kal_SetValue(currentPanorama, KAL_VALUE_MAXZOOM, limit);
}

}  // namespace

void markViewportSize(HWND mainWnd, int id)
{
    check(mainWnd, IDM_SIZE_320, id == IDM_SIZE_320);
    check(mainWnd, IDM_SIZE_640, id == IDM_SIZE_640);
}

void createCompass(HWND mainWnd)
{
    RECT frame;
    GetWindowRect(mainWnd, &frame);
    compassWnd = kal_CreateCompass(frame.left + 20, frame.top + 100, mainWnd, 0);
    if (IsWindow(compassWnd)) check(mainWnd, IDM_COMPASS, true);
}

bool handleOptionCommand(HWND mainWnd, int id)
{
    switch (id) {
        case IDM_AUTOSCALE:
            toggleAutoScale(mainWnd);
            return true;
        case IDM_COMPASS:
            toggleCompass(mainWnd);
            return true;
        case IDM_SIZE_320:
            setViewportSize(mainWnd, id, 320, 240);
            return true;
        case IDM_SIZE_640:
            setViewportSize(mainWnd, id, 640, 480);
            return true;
        case IDM_ZOOM_NOLIMIT:
            setZoomLimit(mainWnd, id, 0);
            return true;
        case IDM_ZOOM_5X:
            setZoomLimit(mainWnd, id, 5);
            return true;
        case IDM_ZOOM_10X:
            setZoomLimit(mainWnd, id, 10);
            return true;
        default:
            return false;
    }
}

}  // namespace kaldemo

// The engine's notifications to the main window: a selected "@close" hotspot
// closes the panorama, and every move of the view turns the compass needle.
#include "demo_state.h"
#include "menu_ids.h"
#include "messages.h"

namespace kaldemo {

namespace {

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b)
        if (asciiLower(*a) != asciiLower(*b)) return false;
    return *a == *b;
}

// A selection can arrive after its panorama was closed (queued behind the
// posted close); there is nothing left to select then.
void onHotspotSelected(HWND mainWnd, int index)
{
    if (!currentPanorama) return;
    const char *label =
        static_cast<const char *>(kal_GetData(currentPanorama, KAL_DATA_HOTSPOTLBL, index));
    if (!label) return;
    if (equalsIgnoringAsciiCase(label, "@close")) {
        // Posted: the panorama goes after this notification has been answered.
        PostMessageA(mainWnd, WM_COMMAND, IDM_CLOSE, 0);
        showMessage(mainWnd, kClosedByUserText);
    } else {
        showMessage(mainWnd, kUncaughtHotspotText);
    }
}

}  // namespace

void showBearing()
{
    if (!currentPanorama || !IsWindow(compassWnd)) return;
    const int bearing = kal_GetValue(currentPanorama, KAL_VALUE_ORIENTATION) % 360;
    PostMessageA(compassWnd, KAL_COMMAND, KC_ORIENTATION, bearing < 0 ? bearing + 360 : bearing);
}

void handleNotification(HWND mainWnd, WPARAM code, LPARAM lParam)
{
    switch (code) {
        case KN_SELHOTSPOT:
            onHotspotSelected(mainWnd, LOWORD(lParam));
            break;
        case KN_MOVE:
            showBearing();
            break;
        default:
            break;  // KN_HITHOTSPOT, KN_HALT and anything new
    }
}

}  // namespace kaldemo

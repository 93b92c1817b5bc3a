// Program-wide state of the demo: one main window showing at most one
// panorama, plus the option choices that are not kept in the menu.
#ifndef KALDEMO_DEMO_STATE_H
#define KALDEMO_DEMO_STATE_H

#include <windows.h>

#include "core/kalengine.h"

namespace kaldemo {

extern HINSTANCE moduleInstance;
// What the frame, caption and menu bar add to a client area; fixed at start-up.
extern int frameWidth;
extern int frameHeight;
extern HPANORAMA currentPanorama;
extern HWND compassWnd;
extern int maxZoomSetting;  // 0 (unrestricted), 5 or 10

// Opens the BMP file at path in mainWnd (everything after the file dialog).
void openPanorama(HWND mainWnd, const char *path);
// Asks for a file and opens it; a cancelled dialog changes nothing.
void openFromDialog(HWND mainWnd);
// Deletes the panorama on show, if any, with its image.
void closePanorama();

// The Options menu: auto scale, compass, viewport size and zoom limit.
// Returns false for an id that is none of these.
bool handleOptionCommand(HWND mainWnd, int id);
// Checks one viewport size item and unchecks the other; nothing else.
void markViewportSize(HWND mainWnd, int id);
// A floating compass at the main window's left edge + 20, top edge + 100.
void createCompass(HWND mainWnd);
// Tells the compass, if any, the bearing of the panorama on show, brought into
// 0..359: a negative one (a negative orientation) would hide the needle.
void showBearing();
// Reacts to the engine's notification message.
void handleNotification(HWND mainWnd, WPARAM code, LPARAM lParam);

}  // namespace kaldemo

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

#endif

// The About picture: a borderless popup, centred over its owner, that keeps
// the owner disabled until a click or a typed character closes it.
#ifndef KALDEMO_LOGO_WINDOW_H
#define KALDEMO_LOGO_WINDOW_H

#include <windows.h>

namespace kaldemo {

// Shows the "Logo" bitmap of instance over owner; returns the logo window, or
// NULL when nothing could be shown.
HWND showLogo(HINSTANCE instance, HWND owner);

}  // namespace kaldemo

extern "C" __declspec(dllexport) LRESULT CALLBACK
    LogoWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

#endif

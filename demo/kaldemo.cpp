// kaldemo: the demo host of the Kalvoria engine.
#include <windows.h>

#include "kalengine.h"

static LRESULT CALLBACK mainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = mainProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = "panorama:main";
    if (!RegisterClassA(&wc)) return 0;
    HWND hwnd = CreateWindowExA(0, "panorama:main", "Kalvoria demo",
                                WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 20, 20,
                                340, 280, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 0;
    // Keep the engine linked by name from the start.
    kal_FreeResource(kal_AllocResource(16));
    if (commandLine && lstrcmpA(commandLine, "--close") == 0) PostMessageA(hwnd, WM_CLOSE, 0, 0);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}

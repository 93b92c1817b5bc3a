// Navigation window procedure, a stand-in until the navigation window lands:
// default processing only, so that the class can be registered.
#include "kalengine.h"

extern "C" LRESULT CALLBACK KalNavigate(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The demo's start-up and main window: class "panorama:main", the menu
// commands and the empty-window picture. MainProc is exported by name.
#include <windows.h>

#include <cstring>

#include "demo_state.h"
#include "logo_window.h"
#include "menu_ids.h"
#include "messages.h"

namespace kaldemo {

HINSTANCE moduleInstance;
int frameWidth;
int frameHeight;
HPANORAMA currentPanorama;
HWND compassWnd;
int maxZoomSetting;

namespace {

constexpr DWORD kMainStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr char kMainClass[] = "panorama:main";

void onCreate(HWND hwnd)
{
    currentPanorama = nullptr;
    createCompass(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    markViewportSize(hwnd, client.right < 640 ? IDM_SIZE_320 : IDM_SIZE_640);
    handleOptionCommand(hwnd, IDM_ZOOM_NOLIMIT);  // no panorama yet: marks the item only
}

// The cross and the hint that show while no navigation window covers the
// client area.
void onPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    const int w = client.right, h = client.bottom;
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, w, h);
    MoveToEx(dc, w, 0, nullptr);
    LineTo(dc, 0, h);
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, w / 2 - 105, 25, kEmptyWindowHint, int(std::strlen(kEmptyWindowHint)));
    EndPaint(hwnd, &ps);
}

void onCommand(HWND hwnd, int id)
{
    switch (id) {
        case IDM_OPEN:
            openFromDialog(hwnd);
            break;
        case IDM_CLOSE:
            closePanorama();
            InvalidateRect(hwnd, nullptr, TRUE);
            break;
        case IDM_EXIT:
            DestroyWindow(hwnd);
            break;
        case IDM_ABOUT:
            showLogo(moduleInstance, hwnd);
            break;
        default:
            handleOptionCommand(hwnd, id);
            break;
    }
}

// A main window that shows a panorama hands the keyboard focus on to its
// navigation window, as containers do, so that the arrows and the keypad
// work after a menu, a message box or a dialog without a click into the
// view. False when there is no navigation window to take it.
bool focusViewer()
{
    if (!currentPanorama) return false;
    HWND viewer = static_cast<HWND>(kal_GetHandle(currentPanorama, KAL_HANDLE_VIEWERWND));
    if (!IsWindow(viewer)) return false;
    SetFocus(viewer);
    return true;
}

// Activation normally gives the focus to the main window itself.
bool onActivate(WPARAM wParam)
{
    const bool active = LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam);
    return active && focusViewer();
}

bool registerMainClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "appicon");
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszMenuName = "KAL_MENU";
    wc.lpszClassName = kMainClass;
    return RegisterClassA(&wc) != 0;
}

// The command line names at most one file: surrounding blanks and quotes go.
void openFromCommandLine(HWND hwnd, const char *commandLine)
{
    char path[1024];
    while (*commandLine == ' ' || *commandLine == '\t') ++commandLine;
    if (!*commandLine || std::strlen(commandLine) >= sizeof path) {
        if (*commandLine) showEngineError(hwnd, KAL_ERR_PARAM);
        return;
    }
    std::strcpy(path, commandLine);
    char *end = path + std::strlen(path);
    while (end > path && (end[-1] == ' ' || end[-1] == '\t')) *--end = '\0';
    char *start = path;
    if (*start == '"') {
        ++start;
        if (end > start && end[-1] == '"') end[-1] = '\0';
    }
    if (*start) openPanorama(hwnd, start);
}

}  // namespace

}  // namespace kaldemo

using namespace kaldemo;

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        case WM_CREATE:
            onCreate(hwnd);
            return 0;
        case WM_DESTROY:
            closePanorama();
            PostQuitMessage(0);
            return 0;
        case WM_PAINT:
            onPaint(hwnd);
            return 0;
        case WM_COMMAND:
            onCommand(hwnd, LOWORD(wParam));
            return 0;
        case KAL_NOTIFY:
            handleNotification(hwnd, wParam, lParam);
            return 0;
        case WM_ACTIVATE:
            if (onActivate(wParam)) return 0;
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        case WM_SETFOCUS:
            if (focusViewer()) return 0;
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int)
{
    moduleInstance = instance;
    if (!previous && !registerMainClass(instance)) {
        showMessage(nullptr, kClassFailedText);
        return 0;
    }
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRect(&frame, kMainStyle, TRUE);
    frameWidth = frame.right - frame.left;
    frameHeight = frame.bottom - frame.top;
    HWND hwnd =
        CreateWindowExA(0, kMainClass, kCaption, kMainStyle | WS_VISIBLE, 20, 20, frameWidth + 320,
                        frameHeight + 240, nullptr, nullptr, instance, nullptr);
    if (!hwnd) {
        showMessage(nullptr, kWindowFailedText);
        return 0;
    }
    if (commandLine) openFromCommandLine(hwnd, commandLine);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}

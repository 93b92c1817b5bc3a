// The navigation window: kal_CreateWindow and the window procedure
// KalNavigate. Messages become events of the navigation controller; this file
// lends it the Win32 effects (moves, painting, notifications, timer, cursor).
#include "core/kalengine.h"
#include "windows/animation_timer.h"
#include "windows/library_state.h"
#include "windows/navigation_messages.h"
#include "navigation/navigation_controller.h"

namespace {

// Window property that ties a navigation window to its panorama.
constexpr const char *kPanoramaProperty = "kal";

static_assert(static_cast<int>(NavigationCursor::arrow) == static_cast<int>(KalCursorId::Arrow) &&
                  static_cast<int>(NavigationCursor::noMove) ==
                      static_cast<int>(KalCursorId::NoMove) &&
                  static_cast<int>(NavigationCursor::upRight) ==
                      static_cast<int>(KalCursorId::UpRight) &&
                  static_cast<int>(NavigationCursor::point) == static_cast<int>(KalCursorId::Point),
              "controller cursors follow the library's cursor set");

Panorama *panoramaOf(HWND window)
{
    return static_cast<Panorama *>(GetPropA(window, kPanoramaProperty));
}

// Copies the view buffer into the window with the panorama's palette. The
// copy never exceeds the buffer, whatever size the host gave the window.
void paintView(HWND window, const Panorama &rec)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    DWORD width = static_cast<DWORD>(client.right);
    DWORD height = static_cast<DWORD>(client.bottom);
    if (width > rec.vpWidth) width = rec.vpWidth;
    if (height > rec.vpHeight) height = rec.vpHeight;
    HPALETTE previous = nullptr;
    if (rec.palette) {
        previous = SelectPalette(dc, rec.palette, FALSE);
        RealizePalette(dc);
    }
    if (rec.viewBits)
        SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, rec.viewBits,
                          reinterpret_cast<const BITMAPINFO *>(&rec.viewInfo), DIB_RGB_COLORS);
    if (previous) {
        SelectPalette(dc, previous, TRUE);
        RealizePalette(dc);
    }
    EndPaint(window, &ps);
}

// The controller's view of one navigation window and its panorama.
class WindowPlatform final : public NavigationPlatform {
   public:
    WindowPlatform(HWND window, Panorama &rec) : window_(window), rec_(rec) {}

    int move(int deltaX, int deltaY, int deltaZ) override
    {
        return kal_Move(&rec_, deltaX, deltaY, deltaZ);
    }
    void refresh() override
    {
        kal_GetView(&rec_, nullptr);
        InvalidateRect(window_, nullptr, FALSE);
        UpdateWindow(window_);
    }
    void postRefresh() override { PostMessageA(window_, KAL_REFRESH, 0, 0); }
    bool notifyWindowValid() override { return IsWindow(rec_.notifyWnd) != FALSE; }
    void postNotification(int code, unsigned lowWord) override
    {
        LPARAM lParam =
            static_cast<LPARAM>(MAKELONG(static_cast<WORD>(lowWord), static_cast<WORD>(rec_.id)));
        PostMessageA(rec_.notifyWnd, static_cast<UINT>(rec_.msgNum), static_cast<WPARAM>(code),
                     lParam);
    }
    unsigned startTimer(unsigned currentId, unsigned speed) override
    {
        return startAnimationTimer(window_, currentId, speed);
    }
    unsigned stopTimer(unsigned currentId) override { return stopAnimationTimer(currentId); }
    void setCursor(NavigationCursor cursor) override
    {
        SetCursor(kalCursor(static_cast<KalCursorId>(cursor)));
    }
    bool checkHotSpot(int x, int y, int *index) override
    {
        return kal_CheckHotSpot(&rec_, x, y, index) != FALSE;
    }
    void takeFocus() override
    {
        if (GetFocus() != window_) SetFocus(window_);
    }
    void captureMouse() override { SetCapture(window_); }
    void releaseMouse() override { ReleaseCapture(); }
    unsigned now() override { return timeGetTime(); }

   private:
    HWND window_;
    Panorama &rec_;
};

LRESULT onCreate(HWND window, const CREATESTRUCTA *create)
{
    auto *rec = static_cast<Panorama *>(create->lpCreateParams);
    if (!rec) return 0;  // made by a host without a panorama: stays inert
    rec->viewerWnd = window;
    SetPropA(window, kPanoramaProperty, rec);
    navigationWindowCreated();
    PostMessageA(window, KAL_REFRESH, 0, 0);
    return 0;
}

LRESULT onDestroy(HWND window)
{
    auto *rec = static_cast<Panorama *>(RemovePropA(window, kPanoramaProperty));
    if (!rec) return 0;
    WindowPlatform platform(window, *rec);
    navigationWindowDestroyed(platform, *rec);
    // A newer window of the same panorama keeps its claim.
    if (rec->viewerWnd == window) rec->viewerWnd = nullptr;
    return 0;
}

LRESULT invalidateForPalette(HWND window)
{
    InvalidateRect(window, nullptr, FALSE);
    return 1;
}

LRESULT onSetCursor(HWND window, NavigationPlatform &platform, Panorama &rec)
{
    POINT pointer;
    GetCursorPos(&pointer);
    LRESULT hit = SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(pointer.x, pointer.y));
    ScreenToClient(window, &pointer);
    navigationSetCursor(platform, rec, hit == HTCLIENT, pointer.x, pointer.y);
    return 0;
}

// Messages of a window tied to a panorama.
LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, Panorama &rec)
{
    WindowPlatform platform(window, rec);
    unsigned x = LOWORD(lParam), y = HIWORD(lParam);
    switch (message) {
        case WM_DESTROY:
            return onDestroy(window);
        case WM_KILLFOCUS:
            navigationFocusLost(platform, rec);
            return 0;
        case WM_PAINT:
            paintView(window, rec);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETCURSOR:
            return onSetCursor(window, platform, rec);
        case WM_KEYDOWN:
            navigationKeyDown(platform, rec, static_cast<unsigned>(wParam));
            return 0;
        case WM_KEYUP:
            navigationKeyUp(static_cast<unsigned>(wParam));
            return 0;
        case WM_TIMER:
            motionTick(platform, rec);
            return 0;
        case WM_MOUSEMOVE:
            navigationMouseMove(platform, (wParam & MK_LBUTTON) != 0, x, y);
            return 0;
        case WM_LBUTTONDOWN:
            navigationButtonDown(platform, rec, x, y);
            return 0;
        case WM_LBUTTONUP:
            navigationButtonUp(platform, rec, x, y);
            return 0;
        case WM_QUERYNEWPALETTE:
            return invalidateForPalette(window);
        case WM_PALETTECHANGED:
            return reinterpret_cast<HWND>(wParam) == window ? 0 : invalidateForPalette(window);
        case KAL_REFRESH:
            platform.refresh();
            return 0;
        case KAL_COMMAND:
            return navigationCommand(platform, rec, static_cast<unsigned>(wParam));
        case KAL_TICK:
            navigationTick(platform, rec, static_cast<unsigned>(wParam),
                           static_cast<unsigned>(lParam));
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

extern "C" HWND KALAPI kal_CreateWindow(HPANORAMA Panorama, DWORD dwStyle, HWND hwndParent)
{
    if (!Panorama) {
        setError(nullptr, KAL_ERR_PARAM);
        return nullptr;
    }
    Panorama->notifyWnd = hwndParent;
    DWORD style = dwStyle ? dwStyle : WS_CHILD | WS_VISIBLE;
    HWND window =
        CreateWindowExA(0, kNavigateClass, "", style, static_cast<WORD>(Panorama->vpLeft),
                        static_cast<WORD>(Panorama->vpTop), Panorama->vpWidth, Panorama->vpHeight,
                        hwndParent, nullptr, moduleInstance, Panorama);
    if (IsWindow(window)) {
        SendMessageA(window, KAL_REFRESH, 0, 0);  // first view before we return
        UpdateWindow(window);
    }
    return window;
}

extern "C" LRESULT CALLBACK KalNavigate(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) return onCreate(hwnd, reinterpret_cast<const CREATESTRUCTA *>(lParam));
    // A window without a panorama (untied at destruction, or made by a host
    // without one) behaves like a plain window.
    Panorama *rec = panoramaOf(hwnd);
    if (!rec) return DefWindowProcA(hwnd, msg, wParam, lParam);
    return handle(hwnd, msg, wParam, lParam, *rec);
}

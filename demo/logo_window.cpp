// The logo window, class "kaldemo:logo": the "Logo" bitmap resource made
// screen-compatible once at creation and copied to the window on every paint.
// One logo window at a time; LogoWndProc is exported by name.
#include "logo_window.h"

namespace kaldemo {

namespace {

constexpr char kLogoClass[] = "kaldemo:logo";

HINSTANCE logoInstance;
HWND logoOwner;
HWND logoWnd;
HBITMAP logoBitmap;
bool classRegistered;

int colourTableEntries(const BITMAPINFOHEADER &header)
{
    if (header.biClrUsed) return int(header.biClrUsed);
    return header.biBitCount <= 8 ? 1 << header.biBitCount : 0;
}

// NULL when the program carries no "Logo" bitmap.
HBITMAP loadLogo()
{
    HRSRC found = FindResourceA(logoInstance, "Logo", MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(logoInstance, found);
    const auto *header = static_cast<const BITMAPINFOHEADER *>(LockResource(loaded));
    if (!header) return nullptr;
    const BYTE *pixels =
        reinterpret_cast<const BYTE *>(header) + header->biSize + 4 * colourTableEntries(*header);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, header, CBM_INIT, pixels,
                                    reinterpret_cast<const BITMAPINFO *>(header), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    FreeResource(loaded);
    return bitmap;
}

// Sizes the window to the picture and centres it over the owner's frame.
LRESULT onCreate(HWND hwnd)
{
    logoWnd = hwnd;
    logoBitmap = loadLogo();
    BITMAP picture;
    if (!logoBitmap || !GetObjectA(logoBitmap, sizeof picture, &picture)) {
        if (logoBitmap) DeleteObject(logoBitmap);
        logoBitmap = nullptr;
        return -1;  // no picture, no window: the owner stays enabled
    }
    RECT owner;
    GetWindowRect(logoOwner, &owner);
    const int x = owner.left + (owner.right - owner.left - picture.bmWidth) / 2;
    const int y = owner.top + (owner.bottom - owner.top - picture.bmHeight) / 2;
    SetWindowPos(hwnd, nullptr, x, y, picture.bmWidth, picture.bmHeight, SWP_NOZORDER);
    EnableWindow(logoOwner, FALSE);
    return 0;
}

void onPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    BITMAP picture;
    GetObjectA(logoBitmap, sizeof picture, &picture);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, logoBitmap);
    BitBlt(dc, 0, 0, picture.bmWidth, picture.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    EndPaint(hwnd, &ps);
}

void onDestroy()
{
    // A window that failed in WM_CREATE never disabled its owner.
    if (logoBitmap) EnableWindow(logoOwner, TRUE);
    if (logoBitmap) DeleteObject(logoBitmap);
    logoBitmap = nullptr;
    logoWnd = nullptr;
}

// The owner is enabled before the window goes, so that the activation
// (and with it the keyboard) passes back to it: a disabled owner cannot
// take it, and WM_DESTROY comes only after the window has been hidden.
void dismiss(HWND hwnd)
{
    if (logoBitmap) EnableWindow(logoOwner, TRUE);
    DestroyWindow(hwnd);
}

bool registerLogoClass()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = LogoWndProc;
    wc.hInstance = logoInstance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kLogoClass;
    return RegisterClassA(&wc) != 0;
}

}  // namespace

HWND showLogo(HINSTANCE instance, HWND owner)
{
    if (IsWindow(logoWnd)) return logoWnd;  // one at a time: its state is program-wide
    logoInstance = instance;
    logoOwner = owner;
    if (!classRegistered) {
        if (!registerLogoClass()) return nullptr;
        classRegistered = true;
    }
    CreateWindowExA(0, kLogoClass, "", WS_POPUP | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr);
    if (IsWindow(logoWnd)) UpdateWindow(logoWnd);
    return logoWnd;
}

}  // namespace kaldemo

using namespace kaldemo;

extern "C" __declspec(dllexport) LRESULT CALLBACK
    LogoWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        case WM_CREATE:
            return onCreate(hwnd);
        case WM_PAINT:
            onPaint(hwnd);
            return 0;
        case WM_CHAR:
        case WM_LBUTTONUP:
            dismiss(hwnd);
            return 0;
        case WM_DESTROY:
            onDestroy();
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

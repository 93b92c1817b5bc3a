// The compass window: a circular face whose top mark means "ahead", and a red
// needle, its head marked N, pointing where north lies relative to the view
// (the bearing a host sends with KC_ORIENTATION); a popup or a child.
#include "library_state.h"

#include "core/kalengine.h"

#include <cmath>

namespace {

// Bearing shown by every compass window: 0..359, or -1 for no needle.
int needleBearing = 0;

constexpr const char *kChildProperty = "child";
constexpr COLORREF kNeedleColour = RGB(255, 0, 0);

bool isChild(HWND hwnd)
{
    return GetPropA(hwnd, kChildProperty) != nullptr;
}

// A negative 16-bit bearing hides the needle; others wrap into 0..359.
int bearingFromCommand(LPARAM lParam)
{
    unsigned bearing = static_cast<unsigned>(lParam) & 0xFFFFu;
    if (bearing >= 0x8000u) return -1;
    return static_cast<int>(bearing % 360u);
}

void onCreate(HWND hwnd)
{
    needleBearing = -1;
    RECT rc;
    GetClientRect(hwnd, &rc);
    HRGN region = CreateEllipticRgn(0, 0, rc.right + 1, rc.bottom + 1);
    if (region && !SetWindowRgn(hwnd, region, TRUE))
        DeleteObject(region);  // the window took no ownership
}

// An upright N (5 x 7) in black beyond the needle's head, so the needle reads
// as "north is this way" whatever the view faces. Its distance keeps the
// glyph's box a pixel clear of the head's dot in every direction.
void drawNorthMark(HDC dc, int cx, int cy, int radius, double angle)
{
    static const char *const kGlyph[7] = {"X...X", "XX..X", "XX..X", "X.X.X",
                                          "X..XX", "X..XX", "X...X"};
    const double c = std::cos(angle), s = std::sin(angle);
    const double d = radius + 3.0 + 2.5 * std::fabs(c) + 3.5 * std::fabs(s);
    const int left = static_cast<int>(std::lround(cx + d * c)) - 2;
    const int top = static_cast<int>(std::lround(cy - d * s)) - 3;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 5; ++x)
            if (kGlyph[y][x] == 'X') SetPixelV(dc, left + x, top + y, RGB(0, 0, 0));
}

// Needle from tail to head through the centre, with a red dot on the head.
void drawNeedle(HDC dc, int width, int height, int bearing)
{
    int cx = width / 2;
    int cy = height / 2;
    int radius = width / 2 - 14;
    double t = (bearing + 90) * 3.141593 * 0.005555555555555555;
    int dx = static_cast<int>(std::floor(radius * std::cos(t) + 0.5));
    int dy = static_cast<int>(std::floor(radius * std::sin(t) + 0.5));
    POINT head = {cx + dx, cy - dy};

    HPEN pen = CreatePen(PS_SOLID, 1, kNeedleColour);
    HBRUSH brush = CreateSolidBrush(kNeedleColour);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    drawNorthMark(dc, cx, cy, radius, t);
    MoveToEx(dc, cx - dx, cy + dy, nullptr);
    LineTo(dc, head.x, head.y);
    Ellipse(dc, head.x - 2, head.y - 2, head.x + 3, head.y + 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    if (pen) DeleteObject(pen);
    if (brush) DeleteObject(brush);
}

// Face and needle are composed off screen so the screen gets one copy.
void composeAndCopy(HDC target, int width, int height)
{
    HDC face = CreateCompatibleDC(target);
    HDC buffer = CreateCompatibleDC(target);
    HBITMAP bits = CreateCompatibleBitmap(target, width, height);
    if (face && buffer && bits) {
        HGDIOBJ oldFace = SelectObject(face, compassBitmap);
        HGDIOBJ oldBuffer = SelectObject(buffer, bits);
        BitBlt(buffer, 0, 0, width, height, face, 0, 0, SRCCOPY);
        if (needleBearing >= 0) drawNeedle(buffer, width, height, needleBearing);
        BitBlt(target, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
        SelectObject(face, oldFace);
        SelectObject(buffer, oldBuffer);
    }
    if (bits) DeleteObject(bits);
    if (buffer) DeleteDC(buffer);
    if (face) DeleteDC(face);
}

void onPaint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        composeAndCopy(dc, rc.right, rc.bottom);
    }
    EndPaint(hwnd, &ps);
}

LRESULT onSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (isChild(hwnd)) return DefWindowProcA(hwnd, WM_SETCURSOR, wParam, lParam);
    SetCursor(LoadCursorA(nullptr, IDC_SIZEALL));
    return 0;
}

LRESULT onHitTest(HWND hwnd, WPARAM wParam, LPARAM lParam)
{
    if (isChild(hwnd)) return DefWindowProcA(hwnd, WM_NCHITTEST, wParam, lParam);
    return HTCAPTION;  // a drag anywhere on the face moves the popup
}

void onCommand(HWND hwnd, WPARAM code, LPARAM lParam)
{
    if (code != KC_ORIENTATION) return;
    needleBearing = bearingFromCommand(lParam);
    InvalidateRect(hwnd, nullptr, FALSE);
}

}  // namespace

extern "C" HWND KALAPI kal_CreateCompass(int X, int Y, HWND hwndParent, int Child)
{
    BITMAP face;
    // Without a face the window would have no size and nothing to show.
    if (!compassBitmap || GetObjectA(compassBitmap, sizeof(face), &face) != sizeof(face))
        return nullptr;
    DWORD style = (Child ? WS_CHILD : WS_POPUP) | WS_VISIBLE;
    HWND hwnd = CreateWindowExA(0, kCompassClass, "", style, X, Y, face.bmWidth, face.bmHeight,
                                hwndParent, nullptr, moduleInstance, nullptr);
    if (hwnd) SetPropA(hwnd, kChildProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(Child)));
    return hwnd;
}

extern "C" LRESULT CALLBACK KalCompass(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        case WM_CREATE:
            onCreate(hwnd);
            return 0;
        case WM_DESTROY:
            RemovePropA(hwnd, kChildProperty);
            return 0;
        case WM_PAINT:
            onPaint(hwnd);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SETCURSOR:
            return onSetCursor(hwnd, wParam, lParam);
        case WM_NCHITTEST:
            return onHitTest(hwnd, wParam, lParam);
        case KAL_COMMAND:
            onCommand(hwnd, wParam, lParam);
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// Moves repaint the panorama's viewer window: kal_Move and kal_SetPos leave
// its whole client area invalid without asking for an erase, also when the
// move was clamped; a move with no viewer window only moves.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/test_images.h"
#include "core/kalengine.h"
#include "core/panorama.h"

namespace {

int erasures = 0;

LRESULT CALLBACK countingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND) ++erasures;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND makeViewer()
{
    static const ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = countingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KalMovementTestViewer";
        return RegisterClassA(&wc);
    }();
    if (!atom) return nullptr;
    return CreateWindowExA(0, "KalMovementTestViewer", "", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

TEST(MovementWindow, MovesInvalidateTheViewerWithoutErasing)
{
    HWND viewer = makeViewer();
    ASSERT_NE(viewer, nullptr) << "no display: run under xvfb-run";
    std::vector<uint8_t> dib = kaltest::makePackedDib(1284, 480);
    const RECT vp = {0, 0, 320, 240};
    HPANORAMA pano = kal_Create(kaltest::asInfo(dib), nullptr, &vp, nullptr);
    ASSERT_NE(pano, nullptr);
    pano->viewerWnd = viewer;
    struct Move {
        const char *what;
        int dx, dy, dz, flags;
    } moves[] = {{"level", 10, 0, 0, 0},
                 {"clamped", 0, 900, 0, KAL_BOUND_Y},
                 {"zoom", 0, 0, 30, 0},
                 {"nothing", 0, 0, 0, 0}};
    for (const Move &m : moves) {
        UpdateWindow(viewer);
        ValidateRect(viewer, nullptr);
        EXPECT_EQ(kal_Move(pano, m.dx, m.dy, m.dz), m.flags) << m.what;
        RECT update = {};
        EXPECT_TRUE(GetUpdateRect(viewer, &update, FALSE)) << m.what;
        EXPECT_EQ(update.right - update.left, 320) << m.what;
        EXPECT_EQ(update.bottom - update.top, 240) << m.what;
        erasures = 0;
        UpdateWindow(viewer);
        EXPECT_EQ(erasures, 0) << m.what;
    }
    ValidateRect(viewer, nullptr);
    EXPECT_EQ(kal_SetPos(pano, 700, 240, 30), 0);
    EXPECT_TRUE(GetUpdateRect(viewer, nullptr, FALSE));

    pano->viewerWnd = nullptr;  // the window is the test's, not the panorama's
    EXPECT_EQ(kal_SetPos(pano, 800, 240, 30), 0);
    EXPECT_EQ(pano->xPos, 800);
    EXPECT_TRUE(kal_Delete(pano, FALSE));
    EXPECT_TRUE(IsWindow(viewer));
    DestroyWindow(viewer);
}

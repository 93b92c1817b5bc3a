// Accessors against real windows: writes that move the view mark the
// navigation window for repainting without erasing, and the notify window
// must be alive to be taken.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "common/test_images.h"
#include "core/kalengine.h"
#include "core/panorama.h"

namespace {

int erasures = 0;
int paints = 0;

LRESULT CALLBACK countingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
        case WM_ERASEBKGND:
            ++erasures;
            return 1;
        case WM_PAINT: {
            ++paints;
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

const char *counterClass()
{
    static ATOM atom = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = countingProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KalAccessorTestViewer";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        return RegisterClassA(&wc);
    }();
    return atom ? "KalAccessorTestViewer" : nullptr;
}

// A panorama whose navigation window is a plain counting window of the
// viewport's size. The window is shared by the suite: a visible window costs
// Wine about two seconds to create.
class AccessorsWindow : public ::testing::Test {
   protected:
    static void SetUpTestSuite()
    {
        if (!counterClass()) return;
        viewer_ = CreateWindowExA(0, counterClass(), "viewer", WS_POPUP | WS_VISIBLE, 0, 0, 320,
                                  240, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    static void TearDownTestSuite()
    {
        if (viewer_) DestroyWindow(viewer_);
        viewer_ = nullptr;
    }
    void SetUp() override
    {
        ASSERT_NE(viewer_, nullptr) << "no display: run under xvfb-run";
        RECT vp{0, 0, 320, 240};
        pano_ = kal_Create(kaltest::asInfo(dib_), nullptr, &vp, nullptr);
        ASSERT_NE(pano_, nullptr);
        pano_->viewerWnd = viewer_;
        UpdateWindow(viewer_);
    }
    void TearDown() override
    {
        if (!pano_) return;
        pano_->viewerWnd = nullptr;  // the suite's window outlives the panorama
        kal_Delete(pano_, FALSE);
    }

    // Whether `action` left the whole client area to be repainted, without
    // asking for the background to be erased.
    void expectInvalidated(const std::function<void()> &action, const char *what)
    {
        ValidateRect(viewer_, nullptr);
        action();
        RECT update{};
        EXPECT_TRUE(GetUpdateRect(viewer_, &update, FALSE)) << what;
        EXPECT_EQ(update.left, 0) << what;
        EXPECT_EQ(update.top, 0) << what;
        EXPECT_EQ(update.right, 320) << what;
        EXPECT_EQ(update.bottom, 240) << what;
        erasures = paints = 0;
        UpdateWindow(viewer_);
        EXPECT_EQ(paints, 1) << what;
        EXPECT_EQ(erasures, 0) << what;
    }

    static HWND viewer_;
    std::vector<uint8_t> dib_ = kaltest::makePackedDib(1284, 480);
    HPANORAMA pano_ = nullptr;
};

HWND AccessorsWindow::viewer_ = nullptr;

}  // namespace

TEST_F(AccessorsWindow, ViewChangesInvalidateTheNavigationWindow)
{
    expectInvalidated([&] { kal_SetValue(pano_, KAL_VALUE_XPOS, 700); }, "xPos");
    expectInvalidated([&] { kal_SetValue(pano_, KAL_VALUE_XPOS, 99999); }, "clamped xPos");
    expectInvalidated([&] { kal_SetValue(pano_, KAL_VALUE_YPOS, 300); }, "yPos");
    expectInvalidated([&] { kal_SetValue(pano_, KAL_VALUE_ZPOS, 40); }, "zPos");
    expectInvalidated([&] { kal_SetValue(pano_, KAL_VALUE_ORIENTATION, 10); }, "bearing");
    expectInvalidated([&] { kal_SetValue(pano_, KAL_VALUE_MAXZOOM, 2); }, "maxZoom");
    expectInvalidated([&] { kal_SetHandle(pano_, KAL_HANDLE_PALETTE, nullptr); }, "palette");
    std::vector<uint8_t> next = kaltest::makePackedDib(1600, 400);
    expectInvalidated([&] { kal_Replace(pano_, kaltest::asInfo(next), nullptr, nullptr, FALSE); },
                      "replace");
    EXPECT_EQ(kal_GetHandle(pano_, KAL_HANDLE_VIEWERWND), viewer_);
}

TEST_F(AccessorsWindow, SettingsAndRefusalsLeaveTheWindowAlone)
{
    ValidateRect(viewer_, nullptr);
    kal_SetValue(pano_, KAL_VALUE_ID, 3);
    kal_SetValue(pano_, KAL_VALUE_SPEED, 20);
    kal_SetValue(pano_, KAL_VALUE_MSGNUM, 2000);
    kal_SetValue(pano_, KAL_VALUE_ORIENTATION, -1);
    kal_SetValue(pano_, KAL_VALUE_SRCWIDTH, 8);
    std::vector<uint8_t> narrow = kaltest::makePackedDib(1000, 480);
    EXPECT_FALSE(kal_Replace(pano_, kaltest::asInfo(narrow), nullptr, nullptr, FALSE));
    RECT update{};
    EXPECT_FALSE(GetUpdateRect(viewer_, &update, FALSE));
}

TEST_F(AccessorsWindow, NotifyWindowMustBeAlive)
{
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    EXPECT_TRUE(kal_SetHandle(pano_, KAL_HANDLE_NOTIFYWND, host));
    EXPECT_EQ(kal_GetHandle(pano_, KAL_HANDLE_NOTIFYWND), host);
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_NONE);

    DestroyWindow(host);
    EXPECT_FALSE(kal_SetHandle(pano_, KAL_HANDLE_NOTIFYWND, host));
    EXPECT_EQ(kal_Error(pano_), KAL_ERR_NONE);
    EXPECT_EQ(kal_GetHandle(pano_, KAL_HANDLE_NOTIFYWND), nullptr);
}

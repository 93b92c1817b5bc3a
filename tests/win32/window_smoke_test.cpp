// The harness can create real windows under the virtual X server.
#include <windows.h>

#include <gtest/gtest.h>

TEST(WindowSmoke, CreatesAndDestroysARealWindow)
{
    HWND hwnd = CreateWindowExA(0, "STATIC", "smoke", WS_POPUP | WS_VISIBLE, 10, 10, 64, 48,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hwnd, nullptr) << "no display: run under xvfb-run";
    RECT rc;
    GetClientRect(hwnd, &rc);
    EXPECT_EQ(rc.right, 64);
    EXPECT_EQ(rc.bottom, 48);
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_FALSE(IsWindow(hwnd));
}

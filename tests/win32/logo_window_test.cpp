// The About picture of the real kaldemo.exe: centred over the main window
// with truncating division, the owner disabled while it is up, closed by a
// typed character or a left-button release and by nothing else.
#include <gtest/gtest.h>

#include "demo_driver.h"

using namespace demotest;

namespace {

HWND showLogoOver(const DemoProcess &demo, int left, int top, int width, int height)
{
    SetWindowPos(demo.mainWnd(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageA(demo.mainWnd(), WM_COMMAND, kAbout, 0);
    return demo.waitForTopLevel("kaldemo:logo");
}

RECT rectOf(HWND hwnd)
{
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    return rc;
}

}  // namespace

TEST(LogoWindow, CentredOverTheOwnerAndDisablesIt)
{
    DemoProcess demo;
    HWND logo = showLogoOver(demo, 100, 50, 640, 480);
    ASSERT_NE(logo, nullptr);
    RECT rc = rectOf(logo);
    EXPECT_EQ(rc.left, 300);
    EXPECT_EQ(rc.top, 207);
    EXPECT_EQ(rc.right - rc.left, 240);
    EXPECT_EQ(rc.bottom - rc.top, 165);
    EXPECT_FALSE(IsWindowEnabled(demo.mainWnd()));
    // The picture is on the screen: its top-left pixel is the deep sky.
    std::vector<DWORD> pixels = grabScreen(RECT{rc.left, rc.top, rc.left + 1, rc.top + 1});
    EXPECT_EQ(pixels[0], 0x182868u);

    PostMessageA(logo, WM_CHAR, 'x', 1);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(logo); }));
    EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(demo.mainWnd()) != FALSE; }));
}

TEST(LogoWindow, ArrowKeyAndRightButtonLeaveItUp)
{
    DemoProcess demo;
    HWND logo = showLogoOver(demo, 100, 50, 640, 480);
    ASSERT_NE(logo, nullptr);
    PostMessageA(logo, WM_KEYDOWN, VK_LEFT, 1);
    PostMessageA(logo, WM_KEYUP, VK_LEFT, 0xC0000001);
    PostMessageA(logo, WM_KEYDOWN, VK_F5, 1);
    PostMessageA(logo, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    PostMessageA(logo, WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    demo.settle();
    Sleep(300);
    EXPECT_TRUE(IsWindow(logo));
    EXPECT_FALSE(IsWindowEnabled(demo.mainWnd()));

    PostMessageA(logo, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_TRUE(waitFor([&] { return !IsWindow(logo); }));
    EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(demo.mainWnd()) != FALSE; }));
}

TEST(LogoWindow, OffsetsTruncateTowardZero)
{
    DemoProcess demo;
    struct Case {
        int width, height, x, y;
    } cases[] = {
        {200, 165, 80, 50},   // narrower than the picture: left of the owner
        {241, 166, 100, 50},  // odd surplus: offset 0
        {239, 164, 100, 50},  // odd shortfall: offset 0, not -1
    };
    for (const Case &c : cases) {
        HWND logo = showLogoOver(demo, 100, 50, c.width, c.height);
        ASSERT_NE(logo, nullptr);
        RECT owner = rectOf(demo.mainWnd());
        ASSERT_EQ(owner.right - owner.left, c.width) << "the owner could not be sized";
        RECT rc = rectOf(logo);
        EXPECT_EQ(rc.left, c.x) << c.width;
        EXPECT_EQ(rc.top, c.y) << c.height;
        PostMessageA(logo, WM_CHAR, ' ', 1);
        EXPECT_TRUE(waitFor([&] { return !IsWindow(logo); }));
    }
}

TEST(LogoWindow, SecondAboutWhileUpKeepsTheOneLogo)
{
    DemoProcess demo;
    HWND logo = showLogoOver(demo, 100, 50, 640, 480);
    ASSERT_NE(logo, nullptr);
    demo.command(kAbout);  // the menu is disabled, but a posted command still arrives
    demo.settle();
    EXPECT_EQ(demo.topLevel("kaldemo:logo"), logo);
    PostMessageA(logo, WM_CHAR, 'x', 1);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(logo); }));
    EXPECT_EQ(demo.topLevel("kaldemo:logo"), nullptr);
    EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(demo.mainWnd()) != FALSE; }));
}

TEST(LogoWindow, ShownAgainAfterClosing)
{
    DemoProcess demo;
    for (int i = 0; i < 2; ++i) {
        HWND logo = showLogoOver(demo, 100, 50, 640, 480);
        ASSERT_NE(logo, nullptr);
        PostMessageA(logo, WM_LBUTTONUP, 0, 0);
        EXPECT_TRUE(waitFor([&] { return !IsWindow(logo); }));
    }
    EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(demo.mainWnd()) != FALSE; }));
}

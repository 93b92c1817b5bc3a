// The keyboard reaches the view after a message box, a menu command and the
// open dialog: a main window that shows a panorama hands the focus on to its
// navigation window, so no click into the view (perhaps onto a closing
// door) is needed first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo_driver.h"

using namespace demotest;

namespace {

std::vector<DWORD> viewerPixels(const DemoProcess &demo)
{
    RECT rc;
    GetWindowRect(demo.viewer(), &rc);
    return grabScreen(rc);
}

// Holds the right arrow down, as the keyboard delivers it (to the focus
// window), until the picture in the view changes; then lets go and stops.
bool rightArrowTurnsTheView(const DemoProcess &demo)
{
    const std::vector<DWORD> before = viewerPixels(demo);
    HWND target = demo.focus();
    PostMessageA(target, WM_KEYDOWN, VK_RIGHT, 1);
    const bool moved = waitFor([&] { return viewerPixels(demo) != before; }, 8000);
    PostMessageA(target, WM_KEYUP, VK_RIGHT, LPARAM(0xC0000001));
    PostMessageA(target, WM_KEYDOWN, VK_SPACE, 1);
    demo.settle();
    return moved;
}

// Waits until the viewer has the focus.
bool viewerGetsTheFocus(const DemoProcess &demo)
{
    return waitFor([&] { return demo.viewer() && demo.focus() == demo.viewer(); }, 8000);
}

std::string className(HWND hwnd)
{
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

}  // namespace

TEST(DemoFocus, ArrowKeysTurnTheViewAfterAMessageBox)
{
    DemoProcess demo(writePanorama("focus_door", 1284, 240, kDoorEverywhere));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    demo.clickViewer(100, 100);
    ASSERT_EQ(demo.takeMessageBox(), "Uncaught hotspot");
    ASSERT_TRUE(viewerGetsTheFocus(demo)) << className(demo.focus());
    EXPECT_TRUE(rightArrowTurnsTheView(demo));
}

TEST(DemoFocus, ArrowKeysTurnTheViewAfterMenuCommands)
{
    DemoProcess demo(writePanorama("focus_menu", 1284, 240));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    // The About picture disables the main window until it is dismissed.
    demo.command(kAbout);
    HWND logo = demo.waitForTopLevel("kaldemo:logo");
    ASSERT_NE(logo, nullptr);
    PostMessageA(logo, WM_LBUTTONUP, 0, 0);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(logo); }));
    ASSERT_TRUE(viewerGetsTheFocus(demo)) << className(demo.focus());
    EXPECT_TRUE(rightArrowTurnsTheView(demo));
    // A new floating compass does not keep the keyboard either.
    demo.command(kCompass);
    demo.command(kCompass);
    ASSERT_NE(demo.waitForTopLevel("Kalvoria:Compass"), nullptr);
    ASSERT_TRUE(viewerGetsTheFocus(demo)) << className(demo.focus());
    EXPECT_TRUE(rightArrowTurnsTheView(demo));
}

TEST(DemoFocus, ArrowKeysTurnTheViewAfterACancelledOpenDialog)
{
    DemoProcess demo(writePanorama("focus_dialog", 1284, 240));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    ASSERT_TRUE(demo.cancelOpenDialog());
    ASSERT_TRUE(viewerGetsTheFocus(demo)) << className(demo.focus());
    EXPECT_TRUE(rightArrowTurnsTheView(demo));
}

// The demo's Options menu seen from outside: viewport size, zoom limit and
// the compass window, plus the program's exported window procedures.
#include <gtest/gtest.h>

#include <string>

#include "demo_driver.h"
#include "core/kalengine.h"

using namespace demotest;

namespace {

constexpr DWORD kRed = 0xFF0000;

// Orientation 180 puts column 642 under the view centre of a 1284-wide image.
// Fully zoomed in, a point 100 pixels right of the centre lies 20 columns
// further at the 5X limit (zPos 163) and none at all without a limit (zPos
// 203), so the two hotspots tell the zoom limits apart.
const char kZoomProbe[] =
    "orientation(180)\n"
    "hotspot(652 0 672 240 '@close' 'limited to 5X')\n"
    "hotspot(637 0 647 240 'unrestricted' 'deep zoom')\n";

void zoomAllTheWayIn(const DemoProcess &demo)
{
    for (int i = 0; i < 25; ++i) PostMessageA(demo.viewer(), WM_KEYDOWN, VK_ADD, 1);
    demo.settle();
}

// The box that a click 100 pixels right of the view centre brings up.
std::string clickRightOfCentre(const DemoProcess &demo)
{
    demo.clickViewer(260, 120);
    return demo.takeMessageBox();
}

const char kLimited[] = "Panorama closed by user";
const char kUnlimited[] = "Uncaught hotspot";

int needlePixels(HWND compass)
{
    RECT rc;
    GetWindowRect(compass, &rc);
    return countColour(grabScreen(rc), kRed);
}

}  // namespace

TEST(DemoOptions, LargeViewportClosesThePanoramaAndResizesTheClientArea)
{
    DemoProcess demo(writePanorama("fits", 1284, 240));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    RECT before;
    GetWindowRect(demo.mainWnd(), &before);
    demo.command(kSize640);
    EXPECT_TRUE(demo.waitForNoViewer());
    waitFor([&] { return clientSize(demo.mainWnd()).cx == 640; });
    SIZE client = clientSize(demo.mainWnd());
    EXPECT_EQ(client.cx, 640);
    EXPECT_EQ(client.cy, 480);
    RECT after;
    GetWindowRect(demo.mainWnd(), &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);

    // The next open makes a 640 x 480 viewport, which needs 2564 x 480.
    ASSERT_TRUE(demo.openThroughDialog(writePanorama("wide", 2564, 480)));
    HWND viewer = demo.waitForViewer();
    ASSERT_NE(viewer, nullptr) << demo.takeMessageBox(0);
    client = clientSize(viewer);
    EXPECT_EQ(client.cx, 640);
    EXPECT_EQ(client.cy, 480);

    demo.command(kSize320);
    EXPECT_TRUE(demo.waitForNoViewer());
    waitFor([&] { return clientSize(demo.mainWnd()).cx == 320; });
    client = clientSize(demo.mainWnd());
    EXPECT_EQ(client.cx, 320);
    EXPECT_EQ(client.cy, 240);
}

TEST(DemoOptions, ZoomLimitChosenBeforeOpeningAppliesToTheNextPanorama)
{
    DemoProcess demo;
    demo.command(kZoom5);
    ASSERT_TRUE(demo.openThroughDialog(writePanorama("zoom", 1284, 240, kZoomProbe)));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    zoomAllTheWayIn(demo);
    EXPECT_EQ(clickRightOfCentre(demo), kLimited);
}

TEST(DemoOptions, WithoutZoomLimitTheViewZoomsDeeper)
{
    DemoProcess demo(writePanorama("zoom", 1284, 240, kZoomProbe));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    zoomAllTheWayIn(demo);
    EXPECT_EQ(clickRightOfCentre(demo), kUnlimited);
}

TEST(DemoOptions, ZoomLimitChangeAppliesToTheOpenPanorama)
{
    DemoProcess demo(writePanorama("zoom", 1284, 240, kZoomProbe));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    zoomAllTheWayIn(demo);
    demo.command(kZoom5);  // pulls the zoom back to the limit
    EXPECT_EQ(clickRightOfCentre(demo), kLimited);
}

TEST(DemoOptions, CompassTogglesAndFollowsMoves)
{
    DemoProcess demo(writePanorama("fits", 1284, 240));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    HWND compass = demo.waitForTopLevel("Kalvoria:Compass");
    ASSERT_NE(compass, nullptr);
    RECT frame, rc;
    GetWindowRect(demo.mainWnd(), &frame);
    GetWindowRect(compass, &rc);
    EXPECT_EQ(rc.left, frame.left + 20);
    EXPECT_EQ(rc.top, frame.top + 100);
    // The open showed bearing 0: a needle is up.
    int withNeedle = 0;
    waitFor([&] { return (withNeedle = needlePixels(compass)) >= 20; });

    demo.command(kCompass);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(compass); }));
    EXPECT_EQ(demo.topLevel("Kalvoria:Compass"), nullptr);

    demo.command(kCompass);
    compass = demo.waitForTopLevel("Kalvoria:Compass");
    ASSERT_NE(compass, nullptr);
    demo.settle();
    Sleep(300);  // its first paint
    const int bare = needlePixels(compass);
    EXPECT_GE(withNeedle - bare, 20) << "a new compass shows no needle until the view moves";

    // One motion tick of the viewer posts KN_MOVE; the needle comes back.
    PostMessageA(demo.viewer(), WM_TIMER, 1, 0);
    int moved = 0;
    EXPECT_TRUE(waitFor([&] { return (moved = needlePixels(compass)) - bare >= 20; }))
        << "bare " << bare << ", after the move " << moved;
}

TEST(DemoOptions, ExitEndsTheProgramWithResult0)
{
    DemoProcess demo(writePanorama("fits", 1284, 240));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    PostMessageA(demo.mainWnd(), WM_COMMAND, kExit, 0);
    ASSERT_TRUE(demo.exited(kPatientMs));
    EXPECT_EQ(demo.exitCode(), 0u);
}

TEST(DemoOptions, WindowProceduresAreExportedByName)
{
    HMODULE exe = LoadLibraryExA("kaldemo.exe", nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(exe, nullptr);
    EXPECT_NE(reinterpret_cast<void *>(GetProcAddress(exe, "MainProc")), nullptr);
    EXPECT_NE(reinterpret_cast<void *>(GetProcAddress(exe, "LogoWndProc")), nullptr);
    FreeLibrary(exe);
}

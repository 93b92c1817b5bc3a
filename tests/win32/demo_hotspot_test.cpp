// The demo's answers to the engine's notifications: a selected "@close"
// hotspot (any case) closes the panorama, other labels are reported, and a
// selection without a panorama is ignored.
#include <gtest/gtest.h>

#include "demo_driver.h"
#include "core/kalengine.h"

using namespace demotest;

namespace {
// Bearing 0 puts column srcWidth (wrapped) under the view centre.
const char kCloseEverywhere[] = "hotspot(0 0 5000 240 '@CLOSE' 'leave')";
}  // namespace

TEST(DemoHotspot, CapitalCloseLabelClosesThePanorama)
{
    DemoProcess demo(writePanorama("close_caps", 1284, 240, kCloseEverywhere));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    demo.clickViewer(100, 100);
    EXPECT_EQ(demo.takeMessageBox(), "Panorama closed by user");
    EXPECT_TRUE(demo.waitForNoViewer());
    EXPECT_EQ(demo.takeMessageBox(300), "");
}

TEST(DemoHotspot, OtherLabelIsUncaughtAndKeepsThePanorama)
{
    DemoProcess demo(writePanorama("door", 1284, 240, kDoorEverywhere));
    HWND viewer = demo.waitForViewer();
    ASSERT_NE(viewer, nullptr) << demo.takeMessageBox(0);
    demo.clickViewer(100, 100);
    EXPECT_EQ(demo.takeMessageBox(), "Uncaught hotspot");
    EXPECT_EQ(demo.viewer(), viewer);
}

TEST(DemoHotspot, ClickOutsideEveryHotspotSaysNothing)
{
    DemoProcess demo(writePanorama("no_spots", 1284, 240));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    demo.clickViewer(100, 100);
    EXPECT_EQ(demo.takeMessageBox(500), "");
    EXPECT_NE(demo.waitForViewer(), nullptr);
}

TEST(DemoHotspot, SelectionWithoutAPanoramaIsIgnored)
{
    DemoProcess demo;
    PostMessageA(demo.mainWnd(), KAL_NOTIFY, KN_SELHOTSPOT, 0);
    PostMessageA(demo.mainWnd(), KAL_NOTIFY, KN_MOVE, 0);
    demo.settle();
    EXPECT_EQ(demo.takeMessageBox(500), "");
    EXPECT_FALSE(demo.exited());
}

TEST(DemoHotspot, SelectionQueuedBehindTheCloseIsIgnored)
{
    DemoProcess demo(writePanorama("close_twice", 1284, 240, kCloseEverywhere));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    demo.clickViewer(100, 100);
    EXPECT_EQ(demo.takeMessageBox(), "Panorama closed by user");
    // A late selection for the closed panorama's hotspot 0.
    PostMessageA(demo.mainWnd(), KAL_NOTIFY, KN_SELHOTSPOT, 0);
    demo.settle();
    EXPECT_EQ(demo.takeMessageBox(500), "");
    EXPECT_FALSE(demo.exited());
}

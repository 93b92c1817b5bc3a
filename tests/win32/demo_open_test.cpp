// The demo's open flow, driven through the real kaldemo.exe: opening from the
// command line and the dialog, the size test and scaling, and every way the
// flow can end without a panorama.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "common/bmp_writer.h"
#include "demo_driver.h"

using namespace demotest;

namespace {

const char kTooLarge[] =
    "De viewport is too large for the image. Either reduce the viewport or toggle the "
    "\"Autoscale\" option on.";
const char kWidthBox[] =
    "De image width is not a multiple of 4 pixels. Please toggle the \"Autoscale\" option on.";
const char kClosed[] = "Panorama closed by user";
const char kEndsEarly[] =
    "The file ends before the end of its image: the missing part of the picture is left blank.";
const char kUnsupported[] = "Error: unsupported file format (not a 256 colour BMP file).";

// The first `keep` bytes of a file, as a new file.
std::string writeCut(const std::string &source, const std::string &name, size_t keep)
{
    std::ifstream in(source, std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    bytes.resize(keep);
    const std::string path = testFolder() + "\\" + name + ".bmp";
    kaltest::writeBytes(path, bytes);
    return path;
}

// The view centre looks at column xPos, row srcHeight / 2. With orientation
// 180 the demo's bearing 0 puts xPos at srcWidth / 2; this hotspot therefore
// lies under the centre exactly when the image is 1280-1289 x 252-261, and
// the catch-all behind it reports any other size.
const char kSizeProbe[] =
    "orientation(180)\n"
    "hotspot(640 126 645 131 '@close' 'centre of 1284 x 256')\n"
    "hotspot(0 0 5000 5000 'wrong size' 'anything else')\n";

// Screen pixels of the main window's client area.
std::vector<DWORD> clientPixels(HWND hwnd)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT *>(&rc), 2);
    return grabScreen(rc);
}

// The empty window: light grey, a black cross corner to corner, and the
// hint in black at (W / 2 - 105, 25).
void expectEmptyWindow(HWND hwnd)
{
    const std::vector<DWORD> px = clientPixels(hwnd);
    const int w = 320;
    EXPECT_EQ(px[30 * w + 40], 0u);  // on the line from (0, 0) to (320, 240)
    EXPECT_EQ(px[120 * w + 160], 0u);
    EXPECT_EQ(px[200 * w + 160], 0xC0C0C0u);
    int hint = 0;
    for (int y = 25; y < 40; ++y)
        for (int x = 55; x < 150; ++x) hint += px[y * w + x] == 0;
    EXPECT_GT(hint, 50);
}

}  // namespace

TEST(DemoOpen, EmptyWindowShowsTheCrossAndTheHintAgainAfterClose)
{
    DemoProcess demo;
    ASSERT_TRUE(waitFor([&] { return clientPixels(demo.mainWnd())[120 * 320 + 160] == 0; }));
    expectEmptyWindow(demo.mainWnd());
    ASSERT_TRUE(demo.openThroughDialog(writePanorama("fits", 1284, 240)));
    ASSERT_NE(demo.waitForViewer(), nullptr);
    demo.command(kClose);
    EXPECT_TRUE(demo.waitForNoViewer());
    ASSERT_TRUE(waitFor([&] { return clientPixels(demo.mainWnd())[200 * 320 + 160] == 0xC0C0C0; }));
    expectEmptyWindow(demo.mainWnd());
}

TEST(DemoOpen, CommandLineFileFillsTheClientArea)
{
    DemoProcess demo(writePanorama("fits", 1284, 240));
    ASSERT_NE(demo.mainWnd(), nullptr);
    demo.settle();
    HWND viewer = demo.waitForViewer();
    ASSERT_NE(viewer, nullptr) << demo.takeMessageBox(0);
    SIZE client = clientSize(demo.mainWnd());
    EXPECT_EQ(client.cx, 320);
    EXPECT_EQ(client.cy, 240);
    RECT rc;
    GetWindowRect(viewer, &rc);
    MapWindowPoints(nullptr, demo.mainWnd(), reinterpret_cast<POINT *>(&rc), 2);
    EXPECT_EQ(rc.left, 0);
    EXPECT_EQ(rc.top, 0);
    EXPECT_EQ(rc.right, 320);
    EXPECT_EQ(rc.bottom, 240);
    EXPECT_EQ(demo.takeMessageBox(300), "");
}

TEST(DemoOpen, AutoScaleTurns1000x200Into1284x256)
{
    DemoProcess demo;
    demo.command(kAutoScale);
    ASSERT_TRUE(demo.openThroughDialog(writePanorama("small", 1000, 200, kSizeProbe)));
    ASSERT_NE(demo.waitForViewer(), nullptr) << demo.takeMessageBox(0);
    EXPECT_EQ(demo.takeMessageBox(300), "");
    demo.clickViewer(160, 120);
    EXPECT_EQ(demo.takeMessageBox(), kClosed);
    EXPECT_TRUE(demo.waitForNoViewer());
}

TEST(DemoOpen, TooSmallWithoutAutoScaleSaysTheViewportIsTooLarge)
{
    DemoProcess demo(writePanorama("small", 1000, 200, kSizeProbe));
    EXPECT_EQ(demo.takeMessageBox(), kTooLarge);
    EXPECT_TRUE(demo.waitForNoViewer());
}

TEST(DemoOpen, WidthNotAMultipleOf4WithoutAutoScaleSaysSo)
{
    DemoProcess demo(writePanorama("odd", 1286, 240));
    EXPECT_EQ(demo.takeMessageBox(), kWidthBox);
    EXPECT_TRUE(demo.waitForNoViewer());
}

TEST(DemoOpen, WidthNotAMultipleOf4IsRoundedUpWithAutoScale)
{
    DemoProcess demo;
    demo.command(kAutoScale);
    ASSERT_TRUE(demo.openThroughDialog(writePanorama("odd", 1286, 240)));
    EXPECT_EQ(demo.takeMessageBox(300), "");
    EXPECT_NE(demo.waitForViewer(), nullptr);
}

TEST(DemoOpen, UnreadableFileSaysUnsupportedFormat)
{
    const std::string path = testFolder() + "\\not_a_bitmap.bmp";
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written;
    WriteFile(f, "hello, no picture here", 22, &written, nullptr);
    CloseHandle(f);
    DemoProcess demo(path);
    EXPECT_EQ(demo.takeMessageBox(), kUnsupported);
    EXPECT_TRUE(demo.waitForNoViewer());
    // The program goes on: a good file opens after the failed one.
    ASSERT_TRUE(demo.openThroughDialog(writePanorama("fits", 1284, 240)));
    EXPECT_NE(demo.waitForViewer(), nullptr);
}

TEST(DemoOpen, FileThatEndsEarlySaysSoAndStillOpens)
{
    // The loader fills what a cut file lacks with zeros, so the image is
    // whole as far as its size goes: the flow says what is wrong first.
    const std::string source = writePanorama("cut_source", 1000, 200, kSizeProbe);
    DemoProcess scaled;
    scaled.command(kAutoScale);
    ASSERT_TRUE(scaled.openThroughDialog(writeCut(source, "cut_in_table", 100)));
    EXPECT_EQ(scaled.takeMessageBox(), kEndsEarly);
    EXPECT_NE(scaled.waitForViewer(), nullptr);
    EXPECT_EQ(scaled.takeMessageBox(300), "");

    DemoProcess unscaled(writeCut(source, "cut_in_rows", 5000));
    EXPECT_EQ(unscaled.takeMessageBox(), kEndsEarly);
    EXPECT_EQ(unscaled.takeMessageBox(), kTooLarge);
    EXPECT_TRUE(unscaled.waitForNoViewer());

    DemoProcess headless(writeCut(source, "cut_in_header", 40));
    EXPECT_EQ(headless.takeMessageBox(), kUnsupported);
    EXPECT_EQ(headless.takeMessageBox(300), "");
}

TEST(DemoOpen, ScalingFailureShowsTheEngineReason)
{
    // A 1-pixel-wide image needs a height of 1284 x 3000 rows to keep its
    // aspect: more than the scaler takes.
    DemoProcess demo;
    demo.command(kAutoScale);
    ASSERT_TRUE(demo.openThroughDialog(writePanorama("needle", 1, 3000)));
    const std::string text = demo.takeMessageBox();
    EXPECT_EQ(text.rfind("Error: ", 0), 0u) << text;
    EXPECT_EQ(text.back(), '.') << text;
    EXPECT_TRUE(demo.waitForNoViewer());
}

TEST(DemoOpen, BadAngleInTheAttributeFileIsReported)
{
    DemoProcess demo(writePanorama("bad_angle", 1284, 240, "angle(400)"));
    EXPECT_EQ(demo.takeMessageBox(), "Error: invalid panorama angle.");
    EXPECT_TRUE(demo.waitForNoViewer());
}

TEST(DemoOpen, AttributeAngleSetsTheMinimumSize)
{
    // 324 x 240 is enough at 90 degrees but far too narrow at 360.
    DemoProcess quarter(writePanorama("quarter", 324, 240, "angle(90)"));
    EXPECT_EQ(quarter.takeMessageBox(300), "");
    EXPECT_NE(quarter.waitForViewer(), nullptr);
}

TEST(DemoOpen, NameWithoutRoomForTheExtensionSkipsTheAttributeFile)
{
    // 255 characters of path, no extension: ".KAL" does not fit the 256-byte
    // buffer, so the bad angle beside it must never be read.
    std::string name(255 - testFolder().size() - 1, 'p');
    const std::string path = testFolder() + "\\" + name;
    std::string bmp = writePanorama("long_source", 1284, 240);
    ASSERT_TRUE(CopyFileA(bmp.c_str(), path.c_str(), FALSE));
    std::string kal = path + ".KAL";
    HANDLE f = CreateFileA(kal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(f, "angle(400)", 10, &written, nullptr);
        CloseHandle(f);
    }
    DemoProcess demo(path);
    EXPECT_EQ(demo.takeMessageBox(300), "");
    EXPECT_NE(demo.waitForViewer(), nullptr);
    DeleteFileA(path.c_str());
    DeleteFileA(kal.c_str());
}

TEST(DemoOpen, CancelledDialogChangesNothing)
{
    DemoProcess demo(writePanorama("fits", 1284, 240));
    HWND before = demo.waitForViewer();
    ASSERT_NE(before, nullptr);
    ASSERT_TRUE(demo.cancelOpenDialog());
    EXPECT_EQ(demo.viewer(), before);
    EXPECT_EQ(demo.takeMessageBox(300), "");
}

TEST(DemoOpen, AnotherOpenReplacesThePanorama)
{
    DemoProcess demo(writePanorama("fits", 1284, 240));
    HWND first = demo.waitForViewer();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(demo.openThroughDialog(writePanorama("fits_again", 1288, 240)));
    EXPECT_TRUE(waitFor([&] { return !IsWindow(first); }));
    EXPECT_NE(demo.waitForViewer(), nullptr);
}

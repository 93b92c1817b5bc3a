// Opens that end without a panorama give back what they took: the image
// block and the hotspot array. Measured on the real kaldemo.exe through its
// working set, with blocks large enough that a leak could not hide.
#define PSAPI_VERSION 2
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <string>

#include "demo_driver.h"

using namespace demotest;

namespace {

constexpr int kRepeats = 2;
// A refused open of these files holds about 5 MB of image and 2.7 MB of
// hotspots; a leak would add that much per repeat.
constexpr SIZE_T kSlack = 3u << 20;

std::string manyHotspots(const char *prefix)
{
    std::string text = prefix;
    for (int i = 0; i < 10000; ++i) text += "hotspot(0 0 8 8 spot" + std::to_string(i) + " x)\n";
    return text;
}

SIZE_T workingSet(const DemoProcess &demo)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, demo.pid());
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, &counters, sizeof counters);
    CloseHandle(process);
    return counters.WorkingSetSize;
}

// Opens path repeatedly, each time expecting the refusal text; returns the
// growth of the working set over the repeats. The first open through the
// dialog loads the dialog's own libraries, so counting starts after it.
SIZE_T growthOverRepeatedRefusals(const std::string &path, const std::string &refusal)
{
    DemoProcess demo(path);
    EXPECT_EQ(demo.takeMessageBox(kPatientMs), refusal);
    EXPECT_TRUE(demo.openThroughDialog(path));
    EXPECT_EQ(demo.takeMessageBox(kPatientMs), refusal);
    const SIZE_T before = workingSet(demo);
    for (int i = 0; i < kRepeats; ++i) {
        EXPECT_TRUE(demo.openThroughDialog(path));
        EXPECT_EQ(demo.takeMessageBox(kPatientMs), refusal);
    }
    EXPECT_EQ(demo.viewer(), nullptr);
    const SIZE_T after = workingSet(demo);
    EXPECT_GT(before, 0u);
    return after > before ? after - before : 0;
}

}  // namespace

TEST(DemoLeak, SizeRefusalReleasesImageAndHotspots)
{
    const std::string text = manyHotspots("");
    const std::string path = writePanorama("big_odd", 2562, 2000, text.c_str());
    EXPECT_LT(growthOverRepeatedRefusals(
                  path,
                  "De image width is not a multiple of 4 pixels. Please toggle the "
                  "\"Autoscale\" option on."),
              kSlack);
}

TEST(DemoLeak, BadAngleReleasesImageAndHotspots)
{
    const std::string text = manyHotspots("angle(400)\n");
    const std::string path = writePanorama("big_bad_angle", 2564, 2000, text.c_str());
    EXPECT_LT(growthOverRepeatedRefusals(path, "Error: invalid panorama angle."), kSlack);
}

// kalrender as a program: its picture of the bundled sample is the view
// buffer the engine renders for the same position; bad input gets a clear
// message and a nonzero exit status.
#include <gtest/gtest.h>

#include "common/bmp_writer.h"
#include "kalengine.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kRender = std::string(KAL_BINARY_DIR) + "/kalrender";
const std::string kSample = std::string(KAL_BINARY_DIR) + "/samples/courtyard.bmp";
const std::string kSampleAttribs = std::string(KAL_BINARY_DIR) + "/samples/courtyard.KAL";

struct RenderRun {
    int status;
    std::string out;
};

// Runs kalrender with `args`; stdout and stderr together in `out`.
RenderRun runRender(const std::string &args)
{
    const std::string log = kaltest::tempPath("kalrender_test.log");
    const int raw = std::system((kRender + " " + args + " >" + log + " 2>&1").c_str());
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(log.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text.str()};
}

std::vector<uint8_t> readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t le32(const std::vector<uint8_t> &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

// The engine's own view of the sample at the same settings as kalrender's.
std::vector<uint8_t> engineView(int bearing, int pitch, int zPos, std::vector<uint8_t> &info)
{
    void *image = kal_LoadDIB(kSample.c_str(), nullptr, nullptr, nullptr);
    EXPECT_NE(image, nullptr);
    KalAttribs attribs{};
    EXPECT_TRUE(kal_AttribFile(kSampleAttribs.c_str(), &attribs));
    const RECT view = {0, 0, 320, 240};
    HPANORAMA pano = kal_Create(static_cast<BITMAPINFO *>(image), nullptr, &view, &attribs);
    EXPECT_NE(pano, nullptr);
    if (!pano) return {};
    kal_SetValue(pano, KAL_VALUE_ZPOS, zPos);
    kal_SetValue(pano, KAL_VALUE_ORIENTATION, bearing);
    kal_SetValue(pano, KAL_VALUE_YPOS, kal_GetValue(pano, KAL_VALUE_SRCHEIGHT) / 2 + pitch);
    info.assign(1064, 0);
    const auto *bits = static_cast<const uint8_t *>(kal_GetView(pano, reinterpret_cast<BITMAPINFO *>(info.data())));
    std::vector<uint8_t> rows;
    for (int r = 0; r < 240; ++r) rows.insert(rows.end(), bits + r * 320, bits + r * 320 + 320);
    kal_Delete(pano, TRUE);
    return rows;
}

}  // namespace

TEST(KalRender, PictureOfTheSampleIsTheEngineView)
{
    const std::string out = kaltest::tempPath("kalrender_sample.bmp");
    RenderRun run = runRender(kSample + " --view 320x240 --bearing 30 --pitch 25 --zoom 1.25 -o " + out);
    ASSERT_EQ(run.status, 0) << run.out;
    const std::vector<uint8_t> file = readFile(out);
    std::remove(out.c_str());
    ASSERT_GE(file.size(), 1078u + 320 * 240);
    EXPECT_EQ(le32(file, 18), 320u);
    EXPECT_EQ(le32(file, 22), 240u);

    // radius 458: zoom 1.25 is zPos 458 - 458 / 1.25, truncated.
    std::vector<uint8_t> info;
    const std::vector<uint8_t> expected = engineView(30, 25, static_cast<int>(458 - 458 / 1.25), info);
    const size_t offBits = le32(file, 10);
    ASSERT_EQ(file.size(), offBits + expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + offBits)) << "pixels differ";
    EXPECT_TRUE(std::equal(info.begin() + 40, info.end(), file.begin() + 54)) << "colours differ";
}

TEST(KalRender, DefaultsToTheBundledSample)
{
    const std::string out = kaltest::tempPath("kalrender_default.bmp");
    RenderRun run = runRender("-o " + out);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("courtyard.bmp"), std::string::npos) << run.out;
    std::remove(out.c_str());
}

TEST(KalRender, RefusesMissingAndTrueColourFiles)
{
    RenderRun missing = runRender(kaltest::tempPath("kalrender_no_such.bmp") + " -o " + kaltest::tempPath("x.bmp"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("cannot open"), std::string::npos) << missing.out;

    kaltest::BmpFile rgb;
    rgb.info.width = 4;
    rgb.info.height = 2;
    rgb.info.bitCount = 24;
    rgb.info.clrUsed = 0;
    rgb.pixels.assign(24, 0x40);
    const std::string path = kaltest::tempPath("kalrender_rgb.bmp");
    ASSERT_TRUE(kaltest::writeBytes(path, kaltest::bmpBytes(rgb)));
    RenderRun trueColour = runRender(path + " -o " + kaltest::tempPath("x.bmp"));
    std::remove(path.c_str());
    EXPECT_EQ(trueColour.status, 1);
    EXPECT_NE(trueColour.out.find("24 bits per pixel"), std::string::npos) << trueColour.out;
}

TEST(KalRender, HelpNamesEveryOptionAndMistakesExitWithTwo)
{
    RenderRun help = runRender("--help");
    EXPECT_EQ(help.status, 0);
    for (const char *option : {"--attribs", "--view", "--bearing", "--pitch", "--zoom", "--output", "--help"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_EQ(runRender("--view 320 -o x.bmp").status, 2);
    EXPECT_EQ(runRender("--zoom -1 -o x.bmp").status, 2);
    EXPECT_EQ(runRender(kSample).status, 2) << "no output named";
    EXPECT_EQ(runRender("--frobnicate -o x.bmp").status, 2);
}

TEST(KalRender, BadAttributeFileAndOversizedViewAreReported)
{
    RenderRun run = runRender(kSample + " --attribs " + kaltest::tempPath("kalrender_none.KAL") + " -o " +
                        kaltest::tempPath("x.bmp"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("attribute file"), std::string::npos) << run.out;
    // A view wider than a quarter turn is scaled for, then rendered.
    const std::string out = kaltest::tempPath("kalrender_wide.bmp");
    run = runRender(kSample + " --view 1000x300 -o " + out);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("scaling"), std::string::npos) << run.out;
    std::remove(out.c_str());
}

TEST(KalRender, SampleHotspotsSitOnTheDoors)
{
    KalAttribs attribs{};
    ASSERT_TRUE(kal_AttribFile(kSampleAttribs.c_str(), &attribs));
    EXPECT_EQ(attribs.angle, 360);
    ASSERT_EQ(attribs.numHotSpots, 4);
    EXPECT_STREQ(attribs.hotSpots[2].label, "@close");  // the south door
    void *image = kal_LoadDIB(kSample.c_str(), nullptr, nullptr, nullptr);
    ASSERT_NE(image, nullptr);
    const auto *h = static_cast<const BITMAPINFOHEADER *>(image);
    const auto *rows = static_cast<const uint8_t *>(image) + 1064;
    for (int k = 0; k < attribs.numHotSpots; ++k) {
        const RECT &r = attribs.hotSpots[k].rect;
        // Hotspot rows count from the top; the centre is on the door's wood
        // (the generator's wood colours are entries 164 to 179).
        const int column = (r.left + r.right) / 2, row = h->biHeight - 1 - (r.top + r.bottom) / 2;
        const uint8_t index = rows[static_cast<size_t>(row) * h->biWidth + column + 8];
        EXPECT_TRUE(index >= 164 && index <= 179) << attribs.hotSpots[k].label << ": " << int(index);
    }
    kal_FreeResource(image);
    kal_FreeResource(attribs.hotSpots);
}

// The demo opens a panorama facing bearing 0; a click there must not land
// on the closing door. Both copies carry their own attribute file.
TEST(KalRender, SampleOpensFacingADoorThatDoesNotClose)
{
    const std::string dir = std::string(KAL_BINARY_DIR) + "/samples/";
    for (const char *name : {"courtyard", "courtyard_rle8"}) {
        SCOPED_TRACE(name);
        KalAttribs attribs{};
        ASSERT_TRUE(kal_AttribFile((dir + name + ".KAL").c_str(), &attribs));
        ASSERT_EQ(attribs.numHotSpots, 4);
        void *image = kal_LoadDIB((dir + name + ".bmp").c_str(), nullptr, nullptr, nullptr);
        ASSERT_NE(image, nullptr);
        const RECT viewport = {0, 0, 320, 240};
        HPANORAMA pano = kal_Create(static_cast<BITMAPINFO *>(image), nullptr, &viewport, &attribs);
        ASSERT_NE(pano, nullptr) << kal_Error(nullptr);
        kal_SetValue(pano, KAL_VALUE_ORIENTATION, 0);
        int index = -1;
        ASSERT_TRUE(kal_CheckHotSpot(pano, 160, 120, &index)) << "a door faces the start view";
        EXPECT_STREQ(static_cast<char *>(kal_GetData(pano, KAL_DATA_HOTSPOTLBL, index)), "North door");
        int closing = -1;
        for (int y = 0; y < 240; y += 8)
            for (int x = 0; x < 320; x += 8)
                if (kal_CheckHotSpot(pano, x, y, &closing)) {
                    EXPECT_NE(closing, 2) << x << "," << y;
                }
        kal_Delete(pano, TRUE);
    }
}

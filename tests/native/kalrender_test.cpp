// kalrender as a program: its picture of the bundled sample is the view
// buffer the engine renders for the same position; bad input gets a clear
// message and a nonzero exit status.
#include <gtest/gtest.h>

#include "common/bmp_writer.h"
#include "core/kalengine.h"
#include "kalhost/image_writer.h"
#include "kalhost/load_image.h"

#include <sys/resource.h>
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
    const auto *bits = static_cast<const uint8_t *>(
        kal_GetView(pano, reinterpret_cast<BITMAPINFO *>(info.data())));
    std::vector<uint8_t> rows;
    for (int r = 0; r < 240; ++r) rows.insert(rows.end(), bits + r * 320, bits + r * 320 + 320);
    kal_Delete(pano, TRUE);
    return rows;
}

}  // namespace

TEST(KalRender, PictureOfTheSampleIsTheEngineView)
{
    const std::string out = kaltest::tempPath("kalrender_sample.bmp");
    RenderRun run =
        runRender(kSample + " --view 320x240 --bearing 30 --pitch 25 --zoom 1.25 -o " + out);
    ASSERT_EQ(run.status, 0) << run.out;
    const std::vector<uint8_t> file = readFile(out);
    std::remove(out.c_str());
    ASSERT_GE(file.size(), 1078u + 320 * 240);
    EXPECT_EQ(le32(file, 18), 320u);
    EXPECT_EQ(le32(file, 22), 240u);

    // radius 458: zoom 1.25 is zPos 458 - 458 / 1.25, truncated.
    std::vector<uint8_t> info;
    const std::vector<uint8_t> expected =
        engineView(30, 25, static_cast<int>(458 - 458 / 1.25), info);
    const size_t offBits = le32(file, 10);
    ASSERT_EQ(file.size(), offBits + expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + offBits))
        << "pixels differ";
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

TEST(KalRender, RefusesMissingFilesAndUnreadableDepths)
{
    RenderRun missing =
        runRender(kaltest::tempPath("kalrender_no_such.bmp") + " -o " + kaltest::tempPath("x.bmp"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("cannot open"), std::string::npos) << missing.out;

    kaltest::BmpFile rgb;
    rgb.info.width = 4;
    rgb.info.height = 2;
    rgb.info.bitCount = 16;
    rgb.info.clrUsed = 0;
    rgb.pixels.assign(16, 0x40);
    const std::string path = kaltest::tempPath("kalrender_rgb16.bmp");
    ASSERT_TRUE(kaltest::writeBytes(path, kaltest::bmpBytes(rgb)));
    RenderRun sixteen = runRender(path + " -o " + kaltest::tempPath("x.bmp"));
    std::remove(path.c_str());
    EXPECT_EQ(sixteen.status, 1);
    EXPECT_NE(sixteen.out.find("16 bits per pixel"), std::string::npos) << sixteen.out;
}

TEST(KalRender, HelpNamesEveryOptionAndMistakesExitWithTwo)
{
    RenderRun help = runRender("--help");
    EXPECT_EQ(help.status, 0);
    for (const char *option :
         {"--attribs", "--view", "--bearing", "--pitch", "--zoom", "--output", "--help"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_EQ(runRender("--view 320 -o x.bmp").status, 2);
    EXPECT_EQ(runRender("--zoom -1 -o x.bmp").status, 2);
    EXPECT_EQ(runRender(kSample).status, 2) << "no output named";
    EXPECT_EQ(runRender("--frobnicate -o x.bmp").status, 2);
}

TEST(KalRender, BadAttributeFileAndOversizedViewAreReported)
{
    RenderRun run = runRender(kSample + " --attribs " + kaltest::tempPath("kalrender_none.KAL") +
                              " -o " + kaltest::tempPath("x.bmp"));
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
        EXPECT_TRUE(index >= 164 && index <= 179)
            << attribs.hotSpots[k].label << ": " << int(index);
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
        EXPECT_STREQ(static_cast<char *>(kal_GetData(pano, KAL_DATA_HOTSPOTLBL, index)),
                     "North door");
        int closing = -1;
        for (int y = 0; y < 240; y += 8)
            for (int x = 0; x < 320; x += 8)
                if (kal_CheckHotSpot(pano, x, y, &closing)) {
                    EXPECT_NE(closing, 2) << x << "," << y;
                }
        kal_Delete(pano, TRUE);
    }
}

namespace {

// The file's decoded pixels (any format loadImage reads).
kalhost::LoadedImage loadFile(const std::string &path)
{
    const std::vector<uint8_t> bytes = readFile(path);
    kalhost::LoadedImage image;
    std::string why;
    EXPECT_TRUE(kalhost::loadImage(bytes.data(), bytes.size(), 0, image, why))
        << path << " " << why;
    return image;
}

size_t count(const std::string &text, const std::string &what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// PNG bytes whose IHDR claims width x height (its CRC made right again).
std::vector<uint8_t> pngClaiming(uint32_t width, uint32_t height)
{
    const uint32_t pixel = 0xFF336699;
    std::vector<uint8_t> png = kalhost::pngFileOf(kalhost::ColourView{1, 1, &pixel});
    for (int k = 0; k < 4; ++k) {
        png[16 + k] = uint8_t(width >> (24 - 8 * k));
        png[20 + k] = uint8_t(height >> (24 - 8 * k));
    }
    uint32_t crc = 0xFFFFFFFF;
    for (size_t at = 12; at < 29; ++at) {  // chunk type and data
        crc ^= png[at];
        for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    crc = ~crc;
    for (int k = 0; k < 4; ++k) png[29 + k] = uint8_t(crc >> (24 - 8 * k));
    return png;
}

// The sample JPEG's first kilobyte with its frame header claiming w x h.
std::vector<uint8_t> jpegClaiming(int width, int height)
{
    std::vector<uint8_t> jpeg = readFile(std::string(KAL_BINARY_DIR) + "/samples/courtyard.jpg");
    for (size_t at = 2; at + 9 < jpeg.size(); at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3])) {
        if (jpeg[at + 1] != 0xC0) continue;  // baseline frame header
        jpeg[at + 5] = uint8_t(height >> 8), jpeg[at + 6] = uint8_t(height);
        jpeg[at + 7] = uint8_t(width >> 8), jpeg[at + 8] = uint8_t(width);
        break;
    }
    jpeg.resize(1024);
    return jpeg;
}

std::vector<uint8_t> bmpClaiming(int width, int height, int bits, bool rle8)
{
    kaltest::BmpFile file = kaltest::makeBmp8(std::vector<uint8_t>(4), 2, 2, rle8);
    file.info.width = width;
    file.info.height = height;
    file.info.bitCount = static_cast<uint16_t>(bits);
    if (bits > 8) file.colors.clear(), file.info.clrUsed = 0;
    return kaltest::bmpBytes(file);
}

}  // namespace

// One table of hostile headers, every decoder path: a clear message naming
// the claimed size, and no program growing to the size claimed (each of
// these cost gigabytes before it was refused).
TEST(KalRender, HostileSizesAreRefusedBeforeAllocating)
{
    const struct {
        const char *name;
        std::vector<uint8_t> bytes;
        const char *size;
        bool narrow;  // a 10-degree panorama (else 360)
    } cases[] = {
        {"bmp8", bmpClaiming(46000, 46000, 8, false), "46000 x 46000", false},
        {"rle8", bmpClaiming(46000, 46000, 8, true), "46000 x 46000", false},
        {"rle8 the engine takes", bmpClaiming(23300, 60000, 8, true), "23300 x 60000", false},
        {"rle8 too wide for its angle", bmpClaiming(8000, 10, 8, true), "at most 5717", true},
        {"bmp24", bmpClaiming(60000, 60000, 24, false), "60000 x 60000", false},
        {"bmp32", bmpClaiming(30000, 30000, 32, false), "30000 x 30000", false},
        {"png", pngClaiming(60000, 60000), "60000 x 60000", false},
        {"jpeg", jpegClaiming(60000, 60000), "60000 x 60000", false},
    };
    const std::string path = kaltest::tempPath("kalrender_hostile.img");
    const std::string attribs = kaltest::tempPath("kalrender_narrow.KAL");
    ASSERT_TRUE(kaltest::writeBytes(
        attribs, std::vector<uint8_t>{'a', 'n', 'g', 'l', 'e', '(', '1', '0', ')'}));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(kaltest::writeBytes(path, c.bytes));
        const std::string angle = c.narrow ? " --attribs " + attribs : "";
        RenderRun run = runRender(path + angle + " -o " + kaltest::tempPath("x.bmp"));
        EXPECT_EQ(run.status, 1) << run.out;
        EXPECT_NE(run.out.find(c.size), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("cut short"), std::string::npos) << run.out;
    }
    std::remove(path.c_str());
    std::remove(attribs.c_str());
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    // Sanitizer builds carry their own shadow memory; the files claim gigabytes.
    EXPECT_LT(usage.ru_maxrss, 400 * 1024) << "peak KiB of one run";
}

TEST(KalRender, FileThatEndsEarlyIsDrawnWithOneWarning)
{
    std::vector<uint8_t> bmp = readFile(kSample);
    bmp.resize(bmp.size() * 2 / 3);
    const std::string path = kaltest::tempPath("kalrender_short.bmp");
    const std::string out = kaltest::tempPath("kalrender_short_view.bmp");
    ASSERT_TRUE(kaltest::writeBytes(path, bmp));
    RenderRun run = runRender(path + " -o " + out);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(count(run.out, "ends before the end of its image"), 1u) << run.out;
    std::remove(path.c_str());
    std::remove(out.c_str());
}

// A uniform picture shows its one colour in every view pixel, in every
// input format and both output formats: channels neither swapped nor lost.
TEST(KalRender, TrueColourInputKeepsItsColours)
{
    const uint32_t colour = kalhost::rgba(200, 120, 40);
    const std::vector<uint32_t> pixels(720 * 240, colour);
    const kalhost::ColourView image = {720, 240, pixels.data()};
    const std::string in = kaltest::tempPath("kalrender_colour");
    ASSERT_TRUE(kaltest::writeBytes(in + ".png", kalhost::pngFileOf(image)));
    ASSERT_TRUE(kaltest::writeBytes(in + ".bmp", kalhost::bmpFileOf(image)));
    for (const char *input : {".png", ".bmp"})
        for (const char *output : {".png", ".bmp"}) {
            SCOPED_TRACE(std::string(input) + " to " + output);
            const std::string out = kaltest::tempPath("kalrender_colour_view") + output;
            RenderRun run = runRender(in + input + " --smooth --view 200x100 -o " + out);
            ASSERT_EQ(run.status, 0) << run.out;
            EXPECT_NE(run.out.find("true-colour"), std::string::npos) << run.out;
            const kalhost::LoadedImage view = loadFile(out);
            ASSERT_EQ(view.colour.width, 200);
            EXPECT_EQ(view.colour.pixels[100 * 50 + 100], colour);
            EXPECT_EQ(view.colour.pixels[0], colour);
            std::remove(out.c_str());
        }
    std::remove((in + ".png").c_str());
    std::remove((in + ".bmp").c_str());
}

// The sample crop's XMP says 180 degrees, column 0 facing 135 and a start
// view facing south; no attribute file.
TEST(KalRender, GPanoJpegOpensAtItsAngleAndStartView)
{
    const std::string jpeg = std::string(KAL_BINARY_DIR) + "/samples/courtyard_180.jpg";
    const std::string out = kaltest::tempPath("kalrender_gpano.png");
    RenderRun run = runRender(jpeg + " --pitch-deg 10 -o " + out);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("180-degree"), std::string::npos) << run.out;
    // The start view faces south; a heading asked for is a compass heading.
    EXPECT_NE(run.out.find("at heading 180.00,"), std::string::npos) << run.out;
    run = runRender(jpeg + " --bearing 200.5 --hfov 40 -o " + out);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("at heading 200.50, pitch 0.00, hfov 40.00"), std::string::npos)
        << run.out;
    std::remove(out.c_str());
}

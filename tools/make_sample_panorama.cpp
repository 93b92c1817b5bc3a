// Draws the bundled sample panorama: a square courtyard seen from its
// middle, ray-cast onto a full-circle cylinder, as an 8-bit BMP, an RLE8
// copy, an attribute file for each, a true-colour JPEG with smooth skies and
// a small 180-degree JPEG crop that carries its coverage in GPano XMP.
// Usage: make_sample_panorama OUTDIR
#include "kalhost/bmp_writer.h"
#include "sample_jpeg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 2880;  // 8 columns per degree
constexpr int kHeight = 640;
constexpr int kOrientation = 45;  // column 0 faces the north-east corner
constexpr double kPi = 3.14159265358979323846;
// The engine's cylinder radius for this width and a full circle.
const double kRadius = kWidth * 256.0 / 1608.0;

// Courtyard geometry in metres: walls at +-kHalf, eye at kEye.
constexpr double kHalf = 10.0;
constexpr double kEye = 1.6;
constexpr double kWallTop = 6.0;
constexpr double kCoping = 0.35;
constexpr double kDoorHalf = 0.7;
constexpr double kDoorTop = 2.6;
constexpr double kFrame = 0.15;

// Palette ramps. Indices 0..9 and 246..255 are left to the system colours
// of 8-bit palette screens and never drawn.
struct Ramp {
    int first;
    int count;
    std::array<double, 3> dark;   // RGB 0..1 at level 0
    std::array<double, 3> light;  // at the last level
};
enum Material {
    Sky,
    Cloud,
    TileA,
    TileB,
    Grout,
    WallN,
    WallE,
    WallS,
    WallW,
    Wood,
    Stone,
    Glass,
    Frame,
    Letter,
    Stripe,
    kMaterials
};
const Ramp kRamps[kMaterials] = {
    {10, 40, {0.16, 0.33, 0.70}, {0.72, 0.85, 0.97}},   // Sky: zenith to horizon
    {50, 12, {0.70, 0.74, 0.82}, {1.00, 1.00, 1.00}},   // Cloud
    {62, 16, {0.35, 0.27, 0.20}, {0.80, 0.66, 0.50}},   // TileA, far to near
    {78, 16, {0.28, 0.30, 0.30}, {0.62, 0.66, 0.66}},   // TileB
    {94, 6, {0.15, 0.14, 0.13}, {0.42, 0.40, 0.38}},    // Grout
    {100, 16, {0.58, 0.44, 0.20}, {0.93, 0.78, 0.45}},  // WallN ochre
    {116, 16, {0.55, 0.26, 0.18}, {0.88, 0.52, 0.38}},  // WallE terracotta
    {132, 16, {0.62, 0.58, 0.50}, {0.97, 0.94, 0.85}},  // WallS cream
    {148, 16, {0.38, 0.46, 0.36}, {0.66, 0.76, 0.62}},  // WallW sage
    {164, 16, {0.22, 0.12, 0.06}, {0.55, 0.34, 0.18}},  // Wood
    {180, 16, {0.40, 0.40, 0.42}, {0.84, 0.84, 0.86}},  // Stone
    {196, 16, {0.10, 0.18, 0.30}, {0.50, 0.68, 0.84}},  // Glass
    {212, 8, {0.12, 0.12, 0.14}, {0.35, 0.35, 0.38}},   // Frame
    {220, 8, {0.02, 0.05, 0.20}, {0.10, 0.16, 0.42}},   // Letter
    {228, 8, {0.55, 0.02, 0.02}, {0.95, 0.15, 0.10}},   // Stripe (eye height)
};

// A material at a continuous level: a palette index for the 8-bit image,
// an interpolated colour for the true-colour one (so gradients stay smooth).
struct Shade {
    Material material;
    double level;  // 0..1
};

Shade shade(Material m, double level)
{
    return {m, std::clamp(level, 0.0, 1.0)};
}

uint8_t indexOf(Shade s)
{
    const Ramp &r = kRamps[s.material];
    return static_cast<uint8_t>(r.first + static_cast<int>(s.level * (r.count - 1) + 0.5));
}

std::array<uint8_t, 3> colourOf(Shade s)
{
    const Ramp &r = kRamps[s.material];
    std::array<uint8_t, 3> rgb{};
    for (int c = 0; c < 3; ++c)
        rgb[c] = static_cast<uint8_t>(
            std::lround(255 * (r.dark[c] + (r.light[c] - r.dark[c]) * s.level)));
    return rgb;
}

std::vector<uint8_t> palette()
{
    std::vector<uint8_t> table(1024, 0);
    auto set = [&](int index, double r, double g, double b) {
        table[index * 4 + 0] = static_cast<uint8_t>(std::lround(b * 255));
        table[index * 4 + 1] = static_cast<uint8_t>(std::lround(g * 255));
        table[index * 4 + 2] = static_cast<uint8_t>(std::lround(r * 255));
    };
    for (int k = 0; k < 256; ++k) set(k, k / 255.0, k / 255.0, k / 255.0);  // unused: greys
    for (const Ramp &r : kRamps)
        for (int k = 0; k < r.count; ++k) {
            double t = r.count > 1 ? static_cast<double>(k) / (r.count - 1) : 1.0;
            set(r.first + k, r.dark[0] + (r.light[0] - r.dark[0]) * t,
                r.dark[1] + (r.light[1] - r.dark[1]) * t, r.dark[2] + (r.light[2] - r.dark[2]) * t);
        }
    return table;
}

// Letters as strokes in a unit box (x to the right, y up), drawn 1.6 m wide
// and 2.4 m high on the wall, from z 2.95 to 5.35.
struct Stroke {
    std::vector<std::array<double, 2>> points;
};
const std::vector<Stroke> kLetters[4] = {
    {{{{0, 0}, {0, 1}, {1, 0}, {1, 1}}}},                               // N
    {{{{1, 1}, {0, 1}, {0, 0}, {1, 0}}}, {{{0, 0.52}, {0.75, 0.52}}}},  // E
    {{{{1, 0.88},
       {0.8, 1},
       {0.2, 1},
       {0, 0.86},
       {0, 0.64},
       {0.2, 0.52},
       {0.8, 0.48},
       {1, 0.36},
       {1, 0.14},
       {0.8, 0},
       {0.2, 0},
       {0, 0.12}}}},                                          // S
    {{{{0, 1}, {0.22, 0}, {0.5, 0.62}, {0.78, 0}, {1, 1}}}},  // W
};

double segmentDistance(double px, double py, double ax, double ay, double bx, double by)
{
    const double dx = bx - ax, dy = by - ay;
    double t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

bool inLetter(int wall, double u, double z)
{
    const double width = 1.6, height = 2.4, bottom = 2.95, pen = 0.17;
    if (std::fabs(u) > width / 2 + pen || z < bottom - pen || z > bottom + height + pen)
        return false;
    for (const Stroke &stroke : kLetters[wall])
        for (size_t k = 1; k < stroke.points.size(); ++k) {
            const auto &a = stroke.points[k - 1], &b = stroke.points[k];
            if (segmentDistance(u, z, (a[0] - 0.5) * width, bottom + a[1] * height,
                                (b[0] - 0.5) * width, bottom + b[1] * height) < pen)
                return true;
        }
    return false;
}

bool within(double v, double lo, double hi)
{
    return v >= lo && v < hi;
}

// Window with frame and cross bars centred at u = c, z from z0 to z1.
int windowPart(double u, double z, double c, double z0, double z1)  // 0 none, 1 frame, 2 glass
{
    const double half = 0.7;
    if (!within(u, c - half - kFrame, c + half + kFrame) || !within(z, z0 - kFrame, z1 + kFrame))
        return 0;
    if (!within(u, c - half, c + half) || !within(z, z0, z1)) return 1;
    if (std::fabs(u - c) < 0.04 || std::fabs(z - (z0 + z1) / 2) < 0.04) return 1;
    return 2;
}

// A wall point: u runs to the viewer's right along the wall, z up from the floor.
Shade wallPixel(int wall, double u, double z, double distance)
{
    const double fade = 1.0 - (distance - kHalf) / (kHalf * 0.8);  // corners darker
    if (z > kWallTop - kCoping) return shade(Stone, 0.55 + 0.4 * fade);
    if (std::fabs(z - kEye) < 0.03) return shade(Stripe, 0.8);
    // Door in the middle, in a stone frame, of vertical planks.
    if (within(std::fabs(u), 0, kDoorHalf + kFrame) && z < kDoorTop + kFrame) {
        if (std::fabs(u) >= kDoorHalf || z >= kDoorTop) return shade(Stone, 0.7 * fade + 0.2);
        double plank = std::fmod(u + kDoorHalf, 0.35);
        if (plank < 0.025) return shade(Wood, 0.1);
        return shade(Wood, 0.45 + 0.3 * fade + (std::fabs(u) < 0.05 ? -0.2 : 0));
    }
    if (inLetter(wall, u, z)) return shade(Letter, 0.5);
    // Pilasters: the straightest verticals of the scene.
    for (double p : {-8.0, -2.6, 2.6, 8.0})
        if (within(u, p - 0.2, p + 0.2)) return shade(Stone, (u < p ? 0.5 : 0.8) * fade + 0.15);
    for (double c : {-5.3, 5.3}) {
        int part = std::max(windowPart(u, z, c, 0.9, 2.4), windowPart(u, z, c, 3.3, 4.8));
        if (part == 1) return shade(Frame, 0.6);
        if (part == 2) return shade(Glass, 0.35 + 0.5 * (z - 0.9) / 4.0);
    }
    // Plaster in courses of blocks, each block a little different.
    const Material m = static_cast<Material>(WallN + wall);
    double course = std::fmod(z, 0.5);
    int courseIndex = static_cast<int>(z / 0.5);
    double offset = (courseIndex & 1) ? 0.6 : 0.0;
    double block = std::fmod(u + 20.0 + offset, 1.2);
    if (course < 0.03 || block < 0.03) return shade(m, 0.25 * fade + 0.1);
    int blockIndex = static_cast<int>((u + 20.0 + offset) / 1.2);
    double jitter = ((blockIndex * 37 + courseIndex * 11) % 7) / 30.0;
    return shade(m, 0.45 + 0.35 * fade + jitter - 0.1);
}

Shade floorPixel(double x, double y, double distance)
{
    double near = 1.0 - std::min(distance / (kHalf * 1.4), 1.0);
    double fx = x + 100.0, fy = y + 100.0;
    if (std::fmod(fx, 1.0) < 0.05 || std::fmod(fy, 1.0) < 0.05)
        return shade(Grout, 0.3 + 0.6 * near);
    bool a = (static_cast<int>(fx) + static_cast<int>(fy)) & 1;
    return shade(a ? TileA : TileB, 0.25 + 0.75 * near);
}

Shade skyPixel(double bearing, double elevation)
{
    double t = std::clamp(elevation / (kPi / 4), 0.0, 1.0);
    double cloud = std::sin(bearing * 3 + 1.0) * std::sin(bearing * 7) +
                   std::sin(elevation * 25 + bearing * 2);
    if (cloud > 1.2 && elevation < 0.6) return shade(Cloud, 0.3 + (cloud - 1.2) * 1.2);
    return shade(Sky, 1.0 - t);
}

// The colour seen along bearing `bearing` (radians, clockwise from north)
// at cylinder height v (the tangent of the elevation).
Shade trace(double bearing, double v)
{
    const double dx = std::sin(bearing), dy = std::cos(bearing);  // east, north
    const double tx = kHalf / std::max(std::fabs(dx), 1e-9);
    const double ty = kHalf / std::max(std::fabs(dy), 1e-9);
    const double t = std::min(tx, ty);
    const double z = kEye + v * t;
    if (z < 0) {
        const double tf = kEye / -v;
        return floorPixel(dx * tf, dy * tf, tf);
    }
    if (z >= kWallTop) return skyPixel(bearing, std::atan(v));
    // Walls N, E, S, W; u increases to the right of a viewer facing the wall.
    if (ty <= tx) return dy > 0 ? wallPixel(0, dx * t, z, t) : wallPixel(2, -dx * t, z, t);
    return dx > 0 ? wallPixel(1, -dy * t, z, t) : wallPixel(3, dy * t, z, t);
}

double bearingOfColumn(double x)
{
    return (x * 360.0 / kWidth + kOrientation) * kPi / 180.0;
}

// Every pixel's shade, bottom row first as the BMP stores it.
std::vector<Shade> render()
{
    std::vector<Shade> shades(static_cast<size_t>(kWidth) * kHeight, Shade{Sky, 0});
    for (int row = 0; row < kHeight; ++row) {
        // Stored rows go bottom-up; image row 0 is the top.
        const int top = kHeight - 1 - row;
        const double v = (kHeight / 2.0 - (top + 0.5)) / kRadius;
        for (int x = 0; x < kWidth; ++x)
            shades[static_cast<size_t>(row) * kWidth + x] = trace(bearingOfColumn(x + 0.5), v);
    }
    return shades;
}

std::vector<uint8_t> indicesOf(const std::vector<Shade> &shades)
{
    std::vector<uint8_t> indices(shades.size());
    std::transform(shades.begin(), shades.end(), indices.begin(), indexOf);
    return indices;
}

// RGB rows, top row first as a JPEG stores them.
kalsample::RgbImage colourImageOf(const std::vector<Shade> &shades)
{
    kalsample::RgbImage image{kWidth, kHeight, {}};
    image.rgb.reserve(shades.size() * 3);
    for (int top = 0; top < kHeight; ++top)
        for (int x = 0; x < kWidth; ++x) {
            const auto rgb = colourOf(shades[static_cast<size_t>(kHeight - 1 - top) * kWidth + x]);
            image.rgb.insert(image.rgb.end(), rgb.begin(), rgb.end());
        }
    return image;
}

kalhost::BmpFile bmp8(const std::vector<uint8_t> &indices, bool rle8)
{
    kalhost::BmpFile file;
    file.info.width = kWidth;
    file.info.height = kHeight;
    file.info.compression = rle8 ? 1 : 0;
    file.colors = palette();
    file.pixels = rle8 ? kalhost::encodeRle8(indices, kWidth, kHeight)
                       : kalhost::padRows(indices, kWidth, kHeight);
    return file;
}

// The 180-degree test panorama: the full circle at half size, columns from
// a quarter to three quarters of it; column 0 faces 135 degrees.
kalsample::GPanoCrop halfCircleCrop()
{
    kalsample::GPanoCrop crop;
    crop.fullWidth = kWidth / 2;
    crop.left = kWidth / 8;
    crop.width = kWidth / 4;
    crop.poseHeading = std::fmod(kOrientation + 180.0, 360.0);  // the full circle's centre
    crop.initialHeading = 180;                                  // the south door
    return crop;
}

// Hotspot rectangle of the door of the wall facing `bearing` degrees, in
// image pixels from the top-left corner.
std::string doorHotspot(int bearing, const char *label, const char *text)
{
    const double spread = std::atan((kDoorHalf + kFrame) / kHalf) * 180.0 / kPi;
    const double centre = std::fmod(bearing - kOrientation + 360.0, 360.0) * kWidth / 360.0;
    const int left = static_cast<int>(centre - spread * kWidth / 360.0);
    const int right = static_cast<int>(centre + spread * kWidth / 360.0) + 1;
    const int top = static_cast<int>(kHeight / 2.0 - (kDoorTop + kFrame - kEye) / kHalf * kRadius);
    const int bottom = static_cast<int>(kHeight / 2.0 + kEye / kHalf * kRadius) + 1;
    char line[256];
    std::snprintf(line, sizeof line, "hotspot(%d, %d, %d, %d \"%s\", \"%s\")\n", left, top, right,
                  bottom, label, text);
    return line;
}

std::string attributeText()
{
    std::string text =
        "/* Kalvoria sample: a courtyard seen from its middle, a full circle.\n"
        "   Column 0 faces north-east; each door is a hotspot. kal_Create opens\n"
        "   the view on the middle column, facing south-west (225 degrees); the\n"
        "   demo and kalrender turn it to face north (bearing 0). */\n";
    text += "angle(360)\nhorizon(0)\norientation(" + std::to_string(kOrientation) + ")\n";
    text += "userstring(\"Courtyard sample\")\n";
    text += doorHotspot(0, "North door", "The north door: to the square");
    text += doorHotspot(90, "East door", "The east door: to the garden");
    text += doorHotspot(180, "@close", "Leave the courtyard by the south door");
    text += doorHotspot(270, "West door", "The west door: to the hall");
    return text;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_panorama OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::vector<Shade> shades = render();
    const std::vector<uint8_t> indices = indicesOf(shades);
    const kalsample::RgbImage colour = colourImageOf(shades);
    const std::string text = attributeText();
    const std::vector<uint8_t> attributes(text.begin(), text.end());
    // Each copy has its attribute file, so either opens with the same hotspots.
    // The JPEG takes courtyard.KAL too (same name, other extension); the
    // 180-degree crop has no attribute file: its XMP says what it covers.
    const bool ok =
        kalhost::writeBytes(dir + "/courtyard.bmp", kalhost::bmpBytes(bmp8(indices, false))) &&
        kalhost::writeBytes(dir + "/courtyard_rle8.bmp", kalhost::bmpBytes(bmp8(indices, true))) &&
        kalhost::writeBytes(dir + "/courtyard.KAL", attributes) &&
        kalhost::writeBytes(dir + "/courtyard_rle8.KAL", attributes) &&
        kalhost::writeBytes(dir + "/courtyard.jpg", kalsample::jpegBytes(colour, "")) &&
        kalhost::writeBytes(dir + "/courtyard_180.jpg",
                            kalsample::gpanoCropJpeg(colour, halfCircleCrop()));
    if (!ok) {
        std::fprintf(stderr, "make_sample_panorama: cannot write to %s\n", dir.c_str());
        return 1;
    }
    return 0;
}

// Draws the engine's cursors (32 x 32 monochrome .cur files) and its compass
// face (65 x 65, 4 bits per pixel, .bmp) into the folder named on the command
// line. Every pixel comes from the shapes below.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---- byte output ----------------------------------------------------------

struct Out {
    std::vector<uint8_t> bytes;
    void u8(unsigned v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void u16(unsigned v)
    {
        u8(v & 0xFF);
        u8(v >> 8);
    }
    void u32(uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
};

bool save(const std::string &path, const Out &out)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(out.bytes.data(), 1, out.bytes.size(), f) == out.bytes.size();
    return std::fclose(f) == 0 && ok;
}

void infoHeader(Out &o, int width, int height, int bits, uint32_t imageSize, int colours)
{
    o.u32(40);
    o.u32(width);
    o.u32(height);
    o.u16(1);
    o.u16(bits);
    o.u32(0);  // BI_RGB
    o.u32(imageSize);
    o.u32(0);
    o.u32(0);
    o.u32(colours);
    o.u32(0);
}

// ---- cursors --------------------------------------------------------------

enum Ink : uint8_t { clear, black, white };

constexpr int kCursorSize = 32;

struct Cursor {
    Ink px[kCursorSize][kCursorSize] = {};  // [y][x]
    int hotX = 15;
    int hotY = 15;
    void set(int x, int y, Ink ink)
    {
        if (x >= 0 && y >= 0 && x < kCursorSize && y < kCursorSize) px[y][x] = ink;
    }
};

// Paints a shape white with a one-pixel black outline: pixels of the shape
// that touch a pixel outside it form the outline.
template <typename Inside>
void outlined(Cursor &c, Inside inside)
{
    for (int y = 0; y < kCursorSize; ++y)
        for (int x = 0; x < kCursorSize; ++x) {
            if (!inside(x, y)) continue;
            bool edge = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) edge = edge || !inside(x + dx, y + dy);
            c.set(x, y, edge ? black : white);
        }
}

// The disc about 13 pixels across centred on (15, 15), with a small star.
void drawDisc(Cursor &c)
{
    outlined(c, [](int x, int y) {
        double dx = x - 15, dy = y - 15;
        return dx * dx + dy * dy <= 6.5 * 6.5;
    });
    for (int k = -2; k <= 2; ++k) {
        c.set(15 + k, 15, black);
        c.set(15, 15 + k, black);
    }
    for (int k : {-1, 1}) {
        c.set(15 + k, 15 + k, black);
        c.set(15 + k, 15 - k, black);
    }
}

// An arrowhead beyond the disc, pointing away from it along (ux, uy).
void drawArrowhead(Cursor &c, int ux, int uy)
{
    double len = std::sqrt(double(ux * ux + uy * uy));
    double ax = ux / len, ay = uy / len;
    // Diagonal heads reach further out so they keep the same visible size.
    const double base = 8.0, tip = ux && uy ? 16.5 : 14.5, halfWidth = ux && uy ? 7.0 : 5.5;
    outlined(c, [&](int x, int y) {
        double px = x - 15, py = y - 15;
        double along = px * ax + py * ay;
        double across = std::fabs(-px * ay + py * ax);
        return along >= base && along <= tip && across <= (tip - along) * halfWidth / (tip - base);
    });
}

Cursor directionCursor(int ux, int uy)
{
    Cursor c;
    drawDisc(c);
    if (ux || uy) drawArrowhead(c, ux, uy);
    return c;
}

bool inRect(int x, int y, int left, int top, int right, int bottom)
{
    return x >= left && x <= right && y >= top && y <= bottom;
}

// A hand whose index finger points up; the fingertip (5, 1) is the hotspot.
Cursor pointCursor()
{
    Cursor c;
    c.hotX = 5;
    c.hotY = 1;
    auto hand = [](int x, int y) {
        return inRect(x, y, 5, 1, 6, 1)       // rounded fingertip
               || inRect(x, y, 4, 2, 7, 14)   // index finger
               || inRect(x, y, 8, 8, 10, 14)  // folded fingers
               || inRect(x, y, 11, 9, 13, 15) || inRect(x, y, 14, 10, 16, 16) ||
               inRect(x, y, 1, 12, 3, 16)                                    // thumb
               || inRect(x, y, 2, 17, 3, 18) || inRect(x, y, 4, 14, 16, 22)  // palm
               || inRect(x, y, 6, 23, 14, 26);                               // wrist
    };
    outlined(c, hand);
    // Creases between the folded fingers.
    for (int y = 9; y <= 13; ++y) c.set(8, y, black);
    for (int y = 10; y <= 14; ++y) c.set(11, y, black);
    for (int y = 11; y <= 15; ++y) c.set(14, y, black);
    return c;
}

// A .cur file: directory, then a 1-bit image of colour (XOR) and mask (AND)
// rows, bottom-up.
Out curFile(const Cursor &c)
{
    constexpr int rowBytes = kCursorSize / 8;
    constexpr uint32_t maskBytes = rowBytes * kCursorSize;
    constexpr uint32_t imageBytes = 40 + 8 + 2 * maskBytes;
    Out o;
    o.u16(0);
    o.u16(2);  // cursor
    o.u16(1);
    o.u8(kCursorSize);
    o.u8(kCursorSize);
    o.u8(2);
    o.u8(0);
    o.u16(c.hotX);
    o.u16(c.hotY);
    o.u32(imageBytes);
    o.u32(6 + 16);
    infoHeader(o, kCursorSize, 2 * kCursorSize, 1, 2 * maskBytes, 2);
    o.u32(0x000000);  // colour 0: black
    o.u32(0xFFFFFF);  // colour 1: white
    for (bool mask : {false, true})
        for (int y = kCursorSize - 1; y >= 0; --y)
            for (int b = 0; b < rowBytes; ++b) {
                unsigned byte = 0;
                for (int bit = 0; bit < 8; ++bit) {
                    Ink ink = c.px[y][b * 8 + bit];
                    bool on = mask ? ink == clear : ink == white;
                    if (on) byte |= 0x80u >> bit;
                }
                o.u8(byte);
            }
    return o;
}

// ---- compass face ---------------------------------------------------------

constexpr int kFace = 65;
constexpr int kCentre = 32;

// Standard 16-colour table indices.
enum Colour : uint8_t {
    cBlack = 0,
    cNavy = 4,
    cLightGrey = 7,
    cDarkGrey = 8,
    cWhite = 15,
};
constexpr uint32_t kPalette16[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                     0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                     0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

struct Face {
    uint8_t px[kFace][kFace];  // [y][x]
    void set(int x, int y, uint8_t c)
    {
        if (x >= 0 && y >= 0 && x < kFace && y < kFace) px[y][x] = c;
    }
};

// The face is the view's own dial: its top means "ahead" and no direction on
// it is fixed to the world, so nothing contradicts the needle drawn over it.
// The mark of "ahead": a small triangle on the rim, pointing up.
void drawAheadMark(Face &f)
{
    for (int row = 0; row < 3; ++row)
        for (int x = -row; x <= row; ++x) f.set(kCentre + x, 1 + row, cBlack);
}

// A radial tick from radius r0 to r1 at a compass angle (0 = up, clockwise).
void drawTick(Face &f, double degrees, double r0, double r1, uint8_t colour)
{
    double a = degrees * kPi / 180.0;
    for (double r = r0; r <= r1; r += 0.25)
        f.set(static_cast<int>(std::lround(kCentre + r * std::sin(a))),
              static_cast<int>(std::lround(kCentre - r * std::cos(a))), colour);
}

Face compassFace()
{
    Face f;
    for (int y = 0; y < kFace; ++y)
        for (int x = 0; x < kFace; ++x) {
            double dx = x - kCentre, dy = y - kCentre;
            double d = std::sqrt(dx * dx + dy * dy);
            bool upperLeft = dx + dy < 0;
            uint8_t c = cNavy;
            if (d <= 28.0)
                c = cLightGrey;
            else if (d <= 29.5)  // inner bevel, sunk
                c = upperLeft ? cDarkGrey : cWhite;
            else if (d <= 31.5)  // outer bevel, raised
                c = upperLeft ? cWhite : cDarkGrey;
            if (x == 0 || y == 0 || x == kFace - 1 || y == kFace - 1) c = cBlack;
            f.px[y][x] = c;
        }
    drawAheadMark(f);
    for (double a = 45; a < 360; a += 45) drawTick(f, a, 24.5, 27.0, cDarkGrey);
    return f;
}

Out bmpFile(const Face &f)
{
    constexpr int rowBytes = ((kFace * 4 + 31) / 32) * 4;
    constexpr uint32_t imageBytes = rowBytes * kFace;
    constexpr uint32_t bitsOffset = 14 + 40 + 16 * 4;
    Out o;
    o.u8('B');
    o.u8('M');
    o.u32(bitsOffset + imageBytes);
    o.u32(0);
    o.u32(bitsOffset);
    infoHeader(o, kFace, kFace, 4, imageBytes, 16);
    for (uint32_t rgb : kPalette16) o.u32(rgb);  // stored as blue, green, red, 0
    for (int y = kFace - 1; y >= 0; --y) {
        for (int x = 0; x < rowBytes * 2; x += 2) {
            unsigned hi = x < kFace ? f.px[y][x] : 0;
            unsigned lo = x + 1 < kFace ? f.px[y][x + 1] : 0;
            o.u8(hi << 4 | lo);
        }
    }
    return o;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_engine_resources OUTPUT_DIR\n");
        return 2;
    }
    std::string dir = argv[1];
    struct Named {
        const char *file;
        int ux, uy;
    };
    const Named directions[] = {{"nomove", 0, 0},   {"up", 0, -1},       {"down", 0, 1},
                                {"left", -1, 0},    {"right", 1, 0},     {"upleft", -1, -1},
                                {"upright", 1, -1}, {"downleft", -1, 1}, {"downright", 1, 1}};
    bool ok = true;
    for (const Named &n : directions)
        ok = save(dir + "/" + n.file + ".cur", curFile(directionCursor(n.ux, n.uy))) && ok;
    ok = save(dir + "/point.cur", curFile(pointCursor())) && ok;
    ok = save(dir + "/compass.bmp", bmpFile(compassFace())) && ok;
    if (!ok) std::fprintf(stderr, "draw_engine_resources: cannot write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}

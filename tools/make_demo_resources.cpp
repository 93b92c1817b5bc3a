// Draws the demo program's pictures: the 240 x 165 8-bit "LOGO" bitmap (a
// full 256-entry colour table of which 7 entries are used) and the 32 x 32,
// 16-colour "APPICON". Usage: make_demo_resources OUTPUT_DIR
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes &out, unsigned v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(Bytes &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A BITMAPINFOHEADER, written field by field in file order.
void putInfoHeader(Bytes &out, int width, int height, int bitCount, uint32_t sizeImage,
                   uint32_t clrUsed)
{
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, unsigned(bitCount));
    put32(out, 0);  // BI_RGB
    put32(out, sizeImage);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, clrUsed);
    put32(out, 0);
}

void putColour(Bytes &out, uint8_t r, uint8_t g, uint8_t b)
{
    out.push_back(b);
    out.push_back(g);
    out.push_back(r);
    out.push_back(0);
}

bool writeFile(const std::string &path, const Bytes &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// --- the logo -------------------------------------------------------------

constexpr int kLogoWidth = 240;
constexpr int kLogoHeight = 165;

enum LogoColour : uint8_t { kSkyHigh, kSkyLow, kFarHills, kNearHills, kSun, kText, kShadow };

struct RGB {
    uint8_t r, g, b;
};
constexpr RGB kLogoPalette[] = {
    {24, 40, 104},    // kSkyHigh
    {88, 136, 200},   // kSkyLow
    {64, 88, 120},    // kFarHills
    {40, 104, 56},    // kNearHills
    {248, 200, 64},   // kSun
    {255, 255, 255},  // kText
    {16, 16, 32},     // kShadow
};

// 5 x 7 glyphs, one string per row, '#' for ink.
struct Glyph {
    char letter;
    const char *rows[7];
};
constexpr Glyph kFont[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'I', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "#####"}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"}},
};

const Glyph *findGlyph(char c)
{
    for (const Glyph &g : kFont)
        if (g.letter == c) return &g;
    return nullptr;
}

// Pixels addressed top-down here; rows are flipped when the DIB is written.
struct Canvas {
    int width, height;
    std::vector<uint8_t> pixels;
    Canvas(int w, int h, uint8_t fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    void set(int x, int y, uint8_t c)
    {
        if (x >= 0 && y >= 0 && x < width && y < height) pixels[size_t(y) * width + x] = c;
    }
};

void drawText(Canvas &canvas, const char *text, int x, int y, int scale, uint8_t colour)
{
    for (; *text; ++text, x += 6 * scale) {
        const Glyph *g = findGlyph(*text);
        if (!g) continue;  // a blank
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (g->rows[row][col] == '#')
                    for (int dy = 0; dy < scale; ++dy)
                        for (int dx = 0; dx < scale; ++dx)
                            canvas.set(x + col * scale + dx, y + row * scale + dy, colour);
    }
}

void drawShadowedText(Canvas &canvas, const char *text, int y, int scale)
{
    int width = 0;
    for (const char *p = text; *p; ++p) width += 6 * scale;
    int x = (canvas.width - (width - scale)) / 2;
    drawText(canvas, text, x + 2, y + 2, scale, kShadow);
    drawText(canvas, text, x, y, scale, kText);
}

Canvas drawLogo()
{
    Canvas c(kLogoWidth, kLogoHeight, kSkyHigh);
    // Sky: an ordered dither that thickens towards the horizon.
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if ((y * 16) / c.height > ((x * 7 + y * 3) & 15)) c.set(x, y, kSkyLow);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if ((x - 180) * (x - 180) + (y - 92) * (y - 92) <= 16 * 16) c.set(x, y, kSun);
    for (int x = 0; x < c.width; ++x) {
        int far = 105 - int(14 * std::sin(x * 0.045) + 8 * std::sin(x * 0.13 + 1.0));
        int near = 130 - int(9 * std::sin(x * 0.03 + 2.0) + 4 * std::sin(x * 0.21));
        for (int y = far; y < c.height; ++y) c.set(x, y, kFarHills);
        for (int y = near; y < c.height; ++y) c.set(x, y, kNearHills);
    }
    drawShadowedText(c, "KALVORIA", 16, 3);
    drawShadowedText(c, "PANORAMA VIEWER DEMO", 50, 1);
    return c;
}

Bytes logoBmpFile()
{
    const Canvas c = drawLogo();
    const uint32_t stride = (uint32_t(c.width) + 3) & ~3u;
    const uint32_t imageSize = stride * uint32_t(c.height);
    const uint32_t dibSize = 40 + 1024 + imageSize;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 14 + dibSize);
    put32(out, 0);
    put32(out, 14 + 40 + 1024);
    putInfoHeader(out, c.width, c.height, 8, imageSize, 256);
    for (int i = 0; i < 256; ++i) {
        RGB rgb =
            i < int(sizeof kLogoPalette / sizeof *kLogoPalette) ? kLogoPalette[i] : RGB{0, 0, 0};
        putColour(out, rgb.r, rgb.g, rgb.b);
    }
    for (int y = c.height - 1; y >= 0; --y) {
        for (int x = 0; x < c.width; ++x) out.push_back(c.pixels[size_t(y) * c.width + x]);
        for (uint32_t pad = uint32_t(c.width); pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

// --- the icon --------------------------------------------------------------

constexpr int kIconSize = 32;

// The 16 colours of the standard VGA palette, in its usual order.
constexpr RGB kVga[16] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};
enum IconColour : uint8_t {
    kBlack = 0,
    kGreen = 2,
    kGrey = 8,
    kRed = 9,
    kYellow = 11,
    kBlue = 12,
    kCyan = 14,
    kWhite = 15
};

// A round lens holding a small landscape, with a red needle across it;
// outside the circle the icon is transparent.
uint8_t iconPixel(int x, int y, bool &transparent)
{
    const double dx = x - 15.5, dy = y - 15.5, r = std::sqrt(dx * dx + dy * dy);
    transparent = r > 15.5;
    if (transparent) return kBlack;
    if (r > 14.0) return kBlack;
    if (r > 12.5) return kGrey;
    if (std::abs(dx + dy) < 0.8 && r < 10.0) return kRed;  // needle
    const int hill = 18 - int(3 * std::sin(x * 0.5));
    if (y >= hill) return y >= 24 ? kGreen : kCyan;
    if ((x - 10) * (x - 10) + (y - 10) * (y - 10) <= 9) return kYellow;
    return y < 8 ? kBlue : kWhite;
}

Bytes iconFile()
{
    const uint32_t xorSize = kIconSize * kIconSize / 2, andSize = kIconSize * 4;
    const uint32_t imageSize = 40 + 16 * 4 + xorSize + andSize;
    Bytes out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, 1);  // one image
    out.push_back(kIconSize);
    out.push_back(kIconSize);
    out.push_back(16);
    out.push_back(0);
    put16(out, 1);
    put16(out, 4);
    put32(out, imageSize);
    put32(out, 6 + 16);
    // The height counts the colour rows and the mask rows together.
    putInfoHeader(out, kIconSize, 2 * kIconSize, 4, xorSize + andSize, 0);
    for (const RGB &c : kVga) putColour(out, c.r, c.g, c.b);
    Bytes mask;
    for (int y = kIconSize - 1; y >= 0; --y) {
        uint32_t maskRow = 0;
        for (int x = 0; x < kIconSize; x += 2) {
            bool t0, t1;
            uint8_t a = iconPixel(x, y, t0), b = iconPixel(x + 1, y, t1);
            out.push_back(uint8_t(a << 4 | b));
            if (t0) maskRow |= 0x80000000u >> x;
            if (t1) maskRow |= 0x80000000u >> (x + 1);
        }
        for (int shift = 24; shift >= 0; shift -= 8) mask.push_back(uint8_t(maskRow >> shift));
    }
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    if (!writeFile(dir + "/demo_logo.bmp", logoBmpFile()) ||
        !writeFile(dir + "/demo_appicon.ico", iconFile())) {
        std::fprintf(stderr, "make_demo_resources: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}

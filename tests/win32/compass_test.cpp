// The compass window: its region, the needle's pixels at the worked bearings,
// the bearing rules, popup and child answers, and painting without leaks.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/kalengine.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kFace = 65;
constexpr COLORREF kRed = RGB(255, 0, 0);

using Picture = std::vector<COLORREF>;

// The client area as painted: invalidated, painted now, then read back.
Picture paintAndRead(HWND hwnd)
{
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    Picture p(kFace * kFace);
    HDC dc = GetDC(hwnd);
    for (int y = 0; y < kFace; ++y)
        for (int x = 0; x < kFace; ++x) p[y * kFace + x] = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return p;
}

bool red(const Picture &p, int x, int y)
{
    return p[y * kFace + x] == kRed;
}

int redCount(const Picture &p)
{
    int n = 0;
    for (COLORREF c : p) n += c == kRed;
    return n;
}

void setBearing(HWND hwnd, LPARAM lParam)
{
    SendMessageA(hwnd, KAL_COMMAND, KC_ORIENTATION, lParam);
}

// One popup compass for the whole suite: creating windows is slow under Wine.
class Compass : public ::testing::Test {
   protected:
    static void SetUpTestSuite()
    {
        hwnd = kal_CreateCompass(200, 150, nullptr, 0);
        if (hwnd) SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    static void TearDownTestSuite()
    {
        if (hwnd) DestroyWindow(hwnd);
        hwnd = nullptr;
    }
    void SetUp() override { ASSERT_NE(hwnd, nullptr) << "no display: run under xvfb-run"; }
    static Picture at(LPARAM bearing)
    {
        setBearing(hwnd, bearing);
        return paintAndRead(hwnd);
    }
    static HWND hwnd;
};
HWND Compass::hwnd = nullptr;

}  // namespace

TEST_F(Compass, PopupOfTheFaceSizeWithAnEllipticRegion)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    EXPECT_EQ(rc.right, kFace);
    EXPECT_EQ(rc.bottom, kFace);
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CAPTION),
              WS_POPUP | WS_VISIBLE);
    HRGN actual = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(hwnd, actual), ERROR);
    // Same pixels as the ellipse (0, 0, 66, 66); the platform may split the
    // region into other rectangles, so the comparison is by point.
    HRGN ellipse = CreateEllipticRgn(0, 0, 66, 66);
    int differing = 0;
    for (int y = -1; y <= 67; ++y)
        for (int x = -1; x <= 67; ++x)
            differing += PtInRegion(actual, x, y) != PtInRegion(ellipse, x, y);
    EXPECT_EQ(differing, 0);
    EXPECT_FALSE(PtInRegion(actual, 0, 0));  // corners are not part of the window
    EXPECT_FALSE(PtInRegion(actual, 64, 64));
    EXPECT_TRUE(PtInRegion(actual, 32, 32));
    EXPECT_TRUE(PtInRegion(actual, 0, 32));
    EXPECT_TRUE(PtInRegion(actual, 64, 32));
    DeleteObject(actual);
    DeleteObject(ellipse);
}

TEST_F(Compass, NewWindowShowsTheBareFaceAndHidesEveryNeedle)
{
    EXPECT_GT(redCount(at(90)), 0);
    HWND second = kal_CreateCompass(300, 150, nullptr, 0);
    ASSERT_NE(second, nullptr);
    SetWindowPos(second, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Picture bare = paintAndRead(second);
    EXPECT_EQ(redCount(bare), 0);
    EXPECT_EQ(paintAndRead(hwnd), bare) << "the bearing is shared by all compass windows";
    EXPECT_NE(bare[32 * kFace + 32], 0u) << "the face is drawn";
    DestroyWindow(second);
}

TEST_F(Compass, NeedleAtTheWorkedBearings)
{
    struct Worked {
        int bearing;
        POINT tail, head;
    };
    const Worked table[] = {{0, {32, 50}, {32, 14}},
                            {45, {45, 45}, {19, 19}},
                            {90, {50, 32}, {14, 32}},
                            {180, {32, 14}, {32, 50}},
                            {270, {14, 32}, {50, 32}}};
    for (const Worked &w : table) {
        Picture p = at(w.bearing);
        EXPECT_TRUE(red(p, w.tail.x, w.tail.y)) << w.bearing << " tail";
        EXPECT_TRUE(red(p, 32, 32)) << w.bearing << " centre";
        // The dot (head - 2 .. head + 2) fills the head and its four neighbours.
        for (POINT d : {POINT{0, 0}, POINT{-1, 0}, POINT{1, 0}, POINT{0, -1}, POINT{0, 1}})
            EXPECT_TRUE(red(p, w.head.x + d.x, w.head.y + d.y))
                << w.bearing << " dot at " << d.x << "," << d.y;
        // Nothing red beyond the dot or beyond the tail.
        int ox = w.head.x - 32, oy = w.head.y - 32;
        EXPECT_FALSE(red(p, 32 + ox * 24 / 18, 32 + oy * 24 / 18)) << w.bearing;
        EXPECT_FALSE(red(p, 32 - ox * 21 / 18, 32 - oy * 21 / 18)) << w.bearing;
        // Nor across the needle.
        EXPECT_FALSE(red(p, 32 + oy * 10 / 18, 32 - ox * 10 / 18)) << w.bearing;
    }
}

TEST_F(Compass, EightBitScreenShowsTheNeedle)
{
    HDC screen = GetDC(nullptr);
    bool palette = GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE;
    ReleaseDC(nullptr, screen);
    if (!palette) GTEST_SKIP() << "no palette screen";
    // Pure red is one of the reserved system colours, so it survives the
    // 8-bit buffer unchanged.
    Picture p = at(0);
    EXPECT_TRUE(red(p, 32, 14));
    EXPECT_TRUE(red(p, 32, 50));
    EXPECT_FALSE(red(p, 14, 32));
    EXPECT_EQ(redCount(at(0x8000)), 0);
}

TEST_F(Compass, BearingsWrapAndNegativeOnesHideTheNeedle)
{
    EXPECT_EQ(at(360), at(0));
    EXPECT_EQ(at(725), at(5));
    EXPECT_EQ(at(32767), at(7));
    EXPECT_NE(at(5), at(0));
    EXPECT_EQ(at(0x12340000 | 90), at(90)) << "the high word is ignored";
    Picture bare = at(0x8000);
    EXPECT_EQ(redCount(bare), 0);
    EXPECT_EQ(redCount(at(0xFFFF)), 0);
    EXPECT_EQ(redCount(at(0x0001FFFF)), 0);
}

TEST_F(Compass, OtherCommandsNeitherChangeNorRepaint)
{
    Picture before = at(45);
    for (WPARAM code : {WPARAM(KC_TIMERTICK), WPARAM(7)}) {
        EXPECT_EQ(SendMessageA(hwnd, KAL_COMMAND, code, 90), 0);
        EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE)) << code;
    }
    EXPECT_EQ(paintAndRead(hwnd), before);
    setBearing(hwnd, 90);
    EXPECT_TRUE(GetUpdateRect(hwnd, nullptr, FALSE));
}

TEST_F(Compass, PopupDragsByItsFaceWithTheFourWayCursor)
{
    RECT wr;
    GetWindowRect(hwnd, &wr);
    LPARAM centre = MAKELPARAM(wr.left + 32, wr.top + 32);
    EXPECT_EQ(SendMessageA(hwnd, WM_NCHITTEST, 0, centre), HTCAPTION);
    SetCursor(nullptr);
    EXPECT_EQ(SendMessageA(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                           MAKELPARAM(HTCAPTION, WM_MOUSEMOVE)),
              0);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZEALL));
    EXPECT_EQ(SendMessageA(hwnd, WM_ERASEBKGND, 0, 0), 1);
}

TEST(CompassChild, AnswersTheDefaultsAndCarriesItsProperty)
{
    // A parent without a class cursor leaves the cursor request to the child.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KalCompassTestParent";
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP | WS_VISIBLE, 100, 100, 200,
                                  200, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(parent, nullptr);
    HWND child = kal_CreateCompass(10, 20, parent, 1);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    EXPECT_EQ(GetPropA(child, "child"), reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(GetWindowLongA(child, GWL_STYLE) & (WS_CHILD | WS_POPUP | WS_VISIBLE),
              WS_CHILD | WS_VISIBLE);
    RECT wr;
    GetWindowRect(child, &wr);
    EXPECT_EQ(wr.left, 110);
    EXPECT_EQ(wr.top, 120);
    LPARAM centre = MAKELPARAM(wr.left + 32, wr.top + 32);
    EXPECT_EQ(SendMessageA(child, WM_NCHITTEST, 0, centre), HTCLIENT);
    WPARAM self = reinterpret_cast<WPARAM>(child);
    LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    SetCursor(nullptr);
    LRESULT answer = SendMessageA(child, WM_SETCURSOR, self, overClient);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_SIZE)) << "the class cursor";
    EXPECT_EQ(answer, DefWindowProcA(child, WM_SETCURSOR, self, overClient));

    HWND popup = kal_CreateCompass(10, 20, parent, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetPropA(popup, "child"), nullptr);
    EXPECT_EQ(GetWindow(popup, GW_OWNER), parent);
    DestroyWindow(popup);
    DestroyWindow(parent);
}

// ---- GDI census -------------------------------------------------------------

namespace {

// Counts the GDI objects the engine creates and deletes by routing the
// engine's own imports of those functions through counters.
struct GdiCensus {
    static int live;
    static int created;

    static HDC WINAPI createCompatibleDC(HDC dc) { return count(CreateCompatibleDC(dc)); }
    static HBITMAP WINAPI createCompatibleBitmap(HDC dc, int w, int h)
    {
        return count(CreateCompatibleBitmap(dc, w, h));
    }
    static HPEN WINAPI createPen(int style, int width, COLORREF c)
    {
        return count(CreatePen(style, width, c));
    }
    static HBRUSH WINAPI createSolidBrush(COLORREF c) { return count(CreateSolidBrush(c)); }
    static BOOL WINAPI deleteDC(HDC dc) { return uncount(DeleteDC(dc)); }
    static BOOL WINAPI deleteObject(HGDIOBJ o) { return uncount(DeleteObject(o)); }

    template <typename H>
    static H count(H h)
    {
        if (h) {
            ++live;
            ++created;
        }
        return h;
    }
    static BOOL uncount(BOOL ok)
    {
        if (ok) --live;
        return ok;
    }
};
int GdiCensus::live = 0;
int GdiCensus::created = 0;

struct Hook {
    const char *name;
    void *replacement;
    void **slot = nullptr;
    void *original = nullptr;
};

// The import address slot of module for dll!name, or null.
void **importSlot(HMODULE module, const char *dll, const char *name)
{
    auto base = reinterpret_cast<uint8_t *>(module);
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    auto nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + dir.VirtualAddress);
         imp->Name; ++imp) {
        if (lstrcmpiA(reinterpret_cast<char *>(base + imp->Name), dll) != 0) continue;
        auto names = reinterpret_cast<IMAGE_THUNK_DATA *>(base + imp->OriginalFirstThunk);
        auto slots = reinterpret_cast<IMAGE_THUNK_DATA *>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<char *>(byName->Name), name) == 0)
                return reinterpret_cast<void **>(&slots->u1.Function);
        }
    }
    return nullptr;
}

void writeSlot(void **slot, void *value)
{
    DWORD old;
    VirtualProtect(slot, sizeof(void *), PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof(void *), old, &old);
}

}  // namespace

TEST_F(Compass, PaintingAThousandTimesLeavesNoGdiObjectBehind)
{
    setBearing(hwnd, 45);
    Hook hooks[] = {
        {"CreateCompatibleDC", reinterpret_cast<void *>(&GdiCensus::createCompatibleDC)},
        {"CreateCompatibleBitmap", reinterpret_cast<void *>(&GdiCensus::createCompatibleBitmap)},
        {"CreatePen", reinterpret_cast<void *>(&GdiCensus::createPen)},
        {"CreateSolidBrush", reinterpret_cast<void *>(&GdiCensus::createSolidBrush)},
        {"DeleteDC", reinterpret_cast<void *>(&GdiCensus::deleteDC)},
        {"DeleteObject", reinterpret_cast<void *>(&GdiCensus::deleteObject)},
    };
    HMODULE engine = GetModuleHandleA("kalengine.dll");
    for (Hook &h : hooks) {
        h.slot = importSlot(engine, "gdi32.dll", h.name);
        ASSERT_NE(h.slot, nullptr) << h.name;
        h.original = *h.slot;
        writeSlot(h.slot, h.replacement);
    }
    GdiCensus::live = GdiCensus::created = 0;
    DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 1000; ++i) {
        InvalidateRect(hwnd, nullptr, FALSE);
        UpdateWindow(hwnd);
    }
    DWORD gdiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (Hook &h : hooks) writeSlot(h.slot, h.original);
    EXPECT_EQ(GdiCensus::created, 5000) << "two contexts, a bitmap, a pen and a brush per paint";
    EXPECT_EQ(GdiCensus::live, 0);
    EXPECT_EQ(gdiAfter, gdiBefore) << "zero on platforms that do not count";
}

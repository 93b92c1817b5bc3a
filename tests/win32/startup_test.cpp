// Library start-up: the window classes registered at load, the host's use of
// them, the cursors and compass face among the resources, and the release of
// the class names at unload (checked in a child process on a copy of the DLL).
#include <windows.h>

#include <gtest/gtest.h>

#include "core/kalengine.h"
#include "common/test_images.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char *kNavigateClass = "Kalvoria:Navigate";
constexpr const char *kCompassClass = "Kalvoria:Compass";
constexpr const char *kChildSwitch = "KAL_STARTUP_CHILD";

HMODULE engine()
{
    return GetModuleHandleA("kalengine.dll");
}

template <typename Fn>
Fn procAddress(HMODULE module, const char *name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

std::string engineDirectory()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(engine(), path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

void expectClass(const char *name, LPCSTR systemCursor)
{
    WNDCLASSA wc = {};
    ASSERT_TRUE(GetClassInfoA(nullptr, name, &wc)) << name;
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_GLOBALCLASS)) << name;
    EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, systemCursor)) << name;
    EXPECT_EQ(wc.hIcon, nullptr) << name;
    EXPECT_EQ(wc.hbrBackground, nullptr) << name;
    EXPECT_EQ(wc.lpszMenuName, nullptr) << name;
    EXPECT_EQ(wc.cbClsExtra, 0) << name;
    EXPECT_EQ(wc.cbWndExtra, 0) << name;
}

// Module that registered the compass class, read from a window of it.
HMODULE compassClassOwner()
{
    HWND hwnd = CreateWindowExA(0, kCompassClass, "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (!hwnd) return nullptr;
    auto owner = reinterpret_cast<HMODULE>(GetClassLongPtrA(hwnd, GCLP_HMODULE));
    DestroyWindow(hwnd);
    return owner;
}

// Mask (AND) bits of a cursor, row 0 at the top: true where the cursor is opaque.
std::vector<bool> opaquePixels(HCURSOR cursor, POINT &hotspot)
{
    ICONINFO info = {};
    if (!GetIconInfo(cursor, &info)) return {};
    hotspot = {static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
    std::vector<bool> opaque;
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof(mask), &mask);
    if (mask.bmWidth == 32 && mask.bmHeight == 64 && !info.hbmColor) {
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD c[2];
        } bi = {};
        bi.h.biSize = sizeof(bi.h);
        bi.h.biWidth = 32;
        bi.h.biHeight = -64;
        bi.h.biPlanes = 1;
        bi.h.biBitCount = 1;
        uint32_t rows[64] = {};
        HDC dc = GetDC(nullptr);
        GetDIBits(dc, info.hbmMask, 0, 64, rows, reinterpret_cast<BITMAPINFO *>(&bi),
                  DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const uint8_t *row = reinterpret_cast<const uint8_t *>(&rows[y]);
                opaque.push_back(!((row[x / 8] >> (7 - x % 8)) & 1));
            }
    }
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return opaque;
}

}  // namespace

TEST(Startup, BothClassesAreRegisteredAsTheClassTableSays)
{
    expectClass(kNavigateClass, IDC_ARROW);
    expectClass(kCompassClass, IDC_SIZE);
    WNDCLASSA wc = {};
    ASSERT_TRUE(GetClassInfoA(nullptr, kNavigateClass, &wc));
    EXPECT_EQ(reinterpret_cast<void *>(wc.lpfnWndProc),
              reinterpret_cast<void *>(GetProcAddress(engine(), "KalNavigate")));
    ASSERT_TRUE(GetClassInfoA(nullptr, kCompassClass, &wc));
    EXPECT_EQ(reinterpret_cast<void *>(wc.lpfnWndProc),
              reinterpret_cast<void *>(GetProcAddress(engine(), "KalCompass")));
    EXPECT_EQ(compassClassOwner(), engine());
}

TEST(Startup, ThreadAttachAndDetachLeaveTheClassesAlone)
{
    std::thread([] {}).join();
    std::thread([] {}).join();
    expectClass(kNavigateClass, IDC_ARROW);
    expectClass(kCompassClass, IDC_SIZE);
}

TEST(Startup, HostCreatesANavigationWindowWithItsOwnInstance)
{
    std::vector<uint8_t> dib = kaltest::makePackedDib(1284, 480);
    RECT viewport = {0, 0, 320, 240};
    HPANORAMA pano = kal_Create(kaltest::asInfo(dib), kaltest::rowsOf(dib), &viewport, nullptr);
    ASSERT_NE(pano, nullptr) << "error " << kal_Error(nullptr);
    HWND hwnd = CreateWindowExA(0, kNavigateClass, "", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr,
                                GetModuleHandleA(nullptr), pano);
    ASSERT_NE(hwnd, nullptr) << "no display: run under xvfb-run";
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    EXPECT_STREQ(name, kNavigateClass);
    EXPECT_EQ(GetPropA(hwnd, "kal"), reinterpret_cast<HANDLE>(pano));
    EXPECT_EQ(kal_GetHandle(pano, KAL_HANDLE_VIEWERWND), reinterpret_cast<HANDLE>(hwnd));
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_TRUE(kal_Delete(pano, FALSE));
}

TEST(StartupResources, TenCursorsWithTheirSizesAndHotspots)
{
    const char *const names[] = {"nomove", "up",      "down",     "left",      "right",
                                 "upleft", "upright", "downleft", "downright", "point"};
    for (const char *name : names) {
        HCURSOR cursor = LoadCursorA(engine(), name);
        ASSERT_NE(cursor, nullptr) << name;
        POINT hot = {};
        std::vector<bool> opaque = opaquePixels(cursor, hot);
        ASSERT_EQ(opaque.size(), 32u * 32u) << name << ": not a 32 x 32 monochrome cursor";
        POINT expected = std::string(name) == "point" ? POINT{5, 1} : POINT{15, 15};
        EXPECT_EQ(hot.x, expected.x) << name;
        EXPECT_EQ(hot.y, expected.y) << name;
        EXPECT_TRUE(opaque[hot.y * 32 + hot.x]) << name << ": hotspot on a clear pixel";
        EXPECT_FALSE(opaque[0]) << name << ": corner should be clear";
    }
    // Names are matched without regard to case.
    EXPECT_EQ(LoadCursorA(engine(), "NoMove"), LoadCursorA(engine(), "nomove"));
}

TEST(StartupResources, ArrowheadsSitOnTheSideOfTheirDirection)
{
    struct Case {
        const char *name;
        int dx, dy;
    };
    const Case cases[] = {{"up", 0, -1},       {"down", 0, 1},     {"left", -1, 0},
                          {"right", 1, 0},     {"upleft", -1, -1}, {"upright", 1, -1},
                          {"downleft", -1, 1}, {"downright", 1, 1}};
    for (const Case &c : cases) {
        POINT hot = {};
        std::vector<bool> opaque = opaquePixels(LoadCursorA(engine(), c.name), hot);
        ASSERT_EQ(opaque.size(), 32u * 32u) << c.name;
        // Centre of the opaque pixels outside the disc around the hotspot.
        double sx = 0, sy = 0;
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (opaque[y * 32 + x] && std::hypot(x - 15, y - 15) > 7.5) {
                    sx += x - 15;
                    sy += y - 15;
                    ++n;
                }
        ASSERT_GT(n, 8) << c.name;
        double angle = std::atan2(sy / n, sx / n);
        double expected = std::atan2(double(c.dy), double(c.dx));
        double diff = std::remainder(angle - expected, 2 * 3.141592653589793);
        EXPECT_LT(std::fabs(diff), 0.2) << c.name;
    }
    POINT hot = {};
    std::vector<bool> plain = opaquePixels(LoadCursorA(engine(), "nomove"), hot);
    ASSERT_EQ(plain.size(), 32u * 32u);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (std::hypot(x - 15, y - 15) > 7.5) {
                EXPECT_FALSE(plain[y * 32 + x]) << "nomove has only the disc: " << x << "," << y;
            }
}

TEST(StartupResources, CompassFaceIs65By65With16Colours)
{
    HBITMAP face = LoadBitmapA(engine(), "compass");
    ASSERT_NE(face, nullptr);
    BITMAP bm = {};
    ASSERT_EQ(GetObjectA(face, sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
    EXPECT_EQ(bm.bmWidth, 65);
    EXPECT_EQ(bm.bmHeight, 65);
    DeleteObject(face);

    HRSRC res = FindResourceA(engine(), "COMPASS", MAKEINTRESOURCEA(2));  // RT_BITMAP
    ASSERT_NE(res, nullptr);
    const BITMAPINFOHEADER *h =
        static_cast<const BITMAPINFOHEADER *>(LockResource(LoadResource(engine(), res)));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->biBitCount, 4);
    EXPECT_EQ(h->biWidth, 65);
    EXPECT_EQ(h->biHeight, 65);
    const RGBQUAD *colours = reinterpret_cast<const RGBQUAD *>(h + 1);
    EXPECT_EQ(colours[4].rgbBlue, 0x80);  // dark blue of the standard table
    EXPECT_EQ(colours[7].rgbRed, 0xC0);   // light grey
    EXPECT_EQ(colours[15].rgbGreen, 0xFF);
}

// ---- unload, in a child process --------------------------------------------

namespace {

// Renames the COMPASS bitmap resource in a copied DLL (its name is stored
// once, as a counted UTF-16 string), so that the face no longer loads.
bool renameFace(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char> bytes(GetFileSize(file, nullptr));
    DWORD done = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    const char name[] = "\x07\0C\0O\0M\0P\0A\0S\0S";
    auto at = std::search(bytes.begin(), bytes.end(), name, name + sizeof(name) - 1);
    bool found = at != bytes.end();
    if (found) {
        *(at + sizeof(name) - 2) = 'X';  // COMPASS -> COMPASX
        SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    }
    CloseHandle(file);
    return found;
}

// Copies the engine under another file name, optionally without its compass face.
std::string engineCopy(const char *fileName, bool withoutFace)
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string copy = std::string(temp) + fileName;
    if (!CopyFileA((engineDirectory() + "kalengine.dll").c_str(), copy.c_str(), FALSE)) return {};
    if (withoutFace && !renameFace(copy)) return {};
    return copy;
}

bool classExists(const char *name)
{
    WNDCLASSA wc;
    return GetClassInfoA(nullptr, name, &wc) != 0;
}

using CreateCompassFn = HWND(WINAPI *)(int, int, HWND, int);

}  // namespace

// Runs only as the child of the test below: its copy of the engine must own
// the class names, so the implicitly loaded engine gives them up first.
TEST(StartupChild, UnloadFreesTheClassNames)
{
    if (!GetEnvironmentVariableA(kChildSwitch, nullptr, 0))
        GTEST_SKIP() << "runs in the child process of Startup.UnloadFreesTheClassNames";
    ASSERT_TRUE(UnregisterClassA(kNavigateClass, engine()));
    ASSERT_TRUE(UnregisterClassA(kCompassClass, engine()));

    std::string path = engineCopy("kal_startup_copy.dll", false);
    ASSERT_FALSE(path.empty());
    HMODULE copy = LoadLibraryA(path.c_str());
    ASSERT_NE(copy, nullptr);
    auto createCompass = procAddress<CreateCompassFn>(copy, "kal_CreateCompass");
    ASSERT_NE(createCompass, nullptr);
    HWND compass = createCompass(0, 0, nullptr, 0);
    ASSERT_NE(compass, nullptr);
    EXPECT_EQ(reinterpret_cast<HMODULE>(GetClassLongPtrA(compass, GCLP_HMODULE)), copy);
    DestroyWindow(compass);
    EXPECT_TRUE(FreeLibrary(copy));
    EXPECT_FALSE(classExists(kNavigateClass));
    EXPECT_FALSE(classExists(kCompassClass));
    DeleteFileA(path.c_str());

    // A library without its compass face still loads and registers, but makes
    // no compass window of no size.
    path = engineCopy("kal_startup_noface.dll", true);
    ASSERT_FALSE(path.empty());
    copy = LoadLibraryA(path.c_str());
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(classExists(kCompassClass));
    createCompass = procAddress<CreateCompassFn>(copy, "kal_CreateCompass");
    ASSERT_NE(createCompass, nullptr);
    EXPECT_EQ(createCompass(0, 0, nullptr, 0), nullptr);
    EXPECT_EQ(createCompass(0, 0, nullptr, 1), nullptr);
    EXPECT_TRUE(FreeLibrary(copy));
    EXPECT_FALSE(classExists(kCompassClass));
    DeleteFileA(path.c_str());
}

TEST(Startup, UnloadFreesTheClassNames)
{
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = std::string("\"") + exe + "\" --gtest_filter=StartupChild.*";
    SetEnvironmentVariableA(kChildSwitch, "1");
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    BOOL started =
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(kChildSwitch, nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u) << "the child's failures are printed above";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

TEST(Startup, ASecondCopyLoadsWithoutTakingTheClasses)
{
    // The names belong to the implicitly loaded engine; a copy registers
    // nothing and, at its unload, must not take them away.
    std::string path = engineCopy("kal_startup_second.dll", false);
    ASSERT_FALSE(path.empty());
    HMODULE copy = LoadLibraryA(path.c_str());
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(FreeLibrary(copy));
    expectClass(kNavigateClass, IDC_ARROW);
    expectClass(kCompassClass, IDC_SIZE);
    EXPECT_EQ(compassClassOwner(), engine());
    DeleteFileA(path.c_str());
}

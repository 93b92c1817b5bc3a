// Drives the real kaldemo.exe: process start and end, window look-ups by
// class and owner process, message boxes, the open dialog, clicks.
#include "demo_driver.h"

#include <cstring>

#include "common/bmp_writer.h"

namespace demotest {

namespace {

constexpr char kCaption[] = "Kalvoria demo";

std::string className(HWND hwnd)
{
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string windowText(HWND hwnd)
{
    char text[512] = "";
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

struct Search {
    DWORD pid;
    const char *className;  // compared without regard to case
    bool captioned;         // true: the caption must be "Kalvoria demo"; false: must not
    bool anyCaption;
    HWND found;
};

BOOL CALLBACK findTopLevel(HWND hwnd, LPARAM param)
{
    auto *s = reinterpret_cast<Search *>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
    if (lstrcmpiA(className(hwnd).c_str(), s->className) != 0) return TRUE;
    if (!s->anyCaption) {
        char caption[64] = "";
        GetWindowTextA(hwnd, caption, sizeof caption);
        if ((std::strcmp(caption, kCaption) == 0) != s->captioned) return TRUE;
    }
    s->found = hwnd;
    return FALSE;
}

HWND findWindow(DWORD pid, const char *cls, bool anyCaption, bool captioned)
{
    Search s{pid, cls, captioned, anyCaption, nullptr};
    EnumWindows(findTopLevel, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

struct ChildSearch {
    const char *className;
    HWND found;
    std::string longestText;
};

BOOL CALLBACK findChild(HWND hwnd, LPARAM param)
{
    auto *s = reinterpret_cast<ChildSearch *>(param);
    if (lstrcmpiA(className(hwnd).c_str(), s->className) != 0) return TRUE;
    std::string text = windowText(hwnd);
    if (!s->found || text.size() > s->longestText.size()) {
        s->found = hwnd;
        s->longestText = text;
    }
    return TRUE;
}

ChildSearch searchChildren(HWND parent, const char *cls)
{
    ChildSearch s{cls, nullptr, ""};
    EnumChildWindows(parent, findChild, reinterpret_cast<LPARAM>(&s));
    return s;
}

}  // namespace

DemoProcess::DemoProcess(const std::string &path)
{
    std::string commandLine = "kaldemo.exe";
    if (!path.empty()) commandLine += " \"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    if (!CreateProcessA("kaldemo.exe", buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info_))
        return;
    WaitForInputIdle(info_.hProcess, 10000);
    waitFor([&] { return (main_ = topLevel("panorama:main")) != nullptr; });
}

DemoProcess::~DemoProcess()
{
    if (!info_.hProcess) return;
    // Closing the active window costs Wine a two-second activation timeout;
    // the exit itself has a test of its own, so the rest end it at once.
    if (!exited()) TerminateProcess(info_.hProcess, 0);
    WaitForSingleObject(info_.hProcess, 5000);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

DWORD DemoProcess::exitCode() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

bool DemoProcess::exited(DWORD waitMs) const
{
    return WaitForSingleObject(info_.hProcess, waitMs) == WAIT_OBJECT_0;
}

void DemoProcess::settle() const
{
    // A sent message is handled before the posted ones that wait, so the
    // second one usually returns after those have been dispatched; but the
    // demo also answers sent messages while it waits inside a handler, so
    // this is no barrier: tests wait for what they expect to see.
    for (int i = 0; i < 2; ++i)
        SendMessageTimeoutA(main_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
    Sleep(50);
}

void DemoProcess::command(int id) const
{
    PostMessageA(main_, WM_COMMAND, WPARAM(id), 0);
    settle();
}

HWND DemoProcess::viewer() const
{
    HWND child = FindWindowExA(main_, nullptr, "Kalvoria:Navigate", nullptr);
    return child && IsWindowVisible(child) ? child : nullptr;
}

HWND DemoProcess::waitForViewer(DWORD waitMs) const
{
    HWND view = nullptr;
    waitFor([&] { return (view = viewer()) != nullptr; }, waitMs);
    return view;
}

bool DemoProcess::waitForNoViewer(DWORD waitMs) const
{
    return waitFor([&] { return viewer() == nullptr; }, waitMs);
}

HWND DemoProcess::topLevel(const char *cls) const
{
    return findWindow(pid(), cls, true, false);
}

HWND DemoProcess::waitForTopLevel(const char *cls, DWORD waitMs) const
{
    HWND found = nullptr;
    waitFor([&] { return (found = topLevel(cls)) != nullptr; }, waitMs);
    return found;
}

std::string DemoProcess::takeMessageBox(DWORD waitMs) const
{
    HWND box = nullptr;
    if (!waitFor([&] { return (box = findWindow(pid(), "#32770", false, true)) != nullptr; },
                 waitMs))
        return "";
    std::string text;
    // The box fills in its text while it is being created.
    waitFor([&] { return !(text = searchChildren(box, "Static").longestText).empty(); }, 2000);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    waitFor([&] { return !IsWindow(box); }, 5000);
    settle();
    return text;
}

HWND DemoProcess::openDialog(DWORD waitMs) const
{
    HWND dlg = nullptr;
    waitFor([&] { return (dlg = findWindow(pid(), "#32770", false, false)) != nullptr; }, waitMs);
    return dlg;
}

bool DemoProcess::openThroughDialog(const std::string &path) const
{
    PostMessageA(main_, WM_COMMAND, kOpen, 0);
    HWND dlg = openDialog(10000);
    if (!dlg) return false;
    HWND edit = nullptr;
    waitFor([&] { return (edit = searchChildren(dlg, "Edit").found) != nullptr; }, 5000);
    if (!edit) return false;
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
    bool closed = waitFor([&] { return !IsWindow(dlg); }, 10000);
    settle();
    return closed;
}

bool DemoProcess::cancelOpenDialog() const
{
    PostMessageA(main_, WM_COMMAND, kOpen, 0);
    HWND dlg = openDialog(10000);
    if (!dlg) return false;
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
    bool closed = waitFor([&] { return !IsWindow(dlg); }, 10000);
    settle();
    return closed;
}

void DemoProcess::clickViewer(int x, int y) const
{
    HWND view = viewer();
    PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

SIZE clientSize(HWND hwnd)
{
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

std::vector<DWORD> grabScreen(const RECT &area)
{
    const int w = area.right - area.left, h = area.bottom - area.top;
    std::vector<DWORD> pixels(size_t(w) * h);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size() * 4);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (DWORD &p : pixels) p &= 0xFFFFFF;
    return pixels;
}

int countColour(const std::vector<DWORD> &pixels, DWORD rgb)
{
    int n = 0;
    for (DWORD p : pixels) n += p == rgb;
    return n;
}

std::string testFolder()
{
    static const std::string folder = [] {
        std::string dir = kaltest::tempPath("kaldemo_tests");
        CreateDirectoryA(dir.c_str(), nullptr);
        return dir;
    }();
    return folder;
}

std::string writePanorama(const std::string &name, int width, int height, const char *attributes)
{
    std::vector<uint8_t> indices(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            indices[size_t(y) * width + x] = uint8_t((x / 16 + y / 16) % 2 ? x % 200 : 250);
    const std::string base = testFolder() + "\\" + name;
    const std::string path = base + ".bmp";
    kaltest::writeBytes(path, kaltest::bmpBytes(kaltest::makeBmp8(indices, width, height, false)));
    const std::string kal = base + ".KAL";
    if (attributes)
        kaltest::writeBytes(kal,
                            std::vector<uint8_t>(attributes, attributes + std::strlen(attributes)));
    else
        DeleteFileA(kal.c_str());
    return path;
}

}  // namespace demotest

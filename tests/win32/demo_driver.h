// Drives the real kaldemo.exe from the Windows tests: starts it, finds its
// windows by class, posts its commands, and reads and dismisses its message
// boxes. Every wait is bounded.
#ifndef KAL_DEMO_DRIVER_H
#define KAL_DEMO_DRIVER_H

#include <windows.h>

#include <string>
#include <vector>

namespace demotest {

// How long a test waits for what it expects to see. Success ends a wait at
// once, so this costs only when something is wrong; it is generous because
// CI shares two cores with builds, and Wine can stall for seconds there.
constexpr DWORD kPatientMs = 20000;

// Polls cond until it holds or waitMs have passed; returns its last answer.
template <typename Cond>
bool waitFor(Cond cond, DWORD waitMs = kPatientMs)
{
    for (DWORD waited = 0;; waited += 20) {
        if (cond()) return true;
        if (waited >= waitMs) return false;
        Sleep(20);
    }
}

// Menu command ids of the demo.
enum : int {
    kExit = 100,
    kOpen = 102,
    kClose = 103,
    kAbout = 104,
    kAutoScale = 110,
    kSize320 = 111,
    kSize640 = 112,
    kCompass = 113,
    kZoomNoLimit = 114,
    kZoom5 = 115,
    kZoom10 = 116
};

// One running kaldemo.exe; ended when the object goes.
class DemoProcess {
   public:
    // Starts kaldemo.exe from the working folder with an optional file
    // argument and waits for its main window.
    explicit DemoProcess(const std::string &path = "");
    ~DemoProcess();
    DemoProcess(const DemoProcess &) = delete;
    DemoProcess &operator=(const DemoProcess &) = delete;

    HWND mainWnd() const { return main_; }
    DWORD pid() const { return info_.dwProcessId; }
    bool exited(DWORD waitMs = 0) const;
    DWORD exitCode() const;

    // Returns once the demo has handled what was posted before (or entered
    // a modal loop, such as a message box, while handling it).
    void settle() const;
    // Posts a menu command and settles.
    void command(int id) const;
    // The navigation window over the client area, or NULL.
    HWND viewer() const;
    // The navigation window once there is one (NULL after waitMs), and
    // whether it has gone within waitMs.
    HWND waitForViewer(DWORD waitMs = kPatientMs) const;
    bool waitForNoViewer(DWORD waitMs = kPatientMs) const;
    // A top-level window of this process with the class, or NULL.
    HWND topLevel(const char *className) const;
    HWND waitForTopLevel(const char *className, DWORD waitMs = kPatientMs) const;
    // The text of the next "Kalvoria demo" box within waitMs, which is then
    // dismissed with OK; "" when none appeared.
    std::string takeMessageBox(DWORD waitMs = kPatientMs) const;
    // Picks a file through the open dialog of "File/Open...".
    bool openThroughDialog(const std::string &path) const;
    // Opens the dialog of "File/Open..." and cancels it.
    bool cancelOpenDialog() const;
    // A click (button press and release) at a client point of the viewer.
    void clickViewer(int x, int y) const;
    // The window of the demo's thread that has the keyboard focus, or NULL;
    // keys typed now go to it.
    HWND focus() const;

   private:
    HWND openDialog(DWORD waitMs) const;

    PROCESS_INFORMATION info_{};
    HWND main_ = nullptr;
};

// The client size of a window.
SIZE clientSize(HWND hwnd);

// Screen pixels (0x00RRGGBB) under a window's rectangle, row by row.
std::vector<DWORD> grabScreen(const RECT &area);
int countColour(const std::vector<DWORD> &pixels, DWORD rgb);

// Test files in a folder of the temporary directory.
std::string testFolder();
// An 8-bit BMP file of the given size with a varied pattern; when
// attributes is not null, also the ".KAL" file of the same name.
std::string writePanorama(const std::string &name, int width, int height,
                          const char *attributes = nullptr);
// Attributes that make the whole of a 1284x240 panorama one hotspot, "Door":
// any click in the viewer selects it.
inline const char kDoorEverywhere[] = "hotspot(0 0 5000 240 Door 'to the hall')";

}  // namespace demotest

#endif

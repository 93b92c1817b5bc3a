// Frame cost of the navigation window under Wine: one motion tick (move,
// render, paint into the real window) against the bare kal_GetView of the
// same view, measured in one run and printed as a ratio.
#include "bench_panorama.h"
#include "best_of.h"
#include "core/kalengine.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kBatches = 7;
constexpr int kRounds = 40;

// Drops the notifications the ticks post, so the queue never fills.
void drain()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Ticks and paints post messages, so their rounds empty the queue as a real
// message loop would; a bare render posts nothing and is timed alone.
template <typename Step>
double perCall(Step step, bool drainEach = true)
{
    return bestPerCall(kBatches, kRounds, step, [drainEach] {
        if (drainEach) drain();
    });
}

bool measure(HWND host, int width, int height)
{
    std::vector<uint8_t> dib;
    HPANORAMA pan = makeBenchPanorama(width, height, dib);
    if (!pan) return false;
    kal_SetValue(pan, KAL_VALUE_SPEED, 0);  // no timer: ticks come from here only
    HWND nav = kal_CreateWindow(pan, 0, host);
    SendMessageA(nav, WM_KEYDOWN, VK_RIGHT, 0);  // hold an arrow: the view keeps moving
    drain();

    double view = perCall([&] { kal_GetView(pan, nullptr); }, false);
    double tick = perCall([&] { SendMessageA(nav, KAL_COMMAND, KC_TIMERTICK, 0); });
    double paint = perCall([&] {
        InvalidateRect(nav, nullptr, FALSE);
        UpdateWindow(nav);
    });
    std::printf(
        "%4dx%-4d  kal_GetView %8.1f us  tick %8.1f us  paint %8.1f us  "
        "tick/view %5.2f  paint/view %5.2f\n",
        width, height, view * 1e6, tick * 1e6, paint * 1e6, tick / view, paint / view);
    SendMessageA(nav, WM_KEYUP, VK_RIGHT, 0);
    kal_Delete(pan, FALSE);
    return true;
}

}  // namespace

int main()
{
    HWND host = CreateWindowExA(0, "STATIC", "bench", WS_POPUP, 0, 0, 660, 500, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (!host) {
        std::printf("no display: run under xvfb-run\n");
        return 1;
    }
    ShowWindow(host, SW_SHOWNOACTIVATE);
    std::printf("navigation frame, best of %d x %d rounds (%s DLL under Wine, real window)\n",
                kBatches, kRounds, sizeof(void *) == 8 ? "x86-64" : "i686");
    bool ok = measure(host, 320, 240) && measure(host, 640, 480);
    DestroyWindow(host);
    return ok ? 0 : 1;
}

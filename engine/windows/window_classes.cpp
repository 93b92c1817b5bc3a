// The library's window classes and the resources they share: the cursor set
// and the compass face, loaded at attach and released at detach.
#include "library_state.h"

#include "core/kalengine.h"

HINSTANCE moduleInstance = nullptr;
HBITMAP compassBitmap = nullptr;

namespace {

// Resource names of the library's cursors, in KalCursorId order after Arrow.
constexpr const char *kCursorNames[] = {"nomove", "up",      "down",     "left",      "right",
                                        "upleft", "upright", "downleft", "downright", "point"};
static_assert(sizeof(kCursorNames) / sizeof(kCursorNames[0]) + 1 ==
                  static_cast<size_t>(KalCursorId::Count),
              "one resource name per library cursor");

HCURSOR cursors[static_cast<int>(KalCursorId::Count)];

// Whether this module registered each class. A second copy of the library in
// the process finds the names taken by the first; it must not unregister
// them at its detach (some platforms match global classes by name alone).
bool navigateRegistered = false;
bool compassRegistered = false;

void loadResources(HINSTANCE instance)
{
    cursors[0] = LoadCursorA(nullptr, IDC_ARROW);
    for (size_t i = 0; i < sizeof(kCursorNames) / sizeof(kCursorNames[0]); ++i)
        cursors[i + 1] = LoadCursorA(instance, kCursorNames[i]);
    compassBitmap = LoadBitmapA(instance, "compass");
}

ATOM registerClass(HINSTANCE instance, const char *name, WNDPROC proc, LPCSTR cursor)
{
    WNDCLASSA wc = {};
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, cursor);
    wc.lpszClassName = name;
    return RegisterClassA(&wc);
}

}  // namespace

HCURSOR kalCursor(KalCursorId id)
{
    int index = static_cast<int>(id);
    if (index < 0 || index >= static_cast<int>(KalCursorId::Count)) return nullptr;
    return cursors[index];
}

int registerWindowClasses(HINSTANCE instance)
{
    loadResources(instance);
    navigateRegistered = registerClass(instance, kNavigateClass, KalNavigate, IDC_ARROW) != 0;
    if (!navigateRegistered) return 0;
    compassRegistered = registerClass(instance, kCompassClass, KalCompass, IDC_SIZE) != 0;
    return compassRegistered ? 1 : 0;
}

void unregisterWindowClasses()
{
    if (compassBitmap) DeleteObject(compassBitmap);
    compassBitmap = nullptr;
    if (navigateRegistered) UnregisterClassA(kNavigateClass, moduleInstance);
    if (compassRegistered) UnregisterClassA(kCompassClass, moduleInstance);
    navigateRegistered = compassRegistered = false;
}

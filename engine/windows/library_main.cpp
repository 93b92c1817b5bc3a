// Library entry: at attach the engine keeps its module instance, probes the
// screen for palette support and registers its window classes; at detach it
// releases them. Loading never fails on account of this.
#include "library_state.h"

#include "core/palette.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            moduleInstance = instance;
            setPaletteDevice(probePaletteDevice());
            registerWindowClasses(instance);
            break;
        case DLL_PROCESS_DETACH:
            unregisterWindowClasses();
            break;
        default:  // thread attach and detach
            break;
    }
    return TRUE;
}

// Palette and window handles of a panorama by code: kal_GetHandle and
// kal_SetHandle, with the palette's ownership passing back to the caller.
#include "core/panorama.h"
#include "core/viewer_window.h"

namespace {

// A caller's palette stays the caller's: the engine deletes only its own,
// at the moment it is replaced. Handing the engine's own palette back
// changes nothing, so the record never keeps a palette it deleted.
void replacePalette(Panorama *rec, HPALETTE palette)
{
    if (palette != rec->palette || !rec->ownsPalette) {
        if (rec->ownsPalette && rec->palette) DeleteObject(rec->palette);
        rec->palette = palette;
        rec->ownsPalette = 0;
    }
    invalidateViewer(rec);
}

}  // namespace

extern "C" HANDLE KALAPI kal_GetHandle(HPANORAMA Panorama, UINT Code)
{
    setError(Panorama, KAL_ERR_NONE);
    if (!Panorama) {
        setError(nullptr, KAL_ERR_PARAM);
        return nullptr;
    }
    switch (Code) {
        case KAL_HANDLE_PALETTE:
            return Panorama->palette;
        case KAL_HANDLE_VIEWERWND:
            return Panorama->viewerWnd;
        case KAL_HANDLE_NOTIFYWND:
            return Panorama->notifyWnd;
        default:
            setError(Panorama, KAL_ERR_PARAM);
            return nullptr;
    }
}

extern "C" BOOL KALAPI kal_SetHandle(HPANORAMA Panorama, UINT Code, HANDLE Handle)
{
    setError(Panorama, KAL_ERR_NONE);
    if (!Panorama) return setError(nullptr, KAL_ERR_PARAM);
    switch (Code) {
        case KAL_HANDLE_PALETTE:
            replacePalette(Panorama, static_cast<HPALETTE>(Handle));
            return 1;
        case KAL_HANDLE_NOTIFYWND: {
            // Anything but a live window switches notifications off, without an error.
            const auto window = static_cast<HWND>(Handle);
            Panorama->notifyWnd = IsWindow(window) ? window : nullptr;
            return Panorama->notifyWnd ? 1 : 0;
        }
        default:  // the navigation window is set by its own creation only
            return setError(Panorama, KAL_ERR_PARAM);
    }
}

// The open flow: load a BMP file and the attribute file beside it, scale the
// image when it is too small for the window, and put a panorama with its
// navigation window on show. Every path that ends without a panorama releases
// the image and any hotspot array.
#include <windows.h>

#include <commdlg.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#include "../host/include/kalhost/bmp_extent.h"
#include "../host/include/kalhost/bmp_header.h"
#include "demo_state.h"
#include "../host/include/kalhost/image_fit.h"
#include "menu_ids.h"
#include "messages.h"
#include "../host/include/kalhost/replace_extension.h"

using kalhost::bmpEndsEarly;
using kalhost::checkImageFit;
using kalhost::ImageFit;
using kalhost::kBmpHeadBytes;
using kalhost::replaceExtension;
using kalhost::scaledImageSize;

namespace kaldemo {

namespace {

constexpr DWORD kPathSize = 256;
// The original OPENFILENAME layout, whatever the headers' struct has grown to:
// it ends with lpTemplateName (76 bytes on i686, 136 on x86-64).
constexpr DWORD kOpenFileNameSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);

struct FreeBlock {
    void operator()(void *block) const { kal_FreeResource(block); }
};
using ImageBlock = std::unique_ptr<void, FreeBlock>;

// An attribute block that releases the hotspot array it was given until a
// panorama takes the array over.
class AttribBlock {
   public:
    AttribBlock() : attribs_() {}
    AttribBlock(const AttribBlock &) = delete;
    AttribBlock &operator=(const AttribBlock &) = delete;
    ~AttribBlock()
    {
        if ((attribs_.flags & KAL_ATTRIB_OWNHOTSPOTS) && attribs_.hotSpots)
            kal_FreeResource(attribs_.hotSpots);
    }
    KalAttribs *get() { return &attribs_; }
    // The panorama made from the block owns its array now.
    void handedOver()
    {
        attribs_.flags &= ~DWORD(KAL_ATTRIB_OWNHOTSPOTS);
        attribs_.hotSpots = nullptr;
    }

   private:
    KalAttribs attribs_;
};

// Reads the attribute file beside the image. A name that leaves no room for
// the new extension in the path buffer is treated as having no attribute file.
void readAttributes(char (&path)[kPathSize], AttribBlock &attribs)
{
    if (replaceExtension(path, kPathSize, ".KAL")) kal_AttribFile(path, attribs.get());
}

// What the file's headers say before anything is loaded: a size that must
// be refused (the loader would allocate it first, whatever the file holds),
// or a file that ends before its image (loaded with the rest zero-filled).
struct FileVerdict {
    std::string sizeRefusal;
    bool endsEarly = false;
};

FileVerdict judgeFile(const char *path)
{
    FileVerdict verdict;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return verdict;
    uint8_t head[kBmpHeadBytes];
    DWORD got = 0;
    LARGE_INTEGER size{};
    const bool read =
        ReadFile(file, head, sizeof head, &got, nullptr) && GetFileSizeEx(file, &size);
    CloseHandle(file);
    if (!read) return verdict;
    const auto length = static_cast<uint64_t>(size.QuadPart);
    verdict.sizeRefusal = kalhost::bmpSizeRefusal(head, got, length, 0);
    verdict.endsEarly = verdict.sizeRefusal.empty() && bmpEndsEarly(head, got, length);
    return verdict;
}

BOOL menuChecked(HWND mainWnd, UINT id)
{
    return (GetMenuState(GetMenu(mainWnd), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// Brings the image up to the minimum size, or says why it cannot be used.
// Returns false when the flow ends here.
bool fitImage(HWND mainWnd, ImageBlock &image, int minWidth, int minHeight)
{
    auto *header = static_cast<BITMAPINFOHEADER *>(image.get());
    const int w = header->biWidth, h = header->biHeight;
    const ImageFit fit = checkImageFit(w, h, minWidth, minHeight);
    if (fit == ImageFit::Fits) return true;
    if (!menuChecked(mainWnd, IDM_AUTOSCALE)) {
        showMessage(mainWnd,
                    fit == ImageFit::TooSmall ? kViewportTooLargeText : kWidthNotMultipleText);
        return false;
    }
    int newWidth, newHeight;
    if (!scaledImageSize(w, h, minWidth, minHeight, &newWidth, &newHeight)) {
        showEngineError(mainWnd, KAL_ERR_IMGSIZE);
        return false;
    }
    void *scaled = kal_ScaleDIB(header, nullptr, nullptr, newWidth, newHeight, TRUE);
    if (!scaled) {  // the source stays ours on failure
        showEngineError(mainWnd, kal_Error(nullptr));
        return false;
    }
    (void)image.release();  // freed by the scaler
    image.reset(scaled);
    return true;
}

// Steps after a successful kal_Create: orientation, viewer, compass, zoom.
void showPanorama(HWND mainWnd, HPANORAMA panorama)
{
    currentPanorama = panorama;
    kal_SetValue(panorama, KAL_VALUE_ORIENTATION, 0);
    HWND viewer = kal_CreateWindow(panorama, WS_CHILD | WS_VISIBLE, mainWnd);
    if (!viewer) {
        showMessage(mainWnd, kViewerFailedText);
        closePanorama();
        return;
    }
    SetFocus(viewer);
    showBearing();
    kal_SetValue(panorama, KAL_VALUE_MAXZOOM, maxZoomSetting);
}

}  // namespace

void closePanorama()
{
    if (currentPanorama) kal_Delete(currentPanorama, TRUE);
    currentPanorama = nullptr;
}

void openPanorama(HWND mainWnd, const char *chosenPath)
{
    closePanorama();
    char path[kPathSize];
    if (std::strlen(chosenPath) >= kPathSize) {
        showEngineError(mainWnd, KAL_ERR_PARAM);
        return;
    }
    std::strcpy(path, chosenPath);

    const FileVerdict verdict = judgeFile(path);
    if (!verdict.sizeRefusal.empty()) {
        showMessage(mainWnd, ("The file " + verdict.sizeRefusal + ".").c_str());
        return;
    }
    ImageBlock image(kal_LoadDIB(path, nullptr, nullptr, nullptr));
    if (!image) {  // the loader reports no code of its own
        showEngineError(mainWnd, KAL_ERR_WRONGFORMAT);
        return;
    }
    // Said first: the size test below judges the zero-filled image.
    if (verdict.endsEarly) showMessage(mainWnd, kFileEndsEarlyText);
    AttribBlock attribs;
    readAttributes(path, attribs);

    RECT viewport;
    GetClientRect(mainWnd, &viewport);
    int minWidth = 0, minHeight = 0;
    // A bad angle has no minimum size; kal_Create would refuse it anyway.
    if (!kal_MinImageSize(&minWidth, &minHeight, &viewport, attribs.get()->angle)) {
        showEngineError(mainWnd, kal_Error(nullptr));
        return;
    }
    if (!fitImage(mainWnd, image, minWidth, minHeight)) return;

    HPANORAMA panorama =
        kal_Create(static_cast<BITMAPINFO *>(image.get()), nullptr, &viewport, attribs.get());
    if (!panorama) {
        showEngineError(mainWnd, kal_Error(nullptr));
        return;
    }
    (void)image.release();  // kal_Delete releases it with the panorama
    attribs.handedOver();
    showPanorama(mainWnd, panorama);
}

void openFromDialog(HWND mainWnd)
{
    char path[kPathSize] = "";
    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = kOpenFileNameSize;
    ofn.hwndOwner = mainWnd;
    ofn.lpstrFilter = "BMP files\0*.bmp\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = kPathSize;
    ofn.Flags = OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameA(&ofn)) return;
    openPanorama(mainWnd, path);
}

}  // namespace kaldemo

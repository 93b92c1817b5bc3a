// The demo's texts, word for word as users have always seen them, and the
// engine's error codes in words.
#include "messages.h"

#include <cstdio>

#include "core/kalengine.h"

namespace kaldemo {

const char kCaption[] = "Kalvoria demo";
const char kClassFailedText[] = "Error: failed to create application window class";
const char kWindowFailedText[] = "Error: failed to create application window";
const char kViewportTooLargeText[] =
    "De viewport is too large for the image. Either reduce the viewport or toggle the "
    "\"Autoscale\" option on.";
const char kWidthNotMultipleText[] =
    "De image width is not a multiple of 4 pixels. Please toggle the \"Autoscale\" option on.";
const char kFileEndsEarlyText[] =
    "The file ends before the end of its image: the missing part of the picture is left blank.";
const char kViewerFailedText[] = "Error creating navigation window";
const char kClosedByUserText[] = "Panorama closed by user";
const char kUncaughtHotspotText[] = "Uncaught hotspot";
const char kEmptyWindowHint[] = "Select \"File/Open...\" on the menu";

namespace {
// Indexed by the engine's last-error code.
constexpr const char *kErrorTexts[] = {
    "*** no error ***",
    "incorrect source image size",
    "viewport is too big (should zoom)",
    "insufficient memory",
    "unsupported file format (not a 256 colour BMP file)",
    "invalid parameter",
    "invalid panorama angle",
    "invalid coordinates",
    "invalid index parameter",
};
static_assert(sizeof kErrorTexts / sizeof *kErrorTexts == KAL_ERR_INDEX + 1,
              "one text per error code");
}  // namespace

const char *errorText(int code)
{
    if (code < KAL_ERR_NONE || code > KAL_ERR_INDEX) code = KAL_ERR_PARAM;
    return kErrorTexts[code];
}

void showMessage(HWND owner, const char *text)
{
    MessageBoxA(owner, text, kCaption, MB_OK);
}

void showEngineError(HWND owner, int code)
{
    char text[128];
    std::snprintf(text, sizeof text, "Error: %s.", errorText(code));
    showMessage(owner, text);
}

}  // namespace kaldemo

// The demo's message texts and its one way of showing them.
#ifndef KALDEMO_MESSAGES_H
#define KALDEMO_MESSAGES_H

#include <windows.h>

namespace kaldemo {

extern const char kCaption[];
extern const char kClassFailedText[];
extern const char kWindowFailedText[];
extern const char kViewportTooLargeText[];
extern const char kWidthNotMultipleText[];
extern const char kFileEndsEarlyText[];
extern const char kViewerFailedText[];
extern const char kClosedByUserText[];
extern const char kUncaughtHotspotText[];
extern const char kEmptyWindowHint[];

// The table entry for an engine error code; codes outside the table get the
// entry for an invalid parameter.
const char *errorText(int code);

// An OK box with the demo's caption.
void showMessage(HWND owner, const char *text);
// "Error: <table entry>." for an engine error code.
void showEngineError(HWND owner, int code);

}  // namespace kaldemo

#endif

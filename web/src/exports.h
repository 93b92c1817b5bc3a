// The web module's C interface, as the page calls it. Pointers returned
// point into the module's memory and stay valid until the next call that
// changes the same session. Every argument may be any value JavaScript
// passes as a 32-bit integer.
#ifndef KALWEB_EXPORTS_H
#define KALWEB_EXPORTS_H

#include "export.h"

#include <cstdint>

namespace kalweb {
struct Session;
}
using kalweb::Session;

extern "C" {

void *kalweb_alloc(int bytes);
void kalweb_free(void *block);
Session *kalweb_create(const uint8_t *bmp, int size, const char *attribs, int attribLength,
                       int width, int height);
int kalweb_resize(Session *s, int width, int height);
int kalweb_replace(Session *s, const uint8_t *bmp, int size, const char *attribs, int attribLength);
void kalweb_delete(Session *s);
const char *kalweb_error();
int kalweb_value(Session *s, int code);
int kalweb_move(Session *s, int dx, int dy, int dz);
int kalweb_setPos(Session *s, int x, int y, int z);
int kalweb_setView(Session *s, int bearing, int pitch, double zoom);
const uint32_t *kalweb_render(Session *s);
const uint32_t *kalweb_renderSmooth(Session *s);
const uint32_t *kalweb_palette(Session *s);
const int *kalweb_mapPoint(Session *s, int x, int y);
int kalweb_hitTest(Session *s, int x, int y);
const char *kalweb_hotspotLabel(Session *s, int index);
const char *kalweb_hotspotText(Session *s, int index);
int kalweb_visibleHotspots(Session *s, int step);
const int *kalweb_visibleHotspot(Session *s, int i);
void kalweb_pointerDown(Session *s, int x, int y);
void kalweb_pointerMove(Session *s, int leftButton, int x, int y);
void kalweb_pointerUp(Session *s, int x, int y);
void kalweb_pointerLeave(Session *s);
void kalweb_keyDown(Session *s, int virtualKey);
void kalweb_keyUp(Session *s, int virtualKey);
void kalweb_focusLost(Session *s);
int kalweb_frame(Session *s, unsigned now);
int kalweb_moving(Session *s);
int kalweb_cursor(Session *s);
int kalweb_nextNotification(Session *s);
// Views in degrees (view_exports.cpp).
const double *kalweb_getView(Session *s);
int kalweb_putView(Session *s, double bearing, double pitch, double zoom);

// True colour and warnings (colour_exports.cpp).
uint32_t *kalweb_colourBlock(int width, int height, const uint8_t *file, int fileBytes,
                             const char *attribs, int attribLength);
const int *kalweb_colourSize();
void kalweb_arrangeColour(int order);
void kalweb_dropColour();
Session *kalweb_createColour(int width, int height);
int kalweb_replaceColour(Session *s);
int kalweb_pixelBytes(Session *s);
const char *kalweb_warning();

}  // extern "C"

#endif

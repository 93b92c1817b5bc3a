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
struct Opening;
}  // namespace kalweb
using kalweb::Opening;
using kalweb::Session;

extern "C" {

void *kalweb_alloc(int bytes);
void kalweb_free(void *block);
int kalweb_resize(Session *s, int width, int height);
void kalweb_delete(Session *s);
const char *kalweb_error(Session *s);
int kalweb_value(Session *s, int code);
int kalweb_move(Session *s, int dx, int dy, int dz);
int kalweb_setPos(Session *s, int x, int y, int z);
const uint32_t *kalweb_render(Session *s);
const uint32_t *kalweb_renderSmooth(Session *s);
const double *kalweb_mapPoint(Session *s, double x, double y);
int kalweb_hitTest(Session *s, int x, int y);
const char *kalweb_hotspotLabel(Session *s, int index);
const char *kalweb_hotspotText(Session *s, int index);
int kalweb_visibleHotspots(Session *s, int step);
const int *kalweb_visibleHotspot(Session *s, int i);
void kalweb_hover(Session *s, int x, int y);
void kalweb_pointerLeave(Session *s);
int kalweb_cursor(Session *s);
int kalweb_nextNotification(Session *s);
// Views in degrees (view_exports.cpp).
const double *kalweb_getView(Session *s);
int kalweb_putView(Session *s, double bearing, double pitch, double zoom, double hfov);
int kalweb_turn(Session *s, double heading, double pitch);
int kalweb_align(Session *s, double column, double row, double x, double y);
const double *kalweb_viewPoint(Session *s, double heading, double pitch);
void kalweb_bound(Session *s, double minHfov, double maxHfov, double minPitch, double maxPitch);

// Opens, each with its own state (open_exports.cpp): a BMP file or a block
// for decoded pixels, then the session it goes into.
Opening *kalweb_openBmp(const uint8_t *bmp, int size, const char *attribs, int attribLength,
                        int projection);
uint32_t *kalweb_openPixels(Opening *o);
const int *kalweb_openSize(Opening *o);
void kalweb_openArrange(Opening *o, int order);
void kalweb_openEndsEarly(Opening *o);
void kalweb_openPrepare(Opening *o, Session *s, int width, int height);
Session *kalweb_openFinish(Opening *o, Session *s, int width, int height);
const char *kalweb_openMessage(Opening *o);
const char *kalweb_openWarning(Opening *o);
void kalweb_openEnd(Opening *o);

// True colour (colour_exports.cpp).
Opening *kalweb_colourBlock(int width, int height, const uint8_t *file, int fileBytes,
                            const char *attribs, int attribLength, int projection);
int kalweb_pixelBytes(Session *s);
const uint32_t *kalweb_sessionPixels(Session *s);
void kalweb_dropPixels(Session *s);

// A photo's frame in shares, one an instance over shared memory
// (rows_exports.cpp).
int kalweb_prepareRows(Session *s);
const uint32_t *kalweb_renderRows(Session *s, int smooth, int first, int end);

}  // extern "C"

#endif

// One panorama on a web page: the loaded image (an 8-bit DIB or true-colour
// pixels the browser decoded), what shows it at the current view size (the
// engine's 8-bit panorama, or a continuous view of a true-colour one), the
// RGBA frame the page paints, and the hotspot under the page's pointer.
#ifndef KALWEB_WEB_SESSION_H
#define KALWEB_WEB_SESSION_H

#include "core/kalengine.h"
#include "kalhost/gpano.h"
#include "kalhost/view_layout.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kalweb {

// A notification for the page: KN_* code and its low word.
struct Notification {
    int code;
    unsigned value;
};

// Cursor shapes the page shows (the engine's order: arrow first, point last).
enum class Cursor { arrow = 0, point = 10 };

// The pointer over the view, not pressed: which hotspot it is over, the
// cursor, and the notes the page collects, as the navigation window
// reports them (entering a hotspot once, leaving it on every move).
struct Hover {
    int hotSpot = -1;
    Cursor cursor = Cursor::arrow;
    std::vector<Notification> notifications;  // posted, in order
    size_t taken = 0;

    // The oldest notification not yet taken; false when there is none.
    bool take(Notification &next);
};

// A hotspot seen in the current view and the mean of its sampled view points.
struct VisibleHotSpot {
    int index;
    int x;
    int y;
};

// The image a panorama is made of; the session owns it.
struct SessionImage {
    void *source = nullptr;       // an 8-bit DIB, kept for a new view size
    void *fitted = nullptr;       // the panorama's DIB: source or a scaled copy
    uint32_t *rgba = nullptr;     // or true-colour pixels, rows top-down
    int width = 0, height = 0;    // of rgba
    KalAttribs fileAttribs = {};  // the file's own (GPano), used without text
    int startBearing = -1;        // the file's start view, -1 for none

    bool colour() const { return rgba != nullptr; }
    void release();
};

struct ColourView;

struct Session {
    SessionImage image;
    std::string attribText;
    std::string message;          // why the last resize failed
    std::vector<uint32_t> frame;  // RGBA view, top row first
    uint32_t palette[256] = {};   // RGBA of each colour index
    std::vector<VisibleHotSpot> visible;
    std::vector<double> outline;  // a hotspot's outline in view points
    double mapped[2] = {};
    double angles[4] = {};
    HPANORAMA pano = nullptr;            // an 8-bit image's panorama, or
    std::unique_ptr<ColourView> colour;  // a true-colour image's view
    Hover hover;

    Session();
    ~Session();
};

// What one open tells the page: why it failed, and what it did differently
// from what was asked (attributes left out, missing rows left blank, an
// image scaled down), one sentence each, said once.
struct Report {
    std::string message;
    std::string warning;

    void warn(const std::string &sentence);
};

// One open in flight: the image it loaded, or the block the page fills
// with decoded pixels, its attribute text and its report. Every open has
// its own, so opens that overlap in the page never share a block.
struct Opening {
    SessionImage image;
    std::string attribText;
    int size[2] = {};    // of the image: the size to decode at
    int stored[2] = {};  // of the image as the file stores it
    bool hasGPano = false;
    kalhost::GPanoFields gpano;
    kalhost::ForcedProjection projection = kalhost::ForcedProjection::none;
    Report report;
    // The view made, with its first frame's table, while the page waited for
    // its decoder; the finish takes it when the view size is still its own.
    std::unique_ptr<ColourView> prepared;

    Opening();
    ~Opening();
};

// The page's projection code: 1 a cylinder, 2 a sphere, else as the file says.
kalhost::ForcedProjection forcedProjection(int code);

// Loads a BMP file's bytes and attribute text. Null only when the module
// is out of memory; a file that cannot open leaves no image and a message.
Opening *openBmp(const uint8_t *bytes, size_t size, const std::string &attribText,
                 kalhost::ForcedProjection projection = kalhost::ForcedProjection::none);
// A block for the decoded pixels of a width x height picture of an image
// file of fileBytes bytes (RGBA rows top-down), at the size the engine's
// limits allow (`size`, smaller than asked when they require). A size the
// file cannot describe or the memory cannot hold gets no block and a
// message; nothing is allocated for it.
Opening *openColourBlock(int width, int height, const uint8_t *file, size_t fileBytes,
                         const std::string &attribText, const kalhost::GPanoFields *gpano,
                         kalhost::ForcedProjection projection = kalhost::ForcedProjection::none);
// Puts the opening's image in `session` (for the same view size) or, when
// null, in a new session of a width x height view. Returns the session, or
// null with the reason in the opening's report; on failure the session
// stays as it was.
Session *finishOpen(Opening &opening, Session *session, int width, int height);
// Makes a true-colour open's view and its first frame's table ahead of the
// pixels, for the view size finishOpen would give it: no change to any
// session, nothing said (the finish says it); a failure leaves it to finish.
void prepareOpen(Opening &opening, const Session *session, int width, int height);
// Frees the opening and whatever image it still holds.
void endOpen(Opening *opening);
// A BMP file in a new session, in one step: null with the reason in `report`.
Session *openSession(const uint8_t *bytes, size_t size, const std::string &attribText, int width,
                     int height, Report &report);

// A new view size: a new panorama at the old one's position. On failure the
// old panorama stays, and session.message says why.
bool resizeSession(Session &session, int width, int height);
void closeSession(Session *session);

// Renders the view into `frame`, RGBA rows top-down: nearest samples, or
// filtered ones when `smooth` (the frame of a view at rest). An 8-bit view
// is expanded through the palette.
const uint32_t *renderFrame(Session &session, bool smooth = false);

// A true-colour session's pixels go (the render worker holds its own copy):
// its views, limits, mapping and hotspots stay, its frames do not.
void dropPixels(Session &session);

// The view's size, a KAL_VALUE_* of its panorama (a true-colour view gives
// its angle, orientation, image and view sizes, hotspot count; 0 else).
int sessionValue(const Session &session, int code);
int viewWidth(const Session &session);
int viewHeight(const Session &session);

// The hotspot under a view point, or -1; its label and text.
int hotSpotAt(const Session &session, int x, int y);
const char *hotSpotLabel(const Session &session, int index);
const char *hotSpotText(const Session &session, int index);
// Collects the hotspots under a grid of view points `step` pixels apart.
size_t findVisibleHotSpots(Session &session, int step);
// Fills session.outline with 4 x perEdge view points (x, y) walking the
// rectangle of hotspot `index` clockwise from its top-left corner; a point
// the view does not show is NaN, NaN. Returns the number of points, 0 for
// no such hotspot or perEdge outside 1 to 256.
size_t hotSpotOutline(Session &session, int index, int perEdge);

// The pointer over the view (not pressed), leaving it, the focus lost.
void hover(Session &session, int x, int y);
void pointerLeft(Session &session);

}  // namespace kalweb

#endif

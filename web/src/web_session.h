// One panorama on a web page: the loaded image (an 8-bit DIB or true-colour
// pixels the browser decoded), the panorama made from it for the current
// view size, the RGBA frame the page paints, and the motion controller's
// platform, whose effects the page collects after each call.
#ifndef KALWEB_WEB_SESSION_H
#define KALWEB_WEB_SESSION_H

#include "core/panorama.h"
#include "kalhost/gpano.h"
#include "navigation/navigation_controller.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kalweb {

// A notification for the page: KN_* code and its low word.
struct Notification {
    int code;
    unsigned value;
};

// The page's side of the motion controller. The timer is the page's
// animation frames; focus and pointer capture the page handles itself.
class WebPlatform final : public NavigationPlatform {
   public:
    HPANORAMA pano = nullptr;
    std::vector<Notification> notifications;  // posted, in order
    size_t notificationsTaken = 0;
    NavigationCursor cursor = NavigationCursor::arrow;
    bool dirty = true;          // the view changed since the last frame
    unsigned clock = 0;         // the page's millisecond clock
    unsigned nextTickAt = 0;    // clock of the next motion tick
    bool timerStarted = false;  // the next frame sets nextTickAt

    int move(int deltaX, int deltaY, int deltaZ) override;
    void refresh() override { dirty = true; }
    void postRefresh() override { dirty = true; }
    bool notifyWindowValid() override { return true; }
    void postNotification(int code, unsigned lowWord) override;
    unsigned startTimer(unsigned currentId, unsigned speed) override;
    unsigned stopTimer(unsigned) override { return 0; }
    void setCursor(NavigationCursor shape) override { cursor = shape; }
    bool checkHotSpot(int x, int y, int *index) override;
    void takeFocus() override {}
    void captureMouse() override {}
    void releaseMouse() override {}
    unsigned now() override { return clock; }

    // The oldest notification not yet taken; false when there is none.
    bool takeNotification(Notification &next);

   private:
    unsigned serial_ = 0;
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
    uint32_t *rgba = nullptr;     // or true-colour pixels, rows bottom-up
    int width = 0, height = 0;    // of rgba
    KalAttribs fileAttribs = {};  // the file's own (GPano), used without text
    int startBearing = -1;        // the file's start view, -1 for none

    bool colour() const { return rgba != nullptr; }
    void release();
};

struct Session {
    SessionImage image;
    std::string attribText;
    std::vector<uint32_t> frame;  // RGBA view, top row first
    uint32_t palette[256] = {};   // RGBA of each colour index
    std::vector<VisibleHotSpot> visible;
    int mapped[2] = {};
    WebPlatform platform;

    Panorama *pano() const { return platform.pano; }
};

// The message of the last failure, for the page to show.
const std::string &lastMessage();
// What the last open or replacement did differently from what was asked
// (attributes left out, missing rows left blank, an image scaled down): one
// sentence each, empty when there is nothing to say.
const std::string &lastWarning();

// Loads a BMP file's bytes and attribute text into a new session with a
// width x height view. Null, with lastMessage() set, when anything fails.
Session *openSession(const uint8_t *bytes, size_t size, const std::string &attribText, int width,
                     int height);
// A new view size: a new panorama at the old one's position. On failure the
// old panorama stays.
bool resizeSession(Session &session, int width, int height);
// A new image and attributes for the same view. On failure nothing changes.
bool replaceImage(Session &session, const uint8_t *bytes, size_t size,
                  const std::string &attribText);
void closeSession(Session *session);

// True-colour images come in two steps: the page asks for a block for the
// decoded pixels of a width x height image (null with lastMessage() set
// when it may not be opened; pendingColourSize() gives the size to decode
// it at, smaller when the engine's limits require; a size the file's
// fileBytes cannot hold is refused: `file` may be null, then only its length
// counts), fills it with RGBA rows bottom-up, then opens or replaces a
// session with it. A new request drops a block not yet taken.
uint32_t *prepareColourImage(int width, int height, const uint8_t *file, size_t fileBytes,
                             const std::string &attribText, const kalhost::GPanoFields *gpano);
const int *pendingColourSize();
uint32_t *pendingColourBlock();
// Frees a block the page could not fill (its picture would not decode).
void dropPendingColour();
Session *openColourSession(int width, int height);
bool replaceWithColourImage(Session &session);

// Renders the view into `frame`, RGBA rows top-down: nearest samples, or
// filtered ones when `smooth` (the frame of a view at rest). An 8-bit view
// is expanded through the palette.
const uint32_t *renderFrame(Session &session, bool smooth = false);
// Runs the motion tick due at the page's clock `now`, if any. Returns
// kViewChanged when the view changed since the last frame, and kTickDue when
// another tick is due already (the page fell behind).
enum FrameResult { kViewChanged = 1, kTickDue = 2 };
int advanceMotion(Session &session, unsigned now);
// Collects the hotspots under a grid of view points `step` pixels apart.
size_t findVisibleHotSpots(Session &session, int step);

}  // namespace kalweb

#endif

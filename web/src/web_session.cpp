// Sessions of the web viewer: opening, resizing and replacing through the
// engine's own loader, scaler and lifecycle; frames expanded through the
// palette; the motion controller clocked by the page's animation frames.
#include "web_session.h"

#include "../../host/include/kalhost/open_panorama.h"
#include "image/dib_loader.h"

#include <algorithm>
#include <cstring>

namespace kalweb {

namespace {

std::string message;

// A tick more than this late (a hidden tab) restarts the clock instead of
// catching up in a burst.
constexpr int kMaxTickLag = 1000;
constexpr int kMaxViewSide = 8192;

void *loadImage(const uint8_t *bytes, size_t size)
{
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        if (void *image = dib::loadDibMemory(bytes, size, true, nullptr)) return image;
    message = "The file " + kalhost::whyNotLoaded(bytes, size, size) + ".";
    return nullptr;
}

bool readAttributes(const std::string &text, KalAttribs &attribs)
{
    attribs = KalAttribs{};
    if (text.empty()) return true;  // a plain 360-degree panorama
    if (kal_AttribString(text.data(), static_cast<int>(text.size()), &attribs)) return true;
    message = std::string("The attribute file cannot be read: ") +
              kalhost::engineErrorText(kal_Error(nullptr));
    return false;
}

// The image and attributes of a new panorama; null after a message.
void *readInput(const uint8_t *bytes, size_t size, const std::string &attribText,
                KalAttribs &attribs)
{
    message.clear();
    void *source = loadImage(bytes, size);
    if (source && readAttributes(attribText, attribs)) return source;
    if (source) kal_FreeResource(source);
    return nullptr;
}

// A panorama of `source` for a width x height view; *fitted receives its
// image. The panorama takes the attributes' hotspots; on failure they go.
HPANORAMA makePanorama(void *source, KalAttribs &attribs, int width, int height, void **fitted)
{
    if (width < 1 || height < 1 || width > kMaxViewSide || height > kMaxViewSide) {
        kalhost::releaseHotSpots(attribs);
        message = "The view size is out of range.";
        return nullptr;
    }
    const RECT view = {0, 0, width, height};
    *fitted = kalhost::fitImage(source, view, attribs.angle, false, message);
    HPANORAMA pano = nullptr;
    if (*fitted) {
        pano = kal_Create(static_cast<const BITMAPINFO *>(*fitted), nullptr, &view, &attribs);
        if (!pano)
            message = std::string("The panorama cannot be shown: ") +
                      kalhost::engineErrorText(kal_Error(nullptr));
    }
    if (!pano) {
        if (*fitted != source) kal_FreeResource(*fitted);
        kalhost::releaseHotSpots(attribs);
    }
    return pano;
}

void releaseImages(void *source, void *fitted)
{
    if (fitted != source) kal_FreeResource(fitted);
    kal_FreeResource(source);
}

void adopt(Session &session, HPANORAMA pano, void *fitted)
{
    session.platform.pano = pano;
    session.fitted = fitted;
    session.frame.assign(size_t{pano->vpWidth} * pano->vpHeight, 0);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD &c = pano->colors[i];
        session.palette[i] = c.rgbRed | c.rgbGreen << 8 | c.rgbBlue << 16 | 0xFF000000u;
    }
    session.platform.dirty = true;
}

// Scales a position of an image of `from` pixels to one of `to` pixels.
int rescale(int position, int from, int to)
{
    return from ? static_cast<int>(int64_t{position} * to / from) : 0;
}

// The new panorama looks where the old one did, at the same magnification.
void carryPosition(const Panorama &from, HPANORAMA to)
{
    const double zoom = double(from.radius) / std::max(1, from.radius - from.zPos);
    const int z = static_cast<int>(to->radius - to->radius / zoom);
    kal_SetPos(to, rescale(from.xPos, from.srcWidth, to->srcWidth),
               rescale(from.yPos, from.srcHeight, to->srcHeight), z);
}

// One view row through the palette, four indices per load; the pointers
// never overlap.
void expandRow(const uint8_t *__restrict row, uint32_t *__restrict out,
               const uint32_t *__restrict palette, size_t width)
{
    size_t x = 0;
    for (; x + 4 <= width; x += 4) {
        uint32_t four;
        std::memcpy(&four, row + x, 4);
        out[x] = palette[four & 0xFF];
        out[x + 1] = palette[(four >> 8) & 0xFF];
        out[x + 2] = palette[(four >> 16) & 0xFF];
        out[x + 3] = palette[four >> 24];
    }
    for (; x < width; ++x) out[x] = palette[row[x]];
}

}  // namespace

int WebPlatform::move(int deltaX, int deltaY, int deltaZ)
{
    return kal_Move(pano, deltaX, deltaY, deltaZ);
}

void WebPlatform::postNotification(int code, unsigned lowWord)
{
    notifications.push_back({code, lowWord & 0xFFFF});
}

unsigned WebPlatform::startTimer(unsigned currentId, unsigned)
{
    if (currentId) return currentId;
    // The clock is the last frame's: the next frame starts the ticks, one
    // panorama speed apart.
    timerStarted = true;
    if (++serial_ == 0) ++serial_;  // 0 means no timer
    return serial_;
}

bool WebPlatform::takeNotification(Notification &next)
{
    if (notificationsTaken == notifications.size()) {
        notifications.clear();
        notificationsTaken = 0;
        return false;
    }
    next = notifications[notificationsTaken++];
    return true;
}

bool WebPlatform::checkHotSpot(int x, int y, int *index)
{
    return kal_CheckHotSpot(pano, x, y, index) != 0;
}

const std::string &lastMessage()
{
    return message;
}

Session *openSession(const uint8_t *bytes, size_t size, const std::string &attribText, int width,
                     int height)
{
    KalAttribs attribs{};
    void *source = readInput(bytes, size, attribText, attribs);
    if (!source) return nullptr;
    void *fitted = nullptr;
    HPANORAMA pano = makePanorama(source, attribs, width, height, &fitted);
    if (!pano) {
        kal_FreeResource(source);
        return nullptr;
    }
    navigationWindowCreated();
    auto *session = new Session;
    session->source = source;
    session->attribText = attribText;
    adopt(*session, pano, fitted);
    return session;
}

bool resizeSession(Session &session, int width, int height)
{
    message.clear();
    Panorama *old = session.pano();
    if (old->vpWidth == width && old->vpHeight == height) return true;
    KalAttribs attribs;
    if (!readAttributes(session.attribText, attribs)) return false;
    void *fitted = nullptr;
    HPANORAMA pano = makePanorama(session.source, attribs, width, height, &fitted);
    if (!pano) return false;
    carryPosition(*old, pano);
    haltStep(session.platform, *old);
    kal_Delete(old, FALSE);
    if (session.fitted != session.source) kal_FreeResource(session.fitted);
    adopt(session, pano, fitted);
    return true;
}

bool replaceImage(Session &session, const uint8_t *bytes, size_t size,
                  const std::string &attribText)
{
    KalAttribs attribs{};
    void *source = readInput(bytes, size, attribText, attribs);
    if (!source) return false;
    Panorama *pano = session.pano();
    const RECT view = {0, 0, pano->vpWidth, pano->vpHeight};
    void *fitted = kalhost::fitImage(source, view, attribs.angle, false, message);
    if (!fitted ||
        !kal_Replace(pano, static_cast<const BITMAPINFO *>(fitted), nullptr, &attribs, FALSE)) {
        if (fitted)
            message = std::string("The panorama cannot be shown: ") +
                      kalhost::engineErrorText(kal_Error(nullptr));
        kalhost::releaseHotSpots(attribs);
        releaseImages(source, fitted ? fitted : source);
        return false;
    }
    releaseImages(session.source, session.fitted);
    session.source = source;
    session.attribText = attribText;
    adopt(session, pano, fitted);
    return true;
}

void closeSession(Session *session)
{
    if (!session) return;
    haltStep(session->platform, *session->pano());
    kal_Delete(session->pano(), FALSE);
    releaseImages(session->source, session->fitted);
    delete session;
}

const uint32_t *renderFrame(Session &session)
{
    Panorama *pano = session.pano();
    const auto *bits = static_cast<const uint8_t *>(kal_GetView(pano, nullptr));
    if (!bits) return nullptr;
    const size_t width = pano->vpWidth, height = pano->vpHeight;
    const size_t stride = (width + 3) & ~size_t{3};
    uint32_t *out = session.frame.data();
    // The view's rows are bottom-up; the page's are top-down.
    for (size_t y = 0; y < height; ++y, out += width)
        expandRow(bits + (height - 1 - y) * stride, out, session.palette, width);
    session.platform.dirty = false;
    return session.frame.data();
}

int advanceMotion(Session &session, unsigned now)
{
    WebPlatform &platform = session.platform;
    platform.clock = now;
    const unsigned timer = navigationState().timerId;
    auto due = [&] { return timer && static_cast<int>(now - platform.nextTickAt) >= 0; };
    const unsigned interval = std::max<unsigned>(1, session.pano()->speed);
    if (platform.timerStarted || static_cast<int>(now - platform.nextTickAt) > kMaxTickLag) {
        platform.timerStarted = false;
        platform.nextTickAt = now + interval;
    }
    if (due()) {
        platform.nextTickAt += interval;
        navigationTick(platform, *session.pano(), timer, now);
    }
    return (platform.dirty ? kViewChanged : 0) |
           (navigationState().timerId && due() ? kTickDue : 0);
}

size_t findVisibleHotSpots(Session &session, int step)
{
    struct Sum {
        int64_t x = 0, y = 0, count = 0;
    };
    Panorama *pano = session.pano();
    std::vector<Sum> sums(std::max(0, pano->numHotSpots));
    step = std::max(1, step);
    for (int y = step / 2; y < pano->vpHeight; y += step)
        for (int x = step / 2; x < pano->vpWidth; x += step) {
            int index = -1;
            if (!kal_CheckHotSpot(pano, x, y, &index) || index < 0 ||
                static_cast<size_t>(index) >= sums.size())
                continue;
            sums[index].x += x;
            sums[index].y += y;
            ++sums[index].count;
        }
    session.visible.clear();
    for (size_t i = 0; i < sums.size(); ++i)
        if (sums[i].count)
            session.visible.push_back({static_cast<int>(i),
                                       static_cast<int>(sums[i].x / sums[i].count),
                                       static_cast<int>(sums[i].y / sums[i].count)});
    // Reading order: left to right, then top to bottom. A view holds few
    // hotspots: an insertion sort keeps the module small.
    std::vector<VisibleHotSpot> &list = session.visible;
    for (size_t i = 1; i < list.size(); ++i)
        for (size_t j = i; j > 0 && (list[j].x < list[j - 1].x ||
                                     (list[j].x == list[j - 1].x && list[j].y < list[j - 1].y));
             --j)
            std::swap(list[j], list[j - 1]);
    return session.visible.size();
}

}  // namespace kalweb

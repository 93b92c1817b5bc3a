// Sessions of the web viewer: opening, resizing and replacing through the
// engine's own loader, scaler and lifecycle, or over true-colour pixels the
// page decoded; frames in RGBA; hover and focus through the navigation
// controller.
#include "web_session.h"

#include "kalhost/image_head.h"
#include "kalhost/image_limits.h"
#include "kalhost/open_panorama.h"
#include "core/colour_panorama.h"
#include "image_check.h"
#include "session_input.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace kalweb {

namespace {

// A panorama of `image` for a width x height view, its DIB (when 8-bit)
// fitted to the view into image.fitted. The panorama takes the attributes'
// hotspots; on failure they go.
HPANORAMA makePanorama(SessionImage &image, KalAttribs &attribs, int width, int height,
                       std::string &message)
{
    message = viewSizeProblem(width, height);
    if (!message.empty()) {
        kalhost::releaseHotSpots(attribs);
        return nullptr;
    }
    const RECT view = {0, 0, width, height};
    HPANORAMA pano = nullptr;
    if (image.colour()) {
        pano = kal::createColourPanorama({image.width, image.height, image.rgba}, view, &attribs);
    } else {
        image.fitted = kalhost::fitImage(image.source, view, attribs.angle, false, message);
        if (image.fitted)
            pano =
                kal_Create(static_cast<const BITMAPINFO *>(image.fitted), nullptr, &view, &attribs);
    }
    if (!pano && message.empty())
        message = std::string("The panorama cannot be shown: ") +
                  kalhost::engineErrorText(kal_Error(nullptr));
    if (!pano) {
        if (image.fitted && image.fitted != image.source) kal_FreeResource(image.fitted);
        image.fitted = nullptr;
        kalhost::releaseHotSpots(attribs);
    }
    return pano;
}

void adopt(Session &session, HPANORAMA pano)
{
    session.platform.pano = pano;
    session.frame.assign(size_t{pano->vpWidth} * pano->vpHeight, 0);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD &c = pano->colors[i];
        session.palette[i] = c.rgbRed | c.rgbGreen << 8 | c.rgbBlue << 16 | 0xFF000000u;
    }
    session.platform.dirty = true;
}

// A new session, or a session's new image, at the file's start view.
void startView(const SessionImage &image, HPANORAMA pano)
{
    if (image.startBearing >= 0) kal_SetValue(pano, KAL_VALUE_ORIENTATION, image.startBearing);
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

void SessionImage::release()
{
    if (fitted && fitted != source) kal_FreeResource(fitted);
    if (source) kal_FreeResource(source);
    std::free(rgba);
    *this = SessionImage{};
}

namespace {

// A new session over `image`, which it takes (and releases on failure).
Session *startSession(SessionImage &image, const std::string &attribText, int width, int height,
                      Report &report)
{
    KalAttribs attribs{};
    HPANORAMA pano = nullptr;
    if (readAttributes(attribText, image.fileAttribs, attribs, report))
        pano = makePanorama(image, attribs, width, height, report.message);
    if (!pano) {
        image.release();
        return nullptr;
    }
    navigationWindowCreated();
    auto *session = new Session;
    session->image = image;
    session->attribText = attribText;
    adopt(*session, pano);
    startView(image, pano);
    return session;
}

// Puts a new panorama of `image` in place of the session's, for the same
// view size. On failure the session stays as it was and the image goes.
bool swapImage(Session &session, SessionImage &image, const std::string &attribText, Report &report)
{
    Panorama *old = session.pano();
    KalAttribs attribs{};
    HPANORAMA pano = nullptr;
    if (readAttributes(attribText, image.fileAttribs, attribs, report))
        pano = makePanorama(image, attribs, old->vpWidth, old->vpHeight, report.message);
    if (!pano) {
        image.release();
        return false;
    }
    haltStep(session.platform, *old);
    kal_Delete(old, FALSE);
    session.image.release();
    session.image = image;
    session.attribText = attribText;
    adopt(session, pano);
    startView(image, pano);
    return true;
}

// An 8-bit image in place of an 8-bit one: the engine's own replacement,
// which keeps the panorama. On failure the session stays and the image goes.
bool replaceEightBit(Session &session, SessionImage &image, const std::string &attribText,
                     Report &report)
{
    KalAttribs attribs{};
    if (!readAttributes(attribText, image.fileAttribs, attribs, report)) {
        image.release();
        return false;
    }
    Panorama *pano = session.pano();
    const RECT view = {0, 0, pano->vpWidth, pano->vpHeight};
    image.fitted = kalhost::fitImage(image.source, view, attribs.angle, false, report.message);
    if (!image.fitted || !kal_Replace(pano, static_cast<const BITMAPINFO *>(image.fitted), nullptr,
                                      &attribs, FALSE)) {
        if (image.fitted)
            report.message = std::string("The panorama cannot be shown: ") +
                             kalhost::engineErrorText(kal_Error(nullptr));
        kalhost::releaseHotSpots(attribs);
        image.release();
        return false;
    }
    session.image.release();
    session.image = image;
    session.attribText = attribText;
    adopt(session, pano);
    return true;
}

// The angle of an attribute text, 0 when it names none or cannot be read
// (the warning about it comes when the panorama is made).
int textAngle(const std::string &text)
{
    KalAttribs attribs{};
    if (text.empty() || !kal_AttribString(text.data(), int(text.size()), &attribs)) return 0;
    kalhost::releaseHotSpots(attribs);
    return attribs.angle;
}

// A colour block's image for `opening`, or false after its message.
bool prepareColourImage(Opening &opening, int width, int height, const uint8_t *file,
                        size_t fileBytes, const kalhost::GPanoFields *gpano)
{
    Report &report = opening.report;
    SessionImage &image = opening.image;
    if (gpano) {
        // The horizon is counted in the rows shown, after any scaling down.
        int shownWidth = 0, shownHeight = 0;
        kalhost::fitColourSize(width, height,
                               kalhost::placementFromGPano(*gpano, width, height).angle,
                               &shownWidth, &shownHeight);
        const kalhost::GPanoPlacement place =
            kalhost::placementFromGPano(*gpano, width, height, shownHeight);
        image.fileAttribs.angle = place.angle;
        image.fileAttribs.orientation = place.orientation;
        image.fileAttribs.horizon = place.horizon;
        image.startBearing = place.hasStart ? place.startBearing : -1;
    }
    KalAttribs attribs{};
    if (!readAttributes(opening.attribText, image.fileAttribs, attribs, report)) return false;
    kalhost::releaseHotSpots(attribs);
    const int angle = attribs.angle ? attribs.angle : 360;
    if (angle < 1 || angle > 360) {
        report.message =
            std::string("The panorama cannot be shown: ") + kalhost::engineErrorText(KAL_ERR_ANGLE);
        return false;
    }
    const std::string claim = kalhost::claimedSizeRefusal(file, fileBytes, width, height);
    if (!claim.empty()) {
        report.message = "The file " + claim + ".";
        return false;
    }
    ColourFit fit;
    std::string scaled;
    if (!fitColourImage(width, height, angle, fit, report.message, scaled)) return false;
    image.rgba = static_cast<uint32_t *>(std::malloc(size_t(fit.width) * size_t(fit.height) * 4));
    if (!image.rgba) {
        report.message = "The image of " + pixelSize(fit.width, fit.height) +
                         " does not fit the memory the page has left.";
        return false;
    }
    if (!scaled.empty()) report.warn(scaled);
    image.width = opening.size[0] = fit.width;
    image.height = opening.size[1] = fit.height;
    return true;
}

}  // namespace

Opening *openBmp(const uint8_t *bytes, size_t size, const std::string &attribText)
{
    auto *opening = new (std::nothrow) Opening;
    if (!opening) return nullptr;
    opening->attribText = attribText;
    if (loadImage(bytes, size, textAngle(attribText), opening->image, opening->report) &&
        opening->image.colour()) {
        opening->size[0] = opening->image.width;
        opening->size[1] = opening->image.height;
    }
    return opening;
}

Opening *openColourBlock(int width, int height, const uint8_t *file, size_t fileBytes,
                         const std::string &attribText, const kalhost::GPanoFields *gpano)
{
    auto *opening = new (std::nothrow) Opening;
    if (!opening) return nullptr;
    opening->attribText = attribText;
    if (!prepareColourImage(*opening, width, height, file, fileBytes, gpano))
        opening->image.release();
    return opening;
}

Session *finishOpen(Opening &opening, Session *session, int width, int height)
{
    Report &report = opening.report;
    if (!opening.image.source && !opening.image.rgba) {
        if (report.message.empty()) report.message = "The open has no image to show.";
        return nullptr;
    }
    SessionImage image = opening.image;  // taken: whatever happens, it is not the opening's
    opening.image = SessionImage{};
    const std::string &text = opening.attribText;
    if (!session) return startSession(image, text, width, height, report);
    const bool ok = session->image.colour() || image.colour()
                        ? swapImage(*session, image, text, report)
                        : replaceEightBit(*session, image, text, report);
    return ok ? session : nullptr;
}

void endOpen(Opening *opening)
{
    if (!opening) return;
    opening->image.release();
    delete opening;
}

Session *openSession(const uint8_t *bytes, size_t size, const std::string &attribText, int width,
                     int height, Report &report)
{
    Opening *opening = openBmp(bytes, size, attribText);
    if (!opening) {
        report.message = "The module is out of memory.";
        return nullptr;
    }
    Session *session = finishOpen(*opening, nullptr, width, height);
    report = opening->report;
    endOpen(opening);
    return session;
}

bool resizeSession(Session &session, int width, int height)
{
    session.message.clear();
    Panorama *old = session.pano();
    if (old->vpWidth == width && old->vpHeight == height) return true;
    KalAttribs attribs;
    Report scratch;  // the warnings were said when the panorama opened
    if (!readAttributes(session.attribText, session.image.fileAttribs, attribs, scratch)) {
        session.message = scratch.message;
        return false;
    }
    SessionImage image = session.image;
    image.fitted = nullptr;
    HPANORAMA pano = makePanorama(image, attribs, width, height, session.message);
    if (!pano) return false;
    carryPosition(*old, pano);
    haltStep(session.platform, *old);
    kal_Delete(old, FALSE);
    if (session.image.fitted && session.image.fitted != session.image.source)
        kal_FreeResource(session.image.fitted);
    session.image.fitted = image.fitted;
    adopt(session, pano);
    return true;
}

void closeSession(Session *session)
{
    if (!session) return;
    haltStep(session->platform, *session->pano());
    kal_Delete(session->pano(), FALSE);
    session->image.release();
    delete session;
}

const uint32_t *renderFrame(Session &session, bool smooth)
{
    Panorama *pano = session.pano();
    const void *view = smooth ? kal::renderSmoothView(pano) : kal_GetView(pano, nullptr);
    if (!view) return nullptr;
    const size_t width = pano->vpWidth, height = pano->vpHeight;
    uint32_t *out = session.frame.data();
    // The view's rows are bottom-up; the page's are top-down.
    if (kal::pixelBytes(pano) == 4) {
        const auto *rows = static_cast<const uint32_t *>(view);
        for (size_t y = 0; y < height; ++y, out += width)
            std::memcpy(out, rows + (height - 1 - y) * width, width * 4);
    } else {
        const auto *bits = static_cast<const uint8_t *>(view);
        const size_t stride = (width + 3) & ~size_t{3};
        for (size_t y = 0; y < height; ++y, out += width)
            expandRow(bits + (height - 1 - y) * stride, out, session.palette, width);
    }
    session.platform.dirty = false;
    return session.frame.data();
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

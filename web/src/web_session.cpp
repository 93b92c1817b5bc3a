// Sessions of the web viewer: 8-bit images through the engine's own
// loader, scaler and lifecycle, true-colour pixels the page decoded through
// a continuous view; frames in RGBA.
#include "web_session.h"

#include "colour_view.h"
#include "image_check.h"
#include "session_input.h"

#include "kalhost/image_head.h"
#include "kalhost/image_limits.h"
#include "kalhost/open_panorama.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace kalweb {

namespace {

// An 8-bit panorama of `image` for a width x height view, its DIB fitted to
// the view into image.fitted. The panorama takes the attributes' hotspots;
// on failure they go.
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
    image.fitted = kalhost::fitImage(image.source, view, attribs.angle, false, message);
    if (image.fitted)
        pano = kal_Create(static_cast<const BITMAPINFO *>(image.fitted), nullptr, &view, &attribs);
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

// A true-colour view of `image` for a width x height view, in the layout
// of `opening`'s file; the hotspots stay the caller's.
std::unique_ptr<ColourView> makeView(const SessionImage &image, const kalhost::ViewLayout &layout,
                                     const KalAttribs &attribs, const int stored[2], int width,
                                     int height, std::string &message)
{
    message = viewSizeProblem(width, height);
    if (!message.empty()) return nullptr;
    return makeColourView({image.width, image.height, image.rgba, kal::RowOrder::topDown}, layout,
                          attribs, stored[0], stored[1], width, height, message);
}

void adopt(Session &session, HPANORAMA pano)
{
    session.pano = pano;
    session.colour.reset();
    const int width = kal_GetValue(pano, KAL_VALUE_VPWIDTH);
    const int height = kal_GetValue(pano, KAL_VALUE_VPHEIGHT);
    session.frame.assign(size_t(width) * size_t(height), 0);
    // The view's header is followed by its 256 colours.
    const auto *info = static_cast<const BITMAPINFO *>(kal_GetData(pano, KAL_DATA_BITMAPINFO, 0));
    const RGBQUAD *colours = info->bmiColors;
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD &c = colours[i];
        session.palette[i] = c.rgbRed | c.rgbGreen << 8 | c.rgbBlue << 16 | 0xFF000000u;
    }
}

void adopt(Session &session, std::unique_ptr<ColourView> view)
{
    session.pano = nullptr;
    session.colour = std::move(view);
    session.frame.assign(size_t(viewWidth(session)) * size_t(viewHeight(session)), 0);
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
void carryPosition(HPANORAMA from, HPANORAMA to)
{
    const auto value = [](HPANORAMA p, int code) { return kal_GetValue(p, UINT(code)); };
    const int radius = value(from, KAL_VALUE_RADIUS), toRadius = value(to, KAL_VALUE_RADIUS);
    const double zoom = double(radius) / std::max(1, radius - value(from, KAL_VALUE_ZPOS));
    const int z = static_cast<int>(toRadius - toRadius / zoom);
    kal_SetPos(to,
               rescale(value(from, KAL_VALUE_XPOS), value(from, KAL_VALUE_SRCWIDTH),
                       value(to, KAL_VALUE_SRCWIDTH)),
               rescale(value(from, KAL_VALUE_YPOS), value(from, KAL_VALUE_SRCHEIGHT),
                       value(to, KAL_VALUE_SRCHEIGHT)),
               z);
}

}  // namespace

Session::Session() = default;
Opening::Opening() = default;
Opening::~Opening() = default;

Session::~Session()
{
    if (pano) kal_Delete(pano, FALSE);
    image.release();
}

void SessionImage::release()
{
    if (fitted && fitted != source) kal_FreeResource(fitted);
    if (source) kal_FreeResource(source);
    std::free(rgba);
    *this = SessionImage{};
}

namespace {

// What shows `image` for a width x height view: an 8-bit panorama or a
// true-colour view, in the layout `opening` read (null: the session's own
// text and layout, for a new view size). False after the reason in `report`.
struct Shown {
    HPANORAMA pano = nullptr;
    std::unique_ptr<ColourView> colour;
};

// `prepared`: the same view made ahead, taken when it has this size.
bool show(SessionImage &image, const std::string &attribText, const kalhost::ViewLayout *layout,
          const int stored[2], int width, int height, Report &report, Shown &out,
          std::unique_ptr<ColourView> prepared = nullptr)
{
    KalAttribs attribs{};
    if (!readAttributes(attribText, image.fileAttribs, attribs, report)) return false;
    if (!image.colour()) {
        out.pano = makePanorama(image, attribs, width, height, report.message);
        return out.pano != nullptr;
    }
    const kal::ViewSize size = prepared ? kal::viewSize(prepared->view.get()) : kal::ViewSize{0, 0};
    out.colour = size.width == width && size.height == height
                     ? std::move(prepared)
                     : makeView(image, *layout, attribs, stored, width, height, report.message);
    kalhost::releaseHotSpots(attribs);
    return out.colour != nullptr;
}

void adopt(Session &session, Shown &shown)
{
    if (shown.pano) {
        adopt(session, shown.pano);
    } else {
        adopt(session, std::move(shown.colour));
    }
}

void dropShown(Session &session)
{
    if (session.pano) kal_Delete(session.pano, FALSE);
    session.pano = nullptr;
    session.colour.reset();
}

// The layout a true-colour open keeps for the session's new view sizes.
struct OpenLayout {
    kalhost::ViewLayout layout;
    int stored[2] = {};
};

OpenLayout layoutOf(const Opening &opening, const SessionImage &image)
{
    OpenLayout out;
    out.stored[0] = opening.stored[0] ? opening.stored[0] : image.width;
    out.stored[1] = opening.stored[1] ? opening.stored[1] : image.height;
    if (!image.colour()) return out;
    KalAttribs attribs{};
    kalhost::GivenAttribs given;
    const std::string &text = opening.attribText;
    if (!text.empty() && kal_AttribString(text.data(), int(text.size()), &attribs)) {
        given = kalhost::givenAttribs(text.data(), text.size());
        kalhost::releaseHotSpots(attribs);
    }
    out.layout =
        kalhost::colourViewLayout(attribs, given, opening.hasGPano ? &opening.gpano : nullptr,
                                  out.stored[0], out.stored[1], image.height, opening.projection);
    return out;
}

// Puts `image` in `session` (a new one when null) for a width x height
// view. On failure the session stays as it was and the image goes.
Session *place(Session *session, SessionImage &image, Opening &opening, int width, int height,
               Report &report)
{
    const OpenLayout layout = layoutOf(opening, image);
    const std::string &text = opening.attribText;
    // An 8-bit image in place of an 8-bit one: the engine's own replacement,
    // which keeps the panorama.
    if (session && session->pano && !image.colour()) {
        KalAttribs attribs{};
        if (!readAttributes(text, image.fileAttribs, attribs, report)) {
            image.release();
            return nullptr;
        }
        HPANORAMA pano = session->pano;
        const RECT view = {0, 0, viewWidth(*session), viewHeight(*session)};
        image.fitted = kalhost::fitImage(image.source, view, attribs.angle, false, report.message);
        if (!image.fitted || !kal_Replace(pano, static_cast<const BITMAPINFO *>(image.fitted),
                                          nullptr, &attribs, FALSE)) {
            if (image.fitted)
                report.message = std::string("The panorama cannot be shown: ") +
                                 kalhost::engineErrorText(kal_Error(nullptr));
            kalhost::releaseHotSpots(attribs);
            image.release();
            return nullptr;
        }
        session->image.release();
        session->image = image;
        session->attribText = text;
        adopt(*session, pano);
        return session;
    }
    if (session) {
        width = viewWidth(*session);
        height = viewHeight(*session);
    }
    Shown shown;
    if (!show(image, text, &layout.layout, layout.stored, width, height, report, shown,
              std::move(opening.prepared))) {
        image.release();
        return nullptr;
    }
    if (!session) session = new Session;
    dropShown(*session);
    session->image.release();
    session->image = image;
    session->attribText = text;
    adopt(*session, shown);
    if (session->pano) startView(image, session->pano);
    return session;
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

kalhost::ForcedProjection forcedProjection(int code)
{
    return code == 1   ? kalhost::ForcedProjection::cylinder
           : code == 2 ? kalhost::ForcedProjection::sphere
                       : kalhost::ForcedProjection::none;
}

Opening *openBmp(const uint8_t *bytes, size_t size, const std::string &attribText,
                 kalhost::ForcedProjection projection)
{
    auto *opening = new (std::nothrow) Opening;
    if (!opening) return nullptr;
    opening->attribText = attribText;
    opening->projection = projection;
    if (loadImage(bytes, size, textAngle(attribText), opening->image, opening->report) &&
        opening->image.colour()) {
        opening->size[0] = opening->stored[0] = opening->image.width;
        opening->size[1] = opening->stored[1] = opening->image.height;
    }
    return opening;
}

Opening *openColourBlock(int width, int height, const uint8_t *file, size_t fileBytes,
                         const std::string &attribText, const kalhost::GPanoFields *gpano,
                         kalhost::ForcedProjection projection)
{
    auto *opening = new (std::nothrow) Opening;
    if (!opening) return nullptr;
    opening->attribText = attribText;
    opening->projection = projection;
    opening->stored[0] = width;
    opening->stored[1] = height;
    if (gpano) {
        opening->hasGPano = true;
        opening->gpano = *gpano;
    }
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
    return place(session, image, opening, width, height, report);
}

void prepareOpen(Opening &opening, const Session *session, int width, int height)
{
    SessionImage &image = opening.image;
    if (!image.colour()) return;
    if (session) {
        width = viewWidth(*session);
        height = viewHeight(*session);
    }
    const OpenLayout layout = layoutOf(opening, image);
    Report scratch;  // the finish reports what this finds
    KalAttribs attribs{};
    if (!readAttributes(opening.attribText, image.fileAttribs, attribs, scratch)) return;
    opening.prepared =
        makeView(image, layout.layout, attribs, layout.stored, width, height, scratch.message);
    kalhost::releaseHotSpots(attribs);
    if (opening.prepared && !kal::prepareFrame(opening.prepared->view.get()))
        opening.prepared.reset();
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
    if (viewWidth(session) == width && viewHeight(session) == height) return true;
    session.message = viewSizeProblem(width, height);
    if (!session.message.empty()) return false;
    if (session.colour) {
        if (!kal::resizeContinuousView(session.colour->view.get(), width, height)) {
            session.message = "The panorama cannot be shown at " + pixelSize(width, height) + ".";
            return false;
        }
        session.frame.assign(size_t(width) * size_t(height), 0);
        return true;
    }
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
    carryPosition(session.pano, pano);
    kal_Delete(session.pano, FALSE);
    if (session.image.fitted && session.image.fitted != session.image.source)
        kal_FreeResource(session.image.fitted);
    session.image.fitted = image.fitted;
    adopt(session, pano);
    return true;
}

void closeSession(Session *session)
{
    delete session;
}

int sessionValue(const Session &session, int code)
{
    if (!session.colour) return kal_GetValue(session.pano, static_cast<UINT>(code));
    const ColourView &c = *session.colour;
    const kal::Geometry &g = kal::viewGeometry(c.view.get());
    switch (code) {
        case KAL_VALUE_ANGLE:
            return static_cast<int>(std::lround(g.angle()));
        case KAL_VALUE_ORIENTATION:
            return static_cast<int>(std::lround(g.leftHeading())) % 360;
        case KAL_VALUE_NUMHOTSPOTS:
            return static_cast<int>(c.hotSpots.size());
        case KAL_VALUE_SRCWIDTH:
            return g.width();
        case KAL_VALUE_SRCHEIGHT:
            return g.height();
        case KAL_VALUE_VPWIDTH:
            return viewWidth(session);
        case KAL_VALUE_VPHEIGHT:
            return viewHeight(session);
        default:
            return 0;
    }
}

int viewWidth(const Session &session)
{
    if (session.colour) return kal::viewSize(session.colour->view.get()).width;
    return kal_GetValue(session.pano, KAL_VALUE_VPWIDTH);
}

int viewHeight(const Session &session)
{
    if (session.colour) return kal::viewSize(session.colour->view.get()).height;
    return kal_GetValue(session.pano, KAL_VALUE_VPHEIGHT);
}

}  // namespace kalweb

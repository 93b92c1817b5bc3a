// True-colour views of the web module: the continuous view in the page's
// degrees, its bounds and its hotspots.
#include "colour_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kalweb {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegree = kPi / 180;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// Zoom and field: magnification against the natural field, as a lens has it.
double fieldOfZoom(const ColourView &v, double zoom)
{
    const double natural = kal::naturalField(v.view.get());
    return 2 * std::atan(std::tan(natural * kDegree / 2) / zoom) / kDegree;
}

double zoomOfField(const ColourView &v, double hfov)
{
    const double natural = kal::naturalField(v.view.get());
    return std::tan(natural * kDegree / 2) / std::tan(hfov * kDegree / 2);
}

double bounded(double value, double low, double high)
{
    if (std::isfinite(high) && value > high) value = high;
    if (std::isfinite(low) && value < low) value = low;
    return value;
}

// The difference of two headings, -180 .. 180.
double turnBetween(double from, double to)
{
    return std::remainder(to - from, 360.0);
}

}  // namespace

std::unique_ptr<ColourView> makeColourView(const kal::ColourImage &pixels,
                                           const kalhost::ViewLayout &layout,
                                           const KalAttribs &attribs, int storedWidth,
                                           int storedHeight, int width, int height,
                                           std::string &message)
{
    auto out = std::make_unique<ColourView>();
    out->view.reset(kal::createContinuousView(pixels, layout.layout, width, height));
    if (!out->view) {
        message =
            "The panorama cannot be shown: its image, its geometry or the view size is not "
            "one the engine takes.";
        return nullptr;
    }
    out->layout = layout.layout;
    out->storedWidth = storedWidth;
    out->storedHeight = storedHeight;
    out->bounds = {kNone, kNone, kNone, kNone};
    if (attribs.hotSpots && attribs.numHotSpots > 0)
        out->hotSpots.assign(attribs.hotSpots, attribs.hotSpots + attribs.numHotSpots);
    const kalhost::StartView &s = layout.start;
    kal::ViewDirection start = kal::viewDirection(out->view.get());
    start.hfov = s.hasField ? s.hfov : kal::naturalField(out->view.get());
    // Without one, heading 0, as kalrender and the 8-bit engine start.
    start.heading = s.hasHeading ? s.heading : 0;
    if (s.hasPitch) start.pitch = s.pitch;
    kal::setViewDirection(out->view.get(), start);
    return out;
}

PageView pageView(const ColourView &v)
{
    const kal::ViewDirection d = kal::viewDirection(v.view.get());
    return {d.heading, d.pitch, zoomOfField(v, d.hfov), d.hfov};
}

int placeView(ColourView &v, const PageView &wanted)
{
    if (!std::isfinite(wanted.bearing) || !std::isfinite(wanted.pitch)) return -1;
    const kal::ViewDirection now = kal::viewDirection(v.view.get());
    double hfov = wanted.hfov > 0 && std::isfinite(wanted.hfov)   ? wanted.hfov
                  : wanted.zoom > 0 && std::isfinite(wanted.zoom) ? fieldOfZoom(v, wanted.zoom)
                                                                  : now.hfov;
    const PageBounds &b = v.bounds;
    hfov = bounded(hfov, b.minHfov, b.maxHfov);
    const double pitch = bounded(wanted.pitch, b.minPitch, b.maxPitch);
    const kal::ViewDirection taken =
        kal::setViewDirection(v.view.get(), {wanted.bearing, pitch, hfov});
    constexpr double kSame = 1e-9;
    int flags = 0;
    if (std::fabs(turnBetween(taken.heading, wanted.bearing)) > kSame) flags |= KAL_BOUND_X;
    if (std::fabs(taken.pitch - wanted.pitch) > kSame) flags |= KAL_BOUND_Y;
    if (std::fabs(taken.hfov - hfov) > kSame) flags |= KAL_BOUND_Z;
    return flags;
}

int turnView(ColourView &v, double heading, double pitch)
{
    if (!std::isfinite(heading) || !std::isfinite(pitch)) return -1;
    const kal::ViewDirection d = kal::viewDirection(v.view.get());
    return placeView(v, {d.heading + heading, d.pitch + pitch, kNone, d.hfov});
}

int alignView(ColourView &v, const kal::SourcePoint &point, double x, double y)
{
    if (!std::isfinite(point.column) || !std::isfinite(point.row) || !std::isfinite(x) ||
        !std::isfinite(y))
        return -1;
    const kal::ViewDirection d = kal::directionShowing(v.view.get(), point, x, y);
    return placeView(v, {d.heading, d.pitch, kNone, d.hfov});
}

void boundView(ColourView &v, const PageBounds &bounds)
{
    v.bounds = bounds;
    const kal::ViewDirection d = kal::viewDirection(v.view.get());
    placeView(v, {d.heading, d.pitch, kNone, d.hfov});
}

int colourHotSpotAt(const ColourView &v, double x, double y)
{
    kal::SourcePoint p;
    if (v.hotSpots.empty() || !kal::viewToSource(v.view.get(), x, y, &p)) return -1;
    // The rectangles are in the file's pixels; the image may be shown smaller.
    const kal::Geometry &g = kal::viewGeometry(v.view.get());
    const auto column = static_cast<LONG>(std::floor((p.column + 0.5) * v.storedWidth / g.width()));
    const auto row = static_cast<LONG>(std::floor((p.row + 0.5) * v.storedHeight / g.height()));
    // Round a full circle a rectangle may run on past the right edge.
    const int turns = g.wraps() ? 2 : 1;
    for (size_t i = 0; i < v.hotSpots.size(); ++i)
        for (int turn = 0; turn < turns; ++turn) {
            const RECT &r = v.hotSpots[i].rect;
            const LONG c = column + turn * v.storedWidth;
            if (r.left <= c && c < r.right && r.top <= row && row < r.bottom)
                return static_cast<int>(i);
        }
    return -1;
}

bool colourViewPoint(const ColourView &v, double column, double row, double &x, double &y)
{
    const kal::Geometry &g = kal::viewGeometry(v.view.get());
    // The view's source points have pixel centres at whole numbers.
    kal::SourcePoint p{column * g.width() / v.storedWidth - 0.5,
                       row * g.height() / v.storedHeight - 0.5};
    if (g.wraps()) p.column = p.column - std::floor(p.column / g.width()) * g.width();
    return kal::sourceToView(v.view.get(), p, &x, &y);
}

}  // namespace kalweb

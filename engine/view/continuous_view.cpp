// The continuous view: its geometry, direction and limits, and the table
// rebuilt only when the pitch, the field or the size change.
#include "view/continuous_view.h"

#include "view/cylinder_geometry.h"
#include "view/sphere_geometry.h"
#include "view/view_camera.h"
#include "view/view_limits.h"
#include "view/view_math.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace kal {

struct ContinuousView {
    ColourImage image;
    std::unique_ptr<Geometry> geometry;
    int width, height;
    ViewDirection direction;
    FieldRange fields;
    PitchRange pitches;  // at direction.hfov
    double pitchesField;
    ViewTable table;
};

namespace {

bool validLayout(const PanoramaLayout &l, const ColourImage &image)
{
    if (!(l.angle > 0 && l.angle <= 360) || !std::isfinite(l.leftHeading)) return false;
    if (l.projection == ProjectionKind::cylinder)
        return std::isfinite(l.horizon) && std::fabs(l.horizon) <= image.height;
    return l.top <= 90 && l.bottom >= -90 && l.top - l.bottom > 0;
}

bool validSize(int width, int height)
{
    return width >= 2 && height >= 1 && width <= kMaxColourViewSide && height <= kMaxColourViewSide;
}

double clampTo(double v, double lo, double hi)
{
    return std::min(std::max(v, lo), hi);
}

void settle(ContinuousView &v, ViewDirection wanted)
{
    const Geometry &g = *v.geometry;
    ViewDirection d = v.direction;
    if (std::isfinite(wanted.hfov)) d.hfov = wanted.hfov;
    if (std::isfinite(wanted.pitch)) d.pitch = wanted.pitch;
    if (std::isfinite(wanted.heading)) d.heading = wanted.heading;
    d.hfov = clampTo(d.hfov, v.fields.narrowest, v.fields.widest);
    if (d.hfov != v.pitchesField || !v.pitches.any) {
        v.pitches = pitchRange(g, d.hfov, v.width, v.height);
        v.pitchesField = d.hfov;
    }
    d.pitch = v.pitches.any ? clampTo(d.pitch, v.pitches.lowest, v.pitches.highest) : 0;
    if (g.wraps()) {
        d.heading = wrapDegrees(d.heading);
    } else {
        const double reach = headingReach(g, d.pitch, d.hfov, v.width, v.height);
        double east = wrapDegrees(d.heading - g.leftHeading());
        // Beyond the arc: to the nearer of its ends.
        if (east > g.angle()) east = east - g.angle() < 360 - east ? g.angle() : 0;
        const double lo = std::min(reach, g.angle() / 2), hi = std::max(g.angle() - reach, lo);
        d.heading = wrapDegrees(g.leftHeading() + clampTo(east, lo, hi));
    }
    v.direction = d;
}

bool resize(ContinuousView &v, int width, int height)
{
    if (!validSize(width, height)) return false;
    v.width = width;
    v.height = height;
    v.fields = fieldRange(*v.geometry, width, height);
    v.pitches = {false, 0, 0};
    settle(v, v.direction);
    return true;
}

// The column the view centre faces, as a table coordinate.
double headingColumn(const ContinuousView &v)
{
    const Geometry &g = *v.geometry;
    return wrapDegrees(v.direction.heading - g.leftHeading()) * kRadian * g.columnsPerRadian() -
           0.5;
}

bool tableIsCurrent(const ContinuousView &v)
{
    const ViewTable &t = v.table;
    return t.column && t.width == v.width && t.height == v.height && t.pitch == v.direction.pitch &&
           t.hfov == v.direction.hfov;
}

bool currentTable(ContinuousView &v)
{
    if (tableIsCurrent(v)) return true;
    return buildViewTable(*v.geometry, v.direction.pitch, v.direction.hfov, v.width, v.height,
                          v.image.rows, v.table);
}

int32_t fixedHeading(const ContinuousView &v)
{
    double c = headingColumn(v);
    const double w = v.image.width;
    if (v.geometry->wraps()) c = c < 0 ? c + w : (c >= w ? c - w : c);
    auto f = static_cast<int64_t>(std::llround(c * kTableOne));
    const int64_t span = int64_t{v.image.width} << kTableFraction;
    if (v.geometry->wraps()) f = ((f % span) + span) % span;
    return static_cast<int32_t>(f);
}

}  // namespace

ContinuousView *createContinuousView(const ColourImage &image, const PanoramaLayout &layout,
                                     int width, int height)
{
    if (!image.pixels || image.width < 1 || image.width > 65535 || image.height < 1 ||
        image.height > kMaxImageHeight || !validLayout(layout, image) || !validSize(width, height))
        return nullptr;
    std::unique_ptr<ContinuousView> v(new (std::nothrow) ContinuousView{});
    if (!v) return nullptr;
    v->image = image;
    if (layout.projection == ProjectionKind::cylinder)
        v->geometry.reset(new (std::nothrow) CylinderGeometry(
            image.width, image.height, layout.angle, layout.leftHeading, layout.horizon));
    else
        v->geometry.reset(new (std::nothrow)
                              SphereGeometry(image.width, image.height, layout.angle,
                                             layout.leftHeading, layout.top, layout.bottom));
    if (!v->geometry) return nullptr;
    v->width = width;
    v->height = height;
    v->direction = {layout.leftHeading + layout.angle / 2, 0, 0};
    v->direction.hfov = 2 * std::atan(width / (2 * v->geometry->columnsPerRadian())) / kRadian;
    if (!resize(*v, width, height)) return nullptr;
    return v.release();
}

void deleteContinuousView(ContinuousView *view)
{
    delete view;
}

bool resizeContinuousView(ContinuousView *view, int width, int height)
{
    return view && resize(*view, width, height);
}

ViewDirection setViewDirection(ContinuousView *view, const ViewDirection &wanted)
{
    settle(*view, wanted);
    return view->direction;
}

ViewDirection viewDirection(const ContinuousView *view)
{
    return view->direction;
}

ViewSize viewSize(const ContinuousView *view)
{
    return {view->width, view->height};
}

ViewLimits viewLimits(const ContinuousView *view)
{
    const ContinuousView &v = *view;
    const Geometry &g = *v.geometry;
    ViewLimits l{v.fields.narrowest,
                 v.fields.widest,
                 v.pitches.lowest,
                 v.pitches.highest,
                 g.wraps(),
                 0,
                 360};
    if (!l.wraps) {
        const double reach =
            headingReach(g, v.direction.pitch, v.direction.hfov, v.width, v.height);
        const double lo = std::min(reach, g.angle() / 2);
        l.firstHeading = g.leftHeading() + lo;
        l.lastHeading = g.leftHeading() + std::max(g.angle() - reach, lo);
    }
    return l;
}

double naturalField(const ContinuousView *view)
{
    return 2 * std::atan(view->width / (2 * view->geometry->columnsPerRadian())) / kRadian;
}

const Geometry &viewGeometry(const ContinuousView *view)
{
    return *view->geometry;
}

bool prepareFrame(ContinuousView *view)
{
    return view && currentTable(*view);
}

bool renderMovingFrame(ContinuousView *view, uint32_t *pixels, RowOrder order)
{
    if (!currentTable(*view)) return false;
    renderNearestFrame(view->table, view->image, view->geometry->wraps(), fixedHeading(*view),
                       {pixels, order});
    return true;
}

bool renderRestingFrame(ContinuousView *view, uint32_t *pixels, RowOrder order)
{
    if (!currentTable(*view)) return false;
    renderSmoothFrame(view->table, view->image, view->geometry->wraps(), fixedHeading(*view),
                      {pixels, order});
    return true;
}

bool renderFrameRows(const ContinuousView *view, bool smooth, const FrameTarget &target)
{
    if (!tableIsCurrent(*view)) return false;
    (smooth ? renderSmoothFrame : renderNearestFrame)(
        view->table, view->image, view->geometry->wraps(), fixedHeading(*view), target);
    return true;
}

bool viewToSource(const ContinuousView *view, double x, double y, SourcePoint *point)
{
    const ContinuousView &v = *view;
    const Geometry &g = *v.geometry;
    const Camera c = Camera::of(v.direction.pitch, v.direction.hfov, v.width, v.height);
    SourcePoint p = relativeSource(g, g.columnsPerRadian(), c.rayAt(x, y));
    p.column += headingColumn(v);
    const double w = g.width();
    if (g.wraps()) p.column -= std::floor((p.column + 0.5) / w) * w;
    // The limits put the view's edge on the image's edge: rounding may
    // carry an edge ray a hair beyond it.
    constexpr double kEdge = 0.5 + 1e-6;
    if (!(p.column >= -kEdge && p.column <= w - 1 + kEdge && p.row >= -kEdge &&
          p.row <= g.height() - 1 + kEdge))
        return false;
    *point = p;
    return true;
}

bool sourceToView(const ContinuousView *view, const SourcePoint &point, double *x, double *y)
{
    const ContinuousView &v = *view;
    const Geometry &g = *v.geometry;
    const double heading = ((point.column + 0.5) / g.columnsPerRadian()) / kRadian +
                           g.leftHeading() - v.direction.heading;
    const double e = g.elevationOfRow(point.row), h = heading * kRadian;
    const Ray r{std::cos(e) * std::sin(h), std::sin(e), std::cos(e) * std::cos(h)};
    return Camera::of(v.direction.pitch, v.direction.hfov, v.width, v.height).pointOf(r, x, y);
}

ViewDirection directionShowing(const ContinuousView *view, const SourcePoint &point, double x,
                               double y)
{
    const ContinuousView &v = *view;
    const Geometry &g = *v.geometry;
    const double heading =
        ((point.column + 0.5) / g.columnsPerRadian()) / kRadian + g.leftHeading();
    const double elevation = g.elevationOfRow(point.row);
    // The pitch turns the view ray (cx, cy, f) about the horizontal axis:
    // its height cy cos p + f sin p must be |ray| sin(elevation), which
    // solves in closed form; the heading then follows from its bearing.
    const Camera c = Camera::of(0, v.direction.hfov, v.width, v.height);
    const double cx = x - c.halfWidth, cy = c.halfHeight - y, f = c.focal;
    const double length = std::sqrt(cx * cx + cy * cy + f * f), arm = std::hypot(cy, f);
    const double rise = std::clamp(length * std::sin(elevation) / arm, -1.0, 1.0);
    const double pitch = std::asin(rise) - std::atan2(cy, f);
    const double forward = f * std::cos(pitch) - cy * std::sin(pitch);
    return {wrapDegrees(heading - std::atan2(cx, forward) / kRadian), pitch / kRadian,
            v.direction.hfov};
}

}  // namespace kal

// Limits by the view's border: a rectilinear view's extremes of row and
// heading lie on its edges (or the view holds a pole), so the border rays,
// sampled densely with the corners and edge midpoints among them, decide.
#include "view/view_limits.h"

#include "view/view_camera.h"
#include "view/view_math.h"

#include <algorithm>
#include <cmath>

namespace kal {
namespace {

constexpr int kEdgeSamples = 64;  // per edge, corners and midpoint included
constexpr double kSlack = 1e-6;   // rows: rounding at the poles

struct Extent {
    double top, bottom;  // least and greatest row coordinate
    double reach;        // radians of heading either side of the centre
};

bool holdsDirection(const Camera &c, const Ray &r, int width, int height)
{
    double x, y;
    return c.pointOf(r, &x, &y) && x >= 0 && x <= width && y >= 0 && y <= height;
}

// `step`: every step-th border sample only (a subset, so a coarse extent
// lies within the full one).
Extent extentOf(const Geometry &g, double pitch, double hfov, int width, int height, int step = 1)
{
    const Camera c = Camera::of(pitch, hfov, width, height);
    Extent e{INFINITY, -INFINITY, 0};
    auto take = [&](double x, double y) {
        const Ray r = c.rayAt(x, y);
        const double row = g.rowOf(r.y, std::sqrt(r.x * r.x + r.z * r.z));
        e.top = std::isnan(row) ? -INFINITY : std::min(e.top, row);
        e.bottom = std::isnan(row) ? INFINITY : std::max(e.bottom, row);
        e.reach = std::max(e.reach, std::fabs(std::atan2(r.x, r.z)));
    };
    for (int k = 0; k <= kEdgeSamples; k += step) {
        const double x = width * double(k) / kEdgeSamples, y = height * double(k) / kEdgeSamples;
        take(x, 0);
        take(x, height);
        take(0, y);
        take(width, y);
    }
    // A pole inside the view: every heading, and the pole's own row (none
    // on a cylinder, where it lies infinitely far).
    for (double up : {1.0, -1.0})
        if (holdsDirection(c, {0, up, 0}, width, height)) {
            e.reach = kPi;
            const double row = g.rowOf(up, 0);
            e.top = std::min(e.top, std::isfinite(row) ? row : -INFINITY);
            e.bottom = std::max(e.bottom, std::isfinite(row) ? row : INFINITY);
        }
    return e;
}

bool inside(const Geometry &g, const Extent &e)
{
    if (!(e.top >= -0.5 - kSlack && e.bottom <= g.height() - 0.5 + kSlack)) return false;
    return g.wraps() || 2 * e.reach <= g.angle() * kRadian;
}

bool fits(const Geometry &g, double pitch, double hfov, int width, int height)
{
    if (std::fabs(pitch) > g.steepestPitch()) return false;
    // Most pitches the searches try do not fit, and a few border samples
    // already show it: the full set only for those that pass.
    constexpr int kCoarse = 8;
    static_assert(kEdgeSamples % kCoarse == 0, "the coarse samples are among the full ones");
    return inside(g, extentOf(g, pitch, hfov, width, height, kCoarse)) &&
           inside(g, extentOf(g, pitch, hfov, width, height));
}

// The edge between a fitting pitch `in` and an unfitting `out`.
double edgeBetween(const Geometry &g, double in, double out, double hfov, int width, int height)
{
    for (int k = 0; k < 40 && std::fabs(out - in) > 1e-7; ++k) {
        const double mid = (in + out) / 2;
        (fits(g, mid, hfov, width, height) ? in : out) = mid;
    }
    return in;
}

// A pitch at which the field fits, if there is one: the pitch facing the
// image's middle row fits if any does, but for a band so narrow that it
// fits nowhere near it: then look along.
bool somePitch(const Geometry &g, double hfov, int width, int height, double &start)
{
    const double steep = g.steepestPitch();
    start = g.elevationOfRow((g.height() - 1) / 2.0) / kRadian;
    start = std::min(std::max(start, -steep), steep);
    if (fits(g, start, hfov, width, height)) return true;
    for (double p = -steep; p <= steep; p += 1.0)
        if (fits(g, p, hfov, width, height)) return start = p, true;
    return false;
}

}  // namespace

PitchRange pitchRange(const Geometry &g, double hfov, int width, int height)
{
    const double steep = g.steepestPitch();
    double start = 0;
    if (!somePitch(g, hfov, width, height, start)) return {false, 0, 0};
    const double lo = fits(g, -steep, hfov, width, height)
                          ? -steep
                          : edgeBetween(g, start, -steep, hfov, width, height);
    const double hi = fits(g, steep, hfov, width, height)
                          ? steep
                          : edgeBetween(g, start, steep, hfov, width, height);
    return {true, lo, hi};
}

FieldRange fieldRange(const Geometry &g, int width, int height)
{
    // The widest field applies to the view's longer side.
    const double cap = g.widestField() * kRadian / 2;
    double widest = width >= height ? cap : std::atan(std::tan(cap) * width / height);
    widest = 2 * widest / kRadian;
    const double narrowest =
        2 * std::atan(width / (2 * kMaxMagnification * g.columnsPerRadian())) / kRadian;
    // Whether a field fits at all, not the pitches' edges, decides here.
    double start = 0;
    if (!somePitch(g, widest, width, height, start)) {
        double in = 0, out = widest;
        for (int k = 0; k < 30; ++k) {
            const double mid = (in + out) / 2;
            (somePitch(g, mid, width, height, start) ? in : out) = mid;
        }
        widest = in;
    }
    return {std::min(narrowest, widest), widest};
}

double headingReach(const Geometry &g, double pitch, double hfov, int width, int height)
{
    return extentOf(g, pitch, hfov, width, height).reach / kRadian;
}

}  // namespace kal

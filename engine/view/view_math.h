// Angle units, wrapping and a quick atan2 shared by the view's files.
#ifndef KAL_VIEW_MATH_H
#define KAL_VIEW_MATH_H

#include <cmath>
#include <initializer_list>

namespace kal {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadian = kPi / 180.0;  // one degree in radians

// 0 <= result < 360; anything not finite gives 0.
inline double wrapDegrees(double degrees)
{
    if (!std::isfinite(degrees)) return 0;
    const double d = std::fmod(degrees, 360.0);
    return d < 0 ? (d + 360.0 < 360.0 ? d + 360.0 : 0.0) : d;
}

// atan2 within 1e-13 radians of the library's for finite arguments: the
// view table calls it twice for every pixel it computes exactly, and the
// library's costs most of that. One octant by the ratio of the smaller side
// to the larger, brought within tan(pi/12) of 0, then the odd series.
inline double quickAtan2(double y, double x)
{
    const double ax = std::fabs(x), ay = std::fabs(y);
    const double hi = ax > ay ? ax : ay, lo = ax > ay ? ay : ax;
    if (!(hi > 0) || !std::isfinite(hi)) return std::atan2(y, x);  // zeros, infinities, NaN
    constexpr double kSqrt3 = 1.7320508075688772, kTan15 = 0.2679491924311227;
    double t = lo / hi, base = 0;
    if (t > kTan15) {
        t = (t * kSqrt3 - 1) / (kSqrt3 + t);
        base = kPi / 6;
    }
    // |t| <= tan(pi/12): the first term left out, t^21 / 21, is below 1e-13.
    const double t2 = t * t;
    double p = -1.0 / 19;
    for (const double c :
         {1.0 / 17, -1.0 / 15, 1.0 / 13, -1.0 / 11, 1.0 / 9, -1.0 / 7, 1.0 / 5, -1.0 / 3, 1.0})
        p = p * t2 + c;
    double a = base + t * p;
    if (ay > ax) a = kPi / 2 - a;
    if (x < 0) a = kPi - a;
    return std::copysign(a, y);
}

}  // namespace kal

#endif

// Angle units and wrapping shared by the view's files.
#ifndef KAL_VIEW_MATH_H
#define KAL_VIEW_MATH_H

#include <cmath>

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

}  // namespace kal

#endif

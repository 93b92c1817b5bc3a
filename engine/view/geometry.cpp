// What every geometry shares: the heading's linear column scale.
#include "view/geometry.h"

#include "view/view_math.h"

#include <cmath>

namespace kal {

double Geometry::columnsPerRadian() const
{
    return width() / (angle() * kRadian);
}

SourcePoint Geometry::sourceOf(double heading, double elevation) const
{
    const double east = wrapDegrees(heading - leftHeading());
    return {east * kRadian * columnsPerRadian() - 0.5,
            rowOf(std::sin(elevation), std::cos(elevation))};
}

}  // namespace kal

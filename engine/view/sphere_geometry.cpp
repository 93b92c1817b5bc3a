// The sphere behind the seam: the row is the elevation counted down from
// the top edge.
#include "view/sphere_geometry.h"

#include "view/view_math.h"

#include <cmath>

namespace kal {

SphereGeometry::SphereGeometry(int width, int height, double angle, double leftHeading, double top,
                               double bottom)
    : width_(width), height_(height), angle_(angle), left_(leftHeading), top_(top * kRadian)
{
    rowsPerRadian_ = height / ((top - bottom) * kRadian);
}

double SphereGeometry::rowOf(double up, double across) const
{
    return (top_ - quickAtan2(up, across)) * rowsPerRadian_ - 0.5;
}

double SphereGeometry::elevationOfRow(double row) const
{
    return top_ - (row + 0.5) / rowsPerRadian_;
}

}  // namespace kal

// The cylinder behind the seam: a ray meets it at the height of its
// elevation's tangent times the radius.
#include "view/cylinder_geometry.h"

#include "view/view_math.h"

#include <cmath>

namespace kal {

CylinderGeometry::CylinderGeometry(int width, int height, double angle, double leftHeading,
                                   double horizon)
    : width_(width), height_(height), angle_(angle), left_(leftHeading)
{
    radius_ = width / (angle * kRadian);
    horizonRow_ = height / 2.0 - 0.5 - horizon;
}

double CylinderGeometry::rowOf(double up, double across) const
{
    return horizonRow_ - radius_ * up / across;
}

double CylinderGeometry::elevationOfRow(double row) const
{
    return std::atan((horizonRow_ - row) / radius_);
}

}  // namespace kal
